#include "grammar/analyses.hh"

#include <string>

#include "grammar/includes.hh"
#include "nimbus/os.hh"

namespace quarry_parser_implementation::analyses {

using namespace quarry::ast;

text_ptr word(const char* text) { return text_ptr(new std::string(text)); }

// ---- shared pieces ---------------------------------------------------------------

node_ptr sweep_type(const char* type) {
    node_ptr p = std::make_unique<node>(nt_param, "type");
    p->add_child(nt_string, type);
    return p;
}

node_ptr error_type(const char* type) { return std::make_unique<node>(nt_string, type); }

node_ptr free_option(text_ptr name, node_ptr value) { return tree::named(lower(*name), std::move(value)); }

node_ptr accuracy(text_ptr level) {
    node_ptr p = std::make_unique<node>(nt_param, "accuracy");
    p->add_child(nt_string, std::move(lower(*level)));
    return p;
}

node_ptr file_option(korvex3_driver& d, const char* name, text_ptr file) {
    d.prepare_quoted_string(*file);
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_string, std::move(*file));
    return p;
}

node_ptr initerror(node_ptr type) { return tree::named("initerror", std::move(type)); }

node_ptr initial_conditions(korvex3_driver& d, text_ptr file) {
    node_ptr entries = tree::container();
    d.prepare_quoted_string(*file);
    entries->add_named_value("rdinit", nt_string, *file);
    // The dialect's rule strips quotes a second time here; a file-name token
    // holds no quote inside, so that pass could never change the text.
    entries->add_child(nt_include, nimbus::os::expand_from_env(*file));
    return entries;
}

void name_by_position(node& target, node_ptr values, std::initializer_list<const char*> names) {
    auto name = names.begin();
    for (const node* v : values->get_children()) {
        if (name == names.end()) break;
        target.add_named_value(*name++, v->get_type(), v->get_value());
    }
}

void add_points(node& target, node_ptr values) {
    std::size_t k = 0;
    for (const node* v : values->get_children())
        target.add_named_value("point_" + std::to_string(++k), v->get_type(), v->get_value());
}

node_ptr analysis(const char* name) { return std::make_unique<node>(nt_analysis, name); }

namespace {

/// Finds the file of an RDINIT include, reads it into a body through the host
/// and tells the host which file it read. A file found nowhere leaves the
/// include without a body, and no report.
void read_initial_conditions(korvex3_driver& d, node& include, const location& loc) {
    const std::string path = includes::resolve(d, include.get_value(), includes::fallback::start_folder);
    if (!includes::exists(path)) return;
    node* body = include.add_child(nt_block, std::string());
    if (!d.get_quarry_parser()) return;
    includes::load(d, path, std::string(), *body, loc);
    d.info_packet("PARSER-28", path);
}

void read_includes(korvex3_driver& d, node& parent, const location& loc, bool nested) {
    if (!parent.has_children()) return;
    for (node* child : parent.get_children()) {
        if (child->get_type() == nt_include && !child->has_children())
            read_initial_conditions(d, *child, loc);
        else if (nested && child->get_type() == nt_block)
            read_includes(d, *child, loc, false);
    }
}

}  // namespace

node_ptr finish(korvex3_driver& d, node_ptr analysis, const location& loc) {
    read_includes(d, *analysis, loc, true);
    return tree::locate(std::move(analysis), loc);
}

// ---- sweep fragments ----------------------------------------------------------------

namespace {

using quarry::parser::driver_base;

sweep_param_ptr record(driver_base::sweep_role role, node_ptr content, std::string variable = std::string()) {
    sweep_param_ptr r = std::make_unique<quarry::parser::driver_base::sweep_analysis_param>();
    r->content = content.release();
    r->variable = std::move(variable);
    r->role = role;
    return r;
}

}  // namespace

sweep_param_ptr option_record(node_ptr option) {
    if (option->get_type() != nt_block) option = tree::container(std::move(option));
    return record(driver_base::sweep_option, std::move(option));
}

sweep_param_ptr setting_record(const char* name, node_ptr value) {
    return record(driver_base::sweep_setting, tree::container(tree::named(name, std::move(value))));
}

sweep_param_ptr variable_record(const char* type, text_ptr name) {
    node_ptr content = tree::container(std::make_unique<node>(nt_sweep_type, type));
    return record(driver_base::sweep_variable, std::move(content), name ? std::move(lower(*name)) : std::string("temp"));
}

sweep_param_ptr frequency_record(node_ptr value) {
    node_ptr content = tree::container(std::make_unique<node>(nt_sweep_type, "freq"));
    content->add_named_value("type", nt_string, "points");
    content->add_named_value("np", nt_integer, "1");
    content->add_child(tree::named("point_1", std::move(value)).release());
    return record(driver_base::sweep_frequency, std::move(content), "freq");
}

sweep_params_ptr sweep_set() { return std::make_unique<quarry::parser::driver_base::sweep_analysis_params>(); }

sweep_params_ptr merge(korvex3_driver& d, sweep_params_ptr set, sweep_param_ptr param) {
    d.merge_sweep_analysis_param(set.get(), param.get());
    return set;
}

// ---- generic sweeps ------------------------------------------------------------------

node_ptr generic_sweep(node_ptr params) {
    return tree::adopt(std::make_unique<node>(nt_sweep, std::string()), std::move(params));
}

node_ptr generic_params(node_ptr list, node_ptr item) {
    if (item->get_type() == nt_point_list) return tree::adopt(std::move(list), std::move(item));
    return tree::append(std::move(list), std::move(item));
}

node_ptr generic_type(text_ptr type) {
    node_ptr p = std::make_unique<node>(nt_param, "type");
    p->add_child(nt_string, std::move(lower(*type)));
    return p;
}

node_ptr sweep_target(text_ptr name) { return std::make_unique<node>(nt_sweep_target, std::move(lower(*name))); }

node_ptr variable_type(text_ptr type) { return std::make_unique<node>(nt_sweep_type, std::move(lower(*type))); }

node_ptr variable_type(const char* type) { return std::make_unique<node>(nt_sweep_type, type); }

node_ptr point_list(node_ptr values) {
    node_ptr list = std::make_unique<node>(nt_point_list, std::string());
    add_points(*list, std::move(values));
    return list;
}

// ---- frequency-swept analyses ----------------------------------------------------------

namespace {

/// The set's sweep, or a new one; a frequency sweep unless a variable was named.
node_ptr take_sweep(quarry::parser::driver_base::sweep_analysis_params& set) {
    if (!set.sweep) {
        node_ptr sweep = std::make_unique<node>(nt_sweep, std::string());
        sweep->add_child(nt_sweep_type, "freq");
        return sweep;
    }
    node_ptr sweep(set.sweep);
    set.sweep = nullptr;
    if (!set.variable_given) {
        sweep->set_value(std::string());
        sweep->add_child(nt_sweep_type, "freq");
    }
    return sweep;
}

/// The extra sweep, then the options.
void add_rest(node& a, quarry::parser::driver_base::sweep_analysis_params& set) {
    if (set.extra_sweep) {
        a.add_child(set.extra_sweep);
        set.extra_sweep = nullptr;
    }
    if (set.options) a.take_children(*set.options);
}

}  // namespace

node_ptr swept(korvex3_driver& d, const char* name, node_ptr type, node_ptr values, sweep_params_ptr set,
               const location& loc) {
    node_ptr a = analysis(name);
    node_ptr sweep = take_sweep(*set);
    sweep->add_child(type.release());
    if (values) name_by_position(*sweep, std::move(values), {"np", "start", "stop"});
    a->add_child(sweep.release());
    add_rest(*a, *set);
    return finish(d, std::move(a), loc);
}

node_ptr swept_after(korvex3_driver& d, const char* name, node_ptr type, sweep_param_ptr first, sweep_params_ptr set,
                     const location& loc) {
    set = merge(d, std::move(set), std::move(first));
    return swept(d, name, std::move(type), nullptr, std::move(set), loc);
}

node_ptr fixed(korvex3_driver& d, const char* name, node_ptr type, node_ptr np, node_ptr start, node_ptr stop,
               sweep_params_ptr set, const location& loc) {
    node_ptr a = analysis(name);
    node* sweep = a->add_child(nt_sweep, std::string());
    sweep->add_child(nt_sweep_type, "freq");
    sweep->add_child(type.release());
    sweep->add_child(tree::named("np", std::move(np)).release());
    sweep->add_child(tree::named("start", std::move(start)).release());
    sweep->add_child(tree::named("stop", std::move(stop)).release());
    if (set) add_rest(*a, *set);
    return finish(d, std::move(a), loc);
}

node_ptr points(korvex3_driver& d, const char* name, node_ptr count, node_ptr values, sweep_params_ptr set,
                const location& loc) {
    node_ptr a = analysis(name);
    node_ptr sweep = take_sweep(*set);
    sweep->add_named_value("type", nt_string, "points");
    sweep->add_child(tree::named("np", std::move(count)).release());
    add_points(*sweep, std::move(values));
    a->add_child(sweep.release());
    add_rest(*a, *set);
    return finish(d, std::move(a), loc);
}

node_ptr generic(korvex3_driver& d, const char* name, node_ptr sweeps, sweep_params_ptr set, const location& loc) {
    node_ptr a = tree::adopt(analysis(name), std::move(sweeps));
    if (set->options) a->take_children(*set->options);
    return finish(d, std::move(a), loc);
}

// ---- .DC, .OP, .TRAN -------------------------------------------------------------------

node_ptr dc(korvex3_driver& d, node_ptr sweeps, node_ptr options, const location& loc) {
    node_ptr a = tree::adopt(analysis("dc"), std::move(sweeps));
    if (options) a = tree::adopt(std::move(a), std::move(options));
    return finish(d, std::move(a), loc);
}

namespace {

node_ptr dc_sweep(text_ptr name) {
    node_ptr sweep = std::make_unique<node>(nt_sweep, std::string());
    sweep->add_child(nt_sweep_target, std::move(lower(*name)));
    return sweep;
}

}  // namespace

node_ptr dc_linear(text_ptr name, node_ptr start, node_ptr stop, node_ptr step) {
    node_ptr sweep = dc_sweep(std::move(name));
    sweep->add_named_value("type", nt_string, "linear");
    sweep->add_child(tree::named("start", std::move(start)).release());
    sweep->add_child(tree::named("stop", std::move(stop)).release());
    sweep->add_child(tree::named("step", std::move(step)).release());
    return sweep;
}

node_ptr dc_typed(text_ptr name, node_ptr type, node_ptr np, node_ptr start, node_ptr stop) {
    node_ptr sweep = dc_sweep(std::move(name));
    sweep->add_child(type.release());
    sweep->add_child(tree::named("np", std::move(np)).release());
    sweep->add_child(tree::named("start", std::move(start)).release());
    sweep->add_child(tree::named("stop", std::move(stop)).release());
    return sweep;
}

node_ptr dc_points(text_ptr name, node_ptr count, node_ptr values) {
    node_ptr sweep = dc_sweep(std::move(name));
    sweep->add_named_value("type", nt_string, "points");
    sweep->add_child(tree::named("np", std::move(count)).release());
    add_points(*sweep, std::move(values));
    return sweep;
}

node_ptr hysteresis(node_ptr sweep) {
    sweep->add_named_value("hyst", nt_integer, "1");
    return sweep;
}

node_ptr op(korvex3_driver& d, node_ptr params, const location& loc) {
    return finish(d, tree::adopt(analysis("op"), std::move(params)), loc);
}

node_ptr tran(korvex3_driver& d, node_ptr values, node_ptr params, const location& loc) {
    node_ptr a = analysis("transient");
    if (values) name_by_position(*a, std::move(values), {"tstep", "tstop", "tstart", "tmax", "tshift", "tmin"});
    a = tree::adopt(std::move(a), std::move(params));
    return finish(d, std::move(a), loc);
}

node_ptr merge_block(node_ptr list, node_ptr item) {
    if (item->get_type() == nt_block) return tree::adopt(std::move(list), std::move(item));
    return tree::append(std::move(list), std::move(item));
}

node_ptr numbered(const char* name, node_ptr values) {
    node_ptr entries = tree::container();
    const std::string base(name);
    entries->add_named_value(base + "_np", nt_integer, std::to_string(values->child_count()));
    std::size_t k = 0;
    for (const node* v : values->get_children())
        entries->add_named_value(base + std::to_string(++k), v->get_type(), v->get_value());
    return entries;
}

}  // namespace quarry_parser_implementation::analyses
