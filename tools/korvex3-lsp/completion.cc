// Completion from the scanner's keyword table: dot commands at a statement's
// start, else the keywords of the mode the statement's words lead to.
#include <set>
#include <string_view>
#include <vector>

#include "features.hh"
#include "keyword_data.hh"

namespace korvex3_lsp {

namespace {

using generated::keyword_entry;
using generated::keywords;

// The protocol's CompletionItemKind for keywords.
constexpr int item_keyword = 14;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The words of a statement's text up to the cursor, split at blanks, '='
// and brackets; continuation '+' marks dropped.
std::vector<std::string> words_of(std::string_view text) {
    std::vector<std::string> words;
    std::string cur;
    for (const char c : text) {
        if (blank(c) || c == '\n' || c == '=' || c == '(' || c == ')' || c == ',' || c == '\'' || c == '"') {
            if (!cur.empty() && cur != "+") words.push_back(lower(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty() && cur != "+") words.push_back(lower(cur));
    return words;
}

// The statement's text from its first line up to the cursor (continuation
// lines start with '+').
std::string statement_before(const feature_context& ctx, std::size_t line, std::size_t column) {
    const std::string& text = *ctx.parsed.text;
    const line_index& lines = ctx.parsed.lines;
    std::size_t first = line;
    while (first > 0) {
        const std::string_view l = lines.line(text, first);
        std::size_t i = 0;
        while (i < l.size() && blank(l[i])) ++i;
        if (i >= l.size() || l[i] != '+') break;
        --first;
    }
    std::string out;
    for (std::size_t i = first; i < line; ++i) out += std::string(lines.line(text, i)) + "\n";
    out += std::string(lines.line(text, line).substr(0, column));
    return out;
}

const keyword_entry* line_start_entry(const std::string& word) {
    for (const auto& k : keywords) {
        if (std::string_view(k.mode) != "LINE_START") continue;
        const std::string_view form(k.form);
        if (form == "dot" && word == k.spelling) return &k;
        if (form == "element" && word.size() > 0 && word[0] == k.spelling[0] && word[0] != '.') return &k;
    }
    return nullptr;
}

// The mode after the words: a keyword with a mode effect switches to it.
std::string mode_after(const std::vector<std::string>& words) {
    if (words.empty()) return "";
    const keyword_entry* start = line_start_entry(words.front());
    if (!start) return "";
    std::string mode = start->next_mode;
    for (std::size_t i = 1; i < words.size(); ++i)
        for (const auto& k : keywords)
            if (mode == k.mode && words[i] == k.spelling && *k.next_mode && std::string_view(k.form) != "eq") {
                mode = k.next_mode;
                break;
            }
    return mode;
}

nlohmann::json item(const std::string& label, const std::string& detail, const lsp_range& replaced) {
    return {{"label", label},
            {"kind", item_keyword},
            {"detail", detail},
            {"textEdit", {{"range", to_json(replaced)}, {"newText", label}}}};
}

nlohmann::json dot_commands(const lsp_range& replaced) {
    nlohmann::json items = nlohmann::json::array();
    std::set<std::string> seen;
    for (const auto& k : keywords)
        if (std::string_view(k.mode) == "LINE_START" && std::string_view(k.form) == "dot" && k.full &&
            seen.insert(k.spelling).second)
            items.push_back(item(k.spelling, "dot command", replaced));
    return items;
}

nlohmann::json mode_keywords(const std::string& mode, const std::string& statement, const lsp_range& replaced) {
    nlohmann::json items = nlohmann::json::array();
    std::set<std::string> seen;
    for (const auto& k : keywords) {
        const std::string_view form(k.form);
        if (mode != k.mode || !k.full || form == "dot" || form == "element") continue;
        if (seen.insert(k.spelling).second) items.push_back(item(k.spelling, statement + " keyword", replaced));
    }
    return items;
}

}  // namespace

nlohmann::json completion(const feature_context& ctx, const lsp_position& at) {
    const std::string_view line = ctx.parsed.lines.line(*ctx.parsed.text, static_cast<std::size_t>(at.line));
    const std::size_t column = bytes_of(line, at.character, ctx.encoding);
    // The word being typed, which the chosen item replaces.
    std::size_t begin = column;
    while (begin > 0 && !blank(line[begin - 1]) && line[begin - 1] != '=' && line[begin - 1] != '(') --begin;
    const lsp_range replaced{{at.line, units_of(line, begin, ctx.encoding)}, {at.line, units_of(line, column, ctx.encoding)}};
    const std::string before = statement_before(ctx, static_cast<std::size_t>(at.line), begin);
    const std::vector<std::string> words = words_of(before);
    nlohmann::json items;
    if (words.empty()) {
        items = dot_commands(replaced);
    } else {
        const std::string mode = mode_after(words);
        items = mode.empty() ? nlohmann::json::array() : mode_keywords(mode, words.front(), replaced);
    }
    return {{"isIncomplete", false}, {"items", items}};
}

}  // namespace korvex3_lsp
