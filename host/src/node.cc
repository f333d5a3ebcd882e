#include "quarry/ast/node.hh"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "pool.hh"
#include "quarry/parser/info.hh"

namespace quarry::ast {

missing_children::missing_children() : std::runtime_error("node has no children") {}

node::node() : one_(nullptr), type_(nt_block) {}

node::node(const et_node_type& type, const std::string& value) : value_(value), one_(nullptr), type_(type) {}

node::node(const et_node_type& type, std::string&& value) : value_(std::move(value)), one_(nullptr), type_(type) {}

node::node(const node& other)
    : value_(other.value_), one_(nullptr), info_(other.info_ ? other.info_->copy() : nullptr), type_(other.type_) {
    try {
        copy_children(other);
    } catch (...) {
        // The destructor does not run for a half-built node.
        release();
        throw;
    }
}

node::~node() { release(); }

namespace {

// Child lists grow by doubling from four slots, so nearly every list has 4, 8
// or 16 slots: those come from the cell pools, the rare longer ones from new[].
constexpr std::size_t first_room = 4;

std::size_t room_for(std::size_t need) {
    std::size_t room = first_room;
    while (room < need) room *= 2;
    return std::min<std::size_t>(room, UINT32_MAX);
}

node** new_slots(std::size_t room) {
    using host_detail::cell_pool;
    constexpr std::size_t slot = sizeof(node*);
    switch (room) {
    case 4: return static_cast<node**>(cell_pool<4 * slot>::allocate());
    case 8: return static_cast<node**>(cell_pool<8 * slot>::allocate());
    case 16: return static_cast<node**>(cell_pool<16 * slot>::allocate());
    default: return new node*[room];
    }
}

void free_slots(node** slots, std::size_t room) {
    using host_detail::cell_pool;
    constexpr std::size_t slot = sizeof(node*);
    switch (room) {
    case 4: cell_pool<4 * slot>::release(slots); break;
    case 8: cell_pool<8 * slot>::release(slots); break;
    case 16: cell_pool<16 * slot>::release(slots); break;
    default: delete[] slots;
    }
}

}  // namespace

void* node::operator new(std::size_t size) {
    return size == sizeof(node) ? host_detail::cell_pool<sizeof(node)>::allocate() : ::operator new(size);
}

void node::operator delete(void* p, std::size_t size) {
    if (size == sizeof(node))
        host_detail::cell_pool<sizeof(node)>::release(p);
    else
        ::operator delete(p);
}

void node::release() {
    node* const* kids = slots();
    bool deep = false;
    for (std::uint32_t i = 0; i < count_ && !deep; ++i) deep = kids[i] && kids[i]->count_ != 0;
    if (!deep) {
        for (std::uint32_t i = 0; i < count_; ++i) delete kids[i];
    } else {
        // Grandchildren are freed from a list, not by recursion: a tree nested
        // a hundred thousand levels deep must not exhaust the call stack.
        std::vector<node*> pending(kids, kids + count_);
        while (!pending.empty()) {
            node* n = pending.back();
            pending.pop_back();
            if (n && n->count_) {
                node* const* theirs = n->slots();
                pending.insert(pending.end(), theirs, theirs + n->count_);
                n->clear_children();
            }
            delete n;
        }
    }
    if (capacity_) free_slots(many_, capacity_);
    capacity_ = 0;
    count_ = 0;
    one_ = nullptr;
    delete info_;
    info_ = nullptr;
}

children_view node::create_meta_children(std::size_t n) {
    const std::size_t need = count_ + n;
    // One child lives in the node itself.
    if (need <= 1 && capacity_ == 0) return get_children();
    if (need > capacity_) {
        // Grow geometrically: callers ask for room one child at a time.
        if (need > UINT32_MAX) throw std::length_error("too many children");
        const std::size_t room = room_for(need);
        node** list = new_slots(room);
        std::copy_n(slots(), count_, list);
        if (capacity_) free_slots(many_, capacity_);
        many_ = list;
        capacity_ = static_cast<std::uint32_t>(room);
    }
    return get_children();
}

void node::push(node* child) {
    if (count_ < capacity_) {
        many_[count_++] = child;
        return;
    }
    create_meta_children(1);
    if (capacity_)
        many_[count_++] = child;
    else {
        one_ = child;
        count_ = 1;
    }
}

void node::clear_children() {
    if (capacity_) free_slots(many_, capacity_);
    capacity_ = 0;
    count_ = 0;
    one_ = nullptr;
}

void node::set_parser_info(const parser::info* record) {
    if (record != info_) delete info_;
    info_ = record;
}

node* node::add_child(node* child) {
    push(child);
    return child;
}

node* node::add_child(const et_node_type& type, const std::string& value) {
    std::unique_ptr<node> child(new node(type, value));
    push(child.get());
    return child.release();
}

node* node::add_child(const et_node_type& type, std::string&& value) {
    std::unique_ptr<node> child(new node(type, std::move(value)));
    push(child.get());
    return child.release();
}

node* node::add_child(const node& other) {
    std::unique_ptr<node> child(new node(other));
    push(child.get());
    return child.release();
}

node* node::add_named_value(const std::string& name, const et_node_type& type, const std::string& value) {
    node* param = add_child(nt_param, name);
    param->add_child(type, value);
    return param;
}

node* node::add_pin(const std::string& name) {
    node* pin = add_child(nt_pin, std::string());
    pin->add_child(nt_string, name);
    return pin;
}

void node::take_children(node& other) {
    if (&other == this || !other.has_children()) return;
    const std::uint32_t n = other.count_;
    if (!has_children() && other.capacity_) {
        // An empty node takes the whole list.
        if (capacity_) free_slots(many_, capacity_);
        many_ = other.many_;
        capacity_ = other.capacity_;
        count_ = n;
        other.capacity_ = 0;
        other.count_ = 0;
        other.one_ = nullptr;
        return;
    }
    create_meta_children(n);
    node* const* theirs = other.slots();
    for (std::uint32_t i = 0; i < n; ++i) push(theirs[i]);
    other.clear_children();
}

void node::copy_children(const node& other) {
    if (!other.has_children()) return;
    // Index by the original count: other may be this node.
    const std::uint32_t n = other.count_;
    create_meta_children(n);
    for (std::uint32_t i = 0; i < n; ++i) add_child(*other.slots()[i]);
}

node& node::operator[](const std::size_t& index) {
    if (!has_children()) throw missing_children();
    if (index >= count_) throw std::out_of_range("node child index " + std::to_string(index) + " out of range");
    return *slots()[index];
}

const node& node::operator[](const std::size_t& index) const {
    if (!has_children()) throw missing_children();
    if (index >= count_) throw std::out_of_range("node child index " + std::to_string(index) + " out of range");
    return *slots()[index];
}

const char* node_type_name(et_node_type type) {
    switch (type) {
#define QUARRY_NODE_TYPE(name) \
    case name:                 \
        return #name;
        QUARRY_NODE_TYPE(nt_unsupported)
        QUARRY_NODE_TYPE(nt_block)
        QUARRY_NODE_TYPE(nt_include)
        QUARRY_NODE_TYPE(nt_section)
        QUARRY_NODE_TYPE(nt_alter)
        QUARRY_NODE_TYPE(nt_rerun)
        QUARRY_NODE_TYPE(nt_modify)
        QUARRY_NODE_TYPE(nt_expand)
        QUARRY_NODE_TYPE(nt_expand_search)
        QUARRY_NODE_TYPE(nt_supply_map_high)
        QUARRY_NODE_TYPE(nt_supply_map_low)
        QUARRY_NODE_TYPE(nt_supply_list_high)
        QUARRY_NODE_TYPE(nt_supply_list_low)
        QUARRY_NODE_TYPE(nt_mismatch)
        QUARRY_NODE_TYPE(nt_mismatch_param)
        QUARRY_NODE_TYPE(nt_age)
        QUARRY_NODE_TYPE(nt_age_model)
        QUARRY_NODE_TYPE(nt_age_measure)
        QUARRY_NODE_TYPE(nt_subckt)
        QUARRY_NODE_TYPE(nt_instance)
        QUARRY_NODE_TYPE(nt_master)
        QUARRY_NODE_TYPE(nt_model_alias)
        QUARRY_NODE_TYPE(nt_master_kind)
        QUARRY_NODE_TYPE(nt_condition)
        QUARRY_NODE_TYPE(nt_if_body)
        QUARRY_NODE_TYPE(nt_else)
        QUARRY_NODE_TYPE(nt_model)
        QUARRY_NODE_TYPE(nt_model_device)
        QUARRY_NODE_TYPE(nt_polarity)
        QUARRY_NODE_TYPE(nt_model_level)
        QUARRY_NODE_TYPE(nt_mselect)
        QUARRY_NODE_TYPE(nt_paramset)
        QUARRY_NODE_TYPE(nt_hdl)
        QUARRY_NODE_TYPE(nt_hdl_file)
        QUARRY_NODE_TYPE(nt_hdl_digital_wrapper)
        QUARRY_NODE_TYPE(nt_hdl_supply)
        QUARRY_NODE_TYPE(nt_hdl_search)
        QUARRY_NODE_TYPE(nt_hdl_search_map)
        QUARRY_NODE_TYPE(nt_hdl_connect_module)
        QUARRY_NODE_TYPE(nt_hdl_options)
        QUARRY_NODE_TYPE(nt_hdl_macros)
        QUARRY_NODE_TYPE(nt_hdl_include_dir)
        QUARRY_NODE_TYPE(nt_scale_element_type)
        QUARRY_NODE_TYPE(nt_scale)
        QUARRY_NODE_TYPE(nt_scale_model_type)
        QUARRY_NODE_TYPE(nt_scale_polarity)
        QUARRY_NODE_TYPE(nt_scale_level)
        QUARRY_NODE_TYPE(nt_pin)
        QUARRY_NODE_TYPE(nt_function)
        QUARRY_NODE_TYPE(nt_global)
        QUARRY_NODE_TYPE(nt_analysis)
        QUARRY_NODE_TYPE(nt_sweep)
        QUARRY_NODE_TYPE(nt_sweep_target)
        QUARRY_NODE_TYPE(nt_sweep_type)
        QUARRY_NODE_TYPE(nt_montecarlo)
        QUARRY_NODE_TYPE(nt_montecarlo_var)
        QUARRY_NODE_TYPE(nt_nodeset)
        QUARRY_NODE_TYPE(nt_initial_analysis)
        QUARRY_NODE_TYPE(nt_ic)
        QUARRY_NODE_TYPE(nt_node_values)
        QUARRY_NODE_TYPE(nt_branch_values)
        QUARRY_NODE_TYPE(nt_option)
        QUARRY_NODE_TYPE(nt_output)
        QUARRY_NODE_TYPE(nt_output_except)
        QUARRY_NODE_TYPE(nt_output_signal)
        QUARRY_NODE_TYPE(nt_assert)
        QUARRY_NODE_TYPE(nt_assertgroup)
        QUARRY_NODE_TYPE(nt_assertions)
        QUARRY_NODE_TYPE(nt_report)
        QUARRY_NODE_TYPE(nt_measure)
        QUARRY_NODE_TYPE(nt_subtol)
        QUARRY_NODE_TYPE(nt_title)
        QUARRY_NODE_TYPE(nt_scale_name)
        QUARRY_NODE_TYPE(nt_scale_wildcard)
        QUARRY_NODE_TYPE(nt_scale_regex)
        QUARRY_NODE_TYPE(nt_scale_xregex)
        QUARRY_NODE_TYPE(nt_scale_selection)
        QUARRY_NODE_TYPE(nt_scale_exclusion)
        QUARRY_NODE_TYPE(nt_param)
        QUARRY_NODE_TYPE(nt_string)
        QUARRY_NODE_TYPE(nt_number)
        QUARRY_NODE_TYPE(nt_integer)
        QUARRY_NODE_TYPE(nt_bool)
        QUARRY_NODE_TYPE(nt_generic_value)
        QUARRY_NODE_TYPE(nt_expression)
        QUARRY_NODE_TYPE(nt_point_list)
#undef QUARRY_NODE_TYPE
    }
    return nullptr;
}

}  // namespace quarry::ast
