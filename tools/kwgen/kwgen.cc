// Build-time generator: turns the keyword table into flex rules and bison
// token declarations, and splices them into the scanner and grammar templates.
//
//   kwgen KEYWORDS.tab SCANNER.ll.in SCANNER.ll GRAMMAR.yy.in GRAMMAR.yy
//
// Table lines:  MODE FORM SPELLINGS TOKEN VALUE EFFECT [pins]
// Directives:   @modes GROUP MODE...   (declares start conditions by group)
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct entry {
    int line = 0;
    std::string mode, form, token, value, effect;
    std::vector<std::string> spellings;
    bool pins = false;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    std::cerr << where << ": error: " << what << '\n';
    std::exit(1);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, "cannot open");
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, const std::string& text) {
    // Leave an unchanged output alone so that dependants do not rebuild.
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::ostringstream ss;
            ss << in.rdbuf();
            if (ss.str() == text) return;
        }
    }
    std::ofstream out(path, std::ios::binary);
    if (!out || !(out << text)) fail(path, "cannot write");
}

std::vector<std::string> split(const std::string& s, char sep) {
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
std::vector<std::string> expand_spelling(const std::string& s) {
    const auto tilde = s.find('~');
    if (tilde == std::string::npos) return {s};
    const std::string head = s.substr(0, tilde);
    const std::string tail = s.substr(tilde + 1);
    std::vector<std::string> out;
    for (std::size_t i = 0; i <= tail.size(); ++i) out.push_back(head + tail.substr(0, i));
    return out;
}

/// A flex pattern for a keyword spelling. Letters are written as one-letter
/// classes: under case-insensitive matching a class costs one automaton state,
/// a quoted letter four, and the keyword tables are near flex's limit.
std::string literal(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (std::isalpha(static_cast<unsigned char>(c)))
            out += std::string("[") + c + "]";
        else if (c == '"' || c == '\\')
            out += std::string("\"\\") + c + "\"";
        else
            out += std::string("\"") + c + "\"";
    }
    return out;
}

/// A C++ string literal.
std::string cpp_string(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

struct table {
    std::map<std::string, std::vector<std::string>> groups;  // group -> modes, in order
    std::vector<std::string> modes;                          // every declared mode, in order
    std::vector<std::vector<std::string>> declarations;      // one per @modes line
    std::vector<entry> entries;
};

table read_table(const std::string& path) {
    table t;
    std::istringstream in(read_file(path));
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
            if (cols.size() < 3) fail(where, "@modes needs a group and modes");
            t.declarations.emplace_back(cols.begin() + 2, cols.end());
            for (std::size_t i = 2; i < cols.size(); ++i) {
                if (!declared.insert(cols[i]).second) fail(where, "mode declared twice: " + cols[i]);
                t.groups[cols[1]].push_back(cols[i]);
                t.modes.push_back(cols[i]);
            }
            continue;
        }
        if (cols.size() != 6 && !(cols.size() == 7 && cols[6] == "pins"))
            fail(where, "expected MODE FORM SPELLINGS TOKEN VALUE EFFECT [pins]");
        entry e;
        e.line = n;
        e.mode = cols[0];
        e.form = cols[1];
        e.token = cols[3];
        e.value = cols[4];
        e.effect = cols[5];
        e.pins = cols.size() == 7;
        for (const auto& s : split(cols[2], ','))
            for (const auto& x : expand_spelling(s)) e.spellings.push_back(x);
        static const std::set<std::string> forms{"word", "eq", "group", "paren", "blankparen",
                                                  "type", "end", "element", "dot"};
        if (!forms.count(e.form)) fail(where, "unknown form " + e.form);
        if (e.value != "-" && e.value != "text" && e.value != "lower") fail(where, "unknown value " + e.value);
        if (!declared.count(e.mode)) fail(where, "undeclared mode " + e.mode);
        t.entries.push_back(e);
    }
    return t;
}

/// The C++ statements of an EFFECT column.
std::string effect_code(const entry& e, const std::set<std::string>& modes, const std::string& where) {
    if (e.effect == "-") return "";
    std::string code;
    for (const auto& op : split(e.effect, ',')) {
        if (op == "pop") {
            code += "yy_pop_state(); ";
            continue;
        }
        const auto eq = op.find('=');
        if (eq == std::string::npos) fail(where, "bad effect " + op);
        const std::string kind = op.substr(0, eq), mode = op.substr(eq + 1);
        if (!modes.count(mode)) fail(where, "undeclared mode " + mode);
        if (kind == "mode")
            code += "BEGIN(" + mode + "); ";
        else if (kind == "push")
            code += "yy_push_state(" + mode + "); ";
        else
            fail(where, "bad effect " + op);
    }
    return code;
}

std::string keep_head(const std::string& form);

std::string action(const entry& e, const std::set<std::string>& modes, const std::string& where,
                   bool give_back = true) {
    std::string a = "{ ";
    if (give_back) a += keep_head(e.form);
    if (e.pins) {
        // Until the pins are read the word may be a net name.
        a += std::string("if (!pins_complete) return ") +
             (e.form == "paren" ? "lower_value(yylval, token::ID_FIELD_PAR)" : "lower_value(yylval, token::TOK_IDENTIFIER)") +
             "; ";
    }
    a += effect_code(e, modes, where);
    if (e.value == "text")
        a += "return text_value(yylval, token::" + e.token + "); }";
    else if (e.value == "lower")
        a += "return lower_value(yylval, token::" + e.token + "); }";
    else
        a += "return token::" + e.token + "; }";
    return a;
}

/// The look-ahead of a form, or "" for none. A fixed one is flex trailing
/// context; a variable one is matched with the word and handed back by
/// KEEP_HEAD in the action (see the scanner template).
std::string context(const std::string& form) {
    if (form == "eq") return "{GAP}*\"=\"";
    if (form == "group") return "{GAP}*\"(\"[^)]+\")\"";
    if (form == "paren") return "/\"(\"";
    if (form == "blankparen") return "{BLANK}+\"(\"";
    if (form == "end") return "({BLANK}|{EOL}|\")\")";
    return "";
}

/// The statement that gives back a variable look-ahead, or "".
std::string keep_head(const std::string& form) {
    if (form == "eq" || form == "group") return "KEEP_HEAD(head_before(GAP_STOPS)); ";
    if (form == "blankparen") return "KEEP_HEAD(head_before(BLANK_STOPS)); ";
    if (form == "end") return "KEEP_HEAD(head_before(END_STOPS)); ";
    return "";
}

/// Spellings as one flex alternation.
std::string alternation(const std::vector<std::string>& spellings) {
    if (spellings.size() == 1) return literal(spellings[0]);
    std::string s = "(";
    for (std::size_t i = 0; i < spellings.size(); ++i) s += (i ? "|" : "") + literal(spellings[i]);
    return s + ")";
}

/// Keywords before "=" or before a parenthesised group share one rule per mode:
/// their context is large, and one copy of it per keyword would exceed what
/// flex can build. The action then tells the keywords apart by their text.
bool shared_context(const entry& e) { return e.form == "eq" || e.form == "group"; }

std::string keyword_rules(const table& t, const std::string& table_path) {
    const std::set<std::string> modes(t.modes.begin(), t.modes.end());
    std::ostringstream out;
    std::string current;
    std::set<std::string> emitted;  // mode/form of the shared rules already written
    for (std::size_t i = 0; i < t.entries.size(); ++i) {
        const entry& e = t.entries[i];
        const std::string where = table_path + ":" + std::to_string(e.line);
        if (e.mode != current) {
            out << "\n /* " << e.mode << " */\n";
            current = e.mode;
        }
        const bool any = e.spellings.size() == 1 && e.spellings[0] == "*";
        if (any) {
            out << '<' << e.mode << ">{NS}{PC}*" << context(e.form) << "  " << action(e, modes, where) << '\n';
            continue;
        }
        if (e.form == "element") {
            out << '<' << e.mode << '>' << alternation(e.spellings) << "{ELEMENT_TAIL}  " << action(e, modes, where)
                << '\n';
            continue;
        }
        if (e.form == "dot") {
            out << '<' << e.mode << ">^{BLANK}*" << alternation(e.spellings) << "  " << action(e, modes, where) << '\n';
            continue;
        }
        if (e.form == "type") {
            // The word alone here; the form before a group joins the shared group rule.
            out << '<' << e.mode << '>' << alternation(e.spellings) << "  " << action(e, modes, where) << '\n';
        }
        if (!shared_context(e) && e.form != "type") {
            out << '<' << e.mode << '>' << alternation(e.spellings) << context(e.form) << "  "
                << action(e, modes, where) << '\n';
            continue;
        }
        const std::string form = e.form == "type" ? "group" : e.form;
        if (!emitted.insert(e.mode + "/" + form).second) continue;
        // Every keyword of this mode in this form, in table order.
        std::vector<const entry*> members;
        std::vector<std::string> spellings;
        for (std::size_t j = i; j < t.entries.size(); ++j) {
            const entry& m = t.entries[j];
            if (m.mode != e.mode) continue;
            const std::string mf = m.form == "type" ? "group" : m.form;
            if (mf != form || (m.spellings.size() == 1 && m.spellings[0] == "*")) continue;
            members.push_back(&m);
            spellings.insert(spellings.end(), m.spellings.begin(), m.spellings.end());
        }
        out << '<' << e.mode << '>' << alternation(spellings) << context(form) << "  {\n";
        out << "        " << keep_head(form) << '\n';
        for (const entry* m : members) {
            out << "        if (";
            for (std::size_t k = 0; k < m->spellings.size(); ++k)
                out << (k ? " || " : "") << "word_is(" << cpp_string(m->spellings[k]) << ", "
                    << m->spellings[k].size() << ")";
            out << ") " << action(*m, modes, table_path + ":" + std::to_string(m->line), false) << '\n';
        }
        out << "        return text_value(yylval, token::TOK_IDENTIFIER);\n    }\n";
    }
    return out.str();
}

/// Token names declared by hand in the grammar template.
std::set<std::string> declared_tokens(const std::string& grammar) {
    std::set<std::string> names;
    std::istringstream in(grammar);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string w;
        if (!(ls >> w) || w != "%token") continue;
        while (ls >> w) {
            if (w[0] == '<' || w[0] == '"') continue;
            if (w[0] == '/') break;
            names.insert(w);
        }
    }
    return names;
}

std::string token_declarations(const table& t, const std::set<std::string>& hand) {
    std::vector<std::string> order;
    std::map<std::string, bool> valued;
    for (const auto& e : t.entries) {
        if (hand.count(e.token)) continue;
        if (!valued.count(e.token)) order.push_back(e.token);
        valued[e.token] = valued[e.token] || e.value != "-";
    }
    std::ostringstream out;
    for (const auto& tok : order) {
        out << "%token " << (valued[tok] ? "<text> " : "") << tok;
        if (tok.rfind("DOT_", 0) == 0) out << " \"." << tok.substr(4) << '"';
        out << '\n';
    }
    return out.str();
}

std::string join(const std::vector<std::string>& v, const std::string& sep) {
    std::string s;
    for (std::size_t i = 0; i < v.size(); ++i) s += (i ? sep : "") + v[i];
    return s;
}

void substitute(std::string& text, const std::string& marker, const std::string& with, const std::string& file,
                bool required = true) {
    std::size_t pos = text.find(marker);
    if (pos == std::string::npos && required) fail(file, "marker " + marker + " missing");
    while (pos != std::string::npos) {
        text.replace(pos, marker.size(), with);
        pos = text.find(marker, pos + with.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr << "usage: kwgen KEYWORDS.tab SCANNER.ll.in SCANNER.ll GRAMMAR.yy.in GRAMMAR.yy\n";
        return 2;
    }
    const table t = read_table(argv[1]);

    std::string scanner = read_file(argv[2]);
    std::string decls;
    // Start-condition numbers follow declaration order; mode_names must match it.
    for (const auto& d : t.declarations) decls += "%x " + join(d, " ") + "\n";
    substitute(scanner, "@MODE_DECLARATIONS@", decls, argv[2]);
    substitute(scanner, "@MODE_NAMES@", "\"" + join(t.modes, "\", \"") + "\"", argv[2]);
    for (const auto& g : t.groups) {
        std::string upper = g.first;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        substitute(scanner, "@" + upper + "_MODES@", join(g.second, ","), argv[2], false);
    }
    substitute(scanner, "@KEYWORD_RULES@", keyword_rules(t, argv[1]), argv[2]);
    write_file(argv[3], scanner);

    std::string grammar = read_file(argv[4]);
    substitute(grammar, "@KEYWORD_TOKENS@", token_declarations(t, declared_tokens(grammar)), argv[4]);
    write_file(argv[5], grammar);
    return 0;
}
