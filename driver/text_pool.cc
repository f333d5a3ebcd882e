#include "text_pool.hh"

namespace quarry_parser_implementation::text_pool {

namespace {
// A long text's buffer is not worth keeping around.
constexpr std::size_t kept_capacity = 256;
}  // namespace

free_list::~free_list() {
    for (int i = 0; i < count; ++i) delete items[i];
}

free_list& local() {
    static thread_local free_list list;
    return list;
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
