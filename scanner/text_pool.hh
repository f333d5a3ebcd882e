#pragma once
// Token texts come and go by the million, most of them moved into a node a
// few reductions after the scanner made them. A per-thread free list of
// string objects spares the allocator a round trip for each. Strings from it
// are ordinary heap objects: deleting one instead of giving it back is fine.
#include <memory>
#include <string>

namespace quarry_parser_implementation::text_pool {

#ifdef KORVEX3_SANITIZE
inline constexpr bool pooled = false;
#else
inline constexpr bool pooled = true;
#endif

struct free_list {
    // A parser holds a few dozen texts at a time; a longer burst of releases
    // goes back to the allocator.
    static constexpr int kept = 256;
    std::string* items[kept];
    int count = 0;

    free_list() = default;
    free_list(const free_list&) = delete;
    free_list& operator=(const free_list&) = delete;
    ~free_list();
};

/// The calling thread's list. Its users fetch it once and keep it.
free_list& local();

/// A string holding `length` bytes from `text`.
inline std::string* take(free_list& list, const char* text, std::size_t length) {
    if (pooled && list.count) {
        std::string* s = list.items[--list.count];
        s->append(text, length);
        return s;
    }
    return new std::string(text, length);
}

/// Keeps `s` for a later take() or deletes it; null is allowed.
void give_back(std::string* s) noexcept;

struct deleter {
    void operator()(std::string* s) const noexcept { give_back(s); }
};
/// An owned token text: it goes back to the free list when dropped.
using ptr = std::unique_ptr<std::string, deleter>;

}  // namespace quarry_parser_implementation::text_pool

namespace quarry_parser_implementation {

/// Lower-cases in place: ASCII letters only, without the locale lookup of
/// std::tolower; other bytes stay.
inline std::string& lower(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace quarry_parser_implementation
