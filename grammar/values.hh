#pragma once
// The parser's semantic values. Each owns what it holds, so that whatever an
// action does not take over is freed with its symbol.
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "location/location.hh"
#include "quarry/ast/node.hh"
#include "quarry/parser/driver_base.hh"
#include "scanner/text_pool.hh"

namespace quarry_parser_implementation {

using text_ptr = text_pool::ptr;
using node_ptr = std::unique_ptr<quarry::ast::node>;
/// The member names of an expanded bus.
using texts = std::vector<std::string>;
/// One fragment of an analysis sweep, and the fragments of one analysis merged so far.
using sweep_param_ptr = std::unique_ptr<quarry::parser::driver_base::sweep_analysis_param>;
using sweep_params_ptr = std::unique_ptr<quarry::parser::driver_base::sweep_analysis_params>;

/// A text with the location of its own token, for a rule whose span is wider
/// (an identifier in parentheses).
struct located_text {
    text_ptr text;
    location where;
};

/// A model named on an element card: by its name or by an alias.
struct model_reference {
    enum kind_t { by_name, by_alias } kind = by_name;
    text_ptr text;
    location where;
};

}  // namespace quarry_parser_implementation

namespace quarry_parser_implementation {

/// The value of every grammar symbol: nothing, or one owned text, node, list
/// of bus members, located identifier, model reference, sweep fragment or
/// sweep fragment set, handed on by moves.
///
/// One type for all symbols keeps the parser's stack cheap: bison moves each
/// symbol's value through a switch over its type, which with one type is a
/// two-word copy; with a type per kind it cost a quarter of the parse. Values
/// convert to the typed owners the tree builders take, and every conversion
/// checks the kind it takes, in every build: taking the wrong kind, or nothing
/// where a value is due, throws wrong_kind, which the driver reports with
/// the rule being reduced. A symbol that may hold nothing is taken with
/// maybe_node(), which says so.
class grammar_value {
public:
    grammar_value() noexcept = default;
    grammar_value(text_ptr t) noexcept : ptr_(t.release()), kind_(ptr_ ? kind::text : kind::none) {}
    grammar_value(node_ptr n) noexcept : ptr_(n.release()), kind_(ptr_ ? kind::node : kind::none) {}
    grammar_value(texts t) : ptr_(new texts(std::move(t))), kind_(kind::texts) {}
    grammar_value(located_text t) : ptr_(new located_text(std::move(t))), kind_(kind::located) {}
    grammar_value(model_reference m) : ptr_(new model_reference(std::move(m))), kind_(kind::model) {}
    grammar_value(sweep_param_ptr p) noexcept : ptr_(p.release()), kind_(ptr_ ? kind::sweep_param : kind::none) {}
    grammar_value(sweep_params_ptr p) noexcept : ptr_(p.release()), kind_(ptr_ ? kind::sweep_params : kind::none) {}
    grammar_value(std::nullptr_t) noexcept {}

    grammar_value(grammar_value&& other) noexcept : ptr_(other.ptr_), kind_(other.kind_) {
        other.ptr_ = nullptr;
        other.kind_ = kind::none;
    }
    grammar_value& operator=(grammar_value&& other) noexcept {
        void* p = other.ptr_;
        const kind k = other.kind_;
        other.ptr_ = nullptr;
        other.kind_ = kind::none;
        if (kind_ != kind::none) reset();
        ptr_ = p;
        kind_ = k;
        return *this;
    }
    grammar_value(const grammar_value&) = delete;
    grammar_value& operator=(const grammar_value&) = delete;
    ~grammar_value() {
        if (kind_ != kind::none) reset();
    }

    bool empty() const noexcept { return kind_ == kind::none; }
    /// The node held, if any, without taking it.
    const quarry::ast::node* peek_node() const noexcept {
        return kind_ == kind::node ? static_cast<const quarry::ast::node*>(ptr_) : nullptr;
    }

    operator text_ptr() && { return text_ptr(static_cast<std::string*>(take_some(kind::text))); }
    operator node_ptr() && { return node_ptr(static_cast<quarry::ast::node*>(take_some(kind::node))); }
    /// The node, or null when the symbol holds nothing.
    node_ptr maybe_node() && { return node_ptr(static_cast<quarry::ast::node*>(take(kind::node))); }
    operator texts() && { return std::move(*std::unique_ptr<texts>(static_cast<texts*>(take_some(kind::texts)))); }
    operator located_text() && {
        return std::move(*std::unique_ptr<located_text>(static_cast<located_text*>(take_some(kind::located))));
    }
    operator model_reference() && {
        return std::move(*std::unique_ptr<model_reference>(static_cast<model_reference*>(take_some(kind::model))));
    }
    operator sweep_param_ptr() && {
        return sweep_param_ptr(static_cast<sweep_param_ptr::pointer>(take_some(kind::sweep_param)));
    }
    operator sweep_params_ptr() && {
        return sweep_params_ptr(static_cast<sweep_params_ptr::pointer>(take_some(kind::sweep_params)));
    }

    /// A value taken as a kind it does not hold: a grammar action that names
    /// the wrong symbol.
    struct wrong_kind : std::logic_error {
        using std::logic_error::logic_error;
    };

private:
    enum class kind : unsigned char { none, text, node, texts, located, model, sweep_param, sweep_params };
    static const char* name_of(kind k);

    /// The pointer, if the value holds `k` or nothing; the value is empty afterwards.
    void* take(kind k) {
        if (kind_ != k && kind_ != kind::none) refuse(k);
        void* p = ptr_;
        ptr_ = nullptr;
        kind_ = kind::none;
        return p;
    }
    /// The same for kinds that are never empty.
    void* take_some(kind k) {
        if (kind_ != k) refuse(k);
        return take(k);
    }
    void reset() noexcept;
    [[noreturn]] void refuse(kind wanted) const;

    void* ptr_ = nullptr;
    kind kind_ = kind::none;
};

}  // namespace quarry_parser_implementation
