// Keywords in their modes: the cases where a form, a priority or a mode change
// is easy to get wrong.
#include <gtest/gtest.h>

#include "scanner_support.hh"

using korvex3_test::scan;
using lines = std::vector<std::string>;

namespace {

/// Names and values of the tokens of one line, without locations and the end of line.
lines tokens(const std::string& line, bool pins = false) {
    lines out;
    for (const std::string& t : scan(line + "\n", true, pins)) {
        const std::string bare = t.substr(t.find("] ") + 2);
        if (bare != "end-of-line") out.push_back(bare);
    }
    return out;
}

}  // namespace

TEST(KeywordCards, PassiveForms) {
    EXPECT_EQ(tokens("R1 a b tc1=0.1 tc1 0.1"),
              (lines{"RESISTOR \"r1\"", "identifier \"a\"", "identifier \"b\"", "PARAM_TC1",
                     "floating point number \"0.1\"", "identifier \"tc1\"", "floating point number \"0.1\""}));
    EXPECT_EQ(tokens("R1 a b foo=1 tc1x=1 Resist=5 r=5"),
              (lines{"RESISTOR \"r1\"", "identifier \"a\"", "identifier \"b\"", "parameter name \"foo\"",
                     "integer number \"1\"", "parameter name \"tc1x\"", "integer number \"1\"", "PARAM_R",
                     "integer number \"5\"", "PARAM_R", "integer number \"5\""}));
    // The "=" may follow on a continuation line, behind a comment.
    EXPECT_EQ(tokens("C1 a b ic ; note\n+ = 2"),
              (lines{"CAPACITOR \"c1\"", "identifier \"a\"", "identifier \"b\"", "PARAM_IC", "integer number \"2\""}));
    EXPECT_EQ(tokens("R1 a b bias (v(a))"),
              (lines{"RESISTOR \"r1\"", "identifier \"a\"", "identifier \"b\"", "BIAS", "(", "ID_FIELD_PAR \"v\"", "(",
                     "identifier \"a\"", ")", ")"}));
}

TEST(KeywordCards, SourcesAndWaveforms) {
    EXPECT_EQ(tokens("V1 a 0 pulse(0 1) per", true),
              (lines{"VSOURCE \"v1\"", "identifier \"a\"", "integer number \"0\"", "PARAM_PULSE_PAR", "(",
                     "integer number \"0\"", "integer number \"1\"", ")", "PARAM_PERIODIC"}));
    EXPECT_EQ(tokens("V1 a 0 equ", true)[3], "PARAM_EQUATION");
    EXPECT_EQ(tokens("V1 a 0 equation", true)[3], "PARAM_EQUATION");
    EXPECT_EQ(tokens("V1 a 0 eq", true)[3], "identifier \"eq\"");
    // "$" starts a bit pattern only once the pins are read.
    EXPECT_EQ(tokens("V1 a 0 pbit $0110", true),
              (lines{"VSOURCE \"v1\"", "identifier \"a\"", "integer number \"0\"", "PARAM_PBIT", "bitfield \"0110\""}));
    EXPECT_EQ(tokens("V1 a 0 dc 1 ac 2", true),
              (lines{"VSOURCE \"v1\"", "identifier \"a\"", "integer number \"0\"", "PARAM_DC", "integer number \"1\"",
                     "PARAM_AC", "integer number \"2\""}));
    EXPECT_EQ(tokens("V1 a 0 dcx", true)[3], "identifier \"dcx\"");
}

TEST(KeywordCards, SemiconductorsAndControlledSources) {
    EXPECT_EQ(tokens("D1 a k dmod off", true)[4], "PARAM_OFF");
    EXPECT_EQ(tokens("D1 a k dmod off")[4], "identifier \"off\"");
    // BJT's OFF is no pins-dependent word and keeps its text.
    EXPECT_EQ(tokens("Q1 c b e qmod OFF")[5], "PARAM_OFF \"off\"");
    EXPECT_EQ(tokens("D1 a k m=2")[3], "PARAM_M");
    EXPECT_EQ(tokens("E1 a b c d max=2", true)[5], "PARAM_MAX");
    EXPECT_EQ(tokens("E1 a b c d max=2")[5], "identifier \"max\"");
}

TEST(KeywordModels, TypesAndParameters) {
    EXPECT_EQ(tokens(".model nch nmos"), (lines{".MODEL", "NAME_FIELD \"nch\"", "PARAM_NMOS"}));
    EXPECT_EQ(tokens(".model nch nmos (l=1 charge chargem)"),
              (lines{".MODEL", "NAME_FIELD \"nch\"", "PARAM_NMOS", "(", "parameter name \"l\"", "integer number \"1\"",
                     "PARAM_ESDMOD", "PARAM_CHARGEM", ")"}));
    EXPECT_EQ(tokens(".model nch nmos( x"), (lines{".MODEL", "NAME_FIELD \"nch\"", "ID_FIELD_PAR \"nmos\"", "(",
                                                    "identifier \"x\""}));
    EXPECT_EQ(tokens(".model m1 level=3 vto=1"),
              (lines{".MODEL", "NAME_FIELD \"m1\"", "parameter name \"level\"", "integer number \"3\"",
                     "parameter name \"vto\"", "integer number \"1\""}));
    // LEVEL is a keyword as a word; before "=" the longer parameter name wins.
    EXPECT_EQ(tokens(".model dm d level=2 is=1"),
              (lines{".MODEL", "NAME_FIELD \"dm\"", "PARAM_D", "parameter name \"level\"", "integer number \"2\"",
                     "parameter name \"is\"", "integer number \"1\""}));
    EXPECT_EQ(tokens(".model dm d level 2 is=1"),
              (lines{".MODEL", "NAME_FIELD \"dm\"", "PARAM_D", "PARAM_LEVEL", "integer number \"2\"",
                     "parameter name \"is\"", "integer number \"1\""}));
    // A name ending in a dot gives the dot back and waits for the name.
    EXPECT_EQ(tokens(".model a.b. r"), (lines{".MODEL", "NAME_FIELD \"a.b\"", "CH_TERMDOT", "NAME_FIELD \"r\""}));
}

TEST(KeywordAnalyses, PrefixSpellings) {
    EXPECT_EQ(tokens(".ac dec 10 1 1g"),
              (lines{".AC", "PARAM_DECADE \"dec\"", "integer number \"10\"", "integer number \"1\"",
                     "floating point number \"1g\""}));
    EXPECT_EQ(tokens(".ac DECADE 10")[1], "PARAM_DECADE \"DECADE\"");
    EXPECT_EQ(tokens(".ac de 10")[1], "identifier \"de\"");
    EXPECT_EQ(tokens(".tran 1n 10n uic"),
              (lines{".TRAN", "floating point number \"1n\"", "floating point number \"10n\"", "PARAM_UIC"}));
    EXPECT_EQ(tokens(".monitor tra v(a)")[1], "PARAM_TR");
    EXPECT_EQ(tokens(".monitor transient v(a)")[1], "PARAM_TR");
    EXPECT_EQ(tokens(".monitor t v(a)")[1], "identifier \"t\"");
    EXPECT_EQ(tokens(".noise v(out) v1 points=3"),
              (lines{".NOISE", "PARAM_V", "(", "identifier \"out\"", ")", "identifier \"v1\"", "PARAM_POINTS",
                     "integer number \"3\""}));
}

TEST(KeywordVerification, CheckQuirks) {
    EXPECT_EQ(tokens(".check tran (v(a))")[1], "PARAM_TR");
    EXPECT_EQ(tokens(".check ac (v(a))"), (lines{".CHECK", "PARAM_AC", "(", "ID_FIELD_PAR \"v\"", "(",
                                                  "identifier \"a\"", ")", ")"}));
    // With a word after it, ac reads a check specification.
    EXPECT_EQ(tokens(".check ac v(a) at = 5"),
              (lines{".CHECK", "PARAM_AC", "PARAM_V", "(", "identifier \"a\"", ")", "PARAM_AT", "integer number \"5\""}));
    EXPECT_EQ(tokens(".check dc v(a) comment 'too high'"),
              (lines{".CHECK", "PARAM_DC", "PARAM_V", "(", "identifier \"a\"", ")", "PARAM_COMMENT",
                     "comment \"'too high'\""}));
    EXPECT_EQ(tokens(".check dc v(a, b)"),
              (lines{".CHECK", "PARAM_DC", "PARAM_V", "(", "identifier \"a\"", "\",\"", "identifier \"b\"", ")"}));
}

TEST(KeywordSettings, OptionsPrintAndEcho) {
    EXPECT_EQ(tokens(".options reltol=1e-3 post"),
              (lines{".OPTIONS", ".options parameter \"reltol\"", "exponential number \"1e-3\"", "identifier \"post\""}));
    EXPECT_EQ(tokens(".print tran v(a), i(v1) out=v(b)"),
              (lines{".PRINT", "identifier \"tran\"", "PARAM_V", "(", "identifier \"a\"", ")", "\",\"", "PARAM_I", "(",
                     "identifier \"v1\"", ")", "output alias \"out\"", "PARAM_V", "(", "identifier \"b\"", ")"}));
    EXPECT_EQ(tokens(".echo on Hello There"), (lines{".ECHO", "PARAM_ON", "TITLE \"hello there\""}));
    EXPECT_EQ(tokens(".default dm level=1")[1], "PARAM_DM");
    EXPECT_EQ(tokens(".default dm=1")[1], "parameter name \"dm\"");
    EXPECT_EQ(tokens(".if (a > b)"), (lines{".IF", "expression \" (a > b)\""}));
    // .FOUR reads words, calls and names before "=" only.
    EXPECT_EQ(tokens(".four v(a) thd=x"),
              (lines{".FOUR", "identifier \"v(a)\"", "ID_FIELD_EQ \"thd\"", "identifier \"x\""}));
    EXPECT_EQ(tokens(".force node x[2] 1.5"),
              (lines{".FORCE", "PARAM_NODE", "NAME_FIELD \"x[2]\"", "floating point number \"1.5\""}));
}

TEST(KeywordStatistics, ValueModes) {
    EXPECT_EQ(tokens(".mc runs [1-5 7]"),
              (lines{".MONTECARLO", "PARAM_RUNS", "[ \"[\"", "identifier \"1-5\"", "identifier \"7\"", "] \"]\""}));
    EXPECT_EQ(tokens(".subtol scope=1 name='x.*' w=2"),
              (lines{".SUBTOL", "PARAM_SCOPE", "integer number \"1\"", "PARAM_NAME", "regular expression \"'x.*'\"",
                     "PARAM_SUBTOL_PARAM \"w\"", "integer number \"2\""}));
}

TEST(KeywordHdl, NameModes) {
    EXPECT_EQ(tokens(".hdl macros a b=c options"),
              (lines{".HDL", "PARAM_MACROS", "hdl macro name \"a\"", "hdl macro name with value \"b\"",
                     "hdl macro value \"c\"", "hdl macro name \"options\""}));
    EXPECT_EQ(tokens(".hdl options o1=\"-x\""),
              (lines{".HDL", "PARAM_OPTIONS", "hdl option name \"o1\"", "options parameters \"\\\"-x\\\"\""}));
}
