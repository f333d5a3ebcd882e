#include "pool.hh"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace quarry::host_detail {

void* new_slab(std::size_t bytes) {
    constexpr std::size_t huge_page = std::size_t(2) << 20;
    void* p = std::aligned_alloc(huge_page, bytes);
    if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
}

}  // namespace quarry::host_detail
