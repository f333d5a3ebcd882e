#include <gtest/gtest.h>

#include "quarry/host.hh"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The packet tests compare against the host's own message formats.
    quarry::host::start();
    return RUN_ALL_TESTS();
}
