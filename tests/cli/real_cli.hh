#pragma once
// The fixture of the tests that drive quarry-parse with the real module.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_cli.hh"

namespace cli_test {

/// quarry-parse with the module of this tree, run in a scratch directory;
/// skipped where the module is not built. A child still running after two
/// minutes is killed, so that a hang fails its test.
class real_cli : public ::testing::Test {
protected:
    static constexpr int kill_after_seconds = 120;

    void SetUp() override {
        if (std::string(REAL_PLUGIN).empty()) GTEST_SKIP() << "the korvex3 module is not built in this tree";
    }
    /// quarry-parse ARGS (without --plugin: the module is found beside the binary).
    run_result quarry(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                      const child_stdout& out = {}) {
        return run_program(QUARRY_PARSE_BIN, args, dir.path(), "", env, kill_after_seconds, out);
    }
    /// The command through a shell, for limits, users and terminals.
    run_result shell(const std::string& command) {
        return run_program("/bin/sh", {"-c", command}, dir.path(), "", {}, kill_after_seconds);
    }
    static std::string bin() { return QUARRY_PARSE_BIN; }

    scratch_dir dir;
};

}  // namespace cli_test
