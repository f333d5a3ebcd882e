// quarry-parse: a command-line host. Loads the language plug-in the way the
// framework would, parses each FILE and prints the tree and the reports.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <boost/program_options.hpp>
#include <boost/signals2/connection.hpp>

#include "diagnostic_printer.hh"
#include "json_printer.hh"
#include "nimbus/event.hh"
#include "nimbus/output.hh"
#include "quarry/ast/node.hh"
#include "quarry/host.hh"
#include "quarry/language/language.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/parser_base.hh"
#include "quarry/task.hh"
#include "registry_printer.hh"
#include "tree_printer.hh"

#ifndef QUARRY_PARSE_VERSION
#define QUARRY_PARSE_VERSION "unknown"
#endif

namespace {

namespace po = boost::program_options;

constexpr const char* program_name = "quarry-parse";
constexpr const char* entry_point = "nimbus_plugin_init_quarry_parser_korvex3";
constexpr const char* module_file = "quarry_parser_korvex3.so";
constexpr const char* stdin_name = "<stdin>";

enum exit_status : int { status_ok = 0, status_failed = 1, status_fatal = 2 };

enum class output_format { tree, json, none };

struct options {
    output_format format = output_format::tree;
    bool tokens = false;
    bool as_include = false;
    bool list_languages = false;
    bool quiet = false;
    std::vector<std::string> include_dirs;
    std::optional<std::string> describe;
    std::optional<std::string> plugin;
    std::optional<std::string> language;
    std::vector<std::string> files;
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
        ("language", po::value<std::string>()->value_name("KEY"), "parse every FILE in language KEY")
        ("languages", po::bool_switch(&o.list_languages),
         "print the registered languages, the extension map and the default language")
        ("describe", po::value<std::string>()->value_name("KEY"), "print the description of language KEY")
        ("plugin", po::value<std::string>()->value_name("PATH"),
         "load the plug-in module from PATH (default: $QUARRY_PLUGIN, else the module in ../lib)")
        ("quiet,q", po::bool_switch(&o.quiet), "print no diagnostics")
        ("help,h", "print this help")
        ("version", "print the version");
    po::options_description hidden;
    hidden.add_options()("file", po::value(&o.files));
    po::options_description all;
    all.add(visible).add(hidden);
    po::positional_options_description positional;
    positional.add("file", -1);

    po::variables_map vm;
    try {
        // No prefix guessing: --language must never be taken for --languages.
        const int style = po::command_line_style::default_style & ~po::command_line_style::allow_guessing;
        po::store(po::command_line_parser(argc, argv).options(all).positional(positional).style(style).run(), vm);
        po::notify(vm);
    } catch (const po::error& e) {
        return usage_error(e.what());
    }

    if (vm.count("help")) {
        std::cout << "Usage: " << program_name << " [OPTIONS] FILE...\n"
                  << "Parses each netlist FILE ('-' reads standard input) with the language plug-in\n"
                  << "and prints its syntax tree; diagnostics go to standard error.\n\n"
                  << visible << '\n'
                  << "Exit status: 0 when every parse succeeded, 1 when a parse failed, 2 for a usage\n"
                  << "error, an unreadable file, a plug-in that cannot be loaded or an exception.\n";
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
    o.language = optional_value(vm, "language");
    o.describe = optional_value(vm, "describe");
    o.plugin = optional_value(vm, "plugin");
    if (o.files.empty() && !o.list_languages && !o.describe) return usage_error("no input files");
    return o;
}

std::string plugin_path(const options& o) {
    if (o.plugin) return *o.plugin;
    if (const char* env = std::getenv("QUARRY_PLUGIN"); env != nullptr && *env != '\0') return env;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (exe.parent_path() / ".." / "lib" / module_file).lexically_normal().string();
}

bool load_plugin(std::string path) {
    // dlopen searches the library path for a bare name; the user means a file.
    if (path.find('/') == std::string::npos) path = "./" + path;
    // Never closed: the registries hold the module's factories until exit.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        cli_error("cannot load plug-in " + path + ": " + (reason ? reason : "unknown reason"));
        return false;
    }
    void* symbol = dlsym(handle, entry_point);
    if (symbol == nullptr) {
        cli_error("plug-in " + path + " has no entry point " + entry_point);
        return false;
    }
    const auto init = reinterpret_cast<bool (*)()>(symbol);
    try {
        if (init()) return true;
        cli_error("plug-in " + path + ": " + entry_point + " failed");
    } catch (const std::exception& e) {
        cli_error("plug-in " + path + ": " + entry_point + " failed: " + e.what());
    } catch (...) {
        cli_error("plug-in " + path + ": " + entry_point + " failed with an unknown exception");
    }
    return false;
}

// A regular file that can be opened. Anything else (a directory, a FIFO, a
// device such as /dev/zero) is refused before it is opened: reading it could
// block or never end.
bool readable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::string read_all(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string directory_of(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

// Packets on the parser channels become reports of the parse running now.
auto packet_listener(quarry::parser::severity level) {
    return [level](const std::string&, nimbus::output::packet* p) {
        quarry::parser::diagnostics_sink* sink = quarry::parser::get_diagnostics_sink();
        if (sink == nullptr || p == nullptr) return;
        quarry::parser::diagnostic d;
        d.level = level;
        d.message = p->text();
        d.id = p->get_format_name();
        sink->add(std::move(d));
    };
}

// What became of one parse: its result, or the text of what stopped it.
struct outcome {
    bool ok = false;
    std::optional<std::string> failure;
};

class session {
public:
    explicit session(const options& o) : options_(o), several_(o.files.size() > 1) {}

    // One input from the readability check to the printed result.
    int run(const std::string& input) {
        const bool from_stdin = input == "-";
        const std::string name = from_stdin ? stdin_name : input;
        std::string text;
        if (from_stdin) {
            text = read_all(std::cin);
            printer_.add_source(name, text);
        } else if (!readable(input)) {
            cli_error("cannot open " + input);
            return status_fatal;
        }

        const std::string language = language_of(input, from_stdin);
        auto& parsers = quarry::parser::framework::instance();
        std::unique_ptr<quarry::parser::parser_base> parser(language.empty() ? nullptr : parsers.create_parser(language));
        if (!parser) {
            std::cerr << name << ": error: "
                      << (language.empty() ? std::string("no language for this input")
                                           : "no parser for language '" + language + "'")
                      << '\n';
            return status_fatal;
        }

        quarry::ast::node root;
        quarry::task task;
        task.include_dirs() = options_.include_dirs;
        task.set_init_dir(from_stdin ? "" : directory_of(input));
        parser->set_ast_node(&root);
        parser->set_task(&task);
        parser->set_file_is_include(options_.as_include);
        if (!from_stdin) parser->set_parsing_file(input);

        if (several_ && (options_.tokens || options_.format == output_format::tree)) std::cout << "== " << name << '\n';

        quarry::parser::diagnostics_sink sink;
        outcome result;
        {
            quarry::parser::scoped_diagnostics_sink guard(sink);
            try {
                result = options_.tokens ? list_tokens(*parser, input, name, language, text, sink)
                                         : outcome{from_stdin ? parser->parse_string(text, name) : parser->parse_file(input), {}};
            } catch (const std::exception& e) {
                result.failure = e.what();
            } catch (...) {
                result.failure = "unknown exception";
            }
        }

        // An error reported anywhere in the parse, an included file's too,
        // fails it, whatever the parser answered.
        if (sink.has_errors()) result.ok = false;
        if (!result.failure && !options_.tokens) {
            if (options_.format == output_format::tree) quarry_parse::print_tree(root, std::cout);
            if (options_.format == output_format::json) {
                quarry_parse::write_document(std::cout, name, language, result.ok, sink.entries(), root);
                std::cout << '\n';
            }
        }
        std::cout.flush();
        if (!options_.quiet) {
            // One write for all reports: standard error is unbuffered, and a
            // million reports written piecemeal take half a minute.
            std::ostringstream reports;
            for (const auto& d : sink.entries()) printer_.print(d, name, reports);
            const std::string text = reports.str();
            std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        if (result.failure) {
            std::cerr << name << ": error: " << *result.failure << '\n';
            return status_fatal;
        }
        return result.ok ? status_ok : status_failed;
    }

private:
    std::string language_of(const std::string& input, bool from_stdin) const {
        auto& parsers = quarry::parser::framework::instance();
        if (options_.language) return *options_.language;
        return from_stdin ? parsers.get_default_language() : parsers.language_for_file(input);
    }

    static outcome list_tokens(quarry::parser::parser_base& parser, const std::string& input, const std::string& name,
                               const std::string& language, std::string text,
                               const quarry::parser::diagnostics_sink& sink) {
        if (input != "-") {
            std::ifstream in(input, std::ios::binary);
            text = read_all(in);
        }
        outcome result;
        if (!parser.dump_tokens(text, name, std::cout))
            result.failure = "language '" + language + "' cannot list its tokens";
        // There is no parse result: the reported errors decide the status.
        result.ok = !sink.has_errors();
        return result;
    }

    const options& options_;
    const bool several_;
    quarry_parse::diagnostic_printer printer_;
};

int run(const options& o) {
    quarry::host::start();
    if (!load_plugin(plugin_path(o))) return status_fatal;

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

    auto& transmitter = nimbus::event::nsTransmitter();
    const boost::signals2::scoped_connection warnings(
        transmitter.connect("quarry/parser/warn", packet_listener(quarry::parser::severity::warning)));
    const boost::signals2::scoped_connection notes(
        transmitter.connect("quarry/parser/info", packet_listener(quarry::parser::severity::info)));

    session inputs(o);
    int status = status_ok;
    for (const auto& file : o.files) status = std::max(status, inputs.run(file));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        auto parsed = parse_command_line(argc, argv);
        if (const int* done = std::get_if<int>(&parsed)) return *done;
        const int status = run(std::get<options>(parsed));
        std::cout.flush();
        return status;
    } catch (const std::exception& e) {
        cli_error(e.what());
    } catch (...) {
        cli_error("unknown exception");
    }
    return status_fatal;
}
