// A stand-in language module for the CLI tests: what the real plug-in cannot
// be made to do on purpose. It exports the same entry point and registers the
// default language "fake", whose parser obeys one command per line:
//
//   error C1 C2 MSG              error located at this line, columns C1-C2; parse fails
//   packet CHANNEL ID ARG...     fires named_packet(ID, ARG...) on quarry/parser/CHANNEL
//   throw MSG                    throws std::runtime_error(MSG)
//
// Unless the include flag is set, the first line is the title (nt_title).
// Its token listing prints the words, reports an error for "bad" and refuses
// a text that holds "no-tokens".
// FAKE_PLUGIN_INIT=fail makes the entry point return false, =throw makes it throw.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "nimbus/event.hh"
#include "nimbus/output.hh"
#include "quarry/ast/node.hh"
#include "quarry/export.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/info.hh"
#include "quarry/parser/parser_base.hh"

namespace {

using quarry::parser::info_netlist;

// Up to three arguments, as many as the line gives: the format's argument count must match.
void fire(const std::string& channel, const std::string& id, const std::vector<std::string>& args) {
    using nimbus::output::named_packet;
    auto& transmitter = nimbus::event::nsTransmitter();
    switch (args.size()) {
    case 0: { auto p = named_packet(id); transmitter.fire(channel, &p); break; }
    case 1: { auto p = named_packet(id, args[0]); transmitter.fire(channel, &p); break; }
    case 2: { auto p = named_packet(id, args[0], args[1]); transmitter.fire(channel, &p); break; }
    default: { auto p = named_packet(id, args[0], args[1], args[2]); transmitter.fire(channel, &p); break; }
    }
}

class fake_parser : public quarry::parser::parser_base {
public:
    bool parse_file(const std::string& file) override {
        std::ifstream in(file, std::ios::binary);
        return run(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), file);
    }
    bool parse_string(const std::string& text) override { return run(text, "string stream"); }
    bool parse_string(const std::string& text, const std::string& name) override { return run(text, name); }

    bool dump_tokens(std::istream& in, const std::string& name, std::ostream& out) override {
        const std::string text(std::istreambuf_iterator<char>(in), {});
        if (text.find("no-tokens") != std::string::npos) return false;
        std::istringstream words(text);
        for (std::string word; words >> word;) {
            out << "word \"" << word << "\"\n";
            if (word == "bad") {
                const info_netlist record(name, 1, 1, 1, 3);
                quarry::parser::bison_error(&record, "bad word");
            }
        }
        return true;
    }

private:
    bool run(const std::string& text, const std::string& name) {
        std::istringstream lines(text);
        bool ok = true;
        std::string line;
        for (std::uint64_t number = 1; std::getline(lines, line); ++number) {
            if (number == 1 && !file_is_include()) {
                get_ast_node()->add_child(quarry::ast::nt_title, line);
                continue;
            }
            std::istringstream in(line);
            std::string verb;
            if (!(in >> verb)) continue;
            if (verb == "error") {
                std::uint64_t c1 = 0, c2 = 0;
                std::string message;
                std::getline(in >> c1 >> c2 >> std::ws, message);
                const info_netlist record(name, number, number, c1, c2);
                quarry::parser::bison_error(&record, message);
                ok = false;
            } else if (verb == "packet") {
                std::string channel, id;
                in >> channel >> id;
                std::vector<std::string> args;
                for (std::string arg; in >> arg;) args.push_back(arg);
                fire("quarry/parser/" + channel, id, args);
            } else if (verb == "throw") {
                std::string message;
                std::getline(in >> std::ws, message);
                throw std::runtime_error(message);
            } else {
                quarry::parser::bison_error("unknown command " + verb);
                ok = false;
            }
        }
        return ok;
    }
};

}  // namespace

extern "C" QUARRY_EXPORT bool nimbus_plugin_init_quarry_parser_korvex3() {
    const char* mode = std::getenv("FAKE_PLUGIN_INIT");
    if (mode != nullptr && std::string(mode) == "fail") return false;
    if (mode != nullptr && std::string(mode) == "throw") throw std::runtime_error("fake registration exploded");

    auto& parsers = quarry::parser::framework::instance();
    parsers.get_factory_map()["fake"] = []() -> quarry::parser::parser_base* { return new fake_parser; };
    if (parsers.get_default_language().empty()) parsers.get_default_language() = "fake";
    nimbus::output::nsOutputNamedFormats()["FAKE-1"] = "fake packet about %1% and %2%";
    return true;
}
