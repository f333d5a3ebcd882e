// libFuzzer target: a full parse of arbitrary bytes through the plug-in's
// parser object, as a top-level file or (inputs of odd length) as an included file, with
// a root node, a task and a diagnostics sink; everything is freed afterwards.
//
// The input may hold several files: a line "%file NAME" starts the file
// NAME, and includes (.include, .lib, .load) name these files. The text
// before the first such line is the parsed file. Nothing is read from disk.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "grammar/tree.hh"
#include "plugin/parser_korvex3.hh"
#include "quarry/ast/node.hh"
#include "quarry/host.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/task.hh"

namespace {

/// The files of the current input, by name.
std::map<std::string, std::string> files;
/// The in-memory files being parsed, outermost first: a file is not
/// included inside itself.
std::set<std::string> open_files;
/// The host's own bound on included files, lower than a real parse's so
/// that an input whose files include each other many times stays within a
/// run's time limit while reaching the bound.
constexpr std::size_t max_includes = 256;

/// The dialect's parser, taking included files from the input's file map.
class fuzz_parser : public quarry::parser::parser_korvex3 {
public:
    bool add_include(const std::string& path, const std::string& language, quarry::ast::node* target) override {
        return include(path, language, target);
    }
    bool add_include_section(const std::string& path, const std::string& section, const std::string& language,
                             quarry::ast::node* target) override {
        if (!target) return false;
        quarry::ast::node whole;
        if (!include(path, language, &whole)) return false;
        bool found = false;
        for (quarry::ast::node* child : whole.get_children()) {
            if (child->get_type() != quarry::ast::nt_section) continue;
            const std::string& name = child->get_value();
            if (name.size() != section.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i)
                same = std::tolower(static_cast<unsigned char>(name[i])) ==
                       std::tolower(static_cast<unsigned char>(section[i]));
            if (!same) continue;
            target->take_children(*child);
            found = true;
        }
        return found;
    }

private:
    bool include(const std::string& path, const std::string& language, quarry::ast::node* target) {
        const auto file = files.find(path);
        if (file == files.end() || open_files.count(path)) return false;
        open_files.insert(path);
        struct close {
            const std::string& p;
            ~close() { open_files.erase(p); }
        } guard{path};
        // The host's own include path: a fresh parser from the factory, the
        // depth limit, the task's bound on included files and the notes.
        return add_include_string(file->second, language, target);
    }
};

/// Splits the input at "%file NAME" lines; returns the parsed file's text.
std::string split(const std::string& text) {
    files.clear();
    static const std::string mark = "%file ";
    std::string* current = nullptr;
    std::string top;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        if (text.compare(pos, mark.size(), mark) == 0) {
            std::string name = text.substr(pos + mark.size(), end - pos - mark.size());
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
            current = &files[name];
            current->clear();
        } else {
            (current ? *current : top).append(text, pos, end - pos);
        }
        pos = end;
    }
    return top;
}

void parse(const std::string& text, bool include) {
    quarry::parser::diagnostics_sink sink;
    quarry::parser::scoped_diagnostics_sink guard(sink);
    std::unique_ptr<quarry::ast::node> root(new quarry::ast::node());
    quarry::task task;
    task.set_max_includes(max_includes);
    fuzz_parser parser;
    parser.set_ast_node(root.get());
    parser.set_task(&task);
    parser.set_file_is_include(include);
    open_files.clear();
    try {
        parser.parse_string(text, include ? "fuzz.inc" : "fuzz.kvx");
    } catch (const quarry_parser_implementation::unusable_input&) {
        // Documented ways for a parse to end; any other exception is a fault.
        return;
    } catch (const quarry::parser::input_error&) {
        return;
    }
    // Diagnostics must carry usable records.
    std::size_t length = 0;
    for (const quarry::parser::diagnostic& d : sink.entries())
        if (d.where) length += d.where->format_info().size();
    (void)length;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quarry::host::start();
    quarry::parser::nimbus_plugin_init_quarry_parser_korvex3();
    quarry::parser::framework::instance().get_factory_map()["korvex3"] = [] {
        return static_cast<quarry::parser::parser_base*>(new fuzz_parser());
    };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string top = split(std::string(reinterpret_cast<const char*>(data), size));
    // One parse per input, half the inputs as included files: the mutations
    // change lengths all the time, so both entries are reached from every
    // input, at half the cost of parsing each twice.
    parse(top, size % 2 == 1);
    return 0;
}
