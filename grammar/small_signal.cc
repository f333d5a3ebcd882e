#include "grammar/small_signal.hh"

namespace quarry_parser_implementation::small_signal {

using namespace quarry::ast;
namespace an = analyses;


node_ptr named_word(const char* name, const char* word) {
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_string, word);
    return p;
}

node_ptr noise(text_ptr outp, text_ptr outn, text_ptr insrc, node_ptr nums, const location& loc) {
    node_ptr a = an::analysis("noise");
    a->add_named_value("outp", nt_string, *outp);
    if (outn) a->add_named_value("outn", nt_string, *outn);
    a->add_named_value("insrc", nt_string, *insrc);
    if (nums) a->add_child(tree::named("nums", std::move(nums)).release());
    return tree::locate(std::move(a), loc);
}

node_ptr stb_fixed(korvex3_driver& d, node_ptr type, node_ptr np, node_ptr start, node_ptr stop, node_ptr probe,
                   sweep_params_ptr set, const location& loc) {
    set = an::merge(d, std::move(set), an::option_record(std::move(probe)));
    return an::fixed(d, "stb", std::move(type), std::move(np), std::move(start), std::move(stop), std::move(set), loc);
}

node_ptr pz_base(text_ptr inp, text_ptr inn, text_ptr outp, text_ptr outn, node_ptr type) {
    node_ptr a = an::analysis("pz");
    a->add_named_value("inp", nt_string, *inp);
    a->add_named_value("inn", nt_string, *inn);
    a->add_named_value("outp", nt_string, *outp);
    a->add_named_value("outn", nt_string, *outn);
    a->add_child(type.release());
    return a;
}

node_ptr pz(korvex3_driver& d, node_ptr base, node_ptr pzout, node_ptr params, const location& loc) {
    if (pzout) base->add_child(pzout.release());
    return an::finish(d, tree::adopt(std::move(base), std::move(params)), loc);
}

node_ptr lf(korvex3_driver& d, node_ptr params, const location& loc) {
    return an::finish(d, tree::adopt(an::analysis("lf"), std::move(params)), loc);
}

node_ptr exclude(node_ptr names) {
    return tree::adopt(std::make_unique<node>(nt_param, "exclude"), std::move(names));
}

node_ptr fourier_signal(korvex3_driver& d, node_ptr list, text_ptr name, node_ptr value) {
    std::string signal = name ? std::move(*name) : "fourier_" + value->get_value();
    if (!name) d.prepare_measure_name(signal);
    std::string expression = value->get_value();
    d.prepare_expression(expression);
    list->add_named_value(signal, nt_expression, expression);
    return list;
}

node_ptr four(node_ptr signals, const location& loc) {
    node_ptr statement = tree::container();
    for (node* entry : signals->get_children()) {
        node* m = statement->add_child(nt_measure, entry->get_value());
        m->add_named_value("analysis", nt_string, "transient");
        m->add_named_value("function", nt_string, "fourier");
        m->add_child(nt_param, "args_sig")->take_children(*entry);
    }
    return tree::locate(std::move(statement), loc);
}

node_ptr disto(korvex3_driver& d, text_ptr rload, node_ptr values, node_ptr params, const location& loc) {
    d.context_warning(loc, ".DISTO statement is not supported at this time.");
    node_ptr a = an::analysis("disto");
    a->add_named_value("rload", nt_string, *rload);
    if (values) an::name_by_position(*a, std::move(values), {"int", "skw2", "refpwr", "spw2"});
    if (params) a = tree::adopt(std::move(a), std::move(params));
    return tree::locate(std::move(a), loc);
}

node_ptr sens(korvex3_driver& d, const char* type, const location& loc) {
    d.context_warning(loc, ".SENS statement is not supported at this time.");
    node_ptr a = an::analysis("sens");
    a->add_named_value("type", nt_string, type);
    return tree::locate(std::move(a), loc);
}

node_ptr tf(korvex3_driver& d, node_ptr output, text_ptr input, const location& loc) {
    d.context_warning(loc, ".TF statement is not supported at this time.");
    node_ptr a = an::analysis("tf");
    a->add_child(output.release());
    a->add_child(nt_string, std::move(*input));
    return tree::locate(std::move(a), loc);
}

node_ptr tf_output(const char* name, text_ptr first, text_ptr second) {
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_string, std::move(*first));
    if (second) p->add_child(nt_string, std::move(*second));
    return p;
}

}  // namespace quarry_parser_implementation::small_signal
