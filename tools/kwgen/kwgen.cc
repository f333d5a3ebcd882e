// Build-time generator: turns the keyword table into flex rules, bison token
// declarations and keyword-value productions, and assembles the scanner and
// the grammar from their templates and the grammar's family fragments.
//
//   kwgen KEYWORDS.tab SCANNER.ll.in SCANNER.ll GRAMMAR.yy.in GRAMMAR.yy [FRAGMENT.yy...]
//
// The table's format is described at its top (scanner/keywords.tab).
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "keyword_table.hh"

namespace {

using keyword_table::entry;
using keyword_table::split;
using keyword_table::table;

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
    if (form == "brace") return "{GAP}*\"{\"";
    return "";
}

/// The statement that gives back a variable look-ahead, or "".
std::string keep_head(const std::string& form) {
    if (form == "eq" || form == "group") return "KEEP_HEAD(head_before(GAP_STOPS)); ";
    if (form == "blankparen") return "KEEP_HEAD(head_before(BLANK_STOPS)); ";
    if (form == "end") return "KEEP_HEAD(head_before(END_STOPS)); ";
    if (form == "brace") return "KEEP_HEAD(head_before(BRACE_STOPS)); ";
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
        bool quoted = false;
        while (ls >> w) {
            // An alias in quotes may hold blanks.
            if (quoted || w[0] == '"') {
                quoted = (quoted || w.size() == 1 || w.back() != '"') && !(quoted && w.back() == '"');
                continue;
            }
            if (w[0] == '/') break;
            if (w[0] != '<') names.insert(w);
        }
    }
    return names;
}

/// The tokens of the table not declared by hand, in table order.
std::vector<std::string> generated_tokens(const table& t, const std::set<std::string>& hand) {
    std::vector<std::string> order;
    std::set<std::string> seen;
    for (const auto& e : t.entries)
        if (!hand.count(e.token) && seen.insert(e.token).second) order.push_back(e.token);
    return order;
}

/// Every symbol has the one value type of grammar/values.hh.
std::string token_declarations(const std::vector<std::string>& tokens) {
    std::ostringstream out;
    for (const auto& tok : tokens) {
        out << "%token <grammar_value> " << tok;
        if (tok.rfind("DOT_", 0) == 0) out << " \"." << tok.substr(4) << '"';
        out << '\n';
    }
    return out.str();
}

/// One keyword-value production, with the table line it comes from.
struct production {
    int line;
    std::string token, text;
};

/// The productions of each grammar list, from the RULE column.
std::map<std::string, std::vector<production>> parameter_rules(const table& t, const std::string& table_path) {
    std::map<std::string, std::vector<production>> lists;
    // (list, token, what follows) -> name: one keyword makes one production
    // of each shape in a list, however many modes list it.
    std::map<std::tuple<std::string, std::string, std::string>, std::string> seen;
    for (const auto& e : t.entries) {
        for (const auto& r : e.productions) {
            const std::string where = table_path + ":" + std::to_string(e.line);
            std::string text, shape = "flag";
            if (r.kind == keyword_table::rule::param) {
                const auto& form = keyword_table::value_forms().at(r.value);
                shape = r.value;
                text = e.token + " " + form.symbols + " { $$ = tree::named(" + cpp_string(r.name) + ", $" +
                       std::to_string(form.value_index) + "); }";
            } else {
                text = e.token + " { $$ = tree::flag(" + cpp_string(r.name) + "); }";
            }
            for (const auto& list : r.lists) {
                const auto [it, fresh] = seen.emplace(std::make_tuple(list, e.token, shape), r.name);
                if (!fresh) {
                    if (it->second != r.name) fail(where, e.token + " already makes " + it->second + " in " + list);
                    continue;
                }
                lists[list].push_back({e.line, e.token, text});
            }
        }
    }
    return lists;
}

std::string line_mark(int line, const std::string& path) {
    return "#line " + std::to_string(line) + " " + cpp_string(path) + "\n";
}

/// The lines of a rules text with every @PARAMS(LIST)@ line expanded; #line
/// marks keep bison's line numbers pointing at the table and the source.
std::string expand_rules(const std::string& text, const std::string& path, int first_line,
                         const std::map<std::string, std::vector<production>>& lists, const std::string& table_path,
                         std::set<std::string>& used) {
    std::istringstream in(text);
    std::ostringstream out;
    std::string line;
    for (int n = first_line; std::getline(in, line); ++n) {
        const auto open = line.find("@PARAMS(");
        if (open == std::string::npos) {
            out << line << '\n';
            continue;
        }
        const auto close = line.find(")@", open);
        if (close == std::string::npos) fail(path + ":" + std::to_string(n), "unterminated @PARAMS(");
        const std::string list = line.substr(open + 8, close - open - 8);
        const auto it = lists.find(list);
        if (it == lists.end()) fail(path + ":" + std::to_string(n), "no keyword of the table makes " + list);
        used.insert(list);
        std::string prefix = line.substr(0, open);
        for (const auto& p : it->second) {
            out << line_mark(p.line, table_path) << prefix << p.text << '\n';
            prefix = "    | ";
        }
        out << line_mark(n + 1, path);
    }
    return out.str();
}

/// A family fragment: declarations, a line "%%", rules.
struct fragment {
    std::string path, declarations, rules;
    int rules_line = 0;
};

fragment read_fragment(const std::string& path) {
    fragment f;
    f.path = path;
    std::istringstream in(read_file(path));
    std::string line;
    bool in_rules = false;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!in_rules && line == "%%") {
            in_rules = true;
            f.rules_line = n + 1;
            continue;
        }
        (in_rules ? f.rules : f.declarations) += line + "\n";
    }
    if (!in_rules) fail(path, "no %% line between declarations and rules");
    return f;
}

std::string assemble_grammar(const table& t, const std::string& table_path, const std::string& template_path,
                             const std::vector<std::string>& fragment_paths) {
    const std::string source = read_file(template_path);
    const std::set<std::string> hand = declared_tokens(source);
    const auto tokens = generated_tokens(t, hand);
    const auto lists = parameter_rules(t, table_path);
    std::vector<fragment> fragments;
    for (const auto& p : fragment_paths) fragments.push_back(read_fragment(p));

    std::set<std::string> used;
    std::set<std::string> seen_markers;
    std::istringstream in(source);
    std::ostringstream out;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        const auto marker = [&](const char* m) {
            if (line.find(m) == std::string::npos) return false;
            seen_markers.insert(m);
            return true;
        };
        if (marker("@KEYWORD_TOKENS@")) {
            out << token_declarations(tokens) << line_mark(n + 1, template_path);
        } else if (marker("@FRAGMENT_DECLARATIONS@")) {
            for (const auto& f : fragments) out << line_mark(1, f.path) << f.declarations;
            out << line_mark(n + 1, template_path);
        } else if (marker("@FRAGMENT_RULES@")) {
            for (const auto& f : fragments)
                out << line_mark(f.rules_line, f.path)
                    << expand_rules(f.rules, f.path, f.rules_line, lists, table_path, used);
            out << line_mark(n + 1, template_path);
        } else {
            out << line << '\n';
        }
    }
    for (const char* m : {"@KEYWORD_TOKENS@", "@FRAGMENT_DECLARATIONS@", "@FRAGMENT_RULES@"})
        if (!seen_markers.count(m)) fail(template_path, std::string("marker ") + m + " missing");
    for (const auto& l : lists)
        if (!used.count(l.first))
            fail(table_path + ":" + std::to_string(l.second.front().line),
                 "no grammar fragment has @PARAMS(" + l.first + ")@");
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

/// The token names of a grammar in the order bison numbers them (after END,
/// YYerror and YYUNDEF, 0 to 2): the order of their first %token declaration.
std::vector<std::string> token_names(const std::string& grammar) {
    std::vector<std::string> names;
    std::set<std::string> seen{"END", "YYerror", "YYUNDEF"};
    std::istringstream in(grammar);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("%token", 0) != 0) continue;
        // Names, skipping the <type>, "aliases" (which may hold blanks) and numbers.
        for (std::size_t i = 6; i < line.size();) {
            const char c = line[i];
            if (c == '"') {
                for (++i; i < line.size() && line[i] != '"'; ++i)
                    if (line[i] == '\\') ++i;
                ++i;
            } else if (c == '<') {
                i = line.find('>', i);
                i = i == std::string::npos ? line.size() : i + 1;
            } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                std::size_t end = i;
                while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_')) ++end;
                const std::string name = line.substr(i, end - i);
                if (seen.insert(name).second) names.push_back(name);
                i = end;
            } else {
                ++i;
            }
        }
    }
    return names;
}

/// The scanner's token codes, without the parser class, and the checks that
/// they are the parser's: the scanner sits below the grammar.
void write_token_headers(const std::string& grammar, const std::string& scanner_dir, const std::string& grammar_dir) {
    const std::vector<std::string> names = token_names(grammar);
    std::string codes =
        "#pragma once\n// Generated by kwgen from the grammar's token declarations: the codes the\n"
        "// scanner returns. token_check.hh proves them equal to the parser's.\n"
        "namespace quarry_parser_implementation::tokens {\n\nenum code : int {\n    END = 0,\n    YYerror = 1,\n"
        "    YYUNDEF = 2,\n";
    std::string checks =
        "#pragma once\n// Generated by kwgen: the scanner's token codes are the parser's.\n"
        "#include \"grammar/korvex3_parser.hh\"\n#include \"scanner/tokens.hh\"\n\n";
    int code = 3;
    for (const auto& n : names) {
        codes += "    " + n + " = " + std::to_string(code++) + ",\n";
        checks += "static_assert(int(quarry_parser_implementation::tokens::" + n +
                  ") == int(quarry_parser_implementation::korvex3_parser::token::" + n + "), \"" + n + "\");\n";
    }
    codes += "};\n\n}  // namespace quarry_parser_implementation::tokens\n";
    write_file(scanner_dir + "/tokens.hh", codes);
    write_file(grammar_dir + "/token_check.hh", checks);
}

std::string directory_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::cerr << "usage: kwgen KEYWORDS.tab SCANNER.ll.in SCANNER.ll GRAMMAR.yy.in GRAMMAR.yy [FRAGMENT.yy...]\n";
        return 2;
    }
    table t;
    try {
        t = keyword_table::read_file(argv[1]);
    } catch (const keyword_table::bad_table& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }

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

    const std::string grammar = assemble_grammar(t, argv[1], argv[4], std::vector<std::string>(argv + 6, argv + argc));
    write_file(argv[5], grammar);
    // Beside the generated scanner and grammar.
    write_token_headers(grammar, directory_of(argv[3]), directory_of(argv[5]));
    return 0;
}
