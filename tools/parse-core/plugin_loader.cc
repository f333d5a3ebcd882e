#include "plugin_loader.hh"

#include <dlfcn.h>

#include <cstdlib>
#include <exception>
#include <filesystem>

#include "nimbus/event.hh"
#include "quarry/host.hh"
#include "quarry/parser/diagnostics.hh"

namespace quarry_parse {

namespace {

auto listener(quarry::parser::severity level) {
    return [level](const std::string&, nimbus::output::packet* p) {
        quarry::parser::diagnostics_sink* sink = quarry::parser::get_diagnostics_sink();
        if (sink == nullptr || p == nullptr) return;
        quarry::parser::diagnostic d;
        d.level = level;
        d.message = p->text();
        d.id = p->get_format_name();
        sink->add(std::move(d));
    };
}

}  // namespace

std::string plugin_from_environment(const std::string& fallback) {
    if (const char* env = std::getenv("QUARRY_PLUGIN"); env != nullptr && *env != '\0') return env;
    return fallback;
}

std::string plugin_beside_program() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return plugin_from_environment((exe.parent_path() / ".." / "lib" / plugin_file).lexically_normal().string());
}

std::string load_plugin(std::string path) {
    quarry::host::start();
    // dlopen searches the library path for a bare name; the user means a file.
    if (path.find('/') == std::string::npos) path = "./" + path;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        return "cannot load plug-in " + path + ": " + (reason ? reason : "unknown reason");
    }
    void* symbol = dlsym(handle, plugin_entry);
    if (symbol == nullptr) return "plug-in " + path + " has no entry point " + plugin_entry;
    const auto init = reinterpret_cast<bool (*)()>(symbol);
    try {
        if (init()) return std::string();
        return "plug-in " + path + ": " + plugin_entry + " failed";
    } catch (const std::exception& e) {
        return "plug-in " + path + ": " + plugin_entry + " failed: " + e.what();
    } catch (...) {
        return "plug-in " + path + ": " + plugin_entry + " failed with an unknown exception";
    }
}

packet_listeners::packet_listeners()
    : warnings_(nimbus::event::nsTransmitter().connect("quarry/parser/warn",
                                                       listener(quarry::parser::severity::warning))),
      notes_(nimbus::event::nsTransmitter().connect("quarry/parser/info", listener(quarry::parser::severity::info))) {}

}  // namespace quarry_parse
