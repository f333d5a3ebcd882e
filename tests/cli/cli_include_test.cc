// How the host finds, refuses and reads included files, and what a deck
// from an untrusted source can make it do, through the binary with the real
// module. Children outliving a generous limit are killed, so that a hang
// fails its test.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "real_cli.hh"

namespace {

using cli_test::run_result;


using IncludeCli = cli_test::real_cli;

// Each of `levels` files includes the next one twice: 2^levels parses
// unless the total is bounded.
void write_fan_out(const cli_test::scratch_dir& dir, int levels) {
    for (int i = 0; i < levels; ++i) {
        const std::string next = "f" + std::to_string(i + 1) + ".inc";
        dir.write("f" + std::to_string(i) + ".inc", ".include \"" + next + "\"\n.include \"" + next + "\"\n");
    }
    dir.write("f" + std::to_string(levels) + ".inc", "R1 a b 1\n");
    dir.write("top.kvx", "top\n.include \"f0.inc\"\n.END\n");
}

TEST_F(IncludeCli, IncludeFanOutStopsAtTheLimitOfFiles) {
    write_fan_out(dir, 30);
    const run_result r = quarry({"--format", "none", "--max-includes", "100", "top.kvx"});
    EXPECT_EQ(r.status, 1);
    // The 101st include is refused where it is written; the includes still
    // open each refuse their second one the same way, and nothing else.
    // Under the chain of the 30 open includes, outermost first.
    std::size_t start = 0;
    for (int level = 0; level < 30; ++level) {
        const std::string includer = level == 0 ? "top.kvx:2:" : "f" + std::to_string(level - 1) + ".inc:";
        ASSERT_EQ(r.err.compare(start, 22 + includer.size(), "In file included from " + includer), 0)
            << r.err.substr(0, 600);
        start = r.err.find('\n', start) + 1;
    }
    EXPECT_EQ(r.err.find("f29.inc:1:1: error: .include path is invalid: f30.inc\n"
                         ".include \"f30.inc\"\n^~~~~~~~~~~~~~~~~~\n"
                         "f29.inc:1:1: error: include limit of 100 files reached\n",
                         start),
              start)
        << r.err.substr(0, 600);
    std::size_t refusals = 0;
    for (std::size_t at = r.err.find("files reached"); at != std::string::npos; at = r.err.find("files reached", at + 1))
        ++refusals;
    EXPECT_LE(refusals, 60u);

    // The default bound is far above what real libraries read.
    const run_result fine = quarry({"--format", "none", "--max-includes", "0", "top.kvx"});
    EXPECT_EQ(fine.status, 1);
    EXPECT_NE(fine.err.find("top.kvx:2:1: error: include limit of 0 files reached"), std::string::npos) << fine.err;
    write_fan_out(dir, 8);
    EXPECT_EQ(quarry({"--format", "none", "top.kvx"}).status, 0);
}

TEST_F(IncludeCli, UnreadableIncludeIsInvalidWithTheReasonAndNoDependency) {
    dir.write("secret.inc", "R1 a b 1\n");
    dir.write("deck.kvx", "t\n.include 'secret.inc'\n.END\n");
    ASSERT_EQ(::chmod((dir.path() + "/secret.inc").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    // Permissions do not stop root: the run is made as an ordinary user then.
    const std::string as_user = ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    if (!as_user.empty() && shell(as_user + bin() + " --version").status != 0)
        GTEST_SKIP() << "the build cannot be run as nobody here";
    const run_result r = shell(as_user + bin() + " -M deck.kvx");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "deck.kvx:\n");
    EXPECT_EQ(r.err,
              "deck.kvx:2:1: error: .include path is invalid: secret.inc\n.include 'secret.inc'\n^~~~~~~~~~~~~~~~~~~~~\n"
              "deck.kvx:2:1: note: cannot open secret.inc: Permission denied\n.include 'secret.inc'\n"
              "^~~~~~~~~~~~~~~~~~~~~\n"
              "1 error generated.\n");
}

// A read error used to end the process from inside the scanner.
TEST_F(IncludeCli, ReadErrorInAnIncludeEndsThatParseWithItsPlace) {
    dir.write("deck.kvx", "t\n.include '/proc/self/mem'\n.END\n");
    dir.write("good.kvx", "t\nR1 a b 1\n.END\n");
    const run_result r = quarry({"--format", "none", "deck.kvx", "good.kvx"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In file included from deck.kvx:2:\n"
                     "/proc/self/mem:1:1: error: cannot read /proc/self/mem: Input/output error\n"
                     "1 error generated.\n");
}

// Under a small address space the parse fails with a message, never a signal.
TEST_F(IncludeCli, OutOfMemoryExitsWithAMessage) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#else
    std::string deck = "big\n";
    for (int i = 0; i < 400000; ++i) deck += "R" + std::to_string(i) + " a b 1\n";
    dir.write("big.kvx", deck + ".END\n");
    int failed = 0;
    for (const int mib : {40, 60, 80, 100, 120, 140, 160, 196}) {
        const run_result r = shell("ulimit -v " + std::to_string(mib * 1024) + "; exec " + bin() + " big.kvx >/dev/null");
        EXPECT_TRUE(r.status == 0 || r.status == 2) << mib << " MiB: status " << r.status << "\n" << r.err;
        if (r.status == 2) {
            ++failed;
            EXPECT_NE(r.err.find("out of memory"), std::string::npos) << mib << " MiB: " << r.err;
        }
    }
    EXPECT_GT(failed, 0) << "no limit was small enough to fail the parse";
#endif
}

// A folder holding a file of the same name as one the deck includes must not
// change what a deck elsewhere reads.
TEST_F(IncludeCli, IncludeBesideTheIncluderComesBeforeTheWorkingDirectory) {
    dir.write("proj/deck.kvx", "t\n.include 'models.inc'\n.END\n");
    dir.write("proj/models.inc", "R1 right b 1\n");
    dir.write("cwd/models.inc", "R1 wrong b 1\n");
    const run_result r = cli_test::run_program(QUARRY_PARSE_BIN, {"-M", "../proj/deck.kvx"}, dir.path() + "/cwd", "",
                                               {}, kill_after_seconds);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "../proj/deck.kvx: ../proj/models.inc\n");
    // Found nowhere else, a path is taken as given, from the working directory.
    dir.write("proj/only.kvx", "t\n.include 'cwd.inc'\n.END\n");
    dir.write("cwd/cwd.inc", "R1 a b 1\n");
    const run_result given = cli_test::run_program(QUARRY_PARSE_BIN, {"-M", "../proj/only.kvx"}, dir.path() + "/cwd",
                                                   "", {}, kill_after_seconds);
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.out, "../proj/only.kvx: cwd.inc\n");
}

TEST_F(IncludeCli, IncludeRootsConfineIncludesAfterLinksAreResolved) {
    dir.write("lib/ok.inc", "R1 a b 1\n");
    dir.write("outside/secret.inc", "R2 a b 2\n");
    ASSERT_EQ(::symlink("../outside/secret.inc", (dir.path() + "/lib/link.inc").c_str()), 0);
    const std::string elsewhere = dir.write("other/x.inc", "R3 a b 3\n");
    dir.write("deck.kvx", "t\n.include 'lib/ok.inc'\n.include 'lib/link.inc'\n.include '" + elsewhere + "'\n.END\n");
    const run_result r = quarry({"--include-root", "lib", "-M", "deck.kvx"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "deck.kvx: lib/ok.inc\n");
    EXPECT_NE(r.err.find("deck.kvx:3:1: error: .include path is invalid: lib/link.inc\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("deck.kvx:3:1: note: lib/link.inc lies outside the include roots\n"), std::string::npos);
    EXPECT_NE(r.err.find("deck.kvx:4:1: note: " + elsewhere + " lies outside the include roots\n"), std::string::npos);
    // Several roots, each one a way in.
    EXPECT_EQ(quarry({"--include-root", "lib", "--include-root", "outside", "--include-root", dir.path() + "/other/",
                      "-M", "deck.kvx"})
                  .status,
              0);
}

TEST_F(IncludeCli, NoEnvLeavesVariablesInIncludePathsUnexpanded) {
    dir.write("secret/models.inc", "R1 a b 1\n");
    dir.write("deck.kvx", "t\n.include '$SECRET_DIR/models.inc'\n.END\n");
    const std::vector<std::string> env = {"SECRET_DIR=secret"};
    const run_result expanded = quarry({"-M", "deck.kvx"}, env);
    EXPECT_EQ(expanded.status, 0) << expanded.err;
    EXPECT_EQ(expanded.out, "deck.kvx: secret/models.inc\n");
    const run_result kept = quarry({"--no-env", "deck.kvx"}, env);
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("error: .include path is invalid: $SECRET_DIR/models.inc"), std::string::npos) << kept.err;
    EXPECT_EQ(kept.err.find("secret/"), std::string::npos) << kept.err;
}

// A byte order mark and a missing last line feed, in a top-level file and in
// an included one, lose nothing.
TEST_F(IncludeCli, ByteOrderMarkAndMissingLastLineFeed) {
    dir.write("lib.inc", "\xef\xbb\xbfR1 a b 1\nR2 a b 2");
    dir.write("deck.kvx", "\xef\xbb\xbftitle\n.include 'lib.inc'\nR3 a b 3\n.END");
    const run_result r = quarry({"deck.kvx"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("nt_title \"title\"\n", 0), 0u) << r.out;
    for (const char* name : {"nt_instance \"r1\" @lib.inc[1:1-1:8]", "nt_instance \"r2\" @lib.inc[2:1-2:8]",
                             "nt_instance \"r3\" @deck.kvx[3:1-3:8]"})
        EXPECT_NE(r.out.find(name), std::string::npos) << name << "\n" << r.out;
}

}  // namespace
