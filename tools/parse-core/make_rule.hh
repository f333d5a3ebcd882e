#pragma once
#include <stdexcept>
#include <string>
#include <vector>

namespace quarry_parse {

/// GNU make reads a rule's target and its prerequisites by different rules.
enum class make_word { target, prerequisite };

/// A file name that no rule can name so that make reads back exactly that
/// file: make would run part of it, split it, expand it or read it as
/// something else.
class make_rule_error : public std::runtime_error {
public:
    make_rule_error(std::string file, std::string why);
    const std::string& file() const { return file_; }
    /// Why, as "make would ...".
    const std::string& why() const { return why_; }

private:
    std::string file_;
    std::string why_;
};

/// `path` as a word of a Makefile rule: blanks, `#` and `:` behind a
/// backslash, and in a prerequisite `|` and the wildcards `*?[` too (the
/// backslashes right before an escaped character doubled); `$` as `$$`.
/// Throws make_rule_error for a name that make cannot read back.
std::string make_escape(const std::string& path, make_word where);

/// One rule, ending in a newline: "TARGET...: PREREQUISITE...". The targets
/// are written as given (make words already, see make_escape), the
/// prerequisites escaped. Each of `phony` follows as an empty rule "FILE:"
/// after a blank line, as gcc -MP writes them, so that make survives the
/// file's removal. Throws make_rule_error, naming the first file that cannot
/// be written, before any of the rule is built.
std::string make_rule(const std::vector<std::string>& targets, const std::vector<std::string>& prerequisites,
                      const std::vector<std::string>& phony = {});

/// make_rule for one target, escaped.
std::string make_rule(const std::string& target, const std::vector<std::string>& prerequisites);

}  // namespace quarry_parse
