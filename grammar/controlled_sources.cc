#include "grammar/controlled_sources.hh"

#include <cstdlib>
#include <string>

namespace quarry_parser_implementation::controlled_sources {

using namespace quarry::ast;

const card vccs{"vccs", "nonlinear_vccs", false};
const card vcvs{"vcvs", "nonlinear_vcvs", false};
const card cccs{"cccs", "nonlinear_cccs", true};
const card ccvs{"ccvs", "nonlinear_ccvs", true};

namespace {

node_ptr masters(node_ptr inst, const char* master) {
    inst->add_child(nt_master, master);
    inst->add_child(nt_master_kind, "device");
    return inst;
}

/// The net of a control pin; a named port holds it one level deeper.
std::string net_name(const node& pin) {
    const node& net = pin[0];
    return net.has_children() ? net[0].get_value() : net.get_value();
}

/// A number text as the number rules leave it: exponential or plain.
std::string prepared_number(korvex3_driver& d, std::string text) {
    lower(text);
    if (text.find('e') != std::string::npos)
        d.prepare_exp_number(text);
    else
        d.prepare_number(text);
    return text;
}

/// A limit value's text, prepared according to its kind.
std::string prepared_limit(korvex3_driver& d, const node& value) {
    std::string text = value.get_value();
    switch (value.get_type()) {
    case nt_number:
        return prepared_number(d, std::move(text));
    case nt_expression:
        d.prepare_expression(text);
        return text;
    case nt_integer:
        d.prepare_number(lower(text));
        return text;
    default:
        return text;
    }
}

/// True for a text that reads wholly as a negative decimal number.
bool negative(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    return end != begin && *end == '\0' && v < 0.0;
}

/// What MAX, MIN, DELTA and ABS ask of a linear card.
struct limits {
    std::string max = "1e9", min = "-1e9", delta = "0.25", abs = "off", prefix, suffix;
    bool limited = false, smooth = true;

    limits(korvex3_driver& d, const node& params) {
        for (const node* p : params.get_children()) {
            if (!p->has_children()) continue;
            const node& value = (*p)[0];
            const std::string& name = p->get_value();
            if (name == "max") {
                max = prepared_limit(d, value);
                limited = true;
            } else if (name == "min") {
                min = prepared_limit(d, value);
                limited = true;
            } else if (name == "delta") {
                delta = prepared_limit(d, value);
                // A text that is no number (an expression) keeps the smooth form.
                if (negative(delta)) smooth = false;
            } else if (name == "abs") {
                std::string text = value.get_value();
                if (value.get_type() == nt_generic_value && lower(text) == "on") {
                    abs = "on";
                    prefix = " abs( ";
                    suffix = " ) ";
                }
            }
        }
    }
};

/// The control of a card: two nodes or one source.
struct control {
    node_ptr p, n;
    std::string source;
    bool by_current;
};

node_ptr linear_card(korvex3_driver& d, const card& c, node_ptr inst, control ctrl, node_ptr gain, node_ptr params,
                     const location& loc) {
    const limits lim(d, *params);
    if (!lim.limited) {
        if (ctrl.by_current) {
            inst->add_named_value("vctrl", nt_string, ctrl.source);
        } else {
            inst->add_child(ctrl.p.release());
            inst->add_child(ctrl.n.release());
        }
        inst->add_child(tree::named("coeff", std::move(gain)).release());
        inst = tree::adopt(std::move(inst), std::move(params));
        return tree::locate(masters(std::move(inst), c.master), loc);
    }
    if (lim.smooth) {
        node* f = inst->add_child(nt_function, "pwl_smooth");
        f->add_named_value("dimension", nt_integer, "1");
        if (ctrl.by_current) {
            f->add_named_value("ctrl1", nt_string, ctrl.source);
        } else {
            f->add_named_value("ctrl1p", nt_string, net_name(*ctrl.p));
            f->add_named_value("ctrl1n", nt_string, net_name(*ctrl.n));
        }
        f->add_named_value("coeff", nt_number, gain->get_value());
        f->add_named_value("max", nt_number, lim.max);
        f->add_named_value("min", nt_number, lim.min);
        f->add_named_value("delta", nt_number, lim.delta);
        f->add_named_value("abs", nt_string, lim.abs);
        inst = tree::adopt(std::move(inst), std::move(params));
        return tree::locate(masters(std::move(inst), c.nonlinear_master), loc);
    }
    const std::string controlled_by = ctrl.by_current ? " * I(" + ctrl.source + ")"
                                                      : " * V(" + net_name(*ctrl.p) + "," + net_name(*ctrl.n) + ")";
    std::string text = "limit( " + prepared_number(d, gain->get_value()) + controlled_by + ", " + lim.max + ", " +
                       lim.min + ")";
    text = lim.prefix + text + lim.suffix;
    d.prepare_expression(text);
    inst->add_child(tree::named("coeff", std::move(gain)).release());
    inst = masters(tree::adopt(std::move(inst), std::move(params)), c.nonlinear_master);
    inst->add_child(nt_function, "equation");
    for (node* child : inst->get_children())
        if (child->get_value() == "equation") child->add_named_value("equation", nt_expression, text);
    return tree::locate(std::move(inst), loc);
}

/// A field count read from a dimension text; 0 when it is no number.
std::size_t count_of(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 10); }

/// The control fields of POLY and PWL: D dimensions of one or two fields each,
/// named by the dimension source count. Returns the index of the next field.
std::size_t control_fields(node& f, std::size_t dimensions, std::uint64_t per_dimension, const children_view& fields) {
    std::size_t k = 0;
    // Names whose field is missing are skipped, so the walk can stop early.
    for (std::size_t i = 1; i <= dimensions && k < fields.size(); ++i)
        for (std::uint64_t j = 1; j <= per_dimension && k < fields.size(); ++j) {
            std::string name = "ctrl" + std::to_string(i);
            if (per_dimension == 2) name += j == 1 ? "p" : "n";
            f.add_named_value(name, nt_string, fields[k++]->get_value());
        }
    return k;
}

/// The head of POLY and PWL: the function node with its dimension and control
/// fields; null when the dimension is not an integer.
node_ptr dimensioned(korvex3_driver& d, const char* name, const node& dimension, const node& fields,
                     std::size_t& next) {
    node_ptr f = std::make_unique<node>(nt_function, name);
    if (dimension.get_type() != nt_integer) return f;
    f->add_named_value("dimension", nt_integer, dimension.get_value());
    next = control_fields(*f, count_of(dimension.get_value()), d.get_dimension_source_count(), fields.get_children());
    return f;
}

}  // namespace

node_ptr voltage_controlled(korvex3_driver& d, const card& c, node_ptr inst, node_ptr ctrl_p, node_ptr ctrl_n,
                            node_ptr gain, node_ptr params, const location& loc) {
    return linear_card(d, c, std::move(inst), {std::move(ctrl_p), std::move(ctrl_n), {}, false}, std::move(gain),
                       std::move(params), loc);
}

node_ptr current_controlled(korvex3_driver& d, const card& c, node_ptr inst, text_ptr ctrl, node_ptr gain,
                            node_ptr params, const location& loc) {
    return linear_card(d, c, std::move(inst), {nullptr, nullptr, std::move(*ctrl), true}, std::move(gain),
                       std::move(params), loc);
}

node_ptr nonlinear(const card& c, node_ptr inst, node_ptr function, node_ptr params, const location& loc) {
    inst->add_child(function.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(masters(std::move(inst), c.nonlinear_master), loc);
}

node_ptr transformer(node_ptr inst, node_ptr pin_3, node_ptr pin_4, node_ptr params, const location& loc) {
    inst->add_child(pin_3.release());
    inst->add_child(pin_4.release());
    inst = tree::adopt(std::move(inst), std::move(params));
    return tree::locate(masters(std::move(inst), "transformer"), loc);
}

node_ptr poly(korvex3_driver& d, node_ptr dimension, node_ptr fields) {
    std::size_t k = 0;
    node_ptr f = dimensioned(d, "poly", *dimension, *fields, k);
    if (dimension->get_type() != nt_integer) return f;
    const auto values = fields->get_children();
    std::size_t coefficients = 0;
    for (; k < values.size(); ++k, ++coefficients) {
        const node& v = *values[k];
        // A bare name is a parameter, read as an expression.
        const et_node_type kind = v.get_type() == nt_string ? nt_expression : v.get_type();
        f->add_named_value("p" + std::to_string(coefficients), kind, v.get_value());
    }
    f->add_named_value("num_coeff", nt_integer, std::to_string(coefficients));
    return f;
}

node_ptr pwl(korvex3_driver& d, node_ptr dimension, node_ptr fields) {
    std::size_t k = 0;
    node_ptr f = dimensioned(d, "pwl", *dimension, *fields, k);
    if (dimension->get_type() != nt_integer) return f;
    const auto values = fields->get_children();
    if (k < values.size()) {
        const node& model = *values[k++];
        if (!model.get_value().empty() && model.get_value().front() == '%') {
            std::string alias = model.get_value();
            d.prepare_model_alias(alias);
            f->add_named_value("model_alias", nt_string, alias);
        } else {
            f->add_named_value("model", model.get_type(), model.get_value());
        }
    }
    if (k < values.size()) f->add_named_value("scale", values[k]->get_type(), values[k]->get_value());
    return f;
}

node_ptr laplace(node_ptr num_count, node_ptr den_count, node_ptr fields) {
    node_ptr f = std::make_unique<node>(nt_function, "laplace");
    std::size_t numerator = 0, denominator = 0;
    if (num_count->get_type() == nt_integer) {
        numerator = count_of(num_count->get_value());
        f->add_named_value("dim_num", nt_integer, num_count->get_value());
    }
    if (den_count->get_type() == nt_integer) {
        denominator = count_of(den_count->get_value());
        f->add_named_value("dim_den", nt_integer, den_count->get_value());
    }
    const auto values = fields->get_children();
    std::size_t k = 0;
    if (k < values.size()) f->add_named_value("ctrlp", nt_string, values[k++]->get_value());
    if (k < values.size()) {
        std::string second = values[k]->get_value();
        // Without a negative node the numerator's keyword follows at once.
        if (lower(second) != "num") {
            f->add_named_value("ctrln", nt_string, second);
            ++k;
        }
    }
    ++k;  // NUM
    for (std::size_t i = 0; i < numerator && k < values.size(); ++i, ++k)
        f->add_named_value("n" + std::to_string(i), values[k]->get_type(), values[k]->get_value());
    ++k;  // DEN
    for (std::size_t j = 0; j < denominator && k < values.size(); ++j, ++k)
        f->add_named_value("d" + std::to_string(j), values[k]->get_type(), values[k]->get_value());
    return f;
}

node_ptr equation(korvex3_driver& d, text_ptr expression) {
    node_ptr f = std::make_unique<node>(nt_function, "equation");
    d.prepare_expression(*expression);
    f->add_named_value("equation", nt_expression, *expression);
    return f;
}

void user(korvex3_driver& d, const location& loc) { d.context_error(loc, "USER() function is not supported"); }

}  // namespace quarry_parser_implementation::controlled_sources
