#include "make_rule.hh"

namespace quarry_parse {

std::string make_escape(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == ' ' || c == '\t') {
            // make reads "\\ " as a backslash and a separating blank: double
            // the backslashes right before the blank.
            for (std::size_t j = i; j > 0 && path[j - 1] == '\\'; --j) out += '\\';
            out += '\\';
        } else if (c == '#') {
            out += '\\';
        } else if (c == '$') {
            out += '$';
        }
        out += c;
    }
    return out;
}

std::string make_rule(const std::string& target, const std::vector<std::string>& prerequisites) {
    std::string rule = make_escape(target) + ':';
    for (const std::string& p : prerequisites) {
        rule += ' ';
        rule += make_escape(p);
    }
    rule += '\n';
    return rule;
}

}  // namespace quarry_parse
