#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quarry/export.hh"

namespace quarry {

namespace parser {
class include_prefetch;
}

/// What the host asks of one translation: where include files are looked for.
class QUARRY_EXPORT task {
public:
    /// Directories searched for include files after the including file's own.
    std::vector<std::string>& include_dirs() { return include_dirs_; }
    const std::vector<std::string>& include_dirs() const { return include_dirs_; }
    /// Directory of the top-level file ("" when parsing text).
    const std::string& init_dir() const { return init_dir_; }
    void set_init_dir(const std::string& dir) { init_dir_ = dir; }

    /// The files read for this translation, each once, in the order they were
    /// first opened: the host enters every file it includes, the caller the
    /// top-level one. What a build system's dependency list needs.
    const std::vector<std::string>& files_read() const { return files_read_; }
    /// Enters `path` unless it is there already.
    void add_file_read(const std::string& path);

    /// Folders that included files must lie in, links resolved; empty: anywhere.
    std::vector<std::string>& include_roots() { return include_roots_; }
    const std::vector<std::string>& include_roots() const { return include_roots_; }

    /// How many included files one translation may parse in all: files that
    /// include each other several times multiply, and neither the depth
    /// limit nor the cycle check stops that.
    static constexpr std::size_t default_max_includes = 10000;
    std::size_t max_includes() const { return max_includes_; }
    void set_max_includes(std::size_t n) { max_includes_ = n; }
    /// Counts one more included parse; false once the limit is reached.
    bool start_include() {
        if (includes_ >= max_includes_) return false;
        ++includes_;
        return true;
    }
    /// Included parses that may still start.
    std::size_t includes_left() const { return max_includes_ - includes_; }
    /// Counts `n` included parses made elsewhere (ahead, on another thread).
    void count_includes(std::size_t n) { includes_ += n; }

    /// Set from any thread to stop the translation at its next check.
    void set_cancel_flag(const std::atomic<bool>* flag) { cancel_ = flag; }
    const std::atomic<bool>* cancel_flag() const { return cancel_; }

    /// Stand-in host extension: the checks beyond syntax that a language
    /// makes while it reads (a bracket left open at a line end).
    bool checks() const { return checks_; }
    void set_checks(bool on) { checks_ = on; }
    /// Stand-in host extension: a parse that fails keeps the statements that
    /// were complete before the failure.
    bool keep_partial() const { return keep_partial_; }
    void set_keep_partial(bool on) { keep_partial_ = on; }

    /// Stand-in host extension: the text of an included file, given its path
    /// as the host resolved it, or null to read the file from disk (an
    /// editor's cache of open and already read files).
    using file_source = std::function<std::shared_ptr<const std::string>(const std::string& path)>;
    const file_source& source() const { return source_; }
    void set_source(file_source source) { source_ = std::move(source); }

    /// Stand-in host extension: whether $NAME in include paths is expanded.
    bool expand_env() const { return expand_env_; }
    void set_expand_env(bool on) { expand_env_ = on; }

    /// Stand-in host extension: included files parsed ahead, or null.
    parser::include_prefetch* prefetch() const { return prefetch_; }
    void set_prefetch(parser::include_prefetch* prefetch) { prefetch_ = prefetch; }

private:
    std::vector<std::string> include_dirs_;
    std::vector<std::string> include_roots_;
    std::size_t max_includes_ = default_max_includes;
    std::size_t includes_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
    bool checks_ = false;
    bool keep_partial_ = false;
    file_source source_;
    bool expand_env_ = true;
    parser::include_prefetch* prefetch_ = nullptr;
    std::string init_dir_;
    std::vector<std::string> files_read_;
};

}  // namespace quarry
