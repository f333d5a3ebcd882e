#include "korvex3_driver.hh"

#include <fstream>
#include <iostream>
#include <sstream>

#include "nimbus/os.hh"
#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/parser_base.hh"
#include "scanner.hh"

namespace quarry_parser_implementation {

korvex3_driver::korvex3_driver() = default;

korvex3_driver::korvex3_driver(quarry::ast::node* root, quarry::parser::parser_base* parser)
    : root_(root), quarry_parser_(parser) {}

korvex3_driver::~korvex3_driver() = default;

bool korvex3_driver::parse_file(const std::string& file) {
    std::ifstream in(file);
    return parse_stream(in, file);
}

bool korvex3_driver::parse_string(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    return parse_stream(in, name);
}

bool korvex3_driver::parse_stream(std::istream& in, const std::string& name) {
    file_name_ = name;
    korvex3_scanner scanner(&in, nullptr);
    if (include_)
        scanner.start_with_file();
    else
        scanner.start_with_title();
    scanner.set_debug(nimbus::os::getenv_bool("QUARRY_TRACE_LEXER"));
    scanner_ = &scanner;
    struct release {
        korvex3_scanner*& s;
        ~release() { s = nullptr; }
    } forget{scanner_};

    korvex3_parser parser(*this);
    parser.set_debug_level(nimbus::os::getenv_bool("QUARRY_TRACE_PARSER") ? 1 : 0);
    if (quarry_parser_) quarry_parser_->set_parsing_file(name);
    if (parser.parse() != 0) error_ = true;
    return !error_;
}

void korvex3_driver::dump_tokens(std::istream& in, const std::string& name, std::ostream& out) {
    file_name_ = name;
    korvex3_scanner scanner(&in, nullptr);
    if (include_)
        scanner.start_with_file();
    else
        scanner.start_with_title();
    scanner.set_debug(nimbus::os::getenv_bool("QUARRY_TRACE_LEXER"));
    korvex3_parser::semantic_type value;
    location loc(&file_name_);
    for (;;) {
        value.text = nullptr;
        const int kind = scanner.lex(&value, &loc);
        if (kind == 0) break;
        out << format_token(kind, value.text, loc);
        delete value.text;
        out << '\n';
    }
}

std::string korvex3_driver::format_token(int kind, const std::string* value, const location& loc) {
    const quarry::parser::info_netlist r = to_record(loc);
    std::ostringstream out;
    out << '[' << r.get_first_line() << ':' << r.get_first_column() << '-' << r.get_last_line() << ':'
        << r.get_last_column() << "] "
        << korvex3_parser::symbol_name(static_cast<korvex3_parser::symbol_kind_type>(kind));
    if (value) {
        out << " \"";
        for (unsigned char c : *value) {
            switch (c) {
            case '\\': out << "\\\\"; break;
            case '"': out << "\\\""; break;
            case '\n': out << "\\n"; break;
            case '\t': out << "\\t"; break;
            case '\r': out << "\\r"; break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out << "\\x" << hex[c >> 4] << hex[c & 15];
                } else {
                    out << c;
                }
            }
        }
        out << '"';
    }
    return out.str();
}

quarry::parser::info_netlist korvex3_driver::to_record(const location& loc) {
    return quarry::parser::info_netlist(loc.begin.filename ? *loc.begin.filename : std::string(), loc.begin.line,
                                        loc.end.line, loc.begin.column, position::add(loc.end.column, -1));
}

quarry::parser::info_netlist* korvex3_driver::new_record(const location& loc) {
    return new quarry::parser::info_netlist(to_record(loc));
}

void korvex3_driver::error(const location& loc, const std::string& message) {
    error_ = true;
    const quarry::parser::info_netlist record = to_record(loc);
    quarry::parser::bison_error(&record, message);
}

void korvex3_driver::error(const std::string& message) {
    error_ = true;
    quarry::parser::bison_error(message);
}

void korvex3_driver::context_error(const location& loc, const std::string& message) {
    error_ = true;
    const quarry::parser::info_netlist record = to_record(loc);
    quarry::parser::bison_context_error(&record, message);
}

void korvex3_driver::context_warning(const location& loc, const std::string& message) {
    const quarry::parser::info_netlist record = to_record(loc);
    quarry::parser::bison_context_warning(&record, message);
}

std::string korvex3_driver::location_to_string(const location& loc) const { return to_record(loc).format_info(); }

quarry::ast::node* korvex3_driver::new_container() const { return new quarry::ast::node(); }

void korvex3_driver::adopt_statements(quarry::ast::node* container) {
    std::unique_ptr<quarry::ast::node> owned(container);
    if (root_) root_->take_children(*owned);
}

quarry::ast::node* korvex3_driver::new_title(std::string* text) const {
    std::unique_ptr<std::string> owned(text);
    return new quarry::ast::node(quarry::ast::nt_title, std::move(*owned));
}

void korvex3_driver::adopt_title(quarry::ast::node* title) {
    std::unique_ptr<quarry::ast::node> owned(title);
    if (root_) root_->add_child(owned.release());
}

}  // namespace quarry_parser_implementation
