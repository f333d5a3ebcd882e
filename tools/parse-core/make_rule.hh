#pragma once
#include <string>
#include <vector>

namespace quarry_parse {

/// `path` as a word of a Makefile rule: blanks and `#` behind a backslash
/// (backslashes before a blank doubled), `$` as `$$`.
std::string make_escape(const std::string& path);

/// One rule, ending in a newline: "TARGET: PREREQUISITE...", each word escaped.
std::string make_rule(const std::string& target, const std::vector<std::string>& prerequisites);

}  // namespace quarry_parse
