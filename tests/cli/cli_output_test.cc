// Standard output that cannot be written: a full device, a closed
// descriptor, a pipe without a reader. Every kind of output must end in one
// write error and status 2, never in a silent success.
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "real_cli.hh"

namespace {

using cli_test::child_stdout;
using cli_test::run_result;

class OutputErrors : public cli_test::real_cli {
protected:
    void SetUp() override {
        real_cli::SetUp();
        if (IsSkipped()) return;
        dir.write("rc.kvx", "rc\n.INCLUDE 'cells.inc'\nR1 a b 1\n.END\n");
        dir.write("cells.inc", "R2 a b 2\n");
    }
    run_result quarry(const std::vector<std::string>& args, const child_stdout& out) {
        return real_cli::quarry(args, {}, out);
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir.path() + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

const child_stdout full_device{child_stdout::kind::file, "/dev/full"};
const child_stdout closed{child_stdout::kind::closed, ""};

TEST_F(OutputErrors, EveryOutputToAFullDeviceIsAWriteError) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const std::vector<std::vector<std::string>> commands = {
        {"rc.kvx"},
        {"--format", "json", "rc.kvx"},
        {"--tokens", "rc.kvx"},
        {"-M", "rc.kvx"},
        {"--languages"},
        {"--describe", "korvex3"},
        {"--version"},
        {"--help"},
        // Several inputs: still one report.
        {"rc.kvx", "rc.kvx", "rc.kvx"},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args[1] : ""));
        const run_result r = quarry(args, full_device);
        EXPECT_EQ(r.err, "quarry-parse: write error: No space left on device\n");
        EXPECT_EQ(r.status, 2);
    }
}

TEST_F(OutputErrors, RuleFileOnAFullDeviceIsAWriteErrorNamingIt) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    const run_result r = cli_test::run_program(QUARRY_PARSE_BIN, {"-MF", "/dev/full", "--format", "none", "rc.kvx"},
                                               dir.path());
    EXPECT_EQ(r.err, "quarry-parse: write error: /dev/full: No space left on device\n");
    EXPECT_EQ(r.status, 2);
}

TEST_F(OutputErrors, ClosedStdoutFailsWritesAndIsNeverTakenByTheRuleFile) {
    const run_result tree = quarry({"rc.kvx"}, closed);
    EXPECT_EQ(tree.err, "quarry-parse: write error: Bad file descriptor\n");
    EXPECT_EQ(tree.status, 2);

    // The rule file, opened after start-up, must not land on descriptor 1
    // and receive the JSON meant for standard output.
    const run_result json = quarry({"-MF", "out.d", "--format", "json", "rc.kvx"}, closed);
    EXPECT_EQ(read("out.d"), "rc.kvx: cells.inc\n");
    EXPECT_EQ(json.err, "quarry-parse: write error: Bad file descriptor\n");
    EXPECT_EQ(json.status, 2);

    // Nothing written to standard output: nothing failed.
    const run_result rule_only = quarry({"-M", "-MF", "only.d", "rc.kvx"}, closed);
    EXPECT_EQ(read("only.d"), "rc.kvx: cells.inc\n");
    EXPECT_EQ(rule_only.err, "");
    EXPECT_EQ(rule_only.status, 0);
}

TEST_F(OutputErrors, PipeWithoutReaderIsAWriteErrorOnlyWhenSigpipeIsIgnored) {
    const run_result ignored = quarry({"rc.kvx", "rc.kvx"}, {child_stdout::kind::reader_gone, ""});
    EXPECT_EQ(ignored.err, "quarry-parse: write error: Broken pipe\n");
    EXPECT_EQ(ignored.status, 2);

    const run_result killed = quarry({"rc.kvx"}, {child_stdout::kind::reader_gone, "", true});
    EXPECT_EQ(killed.err, "");
    EXPECT_EQ(killed.status, 128 + SIGPIPE);
}

}  // namespace
