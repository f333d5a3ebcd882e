#pragma once
// Operand fields: names, buses, pins, file names, model references, values,
// value lists and free parameters.
#include <string>

#include "grammar/tree.hh"

namespace quarry_parser_implementation::operands {

using tree::node;
using quarry::ast::et_node_type;

// ---- names ------------------------------------------------------------------

/// The lower-cased token text.
text_ptr name(text_ptr text);
/// head(inner) with a lower-cased head: NAME_FIELD_PAR / ID_FIELD_PAR forms;
/// `close` and `trailing` extend it to head(inner)trailing or head(inner).trailing.
text_ptr call_name(text_ptr head, text_ptr inner, const char* close = ")", text_ptr trailing = nullptr);
/// head[index] with the bracket texts as scanned; `trailing` follows the closing bracket.
text_ptr indexed_name(text_ptr head, text_ptr open, text_ptr index, text_ptr close, text_ptr trailing = nullptr);
/// A file-name piece or character before a name: lower-cased piece, then the name.
text_ptr prefixed_name(text_ptr piece, text_ptr name);

/// The members of head[from:to] (either direction, both bounds included); a
/// bound beyond 64 bits or a bus over 2^20 members throws, naming `loc`.
texts bus(text_ptr head, text_ptr open, text_ptr from, text_ptr to, text_ptr close, text_ptr trailing,
          const location& loc);

/// Name lists: one nt_string per name, bus members expanded.
node_ptr name_list(node_ptr list, text_ptr name);
node_ptr name_list_members(node_ptr list, texts members);

// ---- pins ---------------------------------------------------------------------

/// nt_pin "" over nt_string name (`fallback` when the token has no text).
node_ptr pin(text_ptr name, const char* fallback = "");
/// nt_pin "" over nt_param port over nt_string net.
node_ptr port_pin(const char* port, text_ptr net);
/// The same with the port name as scanned, lower-cased.
node_ptr port_pin(text_ptr port, text_ptr net);
/// Port name head[index] or head[index]close+tail.
node_ptr indexed_port_pin(text_ptr head, text_ptr index, text_ptr close, text_ptr tail, text_ptr net);
node_ptr pin_list(node_ptr list, node_ptr pin);
node_ptr pin_list_members(node_ptr list, texts members);
/// nt_instance named `name` with the element's pins moved in.
node_ptr instance(text_ptr name, node_ptr pins);
/// A container of an element's pins, in order.
template <typename... Pins>
node_ptr pins(node_ptr first, Pins... rest) {
    node_ptr list = tree::container(std::move(first));
    (list->add_child(node_ptr(std::move(rest)).release()), ...);
    return list;
}

// ---- file and model names ----------------------------------------------------------

/// A quoted piece ("file name", "expression") without its quotes.
text_ptr quoted_piece(korvex3_driver& d, text_ptr text);
/// Concatenates two pieces.
text_ptr join(text_ptr first, text_ptr second);

model_reference model_by_name(text_ptr name, const location& loc);
model_reference model_by_alias(text_ptr alias, const location& loc);
/// nt_master `name`, then nt_master_kind `kind` ("device", "model", "hdl", ...).
node_ptr with_master(node_ptr inst, const std::string& name, const char* kind);
/// The element's model: nt_master with the name, or nt_model_alias with the
/// prepared alias, then nt_master_kind "model".
node_ptr with_model(korvex3_driver& d, node_ptr inst, model_reference model);

// ---- values ---------------------------------------------------------------------

/// nt_number or nt_integer after number preparation.
node_ptr int_field(korvex3_driver& d, text_ptr text);
node_ptr float_field(korvex3_driver& d, text_ptr text);
node_ptr exp_field(korvex3_driver& d, text_ptr text);
/// nt_expression, prepared and located at the token.
node_ptr expression(korvex3_driver& d, text_ptr text, const location& loc);
/// nt_expression without a location.
node_ptr bare_expression(korvex3_driver& d, text_ptr text);
/// nt_expression of an identifier used as a value, located at it.
node_ptr located_expression(korvex3_driver& d, located_text id);
/// The lower-cased identifier of an id_value_field with its token's location.
located_text located_name(text_ptr text, const location& loc);
/// nt_generic_value of an identifier used as a value, located at it.
node_ptr generic_value(korvex3_driver& d, located_text id);
/// nt_string with the lower-cased text.
node_ptr string_field(text_ptr text);
/// nt_string head[index] with the head lower-cased.
node_ptr indexed_string(text_ptr head, text_ptr index);

/// nt_param `name` over nt_string with the text as it stands.
node_ptr named_text(const char* name, text_ptr text);
/// nt_param `name` over nt_string with the file name, its quotes removed.
node_ptr named_file(korvex3_driver& d, const char* name, text_ptr file);
/// A free parameter: nt_param name over the field (nt_string becomes nt_generic_value).
node_ptr parameter(text_ptr name, node_ptr field);
/// nt_param kind over nt_string with the pattern as scanned.
node_ptr pattern(const char* kind, text_ptr pattern);
/// Appends the identifier as nt_string.
node_ptr id_list(node_ptr list, located_text id);

/// nt_param with the lower-cased word over the value.
node_ptr word_param(text_ptr word, node_ptr value);
/// nt_param word[index], both lower-cased, over the value.
node_ptr indexed_word_param(text_ptr word, text_ptr index, node_ptr value);
/// nt_param with the lower-cased word over nt_string with the lower-cased name.
node_ptr word_string_param(text_ptr word, text_ptr name);

/// nt_param `name` over nt_string with the pattern lower-cased, then prepared.
node_ptr pattern_param(korvex3_driver& d, const char* name, text_ptr pattern);
/// nt_param `name` holding the list's values.
node_ptr list_param(const char* name, node_ptr values);

/// A statement node of `kind`, named by the lower-cased word ("" without one),
/// holding the list's items, located at `loc`.
node_ptr statement(et_node_type kind, text_ptr name, node_ptr params, const location& loc);

}  // namespace quarry_parser_implementation::operands
