#pragma once
#include <string>

#include <boost/signals2/connection.hpp>

namespace quarry_parse {

/// File name of the korvex3 module.
inline constexpr const char* plugin_file = "quarry_parser_korvex3.so";
/// Its entry point, called once after loading.
inline constexpr const char* plugin_entry = "nimbus_plugin_init_quarry_parser_korvex3";

/// $QUARRY_PLUGIN when set and not empty, else `fallback`.
std::string plugin_from_environment(const std::string& fallback);

/// The module of a program in bin/: $QUARRY_PLUGIN, else ../lib beside it.
std::string plugin_beside_program();

/// Starts the host, loads the module at `path` (never unloaded: the
/// registries hold its factories) and calls its entry point. Returns "" on
/// success, else why it failed.
std::string load_plugin(std::string path);

/// While alive, packets fired on "quarry/parser/warn" and "quarry/parser/info"
/// become warnings and notes in the diagnostics sink of the thread that fires
/// them, i.e. reports of the parse running there.
class packet_listeners {
public:
    packet_listeners();

private:
    boost::signals2::scoped_connection warnings_;
    boost::signals2::scoped_connection notes_;
};

}  // namespace quarry_parse
