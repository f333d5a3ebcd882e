#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>

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

class node;

/// The children of a node, in order: a read-only view of its child list.
class QUARRY_EXPORT children_view {
public:
    using value_type = node*;
    using const_iterator = node* const*;
    using iterator = const_iterator;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    children_view(node* const* first, std::size_t count) : first_(first), count_(count) {}
    const_iterator begin() const { return first_; }
    const_iterator end() const { return first_ + count_; }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    node* operator[](std::size_t i) const { return first_[i]; }
    node* front() const { return first_[0]; }
    node* back() const { return first_[count_ - 1]; }

private:
    node* const* first_;
    std::size_t count_;
};

/// A syntax-tree node: a kind, a value text, owned children and an owned
/// location record. A single child is held in the node itself. A second
/// child or a location record brings a block: the record in its first slot,
/// the children after it. Most nodes have neither, so a node takes 48 bytes.
class QUARRY_EXPORT node {
public:
    using children_type = children_view;

    /// An nt_block container with an empty value.
    node();
    node(const et_node_type& type, const std::string& value);
    node(const et_node_type& type, std::string&& value);
    /// Deep copy: children and location record are copied too.
    node(const node& other);
    node& operator=(const node&) = delete;
    /// Frees the children and the location record.
    ~node();

    /// Nodes come from a per-thread pool of fixed-size cells (plain new and
    /// delete in sanitizer builds, so that misuse is still caught).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);

    et_node_type get_type() const { return static_cast<et_node_type>(type_); }
    const std::string& get_value() const { return value_; }
    bool has_children() const { return count_ != 0; }
    /// Number of children.
    std::size_t child_count() const { return count_; }
    /// The children in order (empty when there are none).
    children_view get_children() const { return children_view(slots(), count_); }
    /// Makes sure there is room for n more children; returns the children.
    children_view create_meta_children(std::size_t n);
    /// Empties the child list without freeing the children.
    void clear_children();

    /// The node takes the record; a record set earlier is freed.
    void set_parser_info(const parser::info* record);
    const parser::info* get_parser_info() const {
        return block_log2_ ? reinterpret_cast<const parser::info*>(block_[0]) : nullptr;
    }

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
    // Freeing a tree. `cache` is the calling thread's cache of node cells,
    // looked up once per release (null until then).
    /// Frees a node whose value is destroyed: its record, block and cell.
    static void dispose(node* n, void*& cache);
    /// Frees top and all below it; top's value is still alive.
    static void free_subtree(node* top, void*& cache);
    static void free_with_frames(node* top, void*& cache);
    node* const* slots() const { return block_log2_ ? block_ + 1 : &one_; }
    node** slot_array() { return block_log2_ ? block_ + 1 : &one_; }
    /// Room for this many children, with a block however few they are.
    void reserve_block(std::size_t children);
    void push(node* child);

    std::string value_;
    union {
        node* one_;     // the only child while there is no block
        node** block_;  // slot 0: the location record; then the children
    };
    std::uint32_t count_ = 0;
    std::uint16_t type_;
    std::uint8_t block_log2_ = 0;  // a block has 2^block_log2_ slots; 0: none
};

}  // namespace quarry::ast
