#pragma once
#include <ostream>
#include <string>

#include "quarry/language/language.hh"
#include "quarry/parser/framework.hh"

namespace quarry_parse {

/// Orders texts with digit runs compared by value: "2" < "10" < "504" < "504v8" < "504v10".
bool natural_less(const std::string& a, const std::string& b);

/// The parser languages (sorted), the extension map (sorted), the default
/// language, and the names of the language descriptions with their ids.
void print_languages(quarry::parser::framework& parsers, const quarry::language::framework& languages,
                     std::ostream& out);

/// A language description: a header line, then each device (sorted by name)
/// with its pins, optional pins, levels (in natural order), default level and
/// extra fields, then the N-device codes (sorted), one fact per line.
void print_description(const std::string& name, const quarry::language::base& description, std::ostream& out);

}  // namespace quarry_parse
