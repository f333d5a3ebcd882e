#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "quarry/ast/node_type.hh"
#include "quarry/export.hh"

namespace quarry::parser {
class info;
}

namespace quarry::ast {

/// Raised when a node without children is indexed.
class QUARRY_EXPORT missing_children : public std::runtime_error {
public:
    missing_children();
};

/// A syntax-tree node: a kind, a value text, owned children and an owned
/// location record. Children lists exist only once something is added.
class QUARRY_EXPORT node {
public:
    using children_type = std::vector<node*>;

    /// An nt_block container with an empty value.
    node();
    node(const et_node_type& type, const std::string& value);
    node(const et_node_type& type, std::string&& value);
    /// Deep copy: children and location record are copied too.
    node(const node& other);
    node& operator=(const node&) = delete;
    /// Frees the children and the location record.
    ~node();

    et_node_type get_type() const { return static_cast<et_node_type>(type_); }
    const std::string& get_value() const { return value_; }
    bool has_children() const { return children_ != nullptr && !children_->empty(); }
    /// Number of children (0 when there is no list).
    std::size_t child_count() const { return children_ ? children_->size() : 0; }
    /// The child list; an empty list when the node has none.
    const children_type& get_children() const;
    /// The child list, made on first use, with room for n more entries.
    children_type& create_meta_children(std::size_t n);
    /// Empties the child list without freeing the children.
    void clear_children();

    /// The node takes the record; a record set earlier is freed.
    void set_parser_info(const parser::info* record);
    const parser::info* get_parser_info() const { return info_; }

    /// Appends child; the node owns it from now on. Returns child.
    node* add_child(node* child);
    /// Appends a new node of that kind and value and returns it.
    node* add_child(const et_node_type& type, const std::string& value);
    node* add_child(const et_node_type& type, std::string&& value);
    /// Appends a deep copy of other and returns the copy.
    node* add_child(const node& other);
    /// Appends nt_param `name` holding one child of that kind and value; returns the nt_param.
    node* add_named_value(const std::string& name, const et_node_type& type, const std::string& value);
    /// Appends nt_pin "" holding nt_string `name`; returns the nt_pin.
    node* add_pin(const std::string& name);
    /// Moves other's children to the end of this node's list; other stays alive and empty.
    void take_children(node& other);
    /// Appends deep copies of other's children.
    void copy_children(const node& other);
    void set_type(const et_node_type& type) { type_ = static_cast<std::uint16_t>(type); }
    void set_value(const std::string& value) { value_ = value; }
    void set_value(std::string&& value) { value_ = std::move(value); }

    /// Child at index; missing_children without children, std::out_of_range past the end.
    node& operator[](const std::size_t& index);
    const node& operator[](const std::size_t& index) const;

private:
    /// Frees children and record; shared by the destructor and a failed copy.
    void release();

    std::string value_;
    children_type* children_ = nullptr;
    const parser::info* info_ = nullptr;
    std::uint16_t type_;
};

}  // namespace quarry::ast
