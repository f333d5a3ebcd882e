#include "checks.hh"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quarry/parser/info.hh"

namespace quarry_parse {

namespace {

using quarry::ast::node;
using quarry::parser::diagnostic;
using quarry::parser::severity;

enum class definition_kind { subckt, model };

const char* noun(definition_kind kind) { return kind == definition_kind::subckt ? "subcircuit" : "model"; }

// A place among alternatives: the branch of a conditional or the section a
// statement stands in, and the place that one stands in. Two places are
// exclusive when they take different branches of one choice.
struct alternative {
    int parent = -1;
    const void* choice = nullptr;
    const void* branch = nullptr;
};

struct definition {
    const node* n;
    definition_kind kind;
    int scope;
    int place;
    /// Read from a library (a section of a file, or a file read for one of
    /// its sections): not checked for use.
    bool library;
    std::size_t pins;
    /// Its place in the order the parse read the tree.
    std::size_t order;
    bool used = false;
};

struct scope {
    int parent;
    /// Definitions by name, in reading order (indexes into the table).
    std::unordered_map<std::string_view, std::vector<std::size_t>> names;
    /// Binned models (nch.1, nch.2, ...) by their base name.
    std::unordered_map<std::string_view, std::vector<std::size_t>> bins;
};

// The base name of a binned model name (nch.3), or the name itself.
std::string_view without_bin(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return name;
    for (std::size_t i = dot + 1; i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return name;
    return name.substr(0, dot);
}

class checker {
public:
    checker(const check_options& options, quarry::parser::diagnostics_sink& reports)
        : options_(options), reports_(reports) {}

    void run(const node& root) {
        // A file that could not be read may hold any definition.
        includes_complete_ =
            std::none_of(reports_.entries().begin(), reports_.entries().end(), [](const diagnostic& d) {
                return d.level == severity::error && d.message.rfind(".include path is invalid", 0) == 0;
            });
        scopes_.push_back(scope{-1, {}, {}});
        walk(root);
        // Uses that an enclosing scope or a later definition may answer.
        for (const deferred& u : deferred_) resolve(*u.n, u.scope, u.order, true);
        check_duplicates();
        check_unused();
        // The reports in the order the parse read what they are about.
        std::stable_sort(groups_.begin(), groups_.end(),
                         [](const group& a, const group& b) { return a.order < b.order; });
        for (group& g : groups_)
            for (diagnostic& d : g.reports) reports_.add(std::move(d));
    }

private:
    /// A block of statements being walked and the next of its children.
    struct level {
        const node* block;
        std::size_t next;
        int scope;
        int place;
        bool library;
    };

    // Walks the statements depth first on an explicit stack (trees nest
    // deeply), into blocks but not into a statement's values: most of a tree
    // is pins and values. Notes definitions with their scope and place, and
    // resolves a use at once against the definitions made so far; a use that
    // finds none waits for the end (a deck may use a name before it defines
    // it). A name defined in an enclosing scope and again, later, in the
    // use's own one is taken from the enclosing scope: rare, and it costs a
    // second walk to get right.
    void walk(const node& root) {
        std::vector<level> stack{level{&root, 0, 0, -1, false}};
        while (!stack.empty()) {
            level& top = stack.back();
            const auto children = top.block->get_children();
            if (top.next == children.size()) {
                stack.pop_back();
                continue;
            }
            const node* child = children[top.next++];
            // The walk waits on memory: ask early for the statements ahead,
            // and for the last values of those nearer (where the master is).
            if (top.next + 6 < children.size()) __builtin_prefetch(children[top.next + 6]);
            if (top.next + 3 < children.size() && children[top.next + 3] != nullptr) {
                const auto values = children[top.next + 3]->get_children();
                if (values.size() > 1) __builtin_prefetch(values[values.size() - 2]);
            }
            if (child == nullptr) continue;
            const node& n = *child;
            const level at = top;  // `top` moves when the stack grows
            const auto enter = [&](int scope, int place, bool library) {
                stack.push_back(level{&n, 0, scope, place, library});
            };
            ++order_;
            switch (n.get_type()) {
            case quarry::ast::nt_subckt:
                define(n, definition_kind::subckt, at);
                scopes_.push_back(scope{at.scope, {}, {}});
                enter(static_cast<int>(scopes_.size() - 1), at.place, at.library);
                break;
            case quarry::ast::nt_model: define(n, definition_kind::model, at); break;
            case quarry::ast::nt_instance:
                if (!resolve(n, at.scope, order_, false)) deferred_.push_back(deferred{&n, at.scope, order_});
                break;
            case quarry::ast::nt_if_body:
            case quarry::ast::nt_else:
                // The branches of a condition (an .ELSEIF is a condition inside the else).
                enter(at.scope, place_in(at.place, at.block, &n), at.library);
                break;
            case quarry::ast::nt_section:
                // The sections of a file are alternatives: a deck reads one of them.
                enter(at.scope, place_in(at.place, section_choice(n), &n), true);
                break;
            case quarry::ast::nt_include: enter(at.scope, at.place, at.library || reads_a_section(n)); break;
            case quarry::ast::nt_condition:
            case quarry::ast::nt_block:
            case quarry::ast::nt_alter: enter(at.scope, at.place, at.library); break;
            default: break;  // a statement of values
            }
        }
    }

    static bool reads_a_section(const node& include) {
        for (const node* c : include.get_children())
            if (c != nullptr && c->get_type() == quarry::ast::nt_param && c->get_value() == "section") return true;
        return false;
    }

    // The choice among the sections of one file, named by the file.
    const void* section_choice(const node& section) {
        const auto* record = dynamic_cast<const quarry::parser::info_netlist*>(section.get_parser_info());
        // An element of a node-based map keeps its address: the file's token.
        return &section_files_[record ? record->get_filename() : std::string()];
    }

    int place_in(int parent, const void* choice, const void* branch) {
        places_.push_back(alternative{parent, choice, branch});
        return static_cast<int>(places_.size() - 1);
    }

    static std::size_t pins_of(const node& n) {
        std::size_t pins = 0;
        for (const node* c : n.get_children())
            if (c != nullptr && c->get_type() == quarry::ast::nt_pin) ++pins;
        return pins;
    }

    void define(const node& n, definition_kind kind, const level& at) {
        definitions_.push_back(definition{&n, kind, at.scope, at.place, at.library, pins_of(n), order_});
        scope& s = scopes_[at.scope];
        s.names[n.get_value()].push_back(definitions_.size() - 1);
        if (const std::string_view base = without_bin(n.get_value()); base.size() != n.get_value().size())
            s.bins[base].push_back(definitions_.size() - 1);
    }

    // Whether two places take different branches of one choice.
    bool exclusive(int a, int b) const {
        for (int x = a; x >= 0; x = places_[x].parent)
            for (int y = b; y >= 0; y = places_[y].parent)
                if (places_[x].choice == places_[y].choice && places_[x].branch != places_[y].branch) return true;
        return false;
    }

    // The definitions of `name` of `kind` that an instance in `scope` sees,
    // into found_: those of the nearest scope that has any (for a model,
    // binned ones too).
    void lookup(std::string_view name, definition_kind kind, int scope) {
        found_.clear();
        const auto take = [&](const std::unordered_map<std::string_view, std::vector<std::size_t>>& table) {
            if (const auto at = table.find(name); at != table.end())
                for (std::size_t i : at->second)
                    if (definitions_[i].kind == kind) found_.push_back(i);
        };
        for (int s = scope; s >= 0 && found_.empty(); s = scopes_[s].parent) {
            take(scopes_[s].names);
            if (found_.empty() && kind == definition_kind::model) take(scopes_[s].bins);
        }
    }

    // An instance: the subcircuit or model it names, against the definitions
    // made so far, or with `final` against all. False, with nothing done,
    // when it must wait for the end.
    bool resolve(const node& n, int scope, std::size_t order, bool final) {
        // From the end: the master and its kind follow the pins and values,
        // and most of a tree is pins and values.
        const node* master = nullptr;
        const node* master_kind = nullptr;
        const auto children = n.get_children();
        for (std::size_t i = children.size(); i-- > 0 && master == nullptr;) {
            const node* c = children[i];
            if (c == nullptr) continue;
            if (c->get_type() == quarry::ast::nt_master) master = c;
            if (c->get_type() == quarry::ast::nt_master_kind && master_kind == nullptr) master_kind = c;
        }
        if (master == nullptr || master->get_value().empty()) return true;
        // No kind: an X instance of a subcircuit; "device": a built-in element.
        const bool subckt = master_kind == nullptr;
        if (!subckt && master_kind->get_value() != "model") return true;
        const std::string_view name = master->get_value();
        lookup(name, subckt ? definition_kind::subckt : definition_kind::model, scope);
        if (found_.empty() && !final) return false;
        // An X instance of a model, or a device that names a subcircuit: the
        // name is defined, whichever the simulator makes of it.
        if (found_.empty()) lookup(name, subckt ? definition_kind::model : definition_kind::subckt, scope);
        for (std::size_t i : found_) definitions_[i].used = true;
        if (found_.empty()) {
            if (includes_complete_)
                report(order, n, severity::warning,
                       std::string(subckt ? "subcircuit '" : "model '") + std::string(name) + "' is not defined",
                       subckt ? "undefined-subckt" : "undefined-model");
            return true;
        }
        const definition& d = definitions_[found_.front()];
        if (!subckt || d.kind != definition_kind::subckt) return true;
        const bool one_count = std::all_of(found_.begin(), found_.end(),
                                           [&](std::size_t i) { return definitions_[i].pins == d.pins; });
        const std::size_t pins = pins_of(n);
        if (one_count && d.pins != pins &&
            report(order, n, severity::warning,
                   "instance '" + n.get_value() + "' has " + count(pins, "pin") + ", subcircuit '" +
                       d.n->get_value() + "' has " + std::to_string(d.pins),
                   "pin-count"))
            note(*d.n, "subcircuit '" + d.n->get_value() + "' is defined here");
        return true;
    }

    void check_duplicates() {
        for (std::size_t j = 0; j < definitions_.size(); ++j) {
            const definition& later = definitions_[j];
            for (std::size_t i : scopes_[later.scope].names.at(later.n->get_value())) {
                if (i >= j) break;
                const definition& first = definitions_[i];
                if (first.kind != later.kind || exclusive(first.place, later.place)) continue;
                if (report(later.order, *later.n, severity::warning,
                           std::string(noun(later.kind)) + " '" + later.n->get_value() +
                               "' is defined twice in this scope",
                           "duplicate-definition"))
                    note(*first.n, "the first definition is here");
                break;
            }
        }
    }

    void check_unused() {
        for (const definition& d : definitions_)
            if (!d.used && !d.library)
                report(d.order, *d.n, severity::info,
                       std::string(noun(d.kind)) + " '" + d.n->get_value() + "' is defined but never used",
                       "unused-definition");
    }

    static std::string count(std::size_t n, const char* what) {
        return std::to_string(n) + ' ' + what + (n == 1 ? "" : "s");
    }

    static diagnostic at(const node& n, severity level, const std::string& message) {
        diagnostic d;
        d.level = level;
        d.message = message;
        if (const auto* record = n.get_parser_info()) d.where.reset(record->copy());
        return d;
    }

    // A report of an enabled check, in the reading order `order`; false for a
    // disabled one.
    bool report(std::size_t order, const node& n, severity level, const std::string& message, const char* flag) {
        if (options_.disabled.count(flag)) return false;
        diagnostic d = at(n, level, message);
        d.flag = flag;
        groups_.push_back(group{order, {}});
        groups_.back().reports.push_back(std::move(d));
        return true;
    }

    // A note after the last report.
    void note(const node& n, const std::string& message) {
        groups_.back().reports.push_back(at(n, severity::info, message));
    }

    struct group {
        std::size_t order;
        std::vector<diagnostic> reports;
    };

    const check_options& options_;
    quarry::parser::diagnostics_sink& reports_;
    std::vector<scope> scopes_;
    std::vector<alternative> places_;
    std::vector<definition> definitions_;
    std::vector<std::size_t> found_;
    struct deferred {
        const node* n;
        int scope;
        std::size_t order;
    };
    std::vector<deferred> deferred_;
    bool includes_complete_ = true;
    std::unordered_map<std::string, char> section_files_;
    std::vector<group> groups_;
    std::size_t order_ = 0;
};

}  // namespace

bool is_check_flag(const std::string& flag) {
    return std::any_of(std::begin(check_flags), std::end(check_flags),
                       [&](const char* f) { return flag == f; });
}

void run_checks(const quarry::ast::node& root, const check_options& options,
                quarry::parser::diagnostics_sink& reports) {
    if (!options.disabled.empty()) {
        // The language's own check reports (an unclosed bracket) go as well.
        std::vector<diagnostic> kept;
        for (const diagnostic& d : reports.entries())
            if (d.flag.empty() || !options.disabled.count(d.flag)) kept.push_back(d);
        reports.clear();
        for (diagnostic& d : kept) reports.add(std::move(d));
    }
    checker(options, reports).run(root);
}

}  // namespace quarry_parse
