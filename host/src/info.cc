#include "quarry/parser/info.hh"

#include <mutex>
#include <unordered_set>

#include "pool.hh"

namespace quarry::parser {

info::~info() = default;

namespace {

/// The shared copy of a file name. Names are kept for the life of the process.
const std::string* intern(const std::string& name) {
    thread_local const std::string* last = nullptr;
    if (last && *last == name) return last;
    static std::mutex mutex;
    static std::unordered_set<std::string>* names = new std::unordered_set<std::string>;
    std::lock_guard<std::mutex> lock(mutex);
    last = &*names->insert(name).first;
    return last;
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

void info_netlist::set_filename(const std::string& filename) { filename_ = intern(filename); }

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
    std::string text = *filename_;
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
    m.add_size(filename_->size() + 9);
    for (int i = 0; i < 4; ++i) m.add_size(8);
}

}  // namespace quarry::parser
