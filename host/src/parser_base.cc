#include "quarry/parser/parser_base.hh"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/filesystem.hpp>

#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "nimbus/os.hh"
#include "nimbus/output.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/include_prefetch.hh"
#include "quarry/task.hh"

namespace quarry::parser {

namespace fs = boost::filesystem;

namespace {

// Deeper nesting than this can only be an include cycle.
constexpr int max_include_depth = 64;
thread_local int include_depth = 0;
// The files open on this thread, outermost first. A file is not parsed again
// inside itself: with two self-includes per file, the depth limit alone
// would allow 2^64 parses.
thread_local std::vector<std::string> open_files;
// For a parse made ahead: the includes it refused for a reason that depends
// on where the file is included, and the deepest level it checked.
thread_local std::size_t placed_refusals = 0;
thread_local int deepest_check = 0;

bool path_exists(const fs::path& p) {
    boost::system::error_code ec;
    return fs::exists(p, ec);
}

// Only regular files are read: a FIFO or a device could block or never end.
bool is_regular_file(const std::string& path) {
    boost::system::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !ec && fs::is_regular_file(status);
}

// "" when the file can be opened for reading, else why not. Opening is the
// only honest test: permissions, ACLs and mounts all have a say.
std::string open_failure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return std::string();
}

bool is_within(const fs::path& file, const fs::path& root) {
    auto f = file.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++f) {
        if (r->empty() || *r == ".") continue;  // a trailing separator
        if (f == file.end() || *f != *r) return false;
    }
    return true;
}

// Whether `path`, links resolved, lies in one of the task's include roots.
bool inside_roots(const std::string& path, const task* t) {
    if (!t || t->include_roots().empty()) return true;
    boost::system::error_code ec;
    const fs::path file = fs::canonical(path, ec);
    if (ec) return false;
    for (const std::string& root : t->include_roots()) {
        const fs::path dir = fs::canonical(root, ec);
        if (!ec && is_within(file, dir)) return true;
    }
    return false;
}

// Whether the host reads `path`. Where it refuses a file that exists, a note
// after the language's own report says why; a missing file needs none.
bool usable_include(const std::string& path, const task* t) {
    if (!is_regular_file(path)) return false;
    if (const std::string why = open_failure(path); !why.empty()) {
        defer_note("cannot open " + path + ": " + why);
        return false;
    }
    if (!inside_roots(path, t)) {
        defer_note(path + " lies outside the include roots");
        return false;
    }
    return true;
}

// One name per file however it is spelled; "" for no file.
std::string identity(const std::string& path) {
    if (path.empty()) return path;
    boost::system::error_code ec;
    const fs::path canonical = fs::canonical(path, ec);
    return ec ? fs::absolute(path).lexically_normal().string() : canonical.string();
}

bool is_open(const std::string& id) {
    return !id.empty() && std::find(open_files.begin(), open_files.end(), id) != open_files.end();
}

// Marks one include level: its depth and its file, and at the outermost level
// the includer's file too.
class level_guard {
public:
    level_guard(std::string includer, std::string included) {
        open_files.reserve(open_files.size() + 2);  // the moves below cannot throw
        if (open_files.empty() && !includer.empty()) push(std::move(includer));
        if (!included.empty()) push(std::move(included));
        ++include_depth;
    }
    ~level_guard() {
        --include_depth;
        open_files.resize(open_files.size() - pushed_);
    }
    level_guard(const level_guard&) = delete;
    level_guard& operator=(const level_guard&) = delete;

private:
    void push(std::string&& id) {
        open_files.push_back(std::move(id));
        ++pushed_;
    }
    std::size_t pushed_ = 0;
};

// An included file: from the task's source when it has the text, else from disk.
void parse_included(parser_base& parser, const std::string& path) {
    const task* t = parser.get_task();
    if (t && t->source()) {
        if (const std::shared_ptr<const std::string> text = t->source()(path)) {
            parser.parse_string(*text, path);
            return;
        }
    }
    parser.parse_file(path);
}

bool take_prefetched(task& t, const std::string& path, ast::node& target);

// Runs one include parse of `path` ("" for a text): a fresh parser of
// `language` fills `target`.
template <typename Parse>
bool parse_include(const parser_base& includer, const std::string& path, const std::string& language,
                   ast::node* target, Parse parse) {
    if (!target) return false;
    deepest_check = std::max(deepest_check, include_depth);
    if (include_depth >= max_include_depth) {
        ++placed_refusals;
        defer_note("include depth limit of " + std::to_string(max_include_depth) + " reached");
        return false;
    }
    std::string from = identity(includer.get_parsing_file());
    std::string id = identity(path);
    if (!id.empty() && (id == from || is_open(id))) {
        ++placed_refusals;
        defer_note("include cycle through " + path);
        return false;
    }
    task* t = includer.get_task();
    if (t && !t->start_include()) {
        ++placed_refusals;
        defer_report(severity::error, "include limit of " + std::to_string(t->max_includes()) + " files reached");
        return false;
    }
    std::unique_ptr<parser_base> parser(framework::instance().create_parser(language));
    if (!parser) return false;
    parser->set_ast_node(target);
    parser->set_task(includer.get_task());
    parser->set_file_is_include(true);
    if (!path.empty() && includer.get_task()) includer.get_task()->add_file_read(path);
    level_guard guard(std::move(from), std::move(id));
    if (!path.empty() && t && t->prefetch() && take_prefetched(*t, path, *target)) return true;
    parse(*parser);
    return true;
}

}  // namespace

/// A file parsed ahead: its tree, reports and what it read.
struct include_prefetch::job {
    std::string path;
    std::unique_ptr<ast::node> root = std::make_unique<ast::node>();
    diagnostics_sink reports;
    /// What the parse wrote to standard output.
    std::ostringstream output;
    std::vector<std::string> files;
    std::vector<std::string> identities;
    std::size_t includes = 0;
    std::size_t refusals = 0;
    int deepest = 0;
    std::exception_ptr failure;
    bool started = false;
    bool done = false;
};

namespace {

// Uses the parse of `path` made ahead when it is the one this parse would
// make here; false to parse the file in place.
bool take_prefetched(task& t, const std::string& path, ast::node& target) {
    const std::unique_ptr<include_prefetch::job> j = t.prefetch()->take(path);
    if (!j) return false;
    // Here the levels below the file start one deeper than the parse ahead
    // counted them, with the files of this chain open.
    const bool same = j->refusals == 0 && include_depth - 1 + j->deepest < max_include_depth &&
                      j->includes <= t.includes_left() &&
                      std::none_of(j->identities.begin(), j->identities.end(), [](const std::string& id) {
                          return std::find(open_files.begin(), open_files.end(), id) != open_files.end();
                      });
    if (!same) return false;
    target.take_children(*j->root);
    nimbus::output::standard_output() << j->output.str();
    for (const std::string& f : j->files) t.add_file_read(f);
    t.count_includes(j->includes);
    diagnostics_sink* sink = get_diagnostics_sink();
    const auto& chain = include_chain();
    for (const diagnostic& d : j->reports.entries()) {
        diagnostic placed = d;
        placed.included_from.insert(placed.included_from.begin(), chain.begin(), chain.end());
        if (sink) sink->add(std::move(placed));
    }
    if (j->failure) {
        try {
            std::rethrow_exception(j->failure);
        } catch (const input_error& e) {
            std::vector<std::shared_ptr<const info>> sites(chain.begin(), chain.end());
            sites.insert(sites.end(), e.included_from().begin(), e.included_from().end());
            throw input_error(e.what(), e.where(), std::move(sites));
        }
    }
    return true;
}

// This thread's include state, set aside while a parse ahead runs on it.
class fresh_include_state {
public:
    explicit fresh_include_state(const std::string& id)
        : files_(std::exchange(open_files, {id})),
          depth_(std::exchange(include_depth, 1)),
          refusals_(std::exchange(placed_refusals, 0)),
          deepest_(std::exchange(deepest_check, 0)),
          sites_(swap_include_chain({})) {}
    ~fresh_include_state() {
        open_files = std::move(files_);
        include_depth = depth_;
        placed_refusals = refusals_;
        deepest_check = deepest_;
        swap_include_chain(std::move(sites_));
    }
    fresh_include_state(const fresh_include_state&) = delete;
    fresh_include_state& operator=(const fresh_include_state&) = delete;

private:
    std::vector<std::string> files_;
    int depth_;
    std::size_t refusals_;
    int deepest_;
    std::vector<std::shared_ptr<const info>> sites_;
};

}  // namespace

include_prefetch::include_prefetch(const task& settings, std::string language, const std::vector<std::string>& paths,
                                   unsigned threads)
    : settings_(settings), language_(std::move(language)) {
    for (const std::string& p : paths) {
        if (std::any_of(jobs_.begin(), jobs_.end(), [&](const auto& j) { return j->path == p; })) continue;
        jobs_.push_back(std::make_unique<job>());
        jobs_.back()->path = p;
    }
    for (unsigned i = 0; i < threads && i < jobs_.size(); ++i) workers_.emplace_back([this] { work(); });
}

include_prefetch::~include_prefetch() {
    stop_ = true;
    for (std::thread& w : workers_) w.join();
}

void include_prefetch::work() {
    for (;;) {
        job* j = nullptr;
        {
            std::lock_guard<std::mutex> guard(lock_);
            while (next_ < jobs_.size() && (!jobs_[next_] || jobs_[next_]->started)) ++next_;
            if (next_ == jobs_.size() || stop_) return;
            j = jobs_[next_].get();
            j->started = true;
        }
        run(*j, &stop_);
        std::lock_guard<std::mutex> guard(lock_);
        j->done = true;
        changed_.notify_all();
    }
}

void include_prefetch::run(job& j, const std::atomic<bool>* cancel) {
    const scoped_diagnostics_sink reports(j.reports);
    const nimbus::output::scoped_standard_output output(j.output);
    const fresh_include_state state(identity(j.path));
    const nimbus::os::scoped_env_expansion expansion(settings_.expand_env());
    task t;
    t.include_dirs() = settings_.include_dirs();
    t.include_roots() = settings_.include_roots();
    t.set_init_dir(settings_.init_dir());
    t.set_max_includes(settings_.max_includes());
    t.set_checks(settings_.checks());
    t.set_keep_partial(settings_.keep_partial());
    t.set_source(settings_.source());
    t.set_expand_env(settings_.expand_env());
    t.set_cancel_flag(cancel);
    try {
        std::unique_ptr<parser_base> parser(framework::instance().create_parser(language_));
        if (!parser) throw std::runtime_error("no parser for language '" + language_ + "'");
        parser->set_ast_node(j.root.get());
        parser->set_task(&t);
        parser->set_file_is_include(true);
        parse_included(*parser, j.path);
    } catch (...) {
        j.failure = std::current_exception();
    }
    j.files = t.files_read();
    for (const std::string& f : j.files) j.identities.push_back(identity(f));
    j.includes = settings_.max_includes() - t.includes_left();
    j.refusals = placed_refusals;
    j.deepest = deepest_check;
}

std::unique_ptr<include_prefetch::job> include_prefetch::take(const std::string& path) {
    std::unique_lock<std::mutex> guard(lock_);
    const auto at = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& j) { return j && j->path == path; });
    if (at == jobs_.end()) return nullptr;
    job& j = **at;
    const std::atomic<bool>* cancel = settings_.cancel_flag();
    while (!j.done) {
        // Rather than wait, this thread parses the file itself if no worker
        // has it, else the next file nobody has started, stopped as the
        // parse that waits would be.
        job* next = j.started ? nullptr : &j;
        for (std::size_t i = next_; next == nullptr && i < jobs_.size(); ++i)
            if (jobs_[i] && !jobs_[i]->started) next = jobs_[i].get();
        if (next != nullptr) {
            next->started = true;
            guard.unlock();
            run(*next, cancel ? cancel : &stop_);
            guard.lock();
            next->done = true;
            changed_.notify_all();
            continue;
        }
        // A worker's parse stops only with the others: while waiting for
        // it, look at the parse's own cancel flag.
        if (!changed_.wait_for(guard, std::chrono::milliseconds(20), [&] { return j.done; }) && cancel &&
            cancel->load()) {
            stop_ = true;
            throw cancelled();
        }
    }
    return std::move(*at);
}

parser_base::parser_base() = default;

parser_base::~parser_base() = default;

void parser_base::set_parsing_file(const std::string& file) { parsing_file_ = file; }

void parser_base::start_parsing_section(const std::string&, const std::string&) {}

void parser_base::stop_parsing_section() {}

void parser_base::stop_parsing_section(const std::string&, const std::string&) {}

bool parser_base::add_include(const std::string& path, const std::string& language, ast::node* target) {
    if (!usable_include(path, task_)) return false;
    return parse_include(*this, path, language, target, [&](parser_base& parser) { parse_included(parser, path); });
}

bool parser_base::add_include_section(const std::string& path, const std::string& section,
                                      const std::string& language, ast::node* target) {
    if (!target || !usable_include(path, task_)) return false;
    ast::node whole;
    if (!parse_include(*this, path, language, &whole, [&](parser_base& parser) { parse_included(parser, path); }))
        return false;
    bool found = false;
    for (ast::node* child : whole.get_children()) {
        if (child->get_type() != ast::nt_section || !boost::algorithm::iequals(child->get_value(), section))
            continue;
        target->take_children(*child);
        found = true;
    }
    return found;
}

bool parser_base::add_include_string(const std::string& text, const std::string& language, ast::node* target) {
    return parse_include(*this, std::string(), language, target,
                         [&](parser_base& parser) { parser.parse_string(text, "string stream"); });
}

bool parser_base::dump_tokens(std::istream&, const std::string&, std::ostream&) { return false; }

bool parser_base::visit_tokens(std::istream&, const std::string&, const std::function<void(const token_view&)>&) {
    return false;
}

std::string parser_base::resolve_path(const std::string& path) const {
    const fs::path relative(path);
    if (path.empty() || relative.is_absolute()) return path;
    // The includer's folder first, as for a quoted #include: a file of the
    // same name in the working directory must not shadow it.
    if (!parsing_file_.empty()) {
        const fs::path dir = fs::path(parsing_file_).parent_path();
        if (!dir.empty() && path_exists(dir / relative)) return (dir / relative).string();
    }
    if (task_) {
        for (const std::string& dir : task_->include_dirs()) {
            const fs::path candidate = fs::path(dir) / relative;
            if (path_exists(candidate)) return candidate.string();
        }
    }
    return path;
}

std::string parser_base::get_init_dir() const { return task_ ? task_->init_dir() : std::string(); }

}  // namespace quarry::parser
