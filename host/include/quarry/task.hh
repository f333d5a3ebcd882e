#pragma once
#include <string>
#include <vector>

#include "quarry/export.hh"

namespace quarry {

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

private:
    std::vector<std::string> include_dirs_;
    std::string init_dir_;
    std::vector<std::string> files_read_;
};

}  // namespace quarry
