#pragma once
// Stand-in host extension: included files parsed ahead on worker threads.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "quarry/export.hh"

namespace quarry {
class task;
}

namespace quarry::parser {

/// Parses, on worker threads, files that a parse is about to include, each
/// into a tree of its own with its own reports. When the parse reaches the
/// include, the host takes the prepared tree and reports instead of parsing
/// the file then, provided that the result is the one the parse would have
/// built itself: no include inside it was refused for a reason that depends
/// on where it is included (a cycle, the depth or the count of includes), it
/// reads no file of the chain that includes it, and the limits hold with it.
/// Otherwise the file is parsed in place as before. The tree, the reports,
/// their order and the files read are those of a parse without it.
class QUARRY_EXPORT include_prefetch {
public:
    /// Starts parsing `paths` (as add_include will name them, each once) in
    /// `language` on `threads` workers, with the settings of `settings`
    /// (include folders and roots, limits, checks, cancel flag, sources).
    include_prefetch(const task& settings, std::string language, const std::vector<std::string>& paths,
                     unsigned threads);
    /// Stops the workers (parses under way end at their next check).
    ~include_prefetch();
    include_prefetch(const include_prefetch&) = delete;
    include_prefetch& operator=(const include_prefetch&) = delete;

    struct job;
    /// The prepared parse of `path`, waited for (or run on this thread when
    /// no worker took it yet); null when there is none. Each path once.
    std::unique_ptr<job> take(const std::string& path);

private:
    void work();
    void run(job& j, const std::atomic<bool>* cancel);

    const task& settings_;
    std::string language_;
    std::vector<std::unique_ptr<job>> jobs_;
    std::size_t next_ = 0;
    std::mutex lock_;
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::vector<std::thread> workers_;
};

}  // namespace quarry::parser
