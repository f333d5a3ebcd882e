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
    // Reached through an initial-exec pointer: a plain offset from the thread
    // pointer instead of a call into the dynamic loader at every text given
    // back. A loaded module has little static TLS, so the list itself lives
    // on the heap, owned by the thread.
    static thread_local free_list* cached __attribute__((tls_model("initial-exec"))) = nullptr;
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
