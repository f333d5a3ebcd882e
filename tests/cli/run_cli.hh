#pragma once
#include <string>
#include <vector>

namespace cli_test {

/// A fresh directory under the temporary directory, removed with everything in it.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::string& path() const { return path_; }
    /// Writes `text` to `name` (relative to the directory, parents created); returns the full path.
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

/// What a finished child process left behind.
struct run_result {
    /// Exit status; 128 + signal number when a signal ended it.
    int status = -1;
    std::string out;
    std::string err;
};

/// Runs `program args...` in `dir` with `input` on its stdin and `env`
/// ("NAME=value") added to an environment that holds neither QUARRY_PLUGIN
/// nor FAKE_PLUGIN_INIT; collects stdout, stderr and the exit status. With
/// `kill_after_seconds`, a child still running then is killed (status 137),
/// so that a hang fails the test instead of stopping the suite.
run_result run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                       const std::string& input = "", const std::vector<std::string>& env = {},
                       int kill_after_seconds = 0);

}  // namespace cli_test
