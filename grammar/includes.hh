#pragma once
// The one way the grammar reads another file: .INCLUDE and .LIB (with or
// without a section) and the RDINIT files of analyses. The host resolves the
// path, says why it refuses a file (in a note after the report made here)
// and parses the file into the body.
#include <string>

#include "grammar/tree.hh"

namespace quarry_parser_implementation::includes {

using quarry::ast::node;

/// Where a path not found by the host's own lookup is tried last.
enum class fallback {
    /// Nowhere: the path as written (.INCLUDE, .LIB).
    none,
    /// Relative to the folder the top-level netlist is in (RDINIT): an
    /// initial-condition file is written by an earlier run, which names it
    /// from the folder it starts in, not from the netlist that reads it back.
    start_folder,
};

/// The path the host reads for `written`: looked up by the host beside the
/// including file, in the include folders and as written; with
/// fallback::start_folder, a relative path found nowhere is looked up in the
/// start folder as well.
std::string resolve(korvex3_driver& d, const std::string& written, fallback where);

/// Whether a file exists at `path` (the host decides whether it may be read).
bool exists(const std::string& path);

/// Parses `path` into `body`, only the statements of `section` when it is not
/// empty. A refusal is reported at `loc` as ".include path is invalid: PATH"
/// and the parse goes on. False without a host parser or on a refusal.
bool load(korvex3_driver& d, const std::string& path, const std::string& section, node& body,
          const location& loc);

}  // namespace quarry_parser_implementation::includes
