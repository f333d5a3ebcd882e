#include "grammar/couplings.hh"

#include <stdexcept>

#include <boost/lexical_cast.hpp>

#include "grammar/operands.hh"

namespace quarry_parser_implementation::couplings {

using namespace quarry::ast;
using tree::node;

node_ptr coupling(text_ptr name, text_ptr l1, text_ptr l2) {
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    inst->add_named_value("l1", nt_string, *l1);
    inst->add_named_value("l2", nt_string, *l2);
    return inst;
}

node_ptr coupled(node_ptr inst, const char* value_name, node_ptr value, const location& loc) {
    inst->add_child(tree::named(value_name, std::move(value)).release());
    return tree::locate(operands::with_master(std::move(inst), "mutual_inductor", "device"), loc);
}

node_ptr lossless(node_ptr inst, node_ptr params1, node_ptr z0, node_ptr params2, const location& loc) {
    inst = tree::adopt(std::move(inst), std::move(params1));
    inst->add_child(tree::named("z0", std::move(z0)).release());
    inst = tree::adopt(std::move(inst), std::move(params2));
    return tree::locate(operands::with_master(std::move(inst), "tline", "device"), loc);
}

node_ptr frequency(node_ptr f, node_ptr nl) {
    node_ptr p = tree::named("f", std::move(f));
    p->add_child(tree::named("nl", std::move(nl)).release());
    return p;
}

node_ptr line_ic(node_ptr v1, node_ptr i1, node_ptr v2, node_ptr i2) {
    node_ptr list = tree::container(tree::named("icv1", std::move(v1)));
    list = tree::append(std::move(list), tree::named("ici1", std::move(i1)));
    list = tree::append(std::move(list), tree::named("icv2", std::move(v2)));
    return tree::append(std::move(list), tree::named("ici2", std::move(i2)));
}

namespace {

/// The conductor count: the last "n" parameter's text, or "" without one.
std::string conductor_count(const node& params) {
    std::string count;
    for (const node* p : params.get_children())
        if (p->get_type() == nt_param && p->get_value() == "n" && p->has_children()) count = (*p)[0].get_value();
    return count;
}

}  // namespace

node_ptr mtline(korvex3_driver& d, text_ptr name, node_ptr pins, node_ptr params, const location& loc,
                const location& card) {
    node_ptr inst = std::make_unique<node>(nt_instance, std::move(*name));
    const std::string count = conductor_count(*params);
    if (count.empty() || !pins->has_children()) {
        inst = tree::adopt(std::move(inst), std::move(pins));
    } else {
        std::uint64_t n = 0;
        if (!boost::conversion::try_lexical_convert(count, n))
            throw unusable_input(
                "mtline " + inst->get_value() + ": conductor count N=" + count + " is not an unsigned integer", card);
        const auto& written = pins->get_children();
        std::size_t next = 0;
        const auto relabel = [&](const std::string& label) {
            if (next == written.size()) return;
            const node* pin = written[next++];
            node* relabelled = inst->add_child(nt_pin, std::string());
            relabelled->add_named_value(label, nt_string, pin->has_children() ? (*pin)[0].get_value() : std::string());
        };
        for (std::uint64_t k = 1; k <= n && next < written.size(); ++k) relabel("i" + std::to_string(k));
        relabel("ir");
        for (std::uint64_t k = 1; k <= n && next < written.size(); ++k) relabel("o" + std::to_string(k));
        relabel("or");
        if (next < written.size()) {
            d.context_error(card, "Too many pins for mtline device");
            return nullptr;
        }
    }
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), "mtline", "device"), loc);
}



node_ptr nport_pins(text_ptr name, node_ptr pins) {
    const std::size_t count = pins->child_count();
    node_ptr inst = operands::instance(std::move(name), std::move(pins));
    inst->add_named_value("quarry::nport_num_pins", nt_integer, std::to_string(count));
    return inst;
}

node_ptr nport(node_ptr inst, node_ptr params, const location& loc) {
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(operands::with_master(std::move(inst), "nport", "device"), loc);
}

}  // namespace quarry_parser_implementation::couplings
