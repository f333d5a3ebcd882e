// quarry_korvex3: the korvex3 parser for Python. Loads the plug-in module
// the way quarry-parse does and hands out its trees as Python objects.
#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>

#include "checks.hh"
#include "json_printer.hh"
#include "nimbus/output.hh"
#include "parse_run.hh"
#include "plugin_loader.hh"
#include "quarry/ast/node.hh"
#include "quarry/parser/info.hh"
#include "quarry/task.hh"
#include "tree_printer.hh"

namespace py = pybind11;

namespace {

using quarry::ast::node;

// ---- texts ---------------------------------------------------------------

// Netlist text need not be UTF-8: bad bytes become U+FFFD, as in the JSON.
py::str text(std::string_view s) {
    PyObject* o = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace");
    if (o == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

// File names round-trip through the file system encoding.
py::str path_text(const std::string& s) {
    PyObject* o = PyUnicode_DecodeFSDefaultAndSize(s.data(), static_cast<Py_ssize_t>(s.size()));
    if (o == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

// A str, bytes or os.PathLike as the bytes the file system sees. A NUL
// would cut the path short, so it is refused as open() refuses it.
std::string fs_bytes(const py::handle& path) {
    // Kept for the life of the process: a static py::object would be
    // released after the interpreter is gone.
    static const py::handle fsencode = py::object(py::module_::import("os").attr("fsencode")).release();
    std::string bytes = fsencode(path).cast<std::string>();
    if (bytes.find('\0') != std::string::npos) throw py::value_error("embedded null byte in path");
    return bytes;
}

// A str as UTF-8 (a lone surrogate raises UnicodeEncodeError), or bytes as they are.
std::string source_bytes(const py::handle& source) {
    if (py::isinstance<py::bytes>(source)) return source.cast<std::string>();
    if (!py::isinstance<py::str>(source)) throw py::type_error("text must be str or bytes");
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(source.ptr(), &size);
    if (utf8 == nullptr) throw py::error_already_set();
    return std::string(utf8, static_cast<std::size_t>(size));
}

std::vector<std::string> fs_list(const py::iterable& paths, const char* what) {
    if (py::isinstance<py::str>(paths) || py::isinstance<py::bytes>(paths))
        throw py::type_error(std::string(what) + " must be a sequence of paths, not one path");
    std::vector<std::string> out;
    for (const py::handle& p : paths) out.push_back(fs_bytes(p));
    return out;
}

// ---- errors --------------------------------------------------------------

PyObject* parse_error = nullptr;

[[noreturn]] void raise_os_error(int code, const std::string& path) {
    const std::string reason = quarry_parse::unreadable_reason(code);
    const int number = code == quarry_parse::not_regular_file ? EINVAL : code;
    // OSError(errno, ...) comes back as its subclass: FileNotFoundError, IsADirectoryError, ...
    const py::object error = py::module_::import("builtins").attr("OSError")(number, reason, path_text(path));
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

[[noreturn]] void raise_failure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        throw;  // pybind11 makes it a MemoryError
    } catch (...) {
        PyErr_SetObject(parse_error, text(quarry_parse::failure_text(failure)).ptr());
        throw py::error_already_set();
    }
}

// ---- parses and their nodes ----------------------------------------------

// One parse, shared by its result and every node taken from it.
struct parsed {
    std::string name;
    std::string language;
    quarry_parse::parse_result result;
    /// Each node's parent, the root's children left out: made when a parent
    /// is first asked for (with the GIL held), as nodes do not know theirs.
    mutable std::unique_ptr<std::unordered_map<const node*, const node*>> parents;
};
using parsed_ptr = std::shared_ptr<const parsed>;

// A node and the parse that keeps it alive.
struct node_ref {
    parsed_ptr owner;
    const node* n;
};

// The node a Python Node stands for: equal, and hashed alike, where they are
// the same node of the same parse.
bool same_node(const node_ref& a, const node_ref& b) { return a.n == b.n && a.owner == b.owner; }

// kind names to kinds, for find(); unnamed kinds are written nt_<number>.
const std::unordered_map<std::string, quarry::ast::et_node_type>& kinds() {
    static const auto* table = [] {
        auto* t = new std::unordered_map<std::string, quarry::ast::et_node_type>;
        for (unsigned i = 0; i <= 0xffff; ++i) {
            const auto type = static_cast<quarry::ast::et_node_type>(i);
            if (quarry::ast::node_type_name(type) != nullptr) t->emplace(quarry_parse::kind_name(type), type);
        }
        return t;
    }();
    return *table;
}

quarry::ast::et_node_type kind_of(const std::string& name) {
    const auto& table = kinds();
    if (const auto found = table.find(name); found != table.end()) return found->second;
    if (name.rfind("nt_", 0) == 0 && name.size() > 3 && name.size() <= 8 &&
        name.find_first_not_of("0123456789", 3) == std::string::npos) {
        const unsigned long number = std::stoul(name.substr(3));
        if (number <= 0xffff) return static_cast<quarry::ast::et_node_type>(number);
    }
    throw py::value_error("unknown node kind '" + name + "'");
}

struct location {
    std::string file;
    std::uint64_t first_line, first_column, last_line, last_column;
};

py::object location_of(const quarry::parser::info* record) {
    const auto* netlist = dynamic_cast<const quarry::parser::info_netlist*>(record);
    if (netlist == nullptr) return py::none();
    return py::cast(location{netlist->get_filename(), netlist->get_first_line(), netlist->get_first_column(),
                             netlist->get_last_line(), netlist->get_last_column()});
}

py::list nodes(const parsed_ptr& owner, const node& parent) {
    const auto children = parent.get_children();
    py::list out(children.size());
    for (std::size_t i = 0; i < children.size(); ++i)
        out[i] = children[i] ? py::cast(node_ref{owner, children[i]}) : py::none();
    return out;
}

// Depth first, in child order, on an explicit stack: deeply nested trees
// are walked like any other.
class walker {
public:
    /// From `start`, or below it only.
    walker(parsed_ptr owner, const node* start, bool below_only) : owner_(std::move(owner)) {
        pending_.push_back(start);
        if (below_only) next();
    }

    /// The next node, or one with a null node at the end.
    node_ref next() {
        while (!pending_.empty()) {
            const node* n = pending_.back();
            pending_.pop_back();
            if (n == nullptr) continue;
            const auto children = n->get_children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) pending_.push_back(*it);
            return node_ref{owner_, n};
        }
        return node_ref{owner_, nullptr};
    }

private:
    parsed_ptr owner_;
    std::vector<const node*> pending_;
};

// The node's parent, or None for a top-level statement.
py::object parent_of(const node_ref& r) {
    auto& parents = r.owner->parents;
    if (!parents) {
        auto table = std::make_unique<std::unordered_map<const node*, const node*>>();
        std::vector<const node*> pending{r.owner->result.root.get()};
        while (!pending.empty()) {
            const node* n = pending.back();
            pending.pop_back();
            for (const node* child : n->get_children()) {
                if (child == nullptr) continue;
                if (n != r.owner->result.root.get()) table->emplace(child, n);
                pending.push_back(child);
            }
        }
        parents = std::move(table);
    }
    const auto found = parents->find(r.n);
    return found == parents->end() ? py::none() : py::cast(node_ref{r.owner, found->second});
}

// The nodes of kind `kind_name` that the walker gives.
py::list find(walker w, const std::string& kind_name) {
    const auto kind = kind_of(kind_name);
    py::list out;
    for (node_ref r = w.next(); r.n != nullptr; r = w.next())
        if (r.n->get_type() == kind) out.append(py::cast(r));
    return out;
}

std::string node_repr(const node_ref& self) {
    std::string out = "<Node " + quarry_parse::kind_name(self.n->get_type()) + " \"" +
                      nimbus::output::c_escape(self.n->get_value()) + '"';
    if (const auto* record = self.n->get_parser_info()) out += " @" + record->format_info();
    return out + '>';
}

// ---- diagnostics ---------------------------------------------------------

struct diagnostic_view {
    parsed_ptr owner;
    const quarry::parser::diagnostic* d;

    const quarry::parser::info_netlist* where() const {
        return dynamic_cast<const quarry::parser::info_netlist*>(d->where.get());
    }
    template <typename Get>
    py::object field(Get get) const {
        const auto* w = where();
        return w ? py::cast((w->*get)()) : py::none();
    }
};

std::string diagnostic_text(const diagnostic_view& v) {
    std::string out;
    if (const auto* w = v.where())
        out = w->get_filename() + ':' + std::to_string(w->get_first_line()) + ':' +
              std::to_string(w->get_first_column()) + ": ";
    else
        out = v.owner->name + ": ";
    out += quarry_parse::severity_name(v.d->level);
    out += ": ";
    if (!v.d->id.empty()) out += '[' + v.d->id + "] ";
    return out + v.d->message;
}

// ---- entry points --------------------------------------------------------

struct result_view {
    parsed_ptr p;
};

std::unique_ptr<quarry::parser::parser_base> parser_for(const std::string& name, bool is_text,
                                                        std::string& language) {
    language = quarry_parse::language_of(name, is_text, std::string());
    std::string why;
    auto parser = quarry_parse::make_parser(language, why);
    if (!parser) {
        PyErr_SetObject(parse_error, text(name + ": " + why).ptr());
        throw py::error_already_set();
    }
    return parser;
}

// ---- running a parse ------------------------------------------------------

// One parse handed to a thread of its own: everything it touches lives here,
// so that an interrupted caller may leave while it winds down.
struct job {
    std::unique_ptr<quarry::parser::parser_base> parser;
    quarry_parse::parse_request request;
    std::string text;
    bool tokens = false;
    std::ostringstream listing;
    quarry_parse::parse_result result;
    std::atomic<bool> cancel{false};

    std::mutex lock;
    std::condition_variable changed;
    bool finished = false;

    void run() {
        if (request.text) request.text = &text;
        request.cancel = &cancel;
        result = tokens ? quarry_parse::list_tokens(*parser, request, listing)
                        : quarry_parse::run_parse(*parser, request);
    }
};

bool on_main_thread() {
    static const unsigned long main_ident =
        py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();
    return PyThread_get_thread_ident() == main_ident;
}

// Runs the job without the GIL. Signals reach Python only on the main
// thread, and only between bytecodes: there the parse runs on a thread of its
// own while this one checks for them, so that Ctrl-C stops it at its next
// read of input and raises KeyboardInterrupt. The partial tree is freed on
// the parse's thread, after the caller has gone on.
void run_job(const std::shared_ptr<job>& j) {
    if (!on_main_thread()) {
        py::gil_scoped_release unlocked;
        j->run();
        return;
    }
    std::thread worker([j] {
        j->run();
        {
            std::lock_guard<std::mutex> guard(j->lock);
            j->finished = true;
        }
        j->changed.notify_all();
        if (j->cancel.load()) j->result = quarry_parse::parse_result();
    });
    bool interrupted = false;
    {
        py::gil_scoped_release unlocked;
        std::unique_lock<std::mutex> guard(j->lock);
        while (!j->changed.wait_for(guard, std::chrono::milliseconds(50), [&] { return j->finished; })) {
            if (interrupted) continue;
            guard.unlock();
            {
                py::gil_scoped_acquire held;
                interrupted = PyErr_CheckSignals() != 0;
            }
            if (interrupted) j->cancel.store(true);
            guard.lock();
        }
    }
    if (!interrupted) {
        worker.join();
        return;
    }
    worker.detach();
    throw py::error_already_set();
}

std::shared_ptr<job> new_job(quarry_parse::parse_request request, bool is_text, std::string& language) {
    auto j = std::make_shared<job>();
    j->parser = parser_for(request.name, is_text, language);
    request.language = language;
    j->request = std::move(request);
    return j;
}

result_view run(quarry_parse::parse_request request, bool is_text, std::string text = std::string()) {
    auto p = std::make_shared<parsed>();
    p->name = request.name;
    auto j = new_job(std::move(request), is_text, p->language);
    j->text = std::move(text);
    run_job(j);
    if (j->result.failure) raise_failure(j->result.failure);
    p->result = std::move(j->result);
    return result_view{std::move(p)};
}

// The checks beyond syntax and partial trees, as parse() and parse_text() take them.
struct analysis {
    bool checks;
    py::iterable disabled_checks;
    bool partial;
};

// What parse() and parse_text() share: the include search, the limits and the analysis.
quarry_parse::parse_request request_for(const py::object& name, const py::iterable& include_dirs,
                                        const py::iterable& include_roots, bool expand_env,
                                        std::size_t max_includes, bool as_include, const analysis& a) {
    quarry_parse::parse_request request;
    request.checks = a.checks;
    request.keep_partial = a.partial;
    for (const py::handle& flag : a.disabled_checks) {
        const std::string name = py::str(flag);
        if (!quarry_parse::is_check_flag(name)) throw py::value_error("unknown check '" + name + "'");
        request.disabled_checks.insert(name);
    }
    request.name = fs_bytes(name);
    request.include_dirs = fs_list(include_dirs, "include_dirs");
    request.include_roots = fs_list(include_roots, "include_roots");
    request.expand_env = expand_env;
    request.max_includes = max_includes;
    request.as_include = as_include;
    return request;
}

result_view parse(const py::object& path, const py::iterable& include_dirs, bool as_include,
                  const py::iterable& include_roots, bool expand_env, std::size_t max_includes, bool checks,
                  const py::iterable& disabled_checks, bool partial, const py::object& jobs) {
    quarry_parse::parse_request request = request_for(path, include_dirs, include_roots, expand_env, max_includes,
                                                      as_include, analysis{checks, disabled_checks, partial});
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    request.jobs = jobs.is_none() ? cores : jobs.cast<unsigned>();
    if (request.jobs == 0) throw py::value_error("jobs must be at least 1");
    if (const int why = quarry_parse::unreadable(request.name); why != 0) raise_os_error(why, request.name);
    return run(std::move(request), false);
}

result_view parse_text(const py::object& source, const py::object& name, const py::iterable& include_dirs,
                       bool as_include, const py::iterable& include_roots, bool expand_env,
                       std::size_t max_includes, bool checks, const py::iterable& disabled_checks, bool partial) {
    std::string content = source_bytes(source);
    quarry_parse::parse_request request = request_for(name, include_dirs, include_roots, expand_env, max_includes,
                                                      as_include, analysis{checks, disabled_checks, partial});
    static const std::string placeholder;
    request.text = &placeholder;  // the job's own copy is used
    return run(std::move(request), true, std::move(content));
}

// C escapes of the token printer undone.
std::string unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'x':
            if (i + 2 < s.size()) {
                out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
                i += 2;
                break;
            }
            out += c;
            break;
        default: out += c;  // \\ and \"
        }
    }
    return out;
}

// One line of the token listing: "[L:C-L:C] NAME" with an optional ` "VALUE"`.
py::tuple token_tuple(std::string_view line) {
    std::uint64_t numbers[4] = {};
    std::size_t at = 1;
    for (auto& number : numbers) {
        const std::size_t end = line.find_first_not_of("0123456789", at);
        number = std::stoull(std::string(line.substr(at, end - at)));
        at = end + 1;
    }
    std::string_view rest = line.substr(at + 1);  // past "] "
    py::object value = py::none();
    if (!rest.empty() && rest.back() == '"') {
        // The value's opening quote is the last quote not escaped by an odd
        // run of backslashes; a value itself has no bare quote.
        for (std::size_t q = rest.size() - 1; q-- > 0;) {
            if (rest[q] != '"') continue;
            std::size_t backslashes = 0;
            while (q > backslashes && rest[q - backslashes - 1] == '\\') ++backslashes;
            if (backslashes % 2 != 0 || q == 0 || rest[q - 1] != ' ') continue;
            value = text(unescape(rest.substr(q + 1, rest.size() - q - 2)));
            rest = rest.substr(0, q - 1);
            break;
        }
    }
    return py::make_tuple(numbers[0], numbers[1], numbers[2], numbers[3], text(rest), value);
}

py::list tokens(const py::object& source, bool as_include) {
    quarry_parse::parse_request request;
    request.name = "<string>";
    static const std::string placeholder;
    request.text = &placeholder;  // the job's own copy is used
    request.as_include = as_include;
    std::string language;
    auto j = new_job(std::move(request), true, language);
    j->text = source_bytes(source);
    j->tokens = true;
    run_job(j);
    if (j->result.failure) raise_failure(j->result.failure);
    std::ostringstream& out = j->listing;
    const std::string listing = out.str();
    py::list tuples;
    for (std::size_t start = 0; start < listing.size();) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        tuples.append(token_tuple(std::string_view(listing).substr(start, end - start)));
        start = end + 1;
    }
    return tuples;
}

// Where this extension was loaded from.
std::filesystem::path extension_dir() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&extension_dir), &info) == 0 || info.dli_fname == nullptr) return ".";
    return std::filesystem::path(info.dli_fname).parent_path();
}

// The plug-in module: beside the extension (a wheel), in the folder above
// (the build tree's lib/) or three above (lib/ of a CMake install, where the
// package is in lib/python3/dist-packages/).
std::string plugin_beside_extension() {
    const std::filesystem::path here = extension_dir();
    for (const auto& dir : {here, here / "..", here / ".." / ".." / ".."}) {
        std::error_code ec;
        const auto candidate = (dir / quarry_parse::plugin_file).lexically_normal();
        if (std::filesystem::exists(candidate, ec)) return candidate.string();
    }
    return (here / quarry_parse::plugin_file).string();
}

}  // namespace

PYBIND11_MODULE(_native, m) {
    m.doc() = "Parser of korvex3 SPICE netlists: syntax trees, diagnostics, tokens and the files a deck reads.";

    m.attr("__version__") = QUARRY_KORVEX3_VERSION;
    const std::string plugin = quarry_parse::plugin_from_environment(plugin_beside_extension());
    if (const std::string failed = quarry_parse::load_plugin(plugin); !failed.empty()) throw py::import_error(failed);
    // Never disconnected: the module is never unloaded.
    new quarry_parse::packet_listeners;

    parse_error = PyErr_NewExceptionWithDoc("quarry_korvex3.ParseError",
                                            "An exception left the parser; its text says why.", PyExc_RuntimeError,
                                            nullptr);
    if (parse_error == nullptr) throw py::error_already_set();
    m.add_object("ParseError", py::handle(parse_error));

    py::class_<location>(m, "Location", "Where a node or a report is: file, first and last line and column.")
        .def_property_readonly("file", [](const location& l) { return path_text(l.file); })
        .def_readonly("first_line", &location::first_line)
        .def_readonly("first_column", &location::first_column)
        .def_readonly("last_line", &location::last_line)
        .def_readonly("last_column", &location::last_column)
        .def("__repr__", [](const location& l) {
            return text("<Location " + l.file + '[' + std::to_string(l.first_line) + ':' +
                        std::to_string(l.first_column) + '-' + std::to_string(l.last_line) + ':' +
                        std::to_string(l.last_column) + "]>");
        });

    py::class_<node_ref>(m, "Node", "A syntax-tree node; it keeps its whole tree alive.")
        .def_property_readonly("kind", [](const node_ref& r) { return quarry_parse::kind_name(r.n->get_type()); })
        .def_property_readonly("value", [](const node_ref& r) { return text(r.n->get_value()); })
        .def_property_readonly("location", [](const node_ref& r) { return location_of(r.n->get_parser_info()); })
        .def_property_readonly("children", [](const node_ref& r) { return nodes(r.owner, *r.n); })
        .def_property_readonly("parent", &parent_of, "The node above this one; None for a top-level statement.")
        .def("walk", [](const node_ref& r) { return walker(r.owner, r.n, false); },
             "This node, then its descendants, depth first in child order.")
        .def("find", [](const node_ref& r, const std::string& kind) { return find(walker(r.owner, r.n, true), kind); },
             py::arg("kind"), "The descendants of this kind (an nt_* name), in walk order.")
        .def("__len__", [](const node_ref& r) { return r.n->get_children().size(); })
        .def("__iter__", [](const node_ref& r) { return py::iter(nodes(r.owner, *r.n)); })
        .def("__eq__", [](const node_ref& a, const py::object& b) {
            return py::isinstance<node_ref>(b) && same_node(a, b.cast<const node_ref&>());
        })
        .def("__hash__", [](const node_ref& r) { return std::hash<const void*>()(r.n); })
        .def("__repr__", [](const node_ref& r) { return text(node_repr(r)); });

    py::class_<walker>(m, "Walk")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", [](walker& w) {
            node_ref r = w.next();
            if (r.n == nullptr) throw py::stop_iteration();
            return r;
        });

    py::class_<diagnostic_view>(m, "Diagnostic", "One report of a parse.")
        .def_property_readonly("severity",
                               [](const diagnostic_view& v) { return quarry_parse::severity_name(v.d->level); })
        .def_property_readonly("message", [](const diagnostic_view& v) { return text(v.d->message); })
        .def_property_readonly("file",
                               [](const diagnostic_view& v) -> py::object {
                                   const auto* w = v.where();
                                   if (w == nullptr) return py::none();
                                   return path_text(w->get_filename());
                               })
        .def_property_readonly(
            "first_line", [](const diagnostic_view& v) { return v.field(&quarry::parser::info_netlist::get_first_line); })
        .def_property_readonly(
            "first_column",
            [](const diagnostic_view& v) { return v.field(&quarry::parser::info_netlist::get_first_column); })
        .def_property_readonly(
            "last_line", [](const diagnostic_view& v) { return v.field(&quarry::parser::info_netlist::get_last_line); })
        .def_property_readonly(
            "last_column",
            [](const diagnostic_view& v) { return v.field(&quarry::parser::info_netlist::get_last_column); })
        .def_property_readonly("id",
                               [](const diagnostic_view& v) -> py::object {
                                   if (v.d->id.empty()) return py::none();
                                   return py::str(v.d->id);
                               })
        .def_property_readonly(
            "flag",
            [](const diagnostic_view& v) -> py::object {
                if (v.d->flag.empty()) return py::none();
                return py::str(v.d->flag);
            },
            "The check that made the report (\"undefined-subckt\"), None for the parser's own.")
        .def("__str__", [](const diagnostic_view& v) { return text(diagnostic_text(v)); })
        .def("__repr__", [](const diagnostic_view& v) { return text("<Diagnostic " + diagnostic_text(v) + '>'); });

    py::class_<result_view>(m, "Result", "What a parse gave: its tree, its reports and the files it read.")
        .def_property_readonly("ok", [](const result_view& r) { return r.p->result.ok; })
        .def_property_readonly("language", [](const result_view& r) { return r.p->language; })
        .def_property_readonly("tree", [](const result_view& r) { return nodes(r.p, *r.p->result.root); })
        .def_property_readonly("diagnostics",
                               [](const result_view& r) {
                                   const auto& entries = r.p->result.reports.entries();
                                   py::list out(entries.size());
                                   for (std::size_t i = 0; i < entries.size(); ++i)
                                       out[i] = py::cast(diagnostic_view{r.p, &entries[i]});
                                   return out;
                               })
        .def_property_readonly("files",
                               [](const result_view& r) {
                                   py::list out;
                                   for (const auto& f : r.p->result.files) out.append(path_text(f));
                                   return out;
                               })
        .def("walk", [](const result_view& r) { return walker(r.p, r.p->result.root.get(), true); },
             "Every node of the tree, depth first in child order.")
        .def("find", [](const result_view& r, const std::string& kind) {
                return find(walker(r.p, r.p->result.root.get(), true), kind);
            }, py::arg("kind"), "The nodes of this kind (an nt_* name) in the whole tree, in walk order.")
        .def("to_json",
             [](const result_view& r) {
                 std::ostringstream out;
                 quarry_parse::write_document(out, r.p->name, r.p->language, r.p->result.ok,
                                              r.p->result.reports.entries(), r.p->result.root.get());
                 return text(out.str());
             },
             "The document quarry-parse --format json prints for this input, as a str.")
        .def("__repr__", [](const result_view& r) {
            return text("<Result " + r.p->name + (r.p->result.ok ? " ok" : " failed") + ", " +
                        std::to_string(r.p->result.reports.entries().size()) + " diagnostics>");
        });

    m.attr("DEFAULT_MAX_INCLUDES") = quarry::task::default_max_includes;
    py::tuple flags(std::size(quarry_parse::check_flags));
    for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = quarry_parse::check_flags[i];
    m.attr("CHECKS") = flags;
    m.def("parse", &parse, py::arg("path"), py::kw_only(), py::arg("include_dirs") = py::tuple(),
          py::arg("as_include") = false, py::arg("include_roots") = py::tuple(), py::arg("expand_env") = true,
          py::arg("max_includes") = quarry::task::default_max_includes, py::arg("checks") = false,
          py::arg("disabled_checks") = py::tuple(), py::arg("partial") = false, py::arg("jobs") = py::none(),
          "Parses the netlist file at path. Bad input gives diagnostics and ok == False; a file that cannot be "
          "read raises OSError. Other threads run while it parses. include_roots confines included files to "
          "those folders; expand_env=False leaves $NAME in include paths as written; max_includes bounds the "
          "included files one parse reads.");
    m.def("parse_text", &parse_text, py::arg("text"), py::kw_only(), py::arg("name") = "<string>",
          py::arg("include_dirs") = py::tuple(), py::arg("as_include") = false, py::arg("include_roots") = py::tuple(),
          py::arg("expand_env") = true, py::arg("max_includes") = quarry::task::default_max_includes,
          py::arg("checks") = false, py::arg("disabled_checks") = py::tuple(), py::arg("partial") = false,
          "Parses netlist text (str or bytes); name is the file name its reports and locations give.");
    m.def("tokens", &tokens, py::arg("text"), py::kw_only(), py::arg("as_include") = false,
          "The scanner's token stream as (first_line, first_column, last_line, last_column, name, value or None).");
}
