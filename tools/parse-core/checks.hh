#pragma once
// Checks beyond syntax over a finished parse: names used and never defined,
// defined twice, pin counts, definitions never used. The CLI (--check), the
// Python module (checks=True) and the language server share them.
#include <set>
#include <string>

#include "quarry/ast/node.hh"
#include "quarry/parser/diagnostics.hh"

namespace quarry_parse {

/// The flag of each check, as -Wno-NAME names it. "unclosed-bracket" is made
/// by the language while it reads, the others by run_checks().
inline constexpr const char* check_flags[] = {"undefined-subckt", "undefined-model",   "duplicate-definition",
                                              "pin-count",        "unused-definition", "unclosed-bracket"};

/// Whether `flag` names a check.
bool is_check_flag(const std::string& flag);

struct check_options {
    /// Flags of the checks left out.
    std::set<std::string> disabled;
    /// The top-level input, whose definitions and those of the files it
    /// includes (not of .LIB files) are checked for use; "" for a text.
    std::string top_file;
};

/// Runs the checks over the tree under `root` and adds their reports to
/// `reports` (with their flags; a definition elsewhere as a note after the
/// report). Reports of disabled checks already in `reports` are removed.
void run_checks(const quarry::ast::node& root, const check_options& options,
                quarry::parser::diagnostics_sink& reports);

}  // namespace quarry_parse
