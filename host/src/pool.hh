#pragma once
// Fixed-size cells for the many small objects of a syntax tree. A thread
// takes and returns cells through its own cache, without a lock; the caches
// trade whole batches of cells with one depot per cell size. So a tree freed
// on another thread than the one that built it feeds later parses anywhere,
// and a thread that ends hands its cells back. Slabs are never unmapped: a
// long-lived process that parses again reuses them instead of having the
// kernel clear fresh pages.
#include <cstddef>
#include <mutex>
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
        cache& c = local();
        if (cell* x = c.free) {
            c.free = x->next;
            ++c.room;
            // Freed cells come back in tree order, scattered in memory: fetch
            // the next one now so that its link is at hand next time.
            if (c.free) __builtin_prefetch(c.free, 1);
            return x;
        }
        if (c.bump != c.end) return c.bump++;
        return refill(c);
    }

    static void release(void* p) noexcept { release(local(), p); }

    struct cache;
    /// The calling thread's cache, for a caller that frees many cells at once:
    /// finding it costs a call into the loader in a library loaded late.
    static cache& thread_cache() { return local(); }

    static void release(cache& c, void* p) noexcept {
        if (!pooled) {
            ::operator delete(p);
            return;
        }
        cell* x = static_cast<cell*>(p);
        x->next = c.free;
        c.free = x;
        // A fresh thread starts with no room, so that its first release
        // arms the hand-back at thread exit.
        if (c.room-- == 0) spill(c);
    }

private:
    union cell {
        struct {
            cell* next;        // in a free list
            cell* next_batch;  // the head of a batch in the depot
        } link;
        cell* next;
        alignas(alignof(std::max_align_t) < 8 ? alignof(std::max_align_t) : 8) unsigned char bytes[Size];
    };
    static_assert(Size >= 2 * sizeof(void*), "a cell holds two links");
    static constexpr std::size_t slab_bytes = std::size_t(4) << 20;
    /// Cells moved between a cache and the depot at once: few enough to keep
    /// a cache small, many enough that the lock is rare.
    static constexpr std::size_t batch = 1024;

public:
    struct cache {
        cell* free;            // cells to hand out first
        cell* spare;           // a full batch kept back before the depot gets it
        cell* bump;            // the unused rest of the current slab
        cell* end;
        std::size_t room;      // releases left before `free` is full
        bool armed;            // the thread-exit hook is registered
        bool gone;             // the hook ran: the thread is ending
    };

private:
    struct depot {
        std::mutex lock;
        cell* batches = nullptr;  // free lists, linked through their heads
        cell* rests = nullptr;    // unused slab ends: [cell, cell->link.next) each
    };

    // Trivial, so that the fast paths need no guard: zero is the empty cache.
    static cache& local() {
        static thread_local cache c;
        return c;
    }

    static depot& shared() {
        static depot d;
        return d;
    }

    // Gives the thread's cells back when it ends; registered on first use.
    struct exit_hook {
        bool armed = false;
        ~exit_hook() {
            cache& c = local();
            give_back(c);
            // Cells released later in the thread's exit go straight to the depot.
            c.gone = true;
            c.room = 0;
        }
    };

    static void arm(cache& c) noexcept {
        if (c.armed) return;
        static thread_local exit_hook hook;
        hook.armed = true;
        c.armed = true;
    }

    static void push_batch(depot& d, cell* head) {
        if (!head) return;
        head->link.next_batch = d.batches;
        d.batches = head;
    }

    static void give_back(cache& c) noexcept {
        depot& d = shared();
        std::lock_guard<std::mutex> guard(d.lock);
        push_batch(d, c.free);
        push_batch(d, c.spare);
        if (c.bump != c.end) {
            c.bump->link.next = c.end;
            c.bump->link.next_batch = d.rests;
            d.rests = c.bump;
        }
        c.free = c.spare = c.bump = c.end = nullptr;
        c.room = 0;
    }

    // `free` is full: it becomes the spare, and an older spare goes to the depot.
    static void spill(cache& c) noexcept {
        arm(c);
        if (c.gone) {
            give_back(c);
            return;
        }
        if (c.spare) {
            depot& d = shared();
            std::lock_guard<std::mutex> guard(d.lock);
            push_batch(d, c.spare);
        }
        c.spare = c.free;
        c.free = nullptr;
        c.room = batch;
    }

    static void* refill(cache& c) {
        arm(c);
        if (c.spare) {
            c.free = c.spare;
            c.spare = nullptr;
            c.room = 0;
            return allocate();
        }
        // The thread is ending: no cache to fill any more.
        if (c.gone) return ::operator new(Size);
        depot& d = shared();
        {
            std::unique_lock<std::mutex> guard(d.lock);
            if (cell* head = d.batches) {
                d.batches = head->link.next_batch;
                guard.unlock();
                c.free = head;
                c.room = 0;
                return allocate();
            }
            if (cell* rest = d.rests) {
                d.rests = rest->link.next_batch;
                guard.unlock();
                c.end = rest->link.next;
                c.bump = rest;
                return c.bump++;
            }
        }
        cell* slab = static_cast<cell*>(new_slab(slab_bytes));
        c.bump = slab;
        c.end = slab + slab_bytes / sizeof(cell);
        return c.bump++;
    }
};

}  // namespace quarry::host_detail
