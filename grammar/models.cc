#include "grammar/models.hh"

#include <optional>
#include <string>

namespace quarry_parser_implementation::models {

using namespace quarry::ast;

namespace {

/// The dimension of a table, when its text is a plain decimal count the table
/// can hold.
std::optional<unsigned long> table_dimension(const node& value) {
    // A wider table is no table: its increment loop would run that many times.
    constexpr unsigned long widest = 1024;
    if (value.get_type() != nt_integer) return std::nullopt;
    const std::string& text = value.get_value();
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned long>(c - '0');
    }
    if (n > widest) return std::nullopt;
    return n;
}

void add_copy(node& target, const std::string& name, const node& value) {
    target.add_named_value(name, value.get_type(), value.get_value());
}

/// incrK_startM, incrK_stopM, incrK_stepM per triplet and incrK_num per group,
/// when the list starts with the group incr1.
void name_increments(node& table, const node& list, unsigned long dimension) {
    const auto& items = list.get_children();
    if (items.empty() || items[0]->get_value() != "incr1") return;
    std::size_t at = 0;
    std::string next = "incr2";
    for (unsigned long k = 1; k <= dimension; ++k) {
        const std::string group = "incr" + std::to_string(k);
        ++at;  // the group's name
        unsigned long m = 0;
        while (at < items.size() && items[at]->get_value() != next) {
            for (const char* part : {"_start", "_stop", "_step"}) {
                if (at >= items.size()) break;
                add_copy(table, group + part + std::to_string(m), *items[at++]);
            }
            ++m;
        }
        table.add_named_value(group + "_num", nt_integer, std::to_string(m));
        if (next == "incr2")
            next = "incr3";
        else if (next == "incr3")
            next = "incr4";
    }
}

}  // namespace

node_ptr base(text_ptr name) { return std::make_unique<node>(nt_model, std::move(*name)); }

node_ptr device(const char* device, const char* polarity) {
    node_ptr c = tree::container();
    c->add_child(nt_model_device, device);
    if (polarity) c->add_child(nt_polarity, polarity);
    return c;
}

node_ptr model(node_ptr model, node_ptr device, node_ptr params, const location& loc) {
    model = tree::adopt(std::move(model), std::move(device));
    model = tree::adopt(std::move(model), std::move(params));
    return tree::locate(std::move(model), loc);
}

node_ptr typed_model(korvex3_driver& d, node_ptr model, text_ptr type, node_ptr params, const location& loc) {
    model->add_child(nt_model_device, std::move(lower(*type)));
    model = tree::adopt(std::move(model), std::move(params));
    d.extract_model_type(model.get());
    return tree::locate(std::move(model), loc);
}

node_ptr w_model(node_ptr model, node_ptr params, const location& loc) {
    model->add_child(nt_param, "w")->take_children(*params);
    return tree::locate(std::move(model), loc);
}

node_ptr va_model(node_ptr model, text_ptr module, node_ptr params, const location& loc) {
    model->set_type(nt_paramset);
    model->add_child(nt_master, std::move(lower(*module)));
    model->add_child(nt_master_kind, "hdl");
    model = tree::adopt(std::move(model), std::move(params));
    return tree::locate(std::move(model), loc);
}

node_ptr param(text_ptr name, node_ptr values) {
    if (*name == "level") return std::make_unique<node>(nt_model_level, (*values)[0].get_value());
    return values_param(std::move(name), std::move(values));
}

node_ptr values_param(text_ptr name, node_ptr values) {
    return tree::adopt(std::make_unique<node>(nt_param, std::move(*name)), std::move(values));
}

node_ptr level(node_ptr value) { return std::make_unique<node>(nt_model_level, value->get_value()); }

node_ptr rlgc() { return table_option("modeltype", "rlgc"); }

node_ptr named(text_ptr name, node_ptr value) { return tree::named(*name, std::move(value)); }

node_ptr word(text_ptr text) { return std::make_unique<node>(nt_string, std::move(*text)); }

node_ptr table_option(const char* name, const char* value) {
    node_ptr p = std::make_unique<node>(nt_param, name);
    p->add_child(nt_string, value);
    return p;
}

node_ptr symmetry(const char* kind, text_ptr count) {
    node_ptr p = table_option("symmetry", kind);
    p->add_named_value(kind, nt_integer, *count);
    return p;
}

node_ptr increments(node_ptr list, text_ptr group, node_ptr start, node_ptr stop, node_ptr step) {
    if (!list) list = tree::container();
    if (group) list->add_child(nt_string, std::move(lower(*group)));
    for (node_ptr* v : {&start, &stop, &step}) list->add_child(v->release());
    return list;
}

node_ptr pwl(node_ptr model, node_ptr dimension, node_ptr params, node_ptr increments, node_ptr data,
             const location& loc) {
    node* table = model->add_child(nt_function, "pwl_model");
    if (const auto dimensions = table_dimension(*dimension)) {
        const unsigned long dim = *dimensions;
        table->add_child(tree::named("dimension", std::move(dimension)).release());
        if (params) table->take_children(*params);
        const auto& values = data->get_children();
        std::size_t at = 0;
        unsigned long rows = 0;
        if (increments) {
            name_increments(*table, *increments, dim);
            for (; at < values.size(); ++at, ++rows) add_copy(*table, "data_" + std::to_string(rows), *values[at]);
        } else {
            for (; at < values.size(); ++rows) {
                const std::string row = std::to_string(rows);
                add_copy(*table, "data_" + row, *values[at++]);
                for (unsigned long j = 1; j <= dim && at < values.size(); ++j)
                    add_copy(*table, "val" + std::to_string(j) + "_" + row, *values[at++]);
            }
        }
        table->add_named_value("num_points", nt_integer, std::to_string(rows));
    }
    return tree::locate(std::move(model), loc);
}

node_ptr paramset(text_ptr name, text_ptr master, node_ptr params, const location& loc) {
    node_ptr set = std::make_unique<node>(nt_paramset, std::move(*name));
    set->add_child(nt_master, std::move(*master));
    set = tree::adopt(std::move(set), std::move(params));
    return tree::locate(std::move(set), loc);
}

}  // namespace quarry_parser_implementation::models
