#include <gtest/gtest.h>

#include "quarry/host.hh"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    quarry::host::start();
    return RUN_ALL_TESTS();
}
