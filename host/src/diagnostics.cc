#include "quarry/parser/diagnostics.hh"

#include <algorithm>

namespace quarry::parser {

namespace {

thread_local diagnostics_sink* current_sink = nullptr;
thread_local std::string deferred_note;
thread_local severity deferred_level = severity::info;
thread_local std::vector<std::shared_ptr<const info>> include_sites;

void report(severity level, const info* record, const std::string& message, const std::string& flag = "") {
    if (!current_sink) return;
    diagnostic d;
    d.level = level;
    d.message = message;
    d.flag = flag;
    // The caller's record lives only for the call.
    if (record) d.where.reset(record->copy());
    std::shared_ptr<const info> where = d.where;
    current_sink->add(std::move(d));
    if (!deferred_note.empty()) {
        diagnostic note;
        note.level = deferred_level;
        note.message = std::move(deferred_note);
        note.where = std::move(where);
        deferred_note.clear();
        current_sink->add(std::move(note));
    }
}

}  // namespace

void diagnostics_sink::add(diagnostic d) {
    if (d.included_from.empty()) d.included_from = include_sites;
    entries_.push_back(std::move(d));
}

include_site::include_site(std::shared_ptr<const info> where) { include_sites.push_back(std::move(where)); }

include_site::~include_site() { include_sites.pop_back(); }

const std::vector<std::shared_ptr<const info>>& include_chain() { return include_sites; }

std::vector<std::shared_ptr<const info>> swap_include_chain(std::vector<std::shared_ptr<const info>> sites) {
    std::swap(sites, include_sites);
    return sites;
}

bool diagnostics_sink::has_errors() const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [](const diagnostic& d) { return d.level == severity::error; });
}

void defer_note(const std::string& message) { defer_report(severity::info, message); }

void defer_report(severity level, const std::string& message) {
    deferred_level = level;
    deferred_note = message;
}

input_error::input_error(const std::string& message, std::shared_ptr<const info> where)
    : std::runtime_error(message), where_(std::move(where)), included_from_(include_sites) {}

input_error::input_error(const std::string& message, std::shared_ptr<const info> where,
                         std::vector<std::shared_ptr<const info>> included_from)
    : std::runtime_error(message), where_(std::move(where)), included_from_(std::move(included_from)) {}

cancelled::cancelled() : std::runtime_error("parse cancelled") {}

diagnostics_sink* set_diagnostics_sink(diagnostics_sink* sink) {
    deferred_note.clear();
    diagnostics_sink* previous = current_sink;
    current_sink = sink;
    return previous;
}

diagnostics_sink* get_diagnostics_sink() { return current_sink; }

void bison_error(const info* record, const std::string& message) { report(severity::error, record, message); }

void bison_error(const std::string& message) { report(severity::error, nullptr, message); }

void bison_context_error(const info* record, const std::string& message) {
    report(severity::error, record, message);
}

void bison_context_warning(const info* record, const std::string& message) {
    report(severity::warning, record, message);
}

void check_report(severity level, const info* record, const std::string& message, const std::string& flag) {
    report(level, record, message, flag);
}

}  // namespace quarry::parser
