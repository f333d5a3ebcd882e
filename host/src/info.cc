#include "quarry/parser/info.hh"

#include <memory>
#include <mutex>
#include <unordered_set>

#include "pool.hh"

namespace quarry::parser {

info::~info() = default;

namespace {

using detail::shared_name;

struct name_hash {
    std::size_t operator()(const shared_name* n) const { return std::hash<std::string>()(n->text); }
};
struct name_equal {
    bool operator()(const shared_name* a, const shared_name* b) const { return a->text == b->text; }
};

using name_set = std::unordered_set<shared_name*, name_hash, name_equal>;
std::mutex names_lock;

// Never destroyed: records may outlive static destruction.
name_set& names() {
    static name_set* set = new name_set;
    return *set;
}

// A reference to the shared copy of a name. A count reaches zero only under
// the lock, so a lookup never revives a name that is being freed.
const shared_name* acquire(const std::string& name) {
    shared_name key;
    key.text = name;
    std::lock_guard<std::mutex> guard(names_lock);
    auto found = names().find(&key);
    if (found == names().end()) {
        auto fresh = std::make_unique<shared_name>();
        fresh->text = std::move(key.text);
        found = names().insert(fresh.get()).first;
        fresh.release();
    }
    (*found)->refs.fetch_add(1, std::memory_order_relaxed);
    return *found;
}

const shared_name* share(const shared_name* n) {
    n->refs.fetch_add(1, std::memory_order_relaxed);
    return n;
}

void release(const shared_name* n) noexcept {
    std::size_t refs = n->refs.load(std::memory_order_relaxed);
    while (refs > 1)
        if (n->refs.compare_exchange_weak(refs, refs - 1, std::memory_order_acq_rel)) return;
    std::lock_guard<std::mutex> guard(names_lock);
    if (n->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    names().erase(const_cast<shared_name*>(n));
    delete n;
}

// The name this thread used last, held so that the many records of one
// parse find it without the lock. The pointer is trivial, so that reading it
// needs no guard; the holder beside it lets go when the thread ends.
thread_local const shared_name* last_name = nullptr;

struct last_name_holder {
    ~last_name_holder() {
        if (last_name) release(last_name);
        last_name = nullptr;
    }
};

const shared_name* intern(const std::string& name) {
    if (last_name && last_name->text == name) return share(last_name);
    const shared_name* found = acquire(name);
    thread_local last_name_holder holder;
    if (last_name) release(last_name);
    last_name = share(found);
    return found;
}

}  // namespace

info_netlist::info_netlist() : filename_(intern(std::string())) {}

info_netlist::info_netlist(const std::string& filename, std::uint64_t first_line, std::uint64_t last_line,
                           std::uint64_t first_column, std::uint64_t last_column)
    : filename_(intern(filename)),
      first_line_(first_line),
      last_line_(last_line),
      first_column_(first_column),
      last_column_(last_column) {}

info_netlist::info_netlist(const info_netlist& other)
    : info(other),
      filename_(share(other.filename_)),
      first_line_(other.first_line_),
      last_line_(other.last_line_),
      first_column_(other.first_column_),
      last_column_(other.last_column_) {}

info_netlist& info_netlist::operator=(const info_netlist& other) {
    if (this == &other) return *this;
    const shared_name* old = filename_;
    filename_ = share(other.filename_);
    release(old);
    first_line_ = other.first_line_;
    last_line_ = other.last_line_;
    first_column_ = other.first_column_;
    last_column_ = other.last_column_;
    return *this;
}

info_netlist::~info_netlist() { release(filename_); }

void info_netlist::set_filename(const std::string& filename) {
    const shared_name* old = filename_;
    filename_ = intern(filename);
    release(old);
}

void* info_netlist::operator new(std::size_t size) {
    return size == sizeof(info_netlist) ? host_detail::cell_pool<sizeof(info_netlist)>::allocate()
                                        : ::operator new(size);
}

void info_netlist::operator delete(void* p, std::size_t size) {
    if (size == sizeof(info_netlist))
        host_detail::cell_pool<sizeof(info_netlist)>::release(p);
    else
        ::operator delete(p);
}

std::string info_netlist::format_info() const {
    std::string text = filename_->text;
    text += '[';
    text += std::to_string(first_line_);
    text += ':';
    text += std::to_string(first_column_);
    text += '-';
    text += std::to_string(last_line_);
    text += ':';
    text += std::to_string(last_column_);
    text += ']';
    return text;
}

info* info_netlist::copy() const { return new info_netlist(*this); }

void info_netlist::extract_mem_usage(nimbus::mem_info& m) const {
    m.add_size(filename_->text.size() + 9);
    for (int i = 0; i < 4; ++i) m.add_size(8);
}

}  // namespace quarry::parser
