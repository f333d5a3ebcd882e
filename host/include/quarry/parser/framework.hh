#pragma once
#include <functional>
#include <string>

#include <boost/unordered_map.hpp>

#include "quarry/export.hh"

namespace quarry::parser {

class parser_base;

/// Makes a new parser object; the caller owns it.
using parser_factory = std::function<parser_base*()>;

/// The parser registry: factories by language key, extensions, default language.
class QUARRY_EXPORT framework {
public:
    using factory_map = boost::unordered_map<std::string, parser_factory>;
    using extension_map = boost::unordered_map<std::string, std::string>;

    static framework& instance();

    factory_map& get_factory_map() { return factories_; }
    extension_map& get_extension_map() { return extensions_; }
    std::string& get_default_language() { return default_language_; }

    /// Maps the extension (a "." is put in front unless it starts with one) to the language.
    void register_extension(const std::string& extension, const std::string& language);

    /// The language for a file name by its extension, else the default language.
    std::string language_for_file(const std::string& path) const;
    /// A new parser of the language, or null when none is registered.
    parser_base* create_parser(const std::string& language) const;

private:
    factory_map factories_;
    extension_map extensions_;
    std::string default_language_;
};

}  // namespace quarry::parser
