#include "plugin/parser_korvex3.hh"
#include "quarry/export.hh"
#include "quarry/parser/framework.hh"

namespace quarry::parser {

bool nimbus_plugin_init_quarry_parser_korvex3() {
    const std::string key = "korvex3";
    framework& registry = framework::instance();
    registry.get_factory_map()[key] = &parser_korvex3::create_parser;
    if (registry.get_default_language().empty()) registry.get_default_language() = key;
    registry.register_extension("kvx", key);
    registry.register_extension("sp3", key);
    registry.register_extension("spi3", key);
    register_korvex3_language();
    return true;
}

}  // namespace quarry::parser

extern "C" QUARRY_EXPORT bool nimbus_plugin_init_quarry_parser_korvex3() {
    return quarry::parser::nimbus_plugin_init_quarry_parser_korvex3();
}
