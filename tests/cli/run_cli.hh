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

/// A child's standard output when it is not collected.
struct child_stdout {
    enum class kind { collected, file, closed, reader_gone };
    kind how = kind::collected;
    /// For kind::file: opened for writing.
    std::string path;
    /// For kind::reader_gone: SIGPIPE's default action (death) in the child
    /// instead of the test process's SIG_IGN, which children inherit.
    bool default_sigpipe = false;
};

/// Runs `program args...` in `dir` with `input` on its stdin and `env`
/// ("NAME=value") added to an environment that holds neither QUARRY_PLUGIN
/// nor FAKE_PLUGIN_INIT; collects stdout (unless `out` says otherwise),
/// stderr and the exit status. With `kill_after_seconds`, a child still
/// running then is killed (status 137), so that a hang fails the test
/// instead of stopping the suite.
run_result run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                       const std::string& input = "", const std::vector<std::string>& env = {},
                       int kill_after_seconds = 0, const child_stdout& out = {});

}  // namespace cli_test
