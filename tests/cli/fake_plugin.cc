// A stand-in language module for the CLI tests. It exports the same entry
// point as the real plug-in and registers two languages, "fake" (.fk, the
// default) and "fake2" (.fk2), whose parser obeys one command per line:
//
//   node D KIND VALUE     child at depth D (0: under the root), kind number,
//                         value with \n \t \r \\ \xHH decoded; located at the line
//   bare D KIND VALUE     the same without a location
//   error C1 C2 MSG       error located at this line, columns C1-C2; parse fails
//   warning C1 C2 MSG     warning located at this line, columns C1-C2
//   error-span L1 C1 L2 C2 MSG   error spanning several lines
//   error-in FILE L C1 C2 MSG    error located in another file
//   fatal MSG             error without a location
//   packet CHANNEL ID ARG...     fires named_packet(ID, ARG...) on quarry/parser/CHANNEL
//   throw MSG             throws std::runtime_error(MSG)
//   task                  nt_string init dir, holding one nt_string per include dir
//   name                  nt_string with the input name the parse was given
//   lang                  nt_string with the parser's language key
//
// Unless the include flag is set, the first line is the title (nt_title).
// FAKE_PLUGIN_INIT=fail makes the entry point return false, =throw makes it throw.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "nimbus/event.hh"
#include "nimbus/output.hh"
#include "quarry/ast/node.hh"
#include "quarry/export.hh"
#include "quarry/language/language.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/parser/info.hh"
#include "quarry/parser/parser_base.hh"
#include "quarry/task.hh"

namespace {

using quarry::parser::info_netlist;

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'n') out += '\n';
        else if (next == 't') out += '\t';
        else if (next == 'r') out += '\r';
        else if (next == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else out += next;
    }
    return out;
}

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
    explicit fake_parser(std::string language) : language_(std::move(language)) {}

    bool parse_file(const std::string& file) override {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            quarry::parser::bison_error("fake parser cannot read " + file);
            return false;
        }
        return run(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), file);
    }
    bool parse_string(const std::string& text) override { return run(text, "string stream"); }
    bool parse_string(const std::string& text, const std::string& name) override { return run(text, name); }

    bool dump_tokens(const std::string& text, const std::string& name, std::ostream& out) override {
        if (text.find("no-tokens") != std::string::npos) return false;
        out << "tokens of " << name << " in " << (file_is_include() ? "include" : "title") << " mode\n";
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
        quarry::ast::node* root = get_ast_node();
        if (root == nullptr || get_task() == nullptr) {
            quarry::parser::bison_error("fake parser has no root node or no task");
            return false;
        }
        const std::vector<std::string> lines = split_lines(text);
        std::vector<quarry::ast::node*> parents{root};
        bool ok = true;
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const std::string& line = lines[index];
            const std::uint64_t number = index + 1;
            if (index == 0 && !file_is_include()) {
                root->add_child(quarry::ast::nt_title, line);
                continue;
            }
            std::istringstream in(line);
            std::string verb;
            if (!(in >> verb)) continue;
            const auto rest = [&in] {
                std::string r;
                std::getline(in >> std::ws, r);
                return r;
            };
            const auto here = [&](std::uint64_t c1, std::uint64_t c2) {
                return info_netlist(name, number, number, c1, c2);
            };
            if (verb == "node" || verb == "bare") {
                std::size_t depth = 0;
                unsigned kind = 0;
                in >> depth >> kind;
                if (depth >= parents.size()) throw std::runtime_error("fake parser: depth too large");
                auto* child = parents[depth]->add_child(static_cast<quarry::ast::et_node_type>(kind), decode(rest()));
                if (verb == "node") {
                    const info_netlist record = here(1, line.size());
                    child->set_parser_info(record.copy());
                }
                parents.resize(depth + 1);
                parents.push_back(child);
            } else if (verb == "error" || verb == "warning") {
                std::uint64_t c1 = 0, c2 = 0;
                in >> c1 >> c2;
                const info_netlist record = here(c1, c2);
                if (verb == "error") {
                    quarry::parser::bison_error(&record, rest());
                    ok = false;
                } else {
                    quarry::parser::bison_context_warning(&record, rest());
                }
            } else if (verb == "error-span") {
                std::uint64_t l1 = 0, c1 = 0, l2 = 0, c2 = 0;
                in >> l1 >> c1 >> l2 >> c2;
                const info_netlist record(name, l1, l2, c1, c2);
                quarry::parser::bison_context_error(&record, rest());
                ok = false;
            } else if (verb == "error-in") {
                std::string file;
                std::uint64_t l = 0, c1 = 0, c2 = 0;
                in >> file >> l >> c1 >> c2;
                const info_netlist record(file, l, l, c1, c2);
                quarry::parser::bison_error(&record, rest());
                ok = false;
            } else if (verb == "fatal") {
                quarry::parser::bison_error(rest());
                ok = false;
            } else if (verb == "packet") {
                std::string channel, id;
                in >> channel >> id;
                std::vector<std::string> args;
                for (std::string arg; in >> arg;) args.push_back(arg);
                fire("quarry/parser/" + channel, id, args);
            } else if (verb == "throw") {
                throw std::runtime_error(rest());
            } else if (verb == "task") {
                auto* dir = root->add_child(quarry::ast::nt_string, get_task()->init_dir());
                for (const auto& include : get_task()->include_dirs()) dir->add_child(quarry::ast::nt_string, include);
            } else if (verb == "name") {
                root->add_child(quarry::ast::nt_string, name);
            } else if (verb == "lang") {
                root->add_child(quarry::ast::nt_string, language_);
            } else {
                const info_netlist record = here(1, verb.size());
                quarry::parser::bison_error(&record, "unknown command " + verb);
                ok = false;
            }
        }
        return ok;
    }

    std::string language_;
};

void register_description() {
    quarry::language::base description;
    quarry::language::base_easy_init f(description.get_devices());
    f("res").pins("p", "n");
    f("bjt").pins("c", "b", "e").opt_pins("s");
    f.level_map("10", "ten").level_map("2", "two").level_map("1", "one");
    f.level_map("504v10", "mx10").level_map("504v8", "mx8").level_map("504", "mx");
    f.default_level("1").extra_device("bjt_x");
    f("mos").pins("d", "g", "s", "b").extra_tag("m");
    description.register_n_device("zz", "res");
    description.register_n_device("aa", "bjt");
    description.register_n_device("m1", "mos");
    quarry::language::framework::instance().register_language("fake", description);
}

}  // namespace

extern "C" QUARRY_EXPORT bool nimbus_plugin_init_quarry_parser_korvex3() {
    const char* mode = std::getenv("FAKE_PLUGIN_INIT");
    if (mode != nullptr && std::string(mode) == "fail") return false;
    if (mode != nullptr && std::string(mode) == "throw") throw std::runtime_error("fake registration exploded");

    auto& parsers = quarry::parser::framework::instance();
    parsers.get_factory_map()["fake"] = []() -> quarry::parser::parser_base* { return new fake_parser("fake"); };
    parsers.get_factory_map()["fake2"] = []() -> quarry::parser::parser_base* { return new fake_parser("fake2"); };
    if (parsers.get_default_language().empty()) parsers.get_default_language() = "fake";
    parsers.get_extension_map()[".fk"] = "fake";
    parsers.get_extension_map()[".fk2"] = "fake2";
    nimbus::output::nsOutputNamedFormats()["FAKE-1"] = "fake packet about %1% and %2%";
    register_description();
    return true;
}
