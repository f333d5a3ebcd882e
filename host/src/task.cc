#include "quarry/task.hh"

#include <algorithm>

namespace quarry {

void task::add_file_read(const std::string& path) {
    // Few distinct files even in large decks: a scan is cheaper than a set.
    if (std::find(files_read_.begin(), files_read_.end(), path) == files_read_.end()) files_read_.push_back(path);
}

}  // namespace quarry
