#include "make_rule.hh"

#include <string_view>
#include <utility>

namespace quarry_parse {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// make strips these around a line and skips them before a word, escaped or not.
bool white(char c) { return blank(c) || c == '\v' || c == '\f'; }

// What make honours a backslash before in this kind of word. In a target a
// backslash before '|' or a wildcard stays part of the name.
bool escaped(char c, make_word where) {
    if (std::string_view(" \t#:").find(c) != std::string_view::npos) return true;
    return where == make_word::prerequisite && std::string_view("|*?[").find(c) != std::string_view::npos;
}

// Why make cannot read `path` back as this kind of word; null when it can.
// Each case is what GNU make does with the character escaped or not.
const char* refusal(const std::string& path, make_word where) {
    const bool target = where == make_word::target;
    if (path.empty()) return "make cannot read an empty name";
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '\n' || c == '\r') return "make would end the rule at the line break";
        if (c == '\0') return "make cannot read a NUL byte";
        if (c == ';') return "make would run what follows ';' as a command";
        if (c == '=') return "make would read the rule as a variable assignment";
        // Word ends are found without regard to escapes: "a(b" before "c)"
        // is the archive group a(b c).
        if (c == ')' && (i + 1 == path.size() || blank(path[i + 1])))
            return "make would read a word ending in ')' as an archive member";
        // Escaped, it becomes a blank.
        if (target && c == '\t') return "make cannot read a tab in a target";
        if (target && c == '%') return "make would read the rule as a pattern rule";
        // An escaped wildcard keeps its backslash when no file matches it,
        // as a target yet to be made does not.
        if (target && (c == '*' || c == '?' || c == '['))
            return "make would expand a wildcard in a target";
    }
    // make drops a leading "./" before it expands a leading '~'.
    std::size_t start = 0;
    while (path.compare(start, 2, "./") == 0) {
        start += 2;
        while (start < path.size() && path[start] == '/') ++start;
    }
    if (start < path.size() && path[start] == '~') return "make would expand the leading '~' as a home directory";
    if (target && path.back() == '&') return "make would read '&:' as grouped targets";
    if (white(path.front()) && !blank(path.front())) return "make would drop the white space it starts with";
    // At the end of the line make drops white space and keeps "\\" as two backslashes.
    if (!target && path.back() == '\\') return "make cannot read a prerequisite that ends in a backslash";
    if (!target && white(path.back())) return "make cannot read a prerequisite that ends in white space";
    return nullptr;
}

}  // namespace

make_rule_error::make_rule_error(std::string file, std::string why)
    : std::runtime_error("cannot write a make rule for " + file + ": " + why),
      file_(std::move(file)),
      why_(std::move(why)) {}

std::string make_escape(const std::string& path, make_word where) {
    if (const char* why = refusal(path, where)) throw make_rule_error(path, why);
    std::string out;
    out.reserve(path.size() + 8);
    std::size_t backslashes = 0;  // the run right before `c`
    for (const char c : path) {
        if (escaped(c, where)) {
            // make reads "\\" before an escaped character as one backslash.
            out.append(backslashes, '\\');
            out += '\\';
        } else if (c == '$') {
            out += '$';
        }
        out += c;
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    // The ':' after a target would be escaped by its trailing backslashes.
    if (where == make_word::target) out.append(backslashes, '\\');
    return out;
}

std::string make_rule(const std::vector<std::string>& targets, const std::vector<std::string>& prerequisites,
                      const std::vector<std::string>& phony) {
    std::string rule;
    for (const std::string& t : targets) rule += (rule.empty() ? "" : " ") + t;
    rule += ':';
    for (const std::string& p : prerequisites) {
        rule += ' ';
        rule += make_escape(p, make_word::prerequisite);
    }
    rule += '\n';
    for (const std::string& p : phony) rule += '\n' + make_escape(p, make_word::target) + ":\n";
    return rule;
}

std::string make_rule(const std::string& target, const std::vector<std::string>& prerequisites) {
    return make_rule(std::vector<std::string>{make_escape(target, make_word::target)}, prerequisites);
}

}  // namespace quarry_parse
