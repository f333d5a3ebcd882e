#include "quarry/parser/driver_base.hh"

#include <cctype>
#include <string_view>

#include "quarry/ast/node.hh"

namespace quarry::parser {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

bool all_letters(std::string_view s) {
    for (char c : s)
        if (!is_letter(c)) return false;
    return true;
}

// True when the first and the last character are one pair of delimiters that
// encloses the whole text: 'a'+'b' and {a}+{b} are not enclosed.
bool enclosed(std::string_view s, char open, char close) {
    if (s.size() < 2 || s.front() != open || s.back() != close) return false;
    if (open == close) return s.find(close, 1) == s.size() - 1;
    int depth = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == open) ++depth;
        else if (s[i] == close && --depth == 0) return i == s.size() - 1;
    }
    return false;
}

bool strip_quotes(std::string& text) {
    if (!enclosed(text, '\'', '\'') && !enclosed(text, '"', '"')) return false;
    text = text.substr(1, text.size() - 2);
    return true;
}

// Scale letters at the start of a unit, longest first.
struct scale {
    std::string_view prefix;
    int exponent;
};
constexpr scale scales[] = {{"meg", 6}, {"t", 12}, {"g", 9}, {"x", 6}, {"k", 3},
                            {"m", -3},  {"u", -6}, {"n", -9}, {"p", -12}, {"f", -15}};

// Length of [sign] digits [. digits] at the start of s; 0 without any digit.
std::size_t mantissa_length(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    return digits ? i : 0;
}

}  // namespace

driver_base::sweep_analysis_param::sweep_analysis_param() = default;

driver_base::sweep_analysis_param::~sweep_analysis_param() { delete content; }

driver_base::sweep_analysis_params::sweep_analysis_params() = default;

driver_base::sweep_analysis_params::~sweep_analysis_params() {
    delete options;
    delete sweep;
    delete extra_sweep;
}

driver_base::~driver_base() = default;

// Distributes one fragment over the set:
//   sweep_option:    content's children go to `options` (made on first use);
//   the others:      `sweep` is made on first use as nt_sweep "";
//   sweep_setting:   content's children go to `sweep`;
//   sweep_variable:  `sweep` gets nt_sweep_target <variable>, then content's
//                    children; `variable_given` becomes true;
//   sweep_frequency: content's children become a new nt_sweep in
//                    `extra_sweep`, replacing an earlier one;
//   other roles:     ignored.
// The fragment keeps its emptied content container, which its destructor frees.
void driver_base::merge_sweep_analysis_param(sweep_analysis_params* set, sweep_analysis_param* param) {
    if (!set || !param) return;
    const std::int32_t role = param->role;
    if (role < sweep_option || role > sweep_frequency) return;
    if (role == sweep_option) {
        if (!param->content || !param->content->has_children()) return;
        if (!set->options) set->options = new ast::node();
        set->options->take_children(*param->content);
        return;
    }
    if (!set->sweep) set->sweep = new ast::node(ast::nt_sweep, std::string());
    switch (role) {
    case sweep_setting:
        if (param->content) set->sweep->take_children(*param->content);
        break;
    case sweep_variable:
        set->sweep->add_child(ast::nt_sweep_target, param->variable);
        if (param->content) set->sweep->take_children(*param->content);
        set->variable_given = true;
        break;
    case sweep_frequency: {
        auto* extra = new ast::node(ast::nt_sweep, std::string());
        if (param->content) extra->take_children(*param->content);
        delete set->extra_sweep;
        set->extra_sweep = extra;
        break;
    }
    }
}

void driver_base::prepare_expression(std::string& text) {
    std::string_view s = trim(text);
    if (enclosed(s, '\'', '\'') || enclosed(s, '"', '"') || enclosed(s, '{', '}') || enclosed(s, '#', '#'))
        s = trim(s.substr(1, s.size() - 2));
    text = std::string(s);
}

void driver_base::prepare_quoted_string(std::string& text) { strip_quotes(text); }

void driver_base::prepare_regex(std::string& text) { strip_quotes(text); }

void driver_base::prepare_model_alias(std::string& text) {
    if (text.size() >= 2 && text.front() == '%' && text.back() == '%') text = text.substr(1, text.size() - 2);
}

void driver_base::prepare_measure_name(std::string& text) {
    for (char& c : text)
        if (!is_lower(c) && !is_digit(c) && c != '_') c = '_';
}

bool driver_base::prepare_number(std::string& text) {
    const std::string_view s(text);
    const std::size_t length = mantissa_length(s);
    std::string_view letters = s.substr(length);
    // Anything that is not a number followed by letters (an exponent, say) stays as written.
    if (length == 0 || !all_letters(letters)) return true;

    std::string_view mantissa = s.substr(0, length);
    if (mantissa.front() == '+') mantissa.remove_prefix(1);
    const bool decimal = mantissa.find('.') != std::string_view::npos;

    const scale* found = nullptr;
    for (const scale& candidate : scales) {
        if (letters.substr(0, candidate.prefix.size()) == candidate.prefix) {
            found = &candidate;
            break;
        }
    }
    std::string result(mantissa);
    if (found) {
        result += 'e';
        result += std::to_string(found->exponent);
    }
    text = std::move(result);
    return decimal || found;
}

void driver_base::prepare_exp_number(std::string& text) {
    const std::string_view s(text);
    std::size_t i = mantissa_length(s);
    if (i == 0 || i >= s.size()) return;
    const char marker = s[i];
    if (marker != 'e' && marker != 'E' && marker != 'd' && marker != 'D') return;
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t digits_start = j;
    while (j < s.size() && is_digit(s[j])) ++j;
    if (j == digits_start || !all_letters(s.substr(j))) return;
    std::string result(s.substr(0, j));
    result[i] = 'e';
    text = std::move(result);
}

void driver_base::prepare_analysis_type(std::string& text) {
    static const std::string transient = "transient";
    if (text.size() < 2 || text.size() > transient.size()) return;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != transient[i]) return;
    text = transient;
}

void driver_base::fix_ibis_buffer_pins(const std::string&, ast::node*) {}

void driver_base::extract_model_type(ast::node*) {}

}  // namespace quarry::parser
