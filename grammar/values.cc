#include "grammar/values.hh"

#include <stdexcept>

namespace quarry_parser_implementation {

void grammar_value::reset() noexcept {
    switch (kind_) {
    case kind::none: break;
    case kind::text: text_pool::give_back(static_cast<std::string*>(ptr_)); break;
    case kind::node: delete static_cast<quarry::ast::node*>(ptr_); break;
    case kind::texts: delete static_cast<texts*>(ptr_); break;
    case kind::located: delete static_cast<located_text*>(ptr_); break;
    case kind::model: delete static_cast<model_reference*>(ptr_); break;
    case kind::sweep_param: delete static_cast<sweep_param_ptr::pointer>(ptr_); break;
    case kind::sweep_params: delete static_cast<sweep_params_ptr::pointer>(ptr_); break;
    }
    ptr_ = nullptr;
    kind_ = kind::none;
}

const char* grammar_value::name_of(kind k) {
    switch (k) {
    case kind::none: return "nothing";
    case kind::text: return "a text";
    case kind::node: return "a node";
    case kind::texts: return "bus members";
    case kind::located: return "a located text";
    case kind::model: return "a model reference";
    case kind::sweep_param: return "a sweep fragment";
    case kind::sweep_params: return "sweep fragments";
    }
    return "?";
}

void grammar_value::refuse(kind wanted) const {
    throw wrong_kind(std::string("grammar value: expected ") + name_of(wanted) + ", got " + name_of(kind_));
}

}  // namespace quarry_parser_implementation
