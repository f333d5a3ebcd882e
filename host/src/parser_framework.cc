#include <boost/algorithm/string/case_conv.hpp>

#include "quarry/parser/framework.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry::parser {

framework& framework::instance() {
    static framework registry;
    return registry;
}

void framework::register_extension(const std::string& extension, const std::string& language) {
    std::string key = extension;
    if (key.empty() || key.front() != '.') key.insert(key.begin(), '.');
    extensions_[key] = language;
}

std::string framework::language_for_file(const std::string& path) const {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string::size_type dot = base.rfind('.');
    if (dot != std::string::npos) {
        const std::string extension = base.substr(dot);
        auto found = extensions_.find(extension);
        // Upper-case extensions (DECK.KVX) are common on shared file systems.
        if (found == extensions_.end()) found = extensions_.find(boost::algorithm::to_lower_copy(extension));
        if (found != extensions_.end()) return found->second;
    }
    return default_language_;
}

parser_base* framework::create_parser(const std::string& language) const {
    auto found = factories_.find(language);
    if (found == factories_.end() || !found->second) return nullptr;
    return found->second();
}

}  // namespace quarry::parser
