#include "plugin/parser_korvex3.hh"

#include "quarry/task.hh"

#include <sstream>

namespace quarry::parser {

parser_base* parser_korvex3::create_parser() { return new parser_korvex3(); }

parser_korvex3::~parser_korvex3() = default;

bool parser_korvex3::prepare() {
    if (!get_ast_node() || !get_task()) return false;
    driver_.set_ast_node(get_ast_node());
    driver_.set_quarry_parser(this);
    if (file_is_include()) driver_.set_file_is_include(true);
    driver_.set_checks(get_task()->checks());
    driver_.set_keep_partial(get_task()->keep_partial());
    return true;
}

bool parser_korvex3::parse_file(const std::string& file) { return prepare() && driver_.parse_file(file); }

bool parser_korvex3::parse_string(const std::string& text) {
    return prepare() && driver_.parse_string(text, "string stream");
}

bool parser_korvex3::parse_string(const std::string& text, const std::string& name) {
    return prepare() && driver_.parse_string(text, name);
}

bool parser_korvex3::dump_tokens(std::istream& in, const std::string& name, std::ostream& out) {
    if (file_is_include()) driver_.set_file_is_include(true);
    driver_.dump_tokens(in, name, out);
    return true;
}

bool parser_korvex3::visit_tokens(std::istream& in, const std::string& name,
                                  const std::function<void(const token_view&)>& each) {
    if (file_is_include()) driver_.set_file_is_include(true);
    driver_.visit_tokens(in, name, each);
    return true;
}

}  // namespace quarry::parser
