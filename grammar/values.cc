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

void grammar_value::wrong_kind() { throw std::logic_error("grammar value of the wrong kind"); }

}  // namespace quarry_parser_implementation
