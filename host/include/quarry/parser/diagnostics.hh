#pragma once
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "quarry/export.hh"
#include "quarry/parser/info.hh"

namespace quarry::parser {

enum class severity { error, warning, info };

/// One report of a parse.
struct QUARRY_EXPORT diagnostic {
    severity level = severity::error;
    std::string message;
    /// Where it happened; null for reports without a location.
    std::shared_ptr<const info> where;
    /// Packet id ("PARSER-17") for reports that came as named packets, else "".
    std::string id;
    /// Stand-in host extension: the name of the check that made the report
    /// ("undefined-subckt"), "" for the language's own reports.
    std::string flag;
    /// Stand-in host extension: the statements that included the file of
    /// the report, outermost first; empty in the top-level file.
    std::vector<std::shared_ptr<const info>> included_from;
};

/// Collects the reports of the parses run while it is installed.
class QUARRY_EXPORT diagnostics_sink {
public:
    /// Keeps `d`; a report made inside an included file that names no
    /// include chain gets the current one.
    void add(diagnostic d);
    const std::vector<diagnostic>& entries() const { return entries_; }
    void clear() { entries_.clear(); }
    bool has_errors() const;

private:
    std::vector<diagnostic> entries_;
};

/// Installs the calling thread's sink (null: reports are dropped); returns the previous one.
QUARRY_EXPORT diagnostics_sink* set_diagnostics_sink(diagnostics_sink* sink);
QUARRY_EXPORT diagnostics_sink* get_diagnostics_sink();

/// Installs a sink for the lifetime of the guard.
class QUARRY_EXPORT scoped_diagnostics_sink {
public:
    explicit scoped_diagnostics_sink(diagnostics_sink& sink) : previous_(set_diagnostics_sink(&sink)) {}
    ~scoped_diagnostics_sink() { set_diagnostics_sink(previous_); }
    scoped_diagnostics_sink(const scoped_diagnostics_sink&) = delete;
    scoped_diagnostics_sink& operator=(const scoped_diagnostics_sink&) = delete;

private:
    diagnostics_sink* previous_;
};

/// Stand-in host extension: marks, for as long as it lives, the statement
/// whose included file this thread now parses; reports made meanwhile carry
/// the chain of such statements.
class QUARRY_EXPORT include_site {
public:
    explicit include_site(std::shared_ptr<const info> where);
    ~include_site();
    include_site(const include_site&) = delete;
    include_site& operator=(const include_site&) = delete;
};

/// The include sites of this thread, outermost first.
QUARRY_EXPORT const std::vector<std::shared_ptr<const info>>& include_chain();
/// Replaces this thread's include sites, giving back the old ones (a parse
/// made ahead for another thread starts with none).
QUARRY_EXPORT std::vector<std::shared_ptr<const info>> swap_include_chain(
    std::vector<std::shared_ptr<const info>> sites);

/// A note that follows the next report of this thread, with its location
/// (the host's reason behind a refusal the language then reports).
QUARRY_EXPORT void defer_note(const std::string& message);
/// As defer_note, with another severity.
QUARRY_EXPORT void defer_report(severity level, const std::string& message);

/// An input that cannot be parsed on: it cannot be read, or a token is
/// longer than the scanner can hold. The parse ends, and the exception
/// says where (file and line; columns where known).
class QUARRY_EXPORT input_error : public std::runtime_error {
public:
    /// Takes this thread's include chain too.
    input_error(const std::string& message, std::shared_ptr<const info> where);
    /// With the include chain given.
    input_error(const std::string& message, std::shared_ptr<const info> where,
                std::vector<std::shared_ptr<const info>> included_from);
    /// Null when the place is not known.
    const std::shared_ptr<const info>& where() const { return where_; }
    /// The include sites that led to the place, outermost first.
    const std::vector<std::shared_ptr<const info>>& included_from() const { return included_from_; }

private:
    std::shared_ptr<const info> where_;
    std::vector<std::shared_ptr<const info>> included_from_;
};

/// The translation was stopped through its task's cancel flag.
class QUARRY_EXPORT cancelled : public std::runtime_error {
public:
    cancelled();
};

/// Syntax error with a location (the record is copied).
QUARRY_EXPORT void bison_error(const info* record, const std::string& message);
/// Error without a location.
QUARRY_EXPORT void bison_error(const std::string& message);
/// Semantic error found by a grammar action.
QUARRY_EXPORT void bison_context_error(const info* record, const std::string& message);
/// Warning found by a grammar action.
QUARRY_EXPORT void bison_context_warning(const info* record, const std::string& message);
/// Stand-in host extension: a report of the check named `flag`.
QUARRY_EXPORT void check_report(severity level, const info* record, const std::string& message,
                                const std::string& flag);

}  // namespace quarry::parser
