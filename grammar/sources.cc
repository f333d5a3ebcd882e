#include "grammar/sources.hh"

#include "grammar/operands.hh"

namespace quarry_parser_implementation::sources {

using namespace quarry::ast;

namespace {

const char* const pulse_names[] = {"v1", "v2", "td", "tr", "tf", "pw", "per"};
const char* const sin_names[] = {"vo", "va", "freq", "td", "theta", "phase",
                                 "vo2", "va2", "freq2", "td2", "theta2", "phase2"};
const char* const exp_names[] = {"v1", "v2", "td1", "tau1", "td2", "tau2", "tper"};
const char* const sffm_names[] = {"vo", "va", "fc", "mdi", "fs", "td"};
const char* const pbit_names[] = {"v0", "v1", "td01", "tr01", "td10", "tf10", "bittime", "td"};
const char* const ebit_names[] = {"v0", "v1", "td01", "tau01", "td10", "tau10", "bittime", "td"};
const char* const am_names[] = {"sa", "oc", "fm", "fc", "td"};

template <std::size_t N>
constexpr shape make(const char* name, const char* const (&names)[N]) {
    return {name, names, N};
}

}  // namespace

const shape pulse = make("pulse", pulse_names);
const shape sin = make("sin", sin_names);
const shape exp = make("exp", exp_names);
const shape sffm = make("sffm", sffm_names);
const shape pbit = make("pbit", pbit_names);
const shape ebit = make("ebit", ebit_names);
const shape am = make("am", am_names);

node_ptr base(korvex3_driver& d, text_ptr name, node_ptr pins, const char* master) {
    d.set_pins_complete();
    node_ptr inst = operands::instance(std::move(name), std::move(pins));
    inst->add_child(nt_master, master);
    inst->add_child(nt_master_kind, "device");
    return inst;
}

node_ptr statement(node_ptr inst, node_ptr params, const location& loc, node_ptr dc, node_ptr acmag,
                   node_ptr acphase) {
    if (dc) inst->add_child(tree::named("dc", std::move(dc)).release());
    if (acmag) inst->add_child(tree::named("acmag", std::move(acmag)).release());
    if (acphase) inst->add_child(tree::named("acphase", std::move(acphase)).release());
    bool port = false;
    for (const node* p : params->get_children())
        if (p->get_type() == nt_param && p->get_value() == "num") {
            port = true;
            break;
        }
    inst = tree::adopt(std::move(inst), std::move(params));
    // A numbered voltage source is a port; a current source keeps its master.
    if (port)
        for (node* c : inst->get_children())
            if (c->get_type() == nt_master) {
                if (c->get_value() == "vsource") c->set_value("port");
                break;
            }
    return tree::locate(std::move(inst), loc);
}

node_ptr add_param(node_ptr list, node_ptr item) {
    if (item->get_type() == nt_param || item->get_type() == nt_function)
        return tree::append(std::move(list), std::move(item));
    return tree::adopt(std::move(list), std::move(item));
}

node_ptr pair(const char* first_name, node_ptr first, const char* second_name, node_ptr second) {
    node_ptr c = tree::container(tree::named(first_name, std::move(first)));
    return tree::append(std::move(c), tree::named(second_name, std::move(second)));
}

node_ptr waveform(const shape& s, node_ptr values, node_ptr params) {
    node_ptr f = std::make_unique<node>(nt_function, s.name);
    if (values) {
        std::size_t i = 0;
        for (const node* v : values->get_children()) {
            if (i == s.count) break;
            f->add_named_value(s.positional[i++], v->get_type(), v->get_value());
        }
    }
    return tree::adopt(std::move(f), std::move(params));
}

node_ptr periodic(const char* name) {
    // The keyword carries no text of its own: its name stands for it.
    return tree::named(name, std::make_unique<node>(nt_expression, "periodic"));
}

node_ptr pattern(node_ptr function, text_ptr bits) {
    function->add_named_value("pattern", nt_string, bits ? *bits : std::string("01"));
    return function;
}

node_ptr pattern_file(korvex3_driver& d, node_ptr function, text_ptr file) {
    d.prepare_quoted_string(*file);
    function->add_named_value("file", nt_string, *file);
    return function;
}

node_ptr pwl(node_ptr before, node_ptr points, node_ptr after) {
    node_ptr f = std::make_unique<node>(nt_function, "pwl_waveform");
    if (before) f = tree::adopt(std::move(f), std::move(before));
    if (points) {
        const auto values = points->get_children();
        std::size_t pairs = 0;
        for (std::size_t k = 0; k < values.size(); ++pairs) {
            const std::string n = std::to_string(pairs);
            f->add_named_value("t" + n, values[k]->get_type(), values[k]->get_value());
            ++k;
            if (k < values.size()) {
                f->add_named_value("v" + n, values[k]->get_type(), values[k]->get_value());
                ++k;
            }
        }
        // Pairs begun: an odd count of values rounds up.
        f->add_named_value("num_points", nt_integer, std::to_string(pairs));
    }
    if (after) f = tree::adopt(std::move(f), std::move(after));
    return f;
}



}  // namespace quarry_parser_implementation::sources
