#pragma once
#include <cstddef>

#include "quarry/export.hh"

namespace nimbus {

/// Accumulates the memory a structure reports about itself.
class QUARRY_EXPORT mem_info {
public:
    /// Adds n bytes to the total.
    void add_size(std::size_t n) { size_ += n; }
    /// The bytes added so far.
    std::size_t get_size() const { return size_; }

private:
    std::size_t size_ = 0;
};

}  // namespace nimbus
