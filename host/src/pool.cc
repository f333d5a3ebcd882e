#include "pool.hh"

#include <atomic>
#include <new>

#include <sys/mman.h>

namespace quarry::host_detail {

namespace {
// Slabs handed out so far, in all pools of the process.
std::atomic<unsigned> slabs{0};
// Past this many, the tree is clearly a large one.
constexpr unsigned lazy_slabs = 4;
}  // namespace

void* new_slab(std::size_t bytes) {
    // The first slabs fill page by page as the tree grows, so a small tree
    // stays small. Once a tree has outgrown them, each further slab is
    // mapped in whole: one call instead of a page fault per 4 KiB, which
    // makes a fresh parse of a large netlist markedly faster. (Huge pages
    // were slower still: where the system compacts memory for them, every
    // first touch stalled.)
    const bool populate = slabs.fetch_add(1, std::memory_order_relaxed) >= lazy_slabs;
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_POPULATE
    if (populate) flags |= MAP_POPULATE;
#endif
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
}

}  // namespace quarry::host_detail
