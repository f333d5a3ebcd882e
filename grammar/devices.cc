#include "grammar/devices.hh"

#include <iostream>

#include "grammar/operands.hh"
#include "nimbus/output.hh"
#include "quarry/language/language.hh"

namespace quarry_parser_implementation::devices {

using namespace quarry::ast;
using tree::node;

node_ptr ibis(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc) {
    std::string buffer;
    for (const node* p : params->get_children())
        if (p->get_type() == nt_param && p->get_value() == "buffer" && p->has_children())
            buffer = (*p)[0].get_value();
    d.fix_ibis_buffer_pins(buffer, pins.get());
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    inst = tree::adopt(std::move(inst), std::move(pins));
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), "ibis_buffer", "discover"), loc);
}

node_ptr integer_param(const char* name, text_ptr number) {
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_integer, std::move(*number));
    return p;
}

namespace {

/// The pins of the class's master device: this dialect's description first,
/// then the host's base description.
std::size_t master_pin_count(const std::string& master) {
    const auto& languages = quarry::language::framework::instance();
    for (const char* language : {"korvex3", "quarry::base"}) {
        if (!languages.has_language(language)) continue;
        const auto& description = languages.get_language(language);
        if (description.has_device(master)) return description.get_pins(master).size();
    }
    return 0;
}

}  // namespace

node_ptr ndevice(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc) {
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    if (pins->has_children()) {
        const std::string code = inst->get_value().substr(1, 2);
        const auto& languages = quarry::language::framework::instance();
        if (!languages.has_language("korvex3")) {
            d.context_error(loc, "Invalid language \"korvex3\"");
            return nullptr;
        }
        const auto& korvex3 = languages.get_language("korvex3");
        if (!korvex3.has_n_device(code)) {
            d.context_error(loc, "Unknown Nxx device type \"" + code + "\"");
            return nullptr;
        }
        const std::string& master = korvex3.get_n_device_master(code);
        const std::size_t wanted = master_pin_count(master);
        const auto& written = pins->get_children();
        if (written.size() < wanted) {
            d.context_error(loc, "Not enough pins for Nxx device \"" + code + "\"");
            return nullptr;
        }
        if (written.size() > wanted + 1) {
            d.context_error(loc, "Too many pins for Nxx device \"" + code + "\"");
            return nullptr;
        }
        inst->create_meta_children(wanted + 4);
        for (std::size_t i = 0; i < wanted; ++i) inst->add_child(*written[i]);
        if (written.size() == wanted + 1) {
            const node* model = written.back();
            inst = operands::with_master(std::move(inst), model->has_children() ? (*model)[0].get_value() : "",
                                         "model");
        } else {
            inst = operands::with_master(std::move(inst), master, "device");
        }
        inst->add_named_value("quarry::unit", nt_string, "um");
    }
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(std::move(inst), loc);
}

node_ptr hdl(text_ptr name, node_ptr pins, text_ptr module, node_ptr params, const location& loc) {
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    if (pins) inst = tree::adopt(std::move(inst), std::move(pins));
    inst = operands::with_master(std::move(inst), *module, "hdl");
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(std::move(inst), loc);
}

node_ptr param_with_tc() {
    nimbus::output::standard_output() << "Warning: PARAMETER statements with temperature coefficients are not supported."
                                      << std::endl;
    return tree::container();
}

}  // namespace quarry_parser_implementation::devices
