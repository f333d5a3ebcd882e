#include "quarry/ast/node.hh"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

#include "pool.hh"
#include "quarry/parser/info.hh"

namespace quarry::ast {

missing_children::missing_children() : std::runtime_error("node has no children") {}

namespace {

// Blocks double from two slots (a record and one child). Those of up to 64
// slots come from the cell pools: model cards and long pin lists make many
// of 32 and 64, which from new[] would each be a fresh piece of the heap in
// a one-shot parse. The rare longer ones come from new[].
constexpr std::uint8_t first_log2 = 1;

std::uint8_t log2_for(std::size_t slots) {
    std::uint8_t log2 = first_log2;
    while ((std::size_t(1) << log2) < slots) ++log2;
    return log2;
}

node** new_block(std::uint8_t log2) {
    using host_detail::cell_pool;
    constexpr std::size_t slot = sizeof(node*);
    switch (log2) {
    case 1: return static_cast<node**>(cell_pool<2 * slot>::allocate());
    case 2: return static_cast<node**>(cell_pool<4 * slot>::allocate());
    case 3: return static_cast<node**>(cell_pool<8 * slot>::allocate());
    case 4: return static_cast<node**>(cell_pool<16 * slot>::allocate());
    case 5: return static_cast<node**>(cell_pool<32 * slot>::allocate());
    case 6: return static_cast<node**>(cell_pool<64 * slot>::allocate());
    default: return new node*[std::size_t(1) << log2];
    }
}

void free_block(node** block, std::uint8_t log2) {
    using host_detail::cell_pool;
    constexpr std::size_t slot = sizeof(node*);
    switch (log2) {
    case 1: cell_pool<2 * slot>::release(block); break;
    case 2: cell_pool<4 * slot>::release(block); break;
    case 3: cell_pool<8 * slot>::release(block); break;
    case 4: cell_pool<16 * slot>::release(block); break;
    case 5: cell_pool<32 * slot>::release(block); break;
    case 6: cell_pool<64 * slot>::release(block); break;
    default: delete[] block;
    }
}

// The record shares the block with the children: a pointer converted to
// node* and back is the pointer it was.
node* record_slot(const parser::info* record) { return reinterpret_cast<node*>(const_cast<parser::info*>(record)); }

}  // namespace

static_assert(sizeof(void*) != 8 || sizeof(node) <= 48, "the node has grown: large trees need more memory");

node::node() : one_(nullptr), type_(nt_block) {}

node::node(const et_node_type& type, const std::string& value) : value_(value), one_(nullptr), type_(type) {}

node::node(const et_node_type& type, std::string&& value) : value_(std::move(value)), one_(nullptr), type_(type) {}

node::node(const node& other) : value_(other.value_), one_(nullptr), type_(other.type_) {
    try {
        if (const parser::info* record = other.get_parser_info()) set_parser_info(record->copy());
        copy_children(other);
    } catch (...) {
        // The destructor does not run for a half-built node.
        release();
        throw;
    }
}

node::~node() { release(); }

void* node::operator new(std::size_t size) {
    return size == sizeof(node) ? host_detail::cell_pool<sizeof(node)>::allocate() : ::operator new(size);
}

void node::operator delete(void* p, std::size_t size) {
    if (size == sizeof(node))
        host_detail::cell_pool<sizeof(node)>::release(p);
    else
        ::operator delete(p);
}

namespace {

using cells = host_detail::cell_pool<sizeof(node)>;

// While a wide or deep subtree is freed, the storage of each inner node's
// value (destroyed first) holds where the walk stands in it.
struct walk_frame {
    node* parent;
    std::uint32_t next;
};
static_assert(sizeof(walk_frame) <= sizeof(std::string), "a walk frame fits in a node's value");

}  // namespace

// Freeing never allocates and never recurses: it runs while a failed
// allocation unwinds, and a tree may nest a hundred thousand levels deep.
//
// The order matters for speed: cells go back to a last-in, first-out free
// list, and the next tree takes them in the reverse order. Freeing each node
// before its children, the last child's subtree first, hands the next parse
// neighbouring cells for neighbouring nodes; a post-order walk made the next
// parse 5% slower.

void node::release() {
    void* cache = nullptr;
    node* const* kids = slots();
    for (std::uint32_t i = count_; i-- > 0;)
        if (kids[i]) free_subtree(kids[i], cache);
    const parser::info* record = get_parser_info();
    if (block_log2_) free_block(block_, block_log2_);
    block_log2_ = 0;
    count_ = 0;
    one_ = nullptr;
    delete record;
}

void node::dispose(node* n, void*& cache) {
    const parser::info* record = n->get_parser_info();
    if (n->block_log2_) free_block(n->block_, n->block_log2_);
    delete record;
    if (!cache) cache = &cells::thread_cache();
    cells::release(*static_cast<cells::cache*>(cache), n);
}

void node::free_subtree(node* top, void*& cache) {
    // A small stack covers statements; a wider or deeper subtree is walked
    // with frames in its own nodes instead.
    constexpr std::size_t room = 256;
    node* pending[room];
    std::size_t depth = 0;
    pending[depth++] = top;
    while (depth) {
        node* n = pending[--depth];
        if (!n) continue;
        if (n->count_ > room - depth) {
            free_with_frames(n, cache);
            continue;
        }
        node* const* theirs = n->slots();
        for (std::uint32_t i = 0; i < n->count_; ++i) pending[depth++] = theirs[i];
        n->value_.~basic_string();
        dispose(n, cache);
    }
}

void node::free_with_frames(node* top, void*& cache) {
    const auto frame_of = [](node* n) { return reinterpret_cast<walk_frame*>(&n->value_); };
    top->value_.~basic_string();
    new (&top->value_) walk_frame{nullptr, 0};
    node* cur = top;
    while (cur) {
        walk_frame* f = frame_of(cur);
        if (f->next < cur->count_) {
            node* child = cur->slots()[f->next++];
            if (!child) continue;
            child->value_.~basic_string();
            new (&child->value_) walk_frame{cur, 0};
            cur = child;
            continue;
        }
        node* up = f->parent;
        dispose(cur, cache);
        cur = up;
    }
}

void node::reserve_block(std::size_t children) {
    if (block_log2_ && children < (std::size_t(1) << block_log2_)) return;
    if (children > UINT32_MAX) throw std::length_error("too many children");
    // Grow geometrically: callers ask for room one child at a time.
    const std::uint8_t log2 = log2_for(children + 1);
    node** block = new_block(log2);
    block[0] = block_log2_ ? block_[0] : nullptr;
    std::copy_n(slots(), count_, block + 1);
    if (block_log2_) free_block(block_, block_log2_);
    block_ = block;
    block_log2_ = log2;
}

children_view node::create_meta_children(std::size_t n) {
    const std::size_t need = count_ + n;
    // One child lives in the node itself.
    if (need > 1 || block_log2_) reserve_block(need);
    return get_children();
}

void node::push(node* child) {
    if (!block_log2_ && count_ == 0) {
        one_ = child;
        count_ = 1;
        return;
    }
    reserve_block(std::size_t(count_) + 1);
    block_[1 + count_++] = child;
}

void node::clear_children() {
    count_ = 0;
    // A block that holds a record stays for it.
    if (block_log2_ && !block_[0]) {
        free_block(block_, block_log2_);
        block_log2_ = 0;
    }
    if (!block_log2_) one_ = nullptr;
}

void node::set_parser_info(const parser::info* record) {
    std::unique_ptr<const parser::info> owned(record);
    const parser::info* old = get_parser_info();
    if (record == old) {
        owned.release();
        return;
    }
    if (!block_log2_) {
        if (!record) return;
        reserve_block(1);
    }
    block_[0] = record_slot(owned.release());
    delete old;
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
    if (!has_children() && other.block_log2_ && !other.block_[0]) {
        // An empty node takes the whole block, keeping its own record.
        const parser::info* record = get_parser_info();
        if (block_log2_) free_block(block_, block_log2_);
        block_ = other.block_;
        block_log2_ = other.block_log2_;
        block_[0] = record_slot(record);
        count_ = n;
        other.block_log2_ = 0;
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
