#pragma once
#include <cstddef>
#include <string_view>

namespace quarry_parse {

/// The length in bytes of the UTF-8 character at `at` of `s`, with its code
/// point in `code`; 0 for a byte that starts no valid character (a stray
/// continuation byte, a truncated sequence, an overlong form, a surrogate or
/// a code point past U+10FFFF).
std::size_t utf8_character(std::string_view s, std::size_t at, char32_t& code);

}  // namespace quarry_parse
