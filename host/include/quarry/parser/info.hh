#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "nimbus/mem_info.hh"
#include "quarry/export.hh"

namespace quarry::parser {

/// Where a node or a diagnostic came from; the host only knows this interface.
class QUARRY_EXPORT info {
public:
    /// Human-readable form of the location.
    virtual std::string format_info() const = 0;
    /// A new record equal to this one; the caller owns it.
    virtual info* copy() const = 0;
    /// Adds the record's memory to m.
    virtual void extract_mem_usage(nimbus::mem_info& m) const = 0;
    virtual ~info();
};

namespace detail {
/// A file name shared by the records that name it, freed with the last of them.
struct shared_name {
    std::string text;
    mutable std::atomic<std::size_t> refs{0};
};
}  // namespace detail

/// A span of lines and columns in a netlist file.
class QUARRY_EXPORT info_netlist final : public info {
public:
    /// Empty file name, all numbers 0.
    info_netlist();
    info_netlist(const info_netlist& other);
    info_netlist& operator=(const info_netlist& other);
    ~info_netlist() override;
    /// Lines come before columns.
    info_netlist(const std::string& filename, std::uint64_t first_line, std::uint64_t last_line,
                 std::uint64_t first_column, std::uint64_t last_column);

    void set_filename(const std::string& filename);
    void set_lines(std::uint64_t first, std::uint64_t last) { first_line_ = first; last_line_ = last; }
    void set_columns(std::uint64_t first, std::uint64_t last) { first_column_ = first; last_column_ = last; }

    const std::string& get_filename() const { return filename_->text; }
    std::uint64_t get_first_line() const { return first_line_; }
    std::uint64_t get_last_line() const { return last_line_; }
    std::uint64_t get_first_column() const { return first_column_; }
    std::uint64_t get_last_column() const { return last_column_; }

    /// filename[first_line:first_column-last_line:last_column]
    std::string format_info() const override;
    info* copy() const override;
    /// Filename length plus 9, then 8 per number.
    void extract_mem_usage(nimbus::mem_info& m) const override;

    /// Records come from a per-thread pool of fixed-size cells.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);

private:
    /// File names are shared: a tree holds one record per statement, all
    /// naming the same few files. A long-lived process sees many names, so
    /// each is counted and goes with the last record that names it.
    const detail::shared_name* filename_;
    std::uint64_t first_line_ = 0;
    std::uint64_t last_line_ = 0;
    std::uint64_t first_column_ = 0;
    std::uint64_t last_column_ = 0;
};

}  // namespace quarry::parser
