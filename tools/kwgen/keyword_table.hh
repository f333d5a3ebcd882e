#pragma once
// Reader of scanner/keywords.tab, shared by the generator and the table's own
// test so that both see the same entries.
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace keyword_table {

/// A grammar production that a keyword makes in one or more grammar lists.
struct rule {
    enum kind_t { none, param, flag } kind = none;
    std::string name;                // the nt_param name
    std::string value = "value";     // what follows the keyword (param only): a key of value_forms()
    std::vector<std::string> lists;  // grammar nonterminals that take it
};

/// What may follow a keyword in a param rule: the grammar symbols after the
/// keyword, and which of them ($2, $3, ...) is the value.
struct value_form {
    std::string symbols;
    int value_index;
};
inline const std::map<std::string, value_form>& value_forms() {
    static const std::map<std::string, value_form> forms{
        {"value", {"value_field", 2}},
        {"value_only", {"value_only_field", 2}},
        {"type", {"dot_replace_type", 2}},
        {"pinmap", {"dot_replace_pinmap", 2}},
        {"regex", {"\"(\" regex \")\"", 3}},
    };
    return forms;
}

struct entry {
    int line = 0;
    std::string mode, form, token, value, effect;
    std::vector<std::string> spellings;
    bool pins = false;
    std::vector<rule> productions;
};

struct table {
    std::map<std::string, std::vector<std::string>> groups;  // group -> modes, in order
    std::vector<std::string> modes;                          // every declared mode, in order
    std::vector<std::vector<std::string>> declarations;      // one per @modes line
    std::vector<entry> entries;
};

/// A table line that cannot be read: "path:line: what".
struct bad_table : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

/// "dec~ade" -> dec, deca, decad, decade.
inline std::vector<std::string> expand_spelling(const std::string& s) {
    const auto tilde = s.find('~');
    if (tilde == std::string::npos) return {s};
    const std::string head = s.substr(0, tilde);
    const std::string tail = s.substr(tilde + 1);
    std::vector<std::string> out;
    for (std::size_t i = 0; i <= tail.size(); ++i) out.push_back(head + tail.substr(0, i));
    return out;
}

inline bool is_name(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

/// param:NAME[/VALUE]@LIST,... or flag:NAME@LIST,...
inline rule read_rule(const std::string& text, const std::string& where) {
    rule r;
    const auto colon = text.find(':'), at = text.rfind('@');
    const std::string kind = text.substr(0, colon);
    if (colon == std::string::npos || at == std::string::npos || at < colon)
        throw bad_table(where + ": expected param:NAME[/VALUE]@LIST or flag:NAME@LIST, got " + text);
    if (kind == "param")
        r.kind = rule::param;
    else if (kind == "flag")
        r.kind = rule::flag;
    else
        throw bad_table(where + ": unknown rule kind " + kind);
    r.name = text.substr(colon + 1, at - colon - 1);
    if (const auto second = r.name.find('/'); second != std::string::npos) {
        r.value = r.name.substr(second + 1);
        r.name.resize(second);
        if (r.kind != rule::param || !value_forms().count(r.value))
            throw bad_table(where + ": unknown value form '" + r.value + "' in " + text);
    }
    if (r.name.empty() || r.name.find_first_of("\"\\ ") != std::string::npos)
        throw bad_table(where + ": bad parameter name in " + text);
    for (const auto& list : split(text.substr(at + 1), ','))
        if (!is_name(list)) throw bad_table(where + ": bad grammar list name '" + list + "'");
    r.lists = split(text.substr(at + 1), ',');
    return r;
}

inline table read(std::istream& in, const std::string& path) {
    table t;
    std::string line;
    int n = 0;
    std::set<std::string> declared;
    while (std::getline(in, line)) {
        ++n;
        const std::string where = path + ":" + std::to_string(n);
        std::istringstream ls(line);
        std::vector<std::string> cols;
        for (std::string w; ls >> w;) cols.push_back(w);
        if (cols.empty() || cols[0][0] == '#') continue;
        if (cols[0] == "@modes") {
            if (cols.size() < 3) throw bad_table(where + ": @modes needs a group and modes");
            t.declarations.emplace_back(cols.begin() + 2, cols.end());
            for (std::size_t i = 2; i < cols.size(); ++i) {
                if (!declared.insert(cols[i]).second) throw bad_table(where + ": mode declared twice: " + cols[i]);
                t.groups[cols[1]].push_back(cols[i]);
                t.modes.push_back(cols[i]);
            }
            continue;
        }
        if (cols.size() < 6 || cols.size() > 8 || (cols.size() >= 7 && cols[6] != "pins" && cols[6] != "-"))
            throw bad_table(where + ": expected MODE FORM SPELLINGS TOKEN VALUE EFFECT [PINS [RULE]]");
        entry e;
        e.line = n;
        e.mode = cols[0];
        e.form = cols[1];
        e.token = cols[3];
        e.value = cols[4];
        e.effect = cols[5];
        e.pins = cols.size() >= 7 && cols[6] == "pins";
        if (cols.size() == 8)
            for (const auto& text : split(cols[7], ';')) e.productions.push_back(read_rule(text, where));
        for (const auto& s : split(cols[2], ','))
            for (const auto& x : expand_spelling(s)) e.spellings.push_back(x);
        static const std::set<std::string> forms{"word", "eq", "group", "paren", "blankparen",
                                                  "type", "end", "element", "dot", "brace"};
        if (!forms.count(e.form)) throw bad_table(where + ": unknown form " + e.form);
        if (e.value != "-" && e.value != "text" && e.value != "lower")
            throw bad_table(where + ": unknown value " + e.value);
        if (!declared.count(e.mode)) throw bad_table(where + ": undeclared mode " + e.mode);
        t.entries.push_back(e);
    }
    return t;
}

inline table read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw bad_table(path + ": cannot open");
    return read(in, path);
}

}  // namespace keyword_table
