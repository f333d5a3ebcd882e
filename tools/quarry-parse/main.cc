// quarry-parse: a command-line host. Loads the language plug-in the way the
// framework would, parses each FILE and prints the tree and the reports.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <mutex>
#include <condition_variable>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <boost/program_options.hpp>
#include <boost/signals2/connection.hpp>

#include "checks.hh"
#include "diagnostic_printer.hh"
#include "fd_output.hh"
#include "json_printer.hh"
#include "make_rule.hh"
#include "nimbus/output.hh"
#include "parse_run.hh"
#include "plugin_loader.hh"
#include "quarry/language/language.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/task.hh"
#include "registry_printer.hh"
#include "tree_printer.hh"

#ifndef QUARRY_PARSE_VERSION
#define QUARRY_PARSE_VERSION "unknown"
#endif

namespace {

namespace po = boost::program_options;

constexpr const char* program_name = "quarry-parse";
constexpr const char* stdin_name = "<stdin>";

enum exit_status : int { status_ok = 0, status_failed = 1, status_fatal = 2 };

enum class output_format { tree, json, none };

struct options {
    output_format format = output_format::tree;
    bool tokens = false;
    bool as_include = false;
    bool list_languages = false;
    bool quiet = false;
    /// --color: auto (a terminal on standard error, NO_COLOR unset), always, never.
    std::string color = "auto";
    /// -Werror: a warning fails the parse like an error.
    bool warnings_as_errors = false;
    /// -w: no warnings.
    bool no_warnings = false;
    /// --check: the checks beyond syntax, but those turned off by -Wno-NAME.
    bool checks = false;
    std::set<std::string> disabled_checks;
    /// --keep-partial: a parse that fails keeps its complete statements.
    bool keep_partial = false;
    /// -j: inputs parsed at once (their outputs still in argument order).
    unsigned jobs = 0;
    /// -fmessage-length: display columns of a quoted source line (0: no
    /// limit); by default the terminal's width, else default_line_width.
    std::optional<std::size_t> line_width;
    std::vector<std::string> include_dirs;
    std::vector<std::string> include_roots;
    bool no_env = false;
    std::size_t max_includes = quarry::task::default_max_includes;
    std::optional<std::string> describe;
    std::optional<std::string> plugin;
    std::optional<std::string> language;
    std::vector<std::string> files;
    /// -M: the Makefile rule of the files read instead of the output.
    bool dependencies_only = false;
    /// -MD, -MMD: the rule as well as the output, by default into a file
    /// named after each input (there are no system files to leave out).
    bool dependencies_too = false;
    /// -MP: an empty rule for each included file.
    bool phony_rules = false;
    /// -MT (as written) and -MQ (escaped for make), in order: the rule's
    /// targets (default: the input).
    std::vector<std::string> dependency_targets;
    /// -MF: where the rules go ("-": standard output).
    std::optional<std::string> dependency_file;
    bool dependencies() const { return dependencies_only || dependencies_too || dependency_file.has_value(); }
};

void cli_error(const std::string& message) { std::cerr << program_name << ": error: " << message << '\n'; }

int usage_error(const std::string& message) {
    cli_error(message);
    std::cerr << "Try '" << program_name << " --help'.\n";
    return status_fatal;
}

std::optional<std::string> optional_value(const po::variables_map& vm, const char* name) {
    if (!vm.count(name)) return std::nullopt;
    return vm[name].as<std::string>();
}

// The command line with the compiler-style options spelt for the option
// parser, whose short options are one letter: -M, -MD, -MMD, -MP, -MF,
// -W..., -w and -fmessage-length=N as long options (--M, ..., --W=...).
// -MT and -MQ ("-MTtarget" too) are taken out here, in order, as the
// rule's targets: -MQ escaped for make, -MT as written.
struct spelt_command_line {
    std::vector<std::string> args;
    std::vector<std::string> targets;
    /// A -MT or -MQ without its argument, or a -MQ target make cannot read.
    std::string error;
};

spelt_command_line spell_compiler_options(int argc, char** argv) {
    spelt_command_line spelt;
    std::vector<std::string>& args = spelt.args;
    bool options_end = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!options_end && a == "--") options_end = true;
        if (!options_end && (a.rfind("-MT", 0) == 0 || a.rfind("-MQ", 0) == 0)) {
            std::string target = a.substr(3);
            if (a.size() == 3) {
                if (i + 1 == argc) {
                    spelt.error = "the option '" + a + "' requires an argument";
                    continue;
                }
                target = argv[++i];
            }
            try {
                spelt.targets.push_back(a[2] == 'T' ? target
                                                    : quarry_parse::make_escape(target, quarry_parse::make_word::target));
            } catch (const quarry_parse::make_rule_error& e) {
                spelt.error = e.what();
            }
            continue;
        }
        if (!options_end && (a == "-M" || a == "-MD" || a == "-MMD" || a == "-MP")) {
            a = "-" + a;
        } else if (!options_end && a.rfind("-MF", 0) == 0) {
            a = a.size() == 3 ? "-" + a : "-" + a.substr(0, 3) + "=" + a.substr(3);
        } else if (!options_end && a.rfind("-fmessage-length=", 0) == 0) {
            a = "-" + a;
        } else if (!options_end && a == "-w") {
            a = "--w";
        } else if (!options_end && a.size() > 2 && a.rfind("-W", 0) == 0) {
            a = "--W=" + a.substr(2);
        }
        args.push_back(std::move(a));
    }
    return spelt;
}

// The options, or the exit status when the command line is all there is to do.
std::variant<options, int> parse_command_line(int argc, char** argv) {
    options o;
    std::string format;
    po::options_description visible("Options");
    visible.add_options()
        ("format", po::value(&format)->value_name("tree|json|none")->default_value("tree"),
         "output: indented tree, one JSON document per file, or nothing")
        ("tokens", po::bool_switch(&o.tokens), "print the scanner's token stream instead of parsing")
        ("as-include", po::bool_switch(&o.as_include), "parse as an included file (no title line)")
        ("include-dir,I", po::value(&o.include_dirs)->value_name("DIR"), "search DIR for include files (repeatable)")
        ("include-root", po::value(&o.include_roots)->value_name("DIR"),
         "refuse included files outside DIR, links resolved (repeatable)")
        ("no-env", po::bool_switch(&o.no_env), "leave $NAME in include paths as written")
        ("max-includes", po::value(&o.max_includes)->value_name("N"),
         "read at most N included files in one parse (default 10000)")
        ("language", po::value<std::string>()->value_name("KEY"), "parse every FILE in language KEY")
        ("languages", po::bool_switch(&o.list_languages),
         "print the registered languages, the extension map and the default language")
        ("describe", po::value<std::string>()->value_name("KEY"), "print the description of language KEY")
        ("plugin", po::value<std::string>()->value_name("PATH"),
         "load the plug-in module from PATH (default: $QUARRY_PLUGIN, else the module in ../lib)")
        ("check", po::bool_switch(&o.checks),
         "check beyond syntax: undefined subcircuits and models, definitions made twice or never used, pin "
         "counts, brackets left open at a line end (-Wno-NAME turns one off)")
        ("keep-partial", po::bool_switch(&o.keep_partial),
         "when a parse fails, keep the statements complete before the failure")
        ("jobs,j", po::value(&o.jobs)->value_name("N"),
         "parse N inputs at once, or one input's included files on N threads (default: the number of "
         "cores); the output is that of -j 1")
        ("quiet,q", po::bool_switch(&o.quiet), "print no diagnostics")
        ("color", po::value(&o.color)->value_name("WHEN"),
         "colour diagnostics: auto (a terminal, NO_COLOR unset), always, never")
        ("help,h", "print this help")
        ("version", "print the version");
    po::options_description hidden;
    hidden.add_options()
        ("file", po::value(&o.files))
        ("M", po::bool_switch(&o.dependencies_only))
        ("MD", po::bool_switch(&o.dependencies_too))
        ("MMD", po::bool_switch())
        ("MP", po::bool_switch(&o.phony_rules))
        ("W", po::value<std::vector<std::string>>())
        ("w", po::bool_switch(&o.no_warnings))
        ("fmessage-length", po::value<std::size_t>())
        ("MF", po::value<std::string>());
    po::options_description all;
    all.add(visible).add(hidden);
    po::positional_options_description positional;
    positional.add("file", -1);

    po::variables_map vm;
    spelt_command_line spelt = spell_compiler_options(argc, argv);
    if (!spelt.error.empty()) return usage_error(spelt.error);
    o.dependency_targets = std::move(spelt.targets);
    try {
        // No prefix guessing: --language must never be taken for --languages.
        const int style = po::command_line_style::default_style & ~po::command_line_style::allow_guessing;
        po::store(po::command_line_parser(spelt.args)
                      .options(all)
                      .positional(positional)
                      .style(style)
                      .run(),
                  vm);
        po::notify(vm);
    } catch (const po::error& e) {
        return usage_error(e.what());
    }

    if (vm.count("help")) {
        std::cout << "Usage: " << program_name << " [OPTIONS] FILE...\n"
                  << "Parses each netlist FILE ('-' reads standard input) with the language plug-in\n"
                  << "and prints its syntax tree; diagnostics go to standard error.\n\n"
                  << visible
                  << "  -M                     print the Makefile rule 'FILE: INCLUDED...' instead of\n"
                     "                         the output: the files the parse read\n"
                     "  -MD, -MMD              write the rule as well as the output, to -MF OUT or\n"
                     "                         else to the input's name with .d in this folder\n"
                     "  -MP                    add an empty rule 'INCLUDED:' for each included file\n"
                     "  -MT TARGET             the rule is 'TARGET: FILE INCLUDED...' (repeatable;\n"
                     "                         TARGET as written)\n"
                     "  -MQ TARGET             as -MT, with TARGET escaped for make\n"
                     "  -MF OUT                write the rules to OUT ('-': standard output); without\n"
                     "                         -M the output goes on\n"
                     "  -Werror                a warning fails the parse (exit status 1)\n"
                     "  -w                     print no warnings\n"
                     "  -Wno-NAME              with --check, leave out the check NAME: undefined-subckt,\n"
                     "                         undefined-model, duplicate-definition, pin-count,\n"
                     "                         unused-definition, unclosed-bracket\n"
                     "  -fmessage-length=N     quote at most N columns of a source line, around the\n"
                     "                         caret (0: whole lines; default: the terminal's width,\n"
                     "                         else 4096)\n\n"
                  << "Exit status: 0 when every parse succeeded, 1 when a parse failed, 2 for a usage\n"
                  << "error, an unreadable file, a plug-in that cannot be loaded, a write error, a\n"
                  << "file name no make rule can hold, or an exception.\n";
        return status_ok;
    }
    if (vm.count("version")) {
        std::cout << program_name << ' ' << QUARRY_PARSE_VERSION << '\n';
        return status_ok;
    }
    if (format == "tree") {
        o.format = output_format::tree;
    } else if (format == "json") {
        o.format = output_format::json;
    } else if (format == "none") {
        o.format = output_format::none;
    } else {
        return usage_error("unknown format '" + format + "' (tree, json or none)");
    }
    if (o.color != "auto" && o.color != "always" && o.color != "never")
        return usage_error("unknown --color '" + o.color + "' (auto, always or never)");
    if (vm.count("W")) {
        for (const std::string& w : vm["W"].as<std::vector<std::string>>()) {
            if (w == "error") {
                o.warnings_as_errors = true;
            } else if (w.rfind("no-", 0) == 0 && quarry_parse::is_check_flag(w.substr(3))) {
                o.disabled_checks.insert(w.substr(3));
            } else if (quarry_parse::is_check_flag(w)) {
                o.disabled_checks.erase(w);
            } else {
                return usage_error("unknown warning option '-W" + w + "'");
            }
        }
    }
    if (vm.count("fmessage-length")) o.line_width = vm["fmessage-length"].as<std::size_t>();
    o.language = optional_value(vm, "language");
    o.describe = optional_value(vm, "describe");
    o.plugin = optional_value(vm, "plugin");
    o.dependency_file = optional_value(vm, "MF");
    if (vm["MMD"].as<bool>()) o.dependencies_too = true;
    if (!o.dependency_targets.empty() && !o.dependencies()) return usage_error("-MT and -MQ need -M, -MD or -MF");
    if (o.phony_rules && !o.dependencies()) return usage_error("-MP needs -M, -MD or -MF");
    if (o.dependencies_too && !o.dependency_file && std::count(o.files.begin(), o.files.end(), "-"))
        return usage_error("-MD needs -MF to name the rule file of standard input");
    if (o.tokens && o.dependencies()) return usage_error("--tokens lists no files read: -M and -MF cannot go with it");
    if (o.files.empty() && !o.list_languages && !o.describe) return usage_error("no input files");
    return o;
}

std::string plugin_path(const options& o) { return o.plugin ? *o.plugin : quarry_parse::plugin_beside_program(); }

// All of standard input; false with errno set when a read failed.
bool read_stdin(std::string& text) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

// "write error: REASON" for standard output, "write error: FILE: REASON" for a file.
void write_error(int error, const std::string& file = "") {
    std::cerr << program_name << ": write error: " << (file.empty() ? "" : file + ": ") << std::strerror(error) << '\n';
}

// -j, or the number of cores.
unsigned jobs_for(const options& o) { return o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency()); }

class session {
public:
    /// `rules`: where every rule goes, or null for a file of each input's own.
    session(const options& o, std::ostream* rules, bool color, std::size_t line_width)
        : options_(o), several_(o.files.size() > 1), rules_(rules) {
        printer_.set_line_width(line_width);
        printer_.set_color(color);
        printer_.set_warnings_as_errors(o.warnings_as_errors);
    }

    /// Where the next runs write: their output, their reports and errors,
    /// and their rules (null: a file of each input's own).
    void bind(std::ostream& out, std::ostream& err, std::ostream* rules) {
        out_ = &out;
        err_ = &err;
        rules_ = rules;
    }

    std::size_t warnings() const { return warnings_; }
    std::size_t errors() const { return errors_; }

    // One input from the readability check to the printed result.
    int run(const std::string& input) {
        const bool from_stdin = input == "-";
        printer_.start_input();
        quarry_parse::parse_request request;
        request.name = from_stdin ? stdin_name : input;
        request.include_dirs = options_.include_dirs;
        request.include_roots = options_.include_roots;
        request.expand_env = !options_.no_env;
        request.max_includes = options_.max_includes;
        request.as_include = options_.as_include;
        request.checks = options_.checks;
        request.disabled_checks = options_.disabled_checks;
        request.keep_partial = options_.keep_partial;
        // Several inputs share the cores already, but an input that includes
        // much can be the last one left: its includes go to the idle cores.
        request.jobs = jobs_for(options_);
        request.language = quarry_parse::language_of(input, from_stdin, options_.language.value_or(""));
        // Once standard output failed, nothing more is formatted for it.
        const bool output = !options_.dependencies_only && out_->good();
        json_ = output && options_.format == output_format::json;
        std::string text;
        if (from_stdin) {
            if (!read_stdin(text)) {
                const int error = errno;
                return cannot_use(request, std::string("cannot read ") + stdin_name + ": " + std::strerror(error));
            }
            printer_.add_source(request.name, text);
            request.text = &text;
        } else if (const int why = quarry_parse::unreadable(input); why != 0) {
            return cannot_use(request, "cannot open " + input + ": " + quarry_parse::unreadable_reason(why));
        }
        std::string why;
        const auto parser = quarry_parse::make_parser(request.language, why);
        if (!parser) return cannot_use(request, request.name + ": " + why);

        if (output && several_ && !json_ && (options_.tokens || options_.format == output_format::tree))
            *out_ << "== " << request.name << '\n';
        std::string tokens;
        quarry_parse::parse_result result;
        if (options_.tokens && json_) {
            tokens = "[";
            result = quarry_parse::visit_tokens(*parser, request, [&](const quarry::parser::token_view& t) {
                if (tokens.size() > 1) tokens += ',';
                tokens += quarry_parse::dump(quarry_parse::token_json(t));
            });
            tokens += ']';
        } else if (options_.tokens) {
            result = quarry_parse::list_tokens(*parser, request, output ? *out_ : discard_);
        } else {
            result = quarry_parse::run_parse(*parser, request);
        }
        // -w drops warnings; -Werror makes them fail the parse.
        std::vector<quarry::parser::diagnostic> shown;
        bool warned = false;
        for (const auto& d : result.reports.entries()) {
            if (d.level != quarry::parser::severity::warning) {
                shown.push_back(d);
            } else if (!options_.no_warnings) {
                shown.push_back(d);
                warned = true;
            }
        }
        // What ended the parse, when it is no report yet.
        if (result.failure && !quarry_parse::failure_in_reports(result.failure)) {
            quarry::parser::diagnostic d;
            d.message = quarry_parse::failure_text(result.failure);
            shown.push_back(std::move(d));
        }
        const bool ok = result.ok && !(options_.warnings_as_errors && warned);
        int status = result.failure ? status_fatal : ok ? status_ok : status_failed;
        if (output && !options_.tokens && !result.failure && options_.format == output_format::tree)
            quarry_parse::print_tree(*result.root, *out_);
        if (json_) write_json(request, ok, shown, tokens, result.failure ? nullptr : result.root.get());
        // The rule lists what was read, even when a read error ended the parse.
        if (options_.dependencies() && !write_rule(input, result.files)) status = status_fatal;
        out_->flush();
        if (!options_.quiet) {
            // One write for all reports: standard error is unbuffered, and a
            // million reports written piecemeal take half a minute.
            std::ostringstream reports;
            for (const auto& d : shown) {
                printer_.print(d, request.name, reports);
                count(d.level);
            }
            const std::string report_text = reports.str();
            err_->write(report_text.data(), static_cast<std::streamsize>(report_text.size()));
        }
        return status;
    }

private:
    void count(quarry::parser::severity level) {
        if (level == quarry::parser::severity::error) ++errors_;
        if (level == quarry::parser::severity::warning) ++(options_.warnings_as_errors ? errors_ : warnings_);
    }

    // The input's JSON document on a line: its tokens with --tokens, else
    // its tree (null without a root).
    void write_json(const quarry_parse::parse_request& request, bool ok,
                    const std::vector<quarry::parser::diagnostic>& shown, const std::string& tokens,
                    const quarry::ast::node* root) {
        if (options_.tokens)
            quarry_parse::write_token_document(*out_, request.name, request.language, ok, shown, tokens);
        else
            quarry_parse::write_document(*out_, request.name, request.language, ok, shown, root);
        *out_ << '\n';
    }

    // An input that cannot be parsed at all: the message, and with
    // --format json still its document, so that there is one per input.
    int cannot_use(const quarry_parse::parse_request& request, const std::string& message) {
        error(message);
        if (json_) {
            quarry::parser::diagnostic d;
            d.message = message;
            write_json(request, false, {d}, "[]", nullptr);
        }
        return status_fatal;
    }

    // Writes "FILE: INCLUDED..." or, with -MT or -MQ, "TARGET...: FILE
    // INCLUDED..." (standard input is no prerequisite: there is no file),
    // with -MP an empty rule for each included file. False, with nothing
    // written, when a name cannot be written so that make reads it back, or
    // the input's own rule file cannot be written.
    bool write_rule(const std::string& input, const std::vector<std::string>& files_read) const {
        // The files read are the input (unless it is standard input), then the included ones.
        const std::vector<std::string> included(files_read.begin() + (input != "-" && !files_read.empty()),
                                                files_read.end());
        std::vector<std::string> targets = options_.dependency_targets;
        std::string rule;
        try {
            if (targets.empty()) targets.push_back(quarry_parse::make_escape(input, quarry_parse::make_word::target));
            rule = quarry_parse::make_rule(targets, options_.dependency_targets.empty() ? included : files_read,
                                           options_.phony_rules ? included : std::vector<std::string>());
        } catch (const quarry_parse::make_rule_error& e) {
            error(e.what());
            return false;
        }
        if (rules_) {
            *rules_ << rule;
            return true;
        }
        return write_rule_file(rule_file_of(input), rule);
    }

    // -MD without -MF: the input's name without folder and extension, and .d.
    static std::string rule_file_of(const std::string& input) {
        return std::filesystem::path(input).filename().replace_extension(".d").string();
    }

    bool write_rule_file(const std::string& name, const std::string& rule) const {
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int why = errno;
            error("cannot write " + name + ": " + std::strerror(why));
            return false;
        }
        quarry_parse::fd_output buffer(fd);
        std::ostream out(&buffer);
        out << rule;
        out.flush();
        if (!buffer.close()) {
            *err_ << program_name << ": write error: " << name << ": " << std::strerror(buffer.error()) << '\n';
            return false;
        }
        return true;
    }

    void error(const std::string& message) const { *err_ << program_name << ": error: " << message << '\n'; }

    const options& options_;
    const bool several_;
    std::ostream* out_ = &std::cout;
    std::ostream* err_ = &std::cerr;
    std::ostream* rules_;
    bool json_ = false;
    std::ostream discard_{nullptr};
    quarry_parse::diagnostic_printer printer_;
    std::size_t warnings_ = 0;
    std::size_t errors_ = 0;
};

// Colour on a terminal only, and never where NO_COLOR is set or TERM is dumb.
bool use_color(const std::string& when) {
    if (when != "auto") return when == "always";
    const char* no_color = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return ::isatty(2) && !(no_color && *no_color) && !(term && std::string(term) == "dumb");
}

// Parses the inputs on `jobs` threads, each with a session of its own, and
// writes each input's output, reports and rule in argument order as soon as
// it and those before it are done: the bytes of a run of -j 1.
template <typename MakeSession>
int run_in_parallel(const options& o, std::size_t jobs, std::ostream* rules, MakeSession make_session,
                    std::size_t& warnings, std::size_t& errors) {
    struct outcome {
        std::ostringstream out, err, rules;
        int status = status_ok;
        bool done = false;
    };
    std::vector<outcome> outcomes(o.files.size());
    std::mutex lock;
    std::condition_variable finished;
    std::atomic<std::size_t> next{0};
    std::vector<std::unique_ptr<session>> sessions;
    for (std::size_t j = 0; j < jobs; ++j) sessions.push_back(make_session());
    std::vector<std::thread> workers;
    for (std::size_t j = 0; j < jobs; ++j) {
        workers.emplace_back([&, j] {
            session& s = *sessions[j];
            for (std::size_t i = next++; i < outcomes.size(); i = next++) {
                outcome& r = outcomes[i];
                s.bind(r.out, r.err, rules ? &r.rules : nullptr);
                // What the parse itself writes to standard output goes with the rest.
                const nimbus::output::scoped_standard_output capture(r.out);
                try {
                    r.status = s.run(o.files[i]);
                } catch (const std::exception& e) {
                    r.err << program_name << ": error: " << e.what() << '\n';
                    r.status = status_fatal;
                }
                std::lock_guard<std::mutex> guard(lock);
                r.done = true;
                finished.notify_all();
            }
        });
    }
    int status = status_ok;
    for (outcome& r : outcomes) {
        {
            std::unique_lock<std::mutex> guard(lock);
            finished.wait(guard, [&] { return r.done; });
        }
        const std::string out = r.out.str(), err = r.err.str();
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
        std::cout.flush();
        std::cerr.write(err.data(), static_cast<std::streamsize>(err.size()));
        if (rules) *rules << r.rules.str();
        status = std::max(status, r.status);
        // Done with: the next outputs need the room.
        r.out.str(std::string());
    }
    for (std::thread& t : workers) t.join();
    for (const auto& s : sessions) warnings += s->warnings(), errors += s->errors();
    return status;
}

// A 1 MB line quoted whole under each report is of no use to anyone.
constexpr std::size_t default_line_width = 4096;

// Columns of the terminal on standard error, or default_line_width when it
// is none or gives no width.
std::size_t line_width(const options& o) {
    if (o.line_width) return *o.line_width;
    struct winsize size {};
    if (::isatty(2) && ::ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return default_line_width;
}

int run(const options& o) {
    if (const std::string failed = quarry_parse::load_plugin(plugin_path(o)); !failed.empty()) {
        cli_error(failed);
        return status_fatal;
    }

    auto& parsers = quarry::parser::framework::instance();
    const auto& languages = quarry::language::framework::instance();
    if (o.language && parsers.get_factory_map().count(*o.language) == 0) {
        cli_error("unknown language '" + *o.language + "'");
        return status_fatal;
    }
    if (o.list_languages) quarry_parse::print_languages(parsers, languages, std::cout);
    if (o.describe) {
        if (!languages.has_language(*o.describe)) {
            cli_error("no description of language '" + *o.describe + "'");
            return status_fatal;
        }
        quarry_parse::print_description(*o.describe, languages.get_language(*o.describe), std::cout);
    }

    std::unique_ptr<quarry_parse::fd_output> rule_buffer;
    if (o.dependency_file && *o.dependency_file != "-") {
        const int fd = ::open(o.dependency_file->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            cli_error("cannot write " + *o.dependency_file + ": " + std::strerror(error));
            return status_fatal;
        }
        rule_buffer = std::make_unique<quarry_parse::fd_output>(fd);
    }
    std::ostream rule_file(rule_buffer.get());
    const quarry_parse::packet_listeners listeners;
    // Rules go to the -MF file, to standard output (-M, -MF -), or with -MD
    // alone to a file of each input's own.
    std::ostream* rules = rule_buffer ? &rule_file : o.dependency_file || o.dependencies_only ? &std::cout : nullptr;
    const bool color = use_color(o.color);
    const std::size_t width = line_width(o);
    const std::size_t jobs = std::min<std::size_t>(jobs_for(o), o.files.size());
    std::size_t warnings = 0, errors = 0;
    int status = status_ok;
    if (jobs <= 1) {
        // One at a time, written as it goes: a tree of gigabytes is never held.
        session inputs(o, rules, color, width);
        for (const auto& file : o.files) status = std::max(status, inputs.run(file));
        warnings = inputs.warnings(), errors = inputs.errors();
    } else {
        status = run_in_parallel(o, jobs, rules, [&] { return std::make_unique<session>(o, rules, color, width); },
                                 warnings, errors);
    }
    // After the last report, as clang ends its own.
    if (const std::string summary = quarry_parse::summary_line(warnings, errors); !summary.empty() && !o.quiet)
        std::cerr << summary << '\n';
    if (rule_buffer && !rule_buffer->close()) {
        write_error(rule_buffer->error(), *o.dependency_file);
        return status_fatal;
    }
    return status;
}

// Descriptors 0 to 2 found closed get /dev/null, opened so that their use
// still fails (a read from 0, a write to 1 or 2): otherwise the next file
// opened, the -MF file, would take the place of standard output.
bool occupy_closed_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open takes the lowest free descriptor: this one.
        const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (opened != fd) {
            if (opened >= 0) ::close(opened);
            return false;
        }
    }
    return true;
}

// std::cout through a buffer that keeps the errno of its first failed write,
// checked at exit as coreutils' close_stdout does.
class checked_stdout {
public:
    checked_stdout() : previous_(std::cout.rdbuf(&buffer_)) {}
    ~checked_stdout() { std::cout.rdbuf(previous_); }
    checked_stdout(const checked_stdout&) = delete;
    checked_stdout& operator=(const checked_stdout&) = delete;

    /// Flushes and closes standard output; the errno of its first failure, or 0.
    int close() {
        std::cout.flush();
        buffer_.close();
        return buffer_.error();
    }

private:
    quarry_parse::fd_output buffer_{STDOUT_FILENO};
    std::streambuf* previous_;
};

int run_command_line(int argc, char** argv) {
    try {
        auto parsed = parse_command_line(argc, argv);
        if (const int* done = std::get_if<int>(&parsed)) return *done;
        return run(std::get<options>(parsed));
    } catch (const std::exception& e) {
        cli_error(e.what());
    } catch (...) {
        cli_error("unknown exception");
    }
    return status_fatal;
}

}  // namespace

int main(int argc, char** argv) {
    if (!occupy_closed_standard_descriptors()) {
        const int error = errno;
        cli_error(std::string("cannot open /dev/null: ") + std::strerror(error));
        return status_fatal;
    }
    std::ios::sync_with_stdio(false);
    checked_stdout out;
    int status = run_command_line(argc, argv);
    if (const int error = out.close(); error != 0) {
        write_error(error);
        status = status_fatal;
    }
    return status;
}
