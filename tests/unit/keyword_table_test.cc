// Walks the keyword table and checks that every spelling of every entry gives
// its token, value and mode change in its own mode and form.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "driver/korvex3_driver.hh"
#include "grammar/korvex3_parser.hh"
#include "scanner/scanner.hh"
#include "tools/kwgen/keyword_table.hh"

using namespace quarry_parser_implementation;

namespace {

using keyword_table::entry;
using keyword_table::split;

std::vector<entry> read_table() { return keyword_table::read_file(KEYWORD_TABLE).entries; }

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/// How syntax errors and the token dump name the token.
std::string printed_name(const std::string& token) {
    if (token.rfind("DOT_", 0) == 0) return "." + token.substr(4);
    if (token == "TOK_PARAMETER_NAME") return "parameter name";
    return token;
}

struct result {
    std::string name;
    bool has_value = false;
    std::string value;
    int mode = -1;
    int depth = 0;
};

/// The first token of `text`, scanned from `mode` on top of a pushed LINE_START.
result first_token(const std::string& text, int mode, bool pins) {
    static const std::string file = "t";
    static std::istringstream in;
    static korvex3_scanner scanner(&in, nullptr);
    in.clear();
    in.str(text);
    scanner.restart(&in);
    scanner.set_mode(korvex3_scanner::mode_number("LINE_START"));
    scanner.push_mode(mode);
    scanner.pins_complete = pins;
    text_pool::ptr value;
    location loc(&file);
    const int kind = scanner.lex(&value, &loc);
    result r;
    r.name = korvex3_parser::symbol_name(static_cast<korvex3_parser::symbol_kind_type>(kind));
    if (value) {
        r.has_value = true;
        r.value = *value;
    }
    r.mode = scanner.mode();
    r.depth = scanner.mode_depth();
    return r;
}

/// Input that shows the keyword in its form.
std::string sample(const entry& e, const std::string& word) {
    if (e.form == "eq") return word + " = 1\n";
    if (e.form == "group" || e.form == "blankparen") return word + " (1)\n";
    if (e.form == "paren") return word + "(1)\n";
    if (e.form == "end") return word + " 1\n";
    if (e.form == "brace") return word + " {x=1}\n";
    if (e.form == "element") return word + "1 a\n";
    return word + "\n";
}

}  // namespace

TEST(KeywordTable, EveryEntryInItsForm) {
    const std::vector<entry> entries = read_table();
    ASSERT_GT(entries.size(), 900u);
    int checked = 0;
    for (const entry& e : entries) {
        const int mode = korvex3_scanner::mode_number(e.mode);
        ASSERT_GE(mode, 0) << e.mode;
        for (const std::string& spelling : e.spellings) {
            const std::string typed = spelling == "*" ? "ZzName" : upper(spelling);
            const std::string text = sample(e, typed);
            SCOPED_TRACE("keywords.tab:" + std::to_string(e.line) + " " + e.mode + " " + text);
            const std::string whole = e.form == "element" ? typed + "1" : typed;
            for (bool pins : {true, false}) {
                if (!pins && !e.pins) continue;
                const result r = first_token(text, mode, pins);
                if (!pins) {
                    // Before the pins the word is a net name, and the mode stays.
                    EXPECT_EQ(r.name, e.form == "paren" ? "ID_FIELD_PAR" : "identifier");
                    EXPECT_EQ(r.value, lower(whole));
                    EXPECT_EQ(r.mode, mode);
                    continue;
                }
                EXPECT_EQ(r.name, printed_name(e.token));
                if (e.value == "-") {
                    EXPECT_FALSE(r.has_value) << r.value;
                } else {
                    EXPECT_EQ(r.value, e.value == "lower" ? lower(whole) : whole);
                }
                // Mode effects, applied to a mode pushed over LINE_START.
                int expect_mode = mode, expect_depth = 1;
                std::vector<int> stack{korvex3_scanner::mode_number("LINE_START")};
                for (const std::string& op : split(e.effect, ',')) {
                    if (op == "-") break;
                    if (op == "pop") {
                        expect_mode = stack.back();
                        stack.pop_back();
                        --expect_depth;
                        continue;
                    }
                    const std::string target = op.substr(op.find('=') + 1);
                    if (op.rfind("push", 0) == 0) {
                        stack.push_back(expect_mode);
                        ++expect_depth;
                    }
                    expect_mode = korvex3_scanner::mode_number(target);
                }
                EXPECT_EQ(korvex3_scanner::mode_name(r.mode), std::string(korvex3_scanner::mode_name(expect_mode)));
                EXPECT_EQ(r.depth, expect_depth);
                ++checked;
            }
        }
    }
    EXPECT_GE(checked, static_cast<int>(entries.size()));
}

// A malformed line stops the build with its place named, rather than
// generating a scanner or grammar that quietly lacks the keyword.
TEST(KeywordTable, BadLinesAreRejectedWithTheirLine) {
    const std::string head = "@modes statement M\n";
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"M eq x PARAM_X - -\n", nullptr},
        {"M eq x PARAM_X - - pins param:x@list\n", nullptr},
        {"M eq x PARAM_X - - - param:x/value_only@a;flag:x@a,b;param:quarry::y/regex@c\n", nullptr},
        {"M eq x PARAM_X - -  x\n", "t:2: expected MODE FORM"},
        {"M sideways x PARAM_X - -\n", "t:2: unknown form sideways"},
        {"N eq x PARAM_X - -\n", "t:2: undeclared mode N"},
        {"M eq x PARAM_X upper -\n", "t:2: unknown value upper"},
        {"M eq x PARAM_X - - - param:x\n", "t:2: expected param:NAME[/VALUE]@LIST"},
        {"M eq x PARAM_X - - - param:x/sideways@list\n", "t:2: unknown value form 'sideways'"},
        {"M eq x PARAM_X - - - flag:x/value@list\n", "t:2: unknown value form 'value'"},
        {"M eq x PARAM_X - - - param:x@a;param:@b\n", "t:2: bad parameter name"},
        {"M eq x PARAM_X - - - value:x@list\n", "t:2: unknown rule kind value"},
        {"M eq x PARAM_X - - - param:@list\n", "t:2: bad parameter name"},
        {"M eq x PARAM_X - - - flag:x@a,b-c\n", "t:2: bad grammar list name 'b-c'"},
    };
    for (const auto& c : cases) {
        std::istringstream in(head + c.line);
        if (!c.message) {
            EXPECT_NO_THROW(keyword_table::read(in, "t")) << c.line;
            continue;
        }
        try {
            keyword_table::read(in, "t");
            ADD_FAILURE() << "accepted: " << c.line;
        } catch (const keyword_table::bad_table& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}
