#include "scanner/text_pool.hh"

namespace quarry_parser_implementation::text_pool {

namespace {
// A long text's buffer is not worth keeping around.
constexpr std::size_t kept_capacity = 256;
}  // namespace

free_list::~free_list() {
    for (int i = 0; i < count; ++i) delete items[i];
}

free_list& local() {
    // The list lives on the heap, owned by the thread; the pointer beside it
    // is trivial, so the common path is one thread-local load.
    static thread_local free_list* cached = nullptr;
    if (cached) return *cached;
    static thread_local std::unique_ptr<free_list> owner(new free_list);
    cached = owner.get();
    return *cached;
}

void give_back(std::string* s) noexcept {
    if (!s) return;
    if (pooled && s->capacity() <= kept_capacity) {
        free_list& l = local();
        if (l.count < free_list::kept) {
            s->clear();
            l.items[l.count++] = s;
            return;
        }
    }
    delete s;
}

}  // namespace quarry_parser_implementation::text_pool
