// libFuzzer target: a full parse of arbitrary bytes through the plug-in's
// parser object, once as a top-level file and once as an included file, with
// a root node, a task and a diagnostics sink; everything is freed afterwards.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "grammar/tree.hh"
#include "plugin/parser_korvex3.hh"
#include "quarry/ast/node.hh"
#include "quarry/host.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/task.hh"

namespace {

/// The dialect's parser, refusing includes: an input naming /dev/zero or a
/// large system file must not turn into a hang or a memory blow-up that is
/// no fault of the parser.
class fuzz_parser : public quarry::parser::parser_korvex3 {
public:
    bool add_include(const std::string&, const std::string&, quarry::ast::node*) override { return false; }
    bool add_include_section(const std::string&, const std::string&, const std::string&,
                             quarry::ast::node*) override {
        return false;
    }
};

void parse(const std::string& text, bool include) {
    quarry::parser::diagnostics_sink sink;
    quarry::parser::scoped_diagnostics_sink guard(sink);
    std::unique_ptr<quarry::ast::node> root(new quarry::ast::node());
    quarry::task task;
    fuzz_parser parser;
    parser.set_ast_node(root.get());
    parser.set_task(&task);
    parser.set_file_is_include(include);
    try {
        parser.parse_string(text, include ? "fuzz.inc" : "fuzz.kvx");
    } catch (const quarry_parser_implementation::unusable_input&) {
        // A documented way for a parse to end; any other exception is a fault.
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
    const std::string text(reinterpret_cast<const char*>(data), size);
    parse(text, false);
    parse(text, true);
    return 0;
}
