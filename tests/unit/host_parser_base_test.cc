#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/parser_base.hh"
#include "quarry/task.hh"

namespace ast = quarry::ast;
namespace parser = quarry::parser;
namespace fs = std::filesystem;

namespace {

constexpr const char* fake_language = "host-test-lines";

// What the fake parsers saw, for the test to inspect.
struct fake_log {
    int parses = 0;
    int include_failures = 0;
    std::vector<std::string> names;
    std::vector<bool> include_flags;
    std::vector<quarry::task*> tasks;
};
fake_log log_;

// A line language: "include FILE" includes, "section NAME" ... "end" makes an
// nt_section, "error TEXT" reports, "throw" throws, any other line becomes nt_string.
class line_parser : public parser::parser_base {
public:
    bool parse_file(const std::string& file) override {
        std::ifstream in(file);
        return parse(in, file);
    }
    bool parse_string(const std::string& text) override { return parse_string(text, "string stream"); }
    bool parse_string(const std::string& text, const std::string& name) override {
        std::istringstream in(text);
        return parse(in, name);
    }

private:
    bool parse(std::istream& in, const std::string& name) {
        if (!get_ast_node()) return false;
        ++log_.parses;
        log_.names.push_back(name);
        log_.include_flags.push_back(file_is_include());
        log_.tasks.push_back(get_task());
        set_parsing_file(name);
        ast::node* current = get_ast_node();
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("include ", 0) == 0) {
                const std::string path = resolve_path(line.substr(8));
                if (!add_include(path, fake_language, current->add_child(ast::nt_block, ""))) ++log_.include_failures;
            } else if (line.rfind("section ", 0) == 0) {
                current = get_ast_node()->add_child(ast::nt_section, line.substr(8));
            } else if (line == "end") {
                current = get_ast_node();
            } else if (line.rfind("error ", 0) == 0) {
                parser::bison_error(line.substr(6));
            } else if (line == "throw") {
                throw std::runtime_error("thrown by the include");
            } else {
                current->add_child(ast::nt_string, line);
            }
        }
        return true;
    }
};

std::vector<std::string> values_of(const ast::node& n) {
    std::vector<std::string> values;
    for (const ast::node* child : n.get_children()) values.push_back(child->get_value());
    return values;
}

class HostParserBase : public ::testing::Test {
protected:
    void SetUp() override {
        parser::framework::instance().get_factory_map()[fake_language] = [] { return new line_parser; };
        log_ = fake_log();
        dir_ = fs::temp_directory_path() /
               ("host_parser_base_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        includer_.set_task(&task_);
        includer_.set_ast_node(&root_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& relative, const std::string& text) {
        const fs::path p = dir_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
        return p.string();
    }

    // f0.inc includes f1.inc, and so on, 70 deep.
    std::string write_chain() {
        for (int i = 0; i < 70; ++i)
            write("f" + std::to_string(i) + ".inc", "include f" + std::to_string(i + 1) + ".inc\n");
        return (dir_ / "f0.inc").string();
    }

    fs::path dir_;
    quarry::task task_;
    ast::node root_;
    line_parser includer_;
};

}  // namespace

TEST_F(HostParserBase, IncludeParsesIntoTheTargetAsAnInclude) {
    const std::string path = write("a.inc", "x\nerror from the include\n");
    parser::diagnostics_sink sink;
    parser::scoped_diagnostics_sink guard(sink);
    ast::node target;
    target.add_child(ast::nt_string, "before");
    EXPECT_TRUE(includer_.add_include(path, fake_language, &target));
    EXPECT_TRUE(includer_.add_include_string("p\n", fake_language, &target));
    EXPECT_EQ(values_of(target), (std::vector<std::string>{"before", "x", "p"}));
    EXPECT_EQ(log_.names, (std::vector<std::string>{path, "string stream"}));
    EXPECT_EQ(log_.include_flags, (std::vector<bool>{true, true}));
    EXPECT_EQ(log_.tasks[0], &task_);
    EXPECT_FALSE(includer_.file_is_include());
    ASSERT_EQ(sink.entries().size(), 1u);
    EXPECT_EQ(sink.entries()[0].message, "from the include");
}

TEST_F(HostParserBase, IncludeRefusesWhatItCannotParse) {
    const std::string path = write("a.inc", "x\n");
    ast::node target;
    EXPECT_FALSE(includer_.add_include((dir_ / "missing.inc").string(), fake_language, &target));
    EXPECT_FALSE(includer_.add_include(dir_.string(), fake_language, &target));
    EXPECT_FALSE(includer_.add_include(path, "no-such-language", &target));
    EXPECT_FALSE(includer_.add_include(path, fake_language, nullptr));
    EXPECT_FALSE(includer_.add_include_string("p\n", "no-such-language", &target));
    EXPECT_FALSE(target.has_children());
    EXPECT_EQ(log_.parses, 0);
}

TEST_F(HostParserBase, AFileIsNotIncludedInsideItself) {
    // Twice per file: without the check this would nest 64 levels deep in
    // both branches.
    const std::string self = write("self.inc", "include self.inc\ninclude self.inc\n");
    ast::node target;
    EXPECT_TRUE(includer_.add_include(self, fake_language, &target));
    EXPECT_EQ(log_.parses, 1);
    EXPECT_EQ(log_.include_failures, 2);

    // Through another file, and back to the top-level file, spelled differently.
    log_ = fake_log();
    write("a.inc", "include b.inc\n");
    write("b.inc", "include ./a.inc\ninclude deck.kvx\n");
    includer_.set_parsing_file(write("deck.kvx", "include a.inc\n"));
    ast::node chain;
    EXPECT_TRUE(includer_.add_include((dir_ / "a.inc").string(), fake_language, &chain));
    EXPECT_EQ(log_.names, (std::vector<std::string>{(dir_ / "a.inc").string(), (dir_ / "b.inc").string()}));
    EXPECT_EQ(log_.include_failures, 2);
}

TEST_F(HostParserBase, TheSameFileTwiceSideBySideIsNoCycle) {
    const std::string leaf = write("leaf.inc", "x\n");
    write("twice.inc", "include leaf.inc\ninclude leaf.inc\n");
    ast::node target;
    EXPECT_TRUE(includer_.add_include((dir_ / "twice.inc").string(), fake_language, &target));
    EXPECT_EQ(log_.parses, 3);
    EXPECT_EQ(log_.include_failures, 0);
    // And again afterwards: nothing stays marked open.
    EXPECT_TRUE(includer_.add_include(leaf, fake_language, &target));
}

TEST_F(HostParserBase, IncludeChainStopsAtDepth64AndTheLevelIsRestoredAfterAnException) {
    const std::string chain = write_chain();
    ast::node target;
    EXPECT_TRUE(includer_.add_include(chain, fake_language, &target));
    EXPECT_EQ(log_.parses, 64);
    EXPECT_EQ(log_.include_failures, 1);

    const std::string thrower = write("throw.inc", "throw\n");
    EXPECT_THROW(includer_.add_include(thrower, fake_language, &target), std::runtime_error);
    // Still open, it would be refused now instead of parsed.
    EXPECT_THROW(includer_.add_include(thrower, fake_language, &target), std::runtime_error);

    // The depth is back to zero: the same chain runs as deep again.
    log_ = fake_log();
    ast::node again;
    EXPECT_TRUE(includer_.add_include(chain, fake_language, &again));
    EXPECT_EQ(log_.parses, 64);
}

TEST_F(HostParserBase, IncludeSectionKeepsOnlyThatSection) {
    const std::string path = write("models.lib",
                                   "top\n"
                                   "section TT\nx\ny\nend\n"
                                   "section ff\nz\nend\n"
                                   "section tt\nw\nend\n");
    ast::node target;
    target.add_child(ast::nt_string, "before");
    EXPECT_TRUE(includer_.add_include_section(path, "tt", fake_language, &target));
    EXPECT_EQ(values_of(target), (std::vector<std::string>{"before", "x", "y", "w"}));
    for (const ast::node* child : target.get_children()) EXPECT_EQ(child->get_type(), ast::nt_string);

    ast::node none;
    EXPECT_FALSE(includer_.add_include_section(path, "ss", fake_language, &none));
    EXPECT_FALSE(includer_.add_include_section((dir_ / "none.lib").string(), "tt", fake_language, &none));
    EXPECT_FALSE(none.has_children());
}

TEST_F(HostParserBase, ResolvePathSearchOrder) {
    const std::string existing = write("here.inc", "");
    write("src/deck.kvx", "");
    write("src/both.inc", "");
    write("inc1/both.inc", "");
    write("inc1/dirs.inc", "");
    write("inc2/dirs.inc", "");
    write("inc2/last.inc", "");
    task_.include_dirs() = {(dir_ / "inc1").string(), (dir_ / "inc2").string()};
    includer_.set_parsing_file((dir_ / "src/deck.kvx").string());

    EXPECT_EQ(includer_.resolve_path(existing), existing);
    EXPECT_EQ(fs::path(includer_.resolve_path("both.inc")), dir_ / "src/both.inc");
    EXPECT_EQ(fs::path(includer_.resolve_path("dirs.inc")), dir_ / "inc1/dirs.inc");
    EXPECT_EQ(fs::path(includer_.resolve_path("last.inc")), dir_ / "inc2/last.inc");
    EXPECT_EQ(includer_.resolve_path("nowhere.inc"), "nowhere.inc");
    EXPECT_EQ(includer_.resolve_path(""), "");
    const std::string absent = (dir_ / "absent.inc").string();
    EXPECT_EQ(includer_.resolve_path(absent), absent);
}


// What a build system needs: each file that was opened, once, in reading
// order, whether included whole or for a section; not what was refused.
TEST_F(HostParserBase, TheTaskListsTheFilesReadOnceInOrder) {
    const std::string lib = write("models.lib", "section tt\ninclude leaf.inc\nend\nsection ff\nend\n");
    const std::string leaf = write("leaf.inc", "include leaf.inc\ninclude missing.inc\n");
    const std::string top = write("top.inc", "include models.lib\n");
    ast::node target;
    EXPECT_TRUE(includer_.add_include_section(lib, "tt", fake_language, &target));
    EXPECT_TRUE(includer_.add_include(top, fake_language, &target));
    EXPECT_TRUE(includer_.add_include_section(lib, "ff", fake_language, &target));
    EXPECT_FALSE(includer_.add_include((dir_ / "missing.inc").string(), fake_language, &target));
    EXPECT_TRUE(includer_.add_include_string("include top.inc\n", fake_language, &target));
    EXPECT_EQ(task_.files_read(), (std::vector<std::string>{lib, (dir_ / "leaf.inc").string(), top}));
}
