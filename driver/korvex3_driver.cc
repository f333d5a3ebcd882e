#include "driver/korvex3_driver.hh"

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "grammar/korvex3_parser.hh"
#include "grammar/token_check.hh"
#include "nimbus/event.hh"
#include "nimbus/os.hh"
#include "nimbus/output.hh"
#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/parser_base.hh"
#include "quarry/task.hh"
#include "scanner/scanner.hh"

namespace quarry_parser_implementation {

korvex3_driver::korvex3_driver() = default;

korvex3_driver::~korvex3_driver() = default;

bool korvex3_driver::parse_file(const std::string& file) {
    std::ifstream in(file);
    return parse_stream(in, file);
}

bool korvex3_driver::parse_string(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    return parse_stream(in, name);
}

namespace {

/// What is left to read of a seekable stream, or 0.
std::size_t remaining_size(std::istream& in) {
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) return 0;
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.clear();
    in.seekg(here);
    return end == std::istream::pos_type(-1) || end < here ? 0 : static_cast<std::size_t>(end - here);
}

}  // namespace

std::unique_ptr<korvex3_scanner> korvex3_driver::make_scanner(std::istream& in, const std::string& name) {
    file_name_ = name;
    auto scanner = std::make_unique<korvex3_scanner>(&in, nullptr, remaining_size(in));
    if (include_)
        scanner->start_with_file();
    else
        scanner->start_with_title();
    scanner->set_debug(nimbus::os::getenv_bool("QUARRY_TRACE_LEXER"));
    if (quarry_parser_ && quarry_parser_->get_task()) scanner->set_cancel_flag(quarry_parser_->get_task()->cancel_flag());
    return scanner;
}

bool korvex3_driver::parse_stream(std::istream& in, const std::string& name) {
    const auto scanner = make_scanner(in, name);
    scanner_ = scanner.get();
    struct release {
        korvex3_scanner*& s;
        ~release() { s = nullptr; }
    } forget{scanner_};

    korvex3_parser parser(*this);
    parser.set_debug_level(nimbus::os::getenv_bool("QUARRY_TRACE_PARSER") ? 1 : 0);
    if (quarry_parser_) quarry_parser_->set_parsing_file(name);
    try {
        if (parser.parse() != 0) error_ = true;
    } catch (const grammar_value::wrong_kind& e) {
        // A grammar action took a symbol it does not hold: name the rule.
        throw std::logic_error(std::string(e.what()) + " in a rule of " + (rule_ ? rule_ : "?") + " (grammar line " +
                               std::to_string(rule_line_) + ")");
    }
    return !error_;
}

namespace {

// Calls each(kind, text, loc) for every token of the scanner.
template <typename Each>
void for_each_token(korvex3_scanner& scanner, location& loc, Each each) {
    for (;;) {
        text_pool::ptr text;
        const int kind = scanner.lex(&text, &loc);
        if (kind == 0) break;
        each(kind, text.get(), loc);
    }
}

}  // namespace

void korvex3_driver::dump_tokens(std::istream& in, const std::string& name, std::ostream& out) {
    const auto scanner = make_scanner(in, name);
    location loc(&file_name_);
    for_each_token(*scanner, loc, [&](int kind, const std::string* text, const location& at) {
        out << format_token(kind, text, at) << '\n';
    });
}

void korvex3_driver::visit_tokens(std::istream& in, const std::string& name,
                                  const std::function<void(const quarry::parser::token_view&)>& each) {
    const auto scanner = make_scanner(in, name);
    location loc(&file_name_);
    for_each_token(*scanner, loc, [&](int kind, const std::string* text, const location& at) {
        const quarry::parser::info_netlist record = to_record(at);
        quarry::parser::token_view token;
        token.kind = korvex3_parser::symbol_name(static_cast<korvex3_parser::symbol_kind_type>(kind));
        token.value = text;
        token.where = &record;
        each(token);
    });
}

std::string korvex3_driver::format_token(int kind, const std::string* value, const location& loc) {
    const quarry::parser::info_netlist r = to_record(loc);
    std::ostringstream out;
    out << '[' << r.get_first_line() << ':' << r.get_first_column() << '-' << r.get_last_line() << ':'
        << r.get_last_column() << "] "
        << korvex3_parser::symbol_name(static_cast<korvex3_parser::symbol_kind_type>(kind));
    if (value) out << " \"" << nimbus::output::c_escape(*value) << '"';
    return out.str();
}

int korvex3_driver::next_token(text_pool::ptr* text, location* loc) { return scanner_->lex(text, loc); }

void korvex3_driver::set_pins_complete() {
    if (scanner_) scanner_->pins_complete = true;
}

void korvex3_driver::clear_pins_complete() {
    if (scanner_) scanner_->pins_complete = false;
}

void korvex3_driver::error(const location& loc, const std::string& message) {
    error_ = true;
    const quarry::parser::info_netlist record = to_record(loc);
    quarry::parser::bison_error(&record, message);
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

void korvex3_driver::warning_packet(const location& loc, const char* id, const char* parameter, const char* element,
                                    end_column end) {
    auto packet = nimbus::output::named_packet(id, parameter, element, to_record(loc, end).format_info());
    nimbus::event::nsTransmitter().fire("quarry/parser/warn", &packet);
}

void korvex3_driver::info_packet(const char* id, const std::string& argument) {
    auto packet = nimbus::output::named_packet(id, argument);
    nimbus::event::nsTransmitter().fire("quarry/parser/info", &packet);
}

std::string korvex3_driver::location_to_string(const location& loc) const { return to_record(loc).format_info(); }


}  // namespace quarry_parser_implementation
