#include "parse_run.hh"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "checks.hh"
#include "nimbus/os.hh"
#include "quarry/parser/include_prefetch.hh"
#include "quarry/parser/framework.hh"
#include "quarry/task.hh"

namespace quarry_parse {

namespace {

std::string directory_of(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? "." : dir;
}

// The files the top-level file includes, as the host will be asked for them:
// found in its text (.INCLUDE, .INC, .LIB and a path) and resolved as the
// parser resolves them. A path given with $NAME is left out.
std::vector<std::string> included_paths(quarry::parser::parser_base& parser, const parse_request& request) {
    static const std::regex statement(R"(^[ \t]*\.(include|inc|lib)[ \t]+(['"]?)([^'"\s]+)\2)", std::regex::icase);
    std::vector<std::string> paths;
    std::ifstream in(request.name);
    parser.set_parsing_file(request.name);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || (line.find_first_not_of(" \t") != std::string::npos &&
                             line[line.find_first_not_of(" \t")] != '.'))
            continue;
        if (!std::regex_search(line, m, statement) || m[3].str().find('$') != std::string::npos) continue;
        std::string path = parser.resolve_path(m[3].str());
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) paths.push_back(std::move(path));
    }
    return paths;
}

// Runs `work` with a fresh task and sink, the root node and the parser set
// up as the host would.
template <typename Work>
parse_result run(quarry::parser::parser_base& parser, const parse_request& request, Work work) {
    parse_result result;
    quarry::task task;
    task.include_dirs() = request.include_dirs;
    task.include_roots() = request.include_roots;
    task.set_max_includes(request.max_includes);
    task.set_cancel_flag(request.cancel);
    task.set_checks(request.checks);
    task.set_keep_partial(request.keep_partial);
    task.set_source(request.source);
    task.set_expand_env(request.expand_env);
    task.set_init_dir(request.text ? std::string() : directory_of(request.name));
    if (!request.text) task.add_file_read(request.name);
    parser.set_ast_node(result.root.get());
    parser.set_task(&task);
    parser.set_file_is_include(request.as_include);
    {
        quarry::parser::scoped_diagnostics_sink guard(result.reports);
        const nimbus::os::scoped_env_expansion expansion(request.expand_env);
        std::unique_ptr<quarry::parser::include_prefetch> prefetch;
        try {
            if (request.jobs > 1 && !request.text) {
                prefetch = std::make_unique<quarry::parser::include_prefetch>(
                    task, request.language, included_paths(parser, request), request.jobs - 1);
                task.set_prefetch(prefetch.get());
            }
            result.ok = work();
        } catch (const quarry::parser::input_error& e) {
            quarry::parser::diagnostic d;
            d.message = e.what();
            d.where = e.where();
            d.included_from = e.included_from();
            result.reports.add(std::move(d));
            result.failure = std::current_exception();
            result.ok = false;
        } catch (...) {
            result.failure = std::current_exception();
            result.ok = false;
        }
        task.set_prefetch(nullptr);
    }
    parser.set_task(nullptr);
    parser.set_ast_node(nullptr);
    if (request.checks && !result.failure) {
        check_options options;
        options.disabled = request.disabled_checks;
        options.top_file = request.text ? std::string() : request.name;
        run_checks(*result.root, options, result.reports);
    }
    // An error reported anywhere in the parse, an included file's too,
    // fails it, whatever the parser answered.
    if (result.reports.has_errors()) result.ok = false;
    result.files = task.files_read();
    return result;
}

}  // namespace

int unreadable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return not_regular_file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

std::string unreadable_reason(int code) {
    return code == not_regular_file ? "Not a regular file" : std::strerror(code);
}

std::string language_of(const std::string& path, bool is_text, const std::string& forced) {
    if (!forced.empty()) return forced;
    auto& parsers = quarry::parser::framework::instance();
    return is_text ? parsers.get_default_language() : parsers.language_for_file(path);
}

std::unique_ptr<quarry::parser::parser_base> make_parser(const std::string& language, std::string& why) {
    if (language.empty()) {
        why = "no language for this input";
        return nullptr;
    }
    std::unique_ptr<quarry::parser::parser_base> parser(quarry::parser::framework::instance().create_parser(language));
    if (!parser) why = "no parser for language '" + language + "'";
    return parser;
}

parse_result run_parse(quarry::parser::parser_base& parser, const parse_request& request) {
    return run(parser, request, [&] {
        return request.text ? parser.parse_string(*request.text, request.name) : parser.parse_file(request.name);
    });
}

namespace {

// Runs a token listing of the request's text or file through `list(in)`,
// which says whether the language can list its tokens.
template <typename List>
parse_result tokens_of(quarry::parser::parser_base& parser, const parse_request& request, List list) {
    return run(parser, request, [&] {
        std::istringstream text(request.text ? *request.text : std::string());
        std::ifstream file;
        if (!request.text) file.open(request.name, std::ios::binary);
        if (!list(request.text ? static_cast<std::istream&>(text) : file))
            throw std::runtime_error("language '" + request.language + "' cannot list its tokens");
        return true;
    });
}

}  // namespace

parse_result list_tokens(quarry::parser::parser_base& parser, const parse_request& request, std::ostream& out) {
    return tokens_of(parser, request, [&](std::istream& in) { return parser.dump_tokens(in, request.name, out); });
}

parse_result visit_tokens(quarry::parser::parser_base& parser, const parse_request& request,
                          const std::function<void(const quarry::parser::token_view&)>& each) {
    return tokens_of(parser, request, [&](std::istream& in) { return parser.visit_tokens(in, request.name, each); });
}

bool failure_in_reports(const std::exception_ptr& failure) {
    if (!failure) return false;
    try {
        std::rethrow_exception(failure);
    } catch (const quarry::parser::input_error&) {
        return true;
    } catch (...) {
        return false;
    }
}

std::string failure_text(const std::exception_ptr& failure) {
    if (!failure) return std::string();
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

}  // namespace quarry_parse
