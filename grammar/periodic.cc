#include "grammar/periodic.hh"

namespace quarry_parser_implementation::periodic {

using namespace quarry::ast;
namespace an = analyses;

namespace {

/// The warning comes first, before anything of the statement is built or read.
node_ptr start(korvex3_driver& d, const char* name, const char* warning, const location& loc) {
    d.context_warning(loc, warning);
    return an::analysis(name);
}

/// "type" "points", "np" over the count and the points.
void add_point_sweep(node& a, node_ptr count, node_ptr values) {
    a.add_named_value("type", nt_string, "points");
    a.add_child(tree::named("np", std::move(count)).release());
    an::add_points(a, std::move(values));
}

}  // namespace

node_ptr pss(korvex3_driver& d, node_ptr params, const location& loc) {
    node_ptr a = start(d, "pss", ".PSS statement is not supported at this time.", loc);
    return an::finish(d, tree::adopt(std::move(a), std::move(params)), loc);
}

node_ptr pac(korvex3_driver& d, node_ptr type, node_ptr values, node_ptr params, const location& loc) {
    node_ptr a = start(d, "pac", ".PAC statement is not supported at this time.", loc);
    a->add_child(type.release());
    if (values) an::name_by_position(*a, std::move(values), {"np", "fstart", "fstop", "harmlim", "fold"});
    return an::finish(d, tree::adopt(std::move(a), std::move(params)), loc);
}

node_ptr pac_points(korvex3_driver& d, node_ptr count, node_ptr values, node_ptr params, const location& loc) {
    node_ptr a = start(d, "pac", ".PAC statement is not supported at this time.", loc);
    add_point_sweep(*a, std::move(count), std::move(values));
    return an::finish(d, tree::adopt(std::move(a), std::move(params)), loc);
}

node_ptr harms(node_ptr values) { return tree::adopt(std::make_unique<node>(nt_param, "harms"), std::move(values)); }

namespace {

node_ptr pnoise_rest(korvex3_driver& d, node_ptr a, node_ptr first, text_ptr outp, node_ptr second,
                     const location& loc) {
    a = tree::adopt(std::move(a), std::move(first));
    a->add_named_value("outp", nt_string, *outp);
    return an::finish(d, tree::adopt(std::move(a), std::move(second)), loc);
}

}  // namespace

node_ptr pnoise(korvex3_driver& d, node_ptr type, node_ptr values, node_ptr first, text_ptr outp, node_ptr second,
                const location& loc) {
    node_ptr a = start(d, "pnoise", ".PNOISE statement is not supported at this time.", loc);
    a->add_child(type.release());
    if (values) an::name_by_position(*a, std::move(values), {"np", "fstart", "fstop"});
    return pnoise_rest(d, std::move(a), std::move(first), std::move(outp), std::move(second), loc);
}

node_ptr pnoise_points(korvex3_driver& d, node_ptr count, node_ptr values, node_ptr first, text_ptr outp,
                       node_ptr second, const location& loc) {
    node_ptr a = start(d, "pnoise", ".PNOISE statement is not supported at this time.", loc);
    add_point_sweep(*a, std::move(count), std::move(values));
    return pnoise_rest(d, std::move(a), std::move(first), std::move(outp), std::move(second), loc);
}

node_ptr pxf(korvex3_driver& d, node_ptr type, node_ptr first, text_ptr outp, node_ptr second, const location& loc) {
    node_ptr a = start(d, "pxf", ".PXF statement is not supported at this time.", loc);
    a->add_child(type.release());
    a = tree::adopt(std::move(a), std::move(first));
    a->add_named_value("outpt", nt_string, *outp);
    return an::finish(d, tree::adopt(std::move(a), std::move(second)), loc);
}

node_ptr pxf_points(korvex3_driver& d, bool with_np, node_ptr count, node_ptr values, text_ptr outp, node_ptr second,
                    const location& loc) {
    node_ptr a = start(d, "pxf", ".PXF statement is not supported at this time.", loc);
    if (with_np) {
        a->add_named_value("points", nt_integer, "1");
        a->add_child(tree::named("np", std::move(count)).release());
    } else {
        a->add_child(tree::named("points", std::move(count)).release());
    }
    a = tree::adopt(std::move(a), std::move(values));
    a->add_named_value(with_np ? "outp" : "outpt", nt_string, *outp);
    return an::finish(d, tree::adopt(std::move(a), std::move(second)), loc);
}

}  // namespace quarry_parser_implementation::periodic
