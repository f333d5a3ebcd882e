#pragma once
// Fixed-size cells for the many small objects of a syntax tree. Each thread
// carves cells out of large slabs and keeps freed cells for reuse; slabs are
// never given back, which suits trees that are built and dropped in bulk.
#include <cstddef>
#include <new>

namespace quarry::host_detail {

#ifdef QUARRY_HOST_UNPOOLED
constexpr bool pooled = false;
#else
constexpr bool pooled = true;
#endif

/// A fresh slab of `bytes` bytes (a multiple of the page size), never given back.
void* new_slab(std::size_t bytes);

template <std::size_t Size>
class cell_pool {
public:
    static void* allocate() {
        if (!pooled) return ::operator new(Size);
        state& s = local();
        if (s.free) {
            cell* c = s.free;
            s.free = c->next;
            // Freed cells come back in tree order, scattered in memory: fetch
            // the next one now so that its link is at hand next time.
            if (s.free) __builtin_prefetch(s.free, 1);
            return c;
        }
        if (s.bump == s.end) {
            s.bump = static_cast<cell*>(new_slab(slab_bytes));
            s.end = s.bump + slab_bytes / sizeof(cell);
        }
        return s.bump++;
    }

    static void release(void* p) {
        if (!pooled) {
            ::operator delete(p);
            return;
        }
        state& s = local();
        cell* c = static_cast<cell*>(p);
        c->next = s.free;
        s.free = c;
    }

private:
    union cell {
        cell* next;
        alignas(alignof(std::max_align_t) < 8 ? alignof(std::max_align_t) : 8) unsigned char bytes[Size];
    };
    static constexpr std::size_t slab_bytes = std::size_t(4) << 20;
    struct state {
        cell* free = nullptr;
        cell* bump = nullptr;
        cell* end = nullptr;
    };
    static state& local() {
        // The library is linked at start-up, so its few bytes of thread data
        // can live in the static block and skip __tls_get_addr.
        static thread_local state s __attribute__((tls_model("initial-exec")));
        return s;
    }
};

}  // namespace quarry::host_detail
