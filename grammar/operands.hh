#pragma once
// Operand fields: names, buses, pins, file names, model names, values, value
// lists and free parameters. Every function takes ownership of the texts and
// nodes it is given and returns a new owned text or node.
#include <string>
#include <vector>

#include "tree.hh"

namespace quarry_parser_implementation::operands {

using tree::node;
using tree::texts;

// ---- names ------------------------------------------------------------------

/// The lower-cased token text.
std::string* name(std::string* text);
/// head(inner) with a lower-cased head: NAME_FIELD_PAR / ID_FIELD_PAR forms;
/// `close` and `trailing` extend it to head(inner)trailing or head(inner).trailing.
std::string* call_name(std::string* head, std::string* inner, const char* close = ")", std::string* trailing = nullptr);
/// head[index] with the bracket texts as scanned; `trailing` follows the closing bracket.
std::string* indexed_name(std::string* head, std::string* open, std::string* index, std::string* close,
                          std::string* trailing = nullptr);
/// A file-name piece or character before a name: lower-cased piece, then the name.
std::string* prefixed_name(std::string* piece, std::string* name);

/// The members of head[from:to] (either direction, both bounds included).
texts* bus(std::string* head, std::string* open, std::string* from, std::string* to, std::string* close,
           std::string* trailing = nullptr);

/// Name lists: one nt_string per name, bus members expanded.
node* name_list(node* list, std::string* name);
node* name_list(node* list, texts* members);

// ---- pins ---------------------------------------------------------------------

/// nt_pin "" over nt_string name.
node* pin(std::string* name);
/// nt_pin "" over nt_param port over nt_string net.
node* port_pin(const std::string& port, std::string* net);
/// Port name head[index] or head[index]close+tail.
node* indexed_port_pin(std::string* head, std::string* index, std::string* close, std::string* tail, std::string* net);
node* pin_list(node* list, node* pin);
node* pin_list(node* list, texts* members);

// ---- file names ----------------------------------------------------------------

/// A quoted piece ("file name", "expression") without its quotes.
std::string* quoted_piece(korvex3_driver& d, std::string* text);
/// Concatenates two pieces.
std::string* join(std::string* first, std::string* second);
/// A bracketed file-name piece keeps only its head.
std::string* head_piece(std::string* head, std::string* a, std::string* b = nullptr, std::string* c = nullptr,
                        std::string* e = nullptr);

// ---- values ---------------------------------------------------------------------

/// nt_number or nt_integer after number preparation.
node* int_field(korvex3_driver& d, std::string* text);
node* float_field(korvex3_driver& d, std::string* text);
node* exp_field(korvex3_driver& d, std::string* text);
/// nt_expression, prepared and located at the token.
node* expression(korvex3_driver& d, std::string* text, const location& loc);
/// nt_expression of an identifier used as a value, located at it.
node* located_expression(korvex3_driver& d, tree::located_text* id);
/// nt_expression without a location.
node* bare_expression(korvex3_driver& d, std::string* text);
/// The lower-cased identifier of an id_value_field with its token's location.
tree::located_text* located_name(std::string* text, const location& loc);
/// nt_generic_value of an identifier used as a value, located at it.
node* generic_value(korvex3_driver& d, tree::located_text* id);
/// nt_string with the lower-cased text.
node* string_field(std::string* text);
/// nt_string head[index] with the head lower-cased.
node* indexed_string(std::string* head, std::string* open, std::string* index, std::string* close);

/// A free parameter: nt_param name over the field (nt_string becomes nt_generic_value).
node* parameter(std::string* name, node* field);
/// nt_param over nt_string with the pattern as scanned.
node* pattern(const char* kind, std::string* pattern);

/// any_field_list "(" any_field_list any_field ")": the inner entries join the outer list.
node* flatten(node* outer, node* inner, node* last);

/// Values and lists as they come, deleting what is not kept.
void discard(std::string* a, std::string* b = nullptr, std::string* c = nullptr, std::string* d = nullptr);

}  // namespace quarry_parser_implementation::operands
