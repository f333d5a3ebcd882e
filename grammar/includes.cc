#include "grammar/includes.hh"

#include <boost/filesystem.hpp>

#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry_parser_implementation::includes {

std::string resolve(korvex3_driver& d, const std::string& written, fallback where) {
    auto* host = d.get_quarry_parser();
    if (!host) return written;
    const std::string path = host->resolve_path(written);
    if (where == fallback::none || exists(path)) return path;
    if (boost::filesystem::path(written).has_root_path() || host->get_init_dir().empty()) return written;
    return host->resolve_path(host->get_init_dir() + "/" + written);
}

bool exists(const std::string& path) {
    boost::system::error_code ec;
    return boost::filesystem::exists(path, ec);
}

bool load(korvex3_driver& d, const std::string& path, const std::string& section, node& body,
          const location& loc) {
    auto* host = d.get_quarry_parser();
    if (!host) return false;
    bool ok = false;
    {
        // Reports from inside the file name this statement as where it came from.
        const quarry::parser::include_site site(std::shared_ptr<const quarry::parser::info>(new_record(loc)));
        ok = section.empty() ? host->add_include(path, "korvex3", &body)
                             : host->add_include_section(path, section, "korvex3", &body);
    }
    if (!ok) d.context_error(loc, ".include path is invalid: " + path);
    return ok;
}

}  // namespace quarry_parser_implementation::includes
