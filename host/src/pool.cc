#include "pool.hh"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <new>
#include <string>

#include <sys/mman.h>

namespace quarry::host_detail {

namespace {

// Slabs handed out so far, in all pools of the process.
std::atomic<unsigned> slabs{0};
// Past this many, the tree is clearly a large one.
constexpr unsigned lazy_slabs = 4;

void* map(std::size_t bytes, int extra_flags = 0) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | extra_flags, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return p;
}

// Whether the system gives huge pages to memory that asks for them.
bool huge_pages_on_request() {
    static const bool on = [] {
        std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
        std::string setting;
        std::getline(in, setting);
        return setting.find("[always]") != std::string::npos || setting.find("[madvise]") != std::string::npos;
    }();
    return on;
}

// A slab of a large tree. The first write to a fresh page is much of what a
// one-shot parse of a large netlist waits for, above all in a virtual
// machine: a 2 MiB page takes one fault where 4 KiB pages take 512. So the
// slab goes on huge-page boundaries and asks for huge pages; it is mapped in
// whole at once only where none are to be had.
void* map_large(std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (huge_pages_on_request()) {
        constexpr std::size_t huge = std::size_t(2) << 20;
        char* const raw = static_cast<char*>(map(bytes + huge));
        char* const start =
            reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(raw) + huge - 1) & ~(huge - 1));
        char* const end = start + bytes;
        if (start != raw) munmap(raw, static_cast<std::size_t>(start - raw));
        if (end != raw + bytes + huge) munmap(end, static_cast<std::size_t>(raw + bytes + huge - end));
        madvise(start, bytes, MADV_HUGEPAGE);
        return start;
    }
#endif
#ifdef MAP_POPULATE
    return map(bytes, MAP_POPULATE);
#else
    return map(bytes);
#endif
}

}  // namespace

void* new_slab(std::size_t bytes) {
    // The first slabs fill page by page as the tree grows, so a small tree
    // stays small.
    if (slabs.fetch_add(1, std::memory_order_relaxed) < lazy_slabs) return map(bytes);
    return map_large(bytes);
}

}  // namespace quarry::host_detail
