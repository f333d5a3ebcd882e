#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <streambuf>
#include <string>

#if !defined(yyFlexLexerOnce)
#undef yyFlexLexer
#define yyFlexLexer korvex3_FlexLexer
#include <FlexLexer.h>
#endif

#include "location/location.hh"
#include "quarry/parser/info.hh"
#include "scanner/text_pool.hh"

namespace quarry_parser_implementation {

/// The table-driven scanner of the netlist dialect. One object serves one parse.
class korvex3_scanner : public korvex3_FlexLexer {
public:
    /// Reads from `in` (standard input when null); `out` gets bytes no rule takes.
    /// `size_hint`, when not 0, is the input's size: the buffer starts there.
    korvex3_scanner(std::istream* in, std::ostream* out, std::size_t size_hint = 0);

    /// The first line is the netlist title.
    void start_with_title();
    /// The first line is already a statement (an included file).
    void start_with_file();
    /// Traces every match on standard error.
    void set_debug(bool on) { korvex3_FlexLexer::set_debug(on ? 1 : 0); }

    /// The next token's code (0 at the end of input), its location, and in
    /// `text` (left null by tokens without one) its text.
    virtual int lex(text_pool::ptr* text, location* yylloc);

    /// The current mode's number, and the name of a mode number.
    int mode() const { return (yy_start - 1) / 2; }
    static const char* mode_name(int mode);
    /// The number of a mode by name, or -1.
    static int mode_number(const std::string& name);
    /// Sets or pushes a mode directly; for tests and tools.
    void set_mode(int mode) { yy_start = 1 + 2 * mode; }
    void push_mode(int mode) { yy_push_state(mode); }
    /// Reads a new input from its beginning with an empty mode stack; the
    /// buffers are kept, which is much cheaper than a new scanner.
    void restart(std::istream* in);
    /// Depth of the mode stack.
    int mode_depth() const { return yy_start_stack_ptr; }
    /// The scan stops with quarry::parser::cancelled once *flag is set;
    /// checked at every read of input. Null: never.
    void set_cancel_flag(const std::atomic<bool>* flag) { cancel_ = flag; }

    /// Where flex's rescan after a NUL byte inside a match resumes: the state
    /// after the last NUL of the match and the last accepting state then.
    struct nul_resume_point {
        const void* owner = nullptr;
        char* text = nullptr;
        char* position = nullptr;
        int state = 0;
        int accepting_state = 0;
        char* accepting_position = nullptr;
    };
    nul_resume_point nul_resume;

    /// Set once an element's pins are read: pins-dependent words are keywords
    /// from then on, net names before. Only the driver writes it.
    bool pins_complete = false;
    /// Line ends read as blanks inside a bracket that is still open, since
    /// the driver last took the count.
    std::uint64_t swallowed_newlines = 0;

protected:
    /// Reads the input. A read error ends the parse with an input_error; a
    /// byte order mark at the start is skipped, and a last line without its
    /// line feed gets one.
    int LexerInput(char* buf, int max_size) override;
    /// Flex's fatal conditions: bad_alloc, or an input_error with the place.
    [[noreturn]] void LexerError(const char* message) override;

private:
    std::string file_name() const;
    /// Where the scan stands, for an input_error.
    std::shared_ptr<const quarry::parser::info> record() const;

    int text_value(text_pool::ptr* yylval, int token) const;
    int lower_value(text_pool::ptr* yylval, int token) const;
    int expression_value(text_pool::ptr* yylval, int token) const;
    /// Whether the matched text is `lower` (given in lower case), ignoring case.
    bool word_is(const char* lower, int length) const;
    /// Length of the match before its first character from `stops`: the
    /// word that a look-ahead matched together with it ends there.
    int head_before(const char* stops) const;
    /// Length of the match up to and including its last `c`.
    int head_through_last(char c) const;
    /// lines(1) on the location for every line feed of the matched text.
    void count_lines(location* yylloc) const;

    // Takes what the default rule copies out when there is no output stream.
    struct discard_buffer : std::streambuf {
        int overflow(int c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    discard_buffer discard_;

    // Token texts come from the parsing thread's free list.
    text_pool::free_list& texts_ = text_pool::local();

    // The location of the token being scanned (the parser's), once lex ran.
    location* where_ = nullptr;
    const std::atomic<bool>* cancel_ = nullptr;
    struct input_state {
        bool started = false;  // the first read is done
        bool ended = false;    // the input is exhausted
        char last = '\n';      // the last byte read
    } reading_;
};

}  // namespace quarry_parser_implementation
