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
        if (parser.parse() != 0) {
            error_ = true;
            adopt_salvaged();
        }
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

int korvex3_driver::next_token(text_pool::ptr* text, location* loc) {
    const int kind = scanner_->lex(text, loc);
    // Most tokens open nothing and end on their own line: not looked at.
    using token = korvex3_parser::token;
    if (checks_ && (scanner_->swallowed_newlines != 0 || loc->end.line != loc->begin.line ||
                    kind == token::TOK_LBRACKET || kind == token::TOK_LBRACE || kind == token::TOK_LPAREN))
        watch_brackets(kind, text->get(), *loc);
    return kind;
}

void korvex3_driver::watch_brackets(int kind, const std::string* text, const location& loc) {
    using token = korvex3_parser::token;
    const bool opener = kind == token::TOK_LBRACKET || kind == token::TOK_LBRACE || kind == token::TOK_LPAREN;
    const bool multiline = kind != token::TOK_EOL && kind != 0 && loc.end.line > loc.begin.line && text;
    // Line ends the scanner read as blanks inside the last bracket opened:
    // reported once that bracket's statement ends or another opens.
    if (scanner_->swallowed_newlines > 0 && (opener || multiline || kind == token::TOK_EOL || kind == 0)) {
        const std::uint64_t lines = scanner_->swallowed_newlines;
        scanner_->swallowed_newlines = 0;
        report_unclosed(opener_, opener_char_ ? std::string("'") + opener_char_ + "'" : "a bracket", lines);
    }
    if (opener) {
        opener_ = loc;
        opener_char_ = text && !text->empty() ? (*text)[0] : '\0';
        return;
    }
    if (multiline) {
        // A quoted value that runs over line ends, not continued with '+'.
        std::uint64_t lines = 0;
        for (std::size_t at = text->find('\n'); at != std::string::npos; at = text->find('\n', at + 1)) {
            const std::size_t next = text->find_first_not_of(" \t\r", at + 1);
            if (next == std::string::npos || (*text)[next] != '+') ++lines;
        }
        if (lines > 0) report_unclosed(loc, "the quote", lines);
    }
    if (kind == token::TOK_EOL) opener_char_ = '\0';
}

void korvex3_driver::report_unclosed(const location& at, const std::string& what, std::uint64_t lines) {
    const quarry::parser::info_netlist record = to_record(at);
    quarry::parser::check_report(quarry::parser::severity::warning, &record,
                                 what + " opened here is not closed on its line: the statement takes in the next " +
                                     std::to_string(lines) + (lines == 1 ? " line" : " lines"),
                                 "unclosed-bracket");
}

void korvex3_driver::salvage_title(std::unique_ptr<quarry::ast::node> title) {
    if (keep_partial_) salvaged_title_ = std::move(title);
}

void korvex3_driver::salvage_body(std::unique_ptr<quarry::ast::node> body) {
    if (keep_partial_) salvaged_body_ = std::move(body);
}

void korvex3_driver::adopt_salvaged() {
    // The title first, as a complete parse gives it.
    for (auto* piece : {&salvaged_title_, &salvaged_body_}) {
        std::unique_ptr<quarry::ast::node> n = std::move(*piece);
        if (!n || !root_) continue;
        if (n->get_type() == quarry::ast::nt_block)
            root_->take_children(*n);
        else
            root_->add_child(n.release());
    }
}

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
