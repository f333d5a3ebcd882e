#pragma once
// One parse of an open document and what the features read from its tree.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "parse_run.hh"
#include "positions.hh"
#include "quarry/ast/node.hh"
#include "quarry/parser/info.hh"
#include "quarry/task.hh"

namespace korvex3_lsp {

struct analysis {
    /// The name the parse gave the text: the document's path.
    std::string path;
    std::shared_ptr<const std::string> text;
    line_index lines;
    quarry_parse::parse_result parse;
    /// Normalised paths of the files the parse read, the document first.
    std::vector<std::string> files_read;
    /// The parse was stopped for a newer text: nothing of it is shown.
    bool cancelled = false;
};

struct parse_settings {
    std::vector<std::string> include_dirs;
    quarry::task::file_source source;
    const std::atomic<bool>* cancel = nullptr;
};

/// Parses `text` as the file `path` with the checks on, keeping partial trees.
std::shared_ptr<const analysis> analyze(const std::string& path, const std::string& key,
                                        std::shared_ptr<const std::string> text, const parse_settings& settings);

/// The location record of a node, when it has one of the netlist kind.
const quarry::parser::info_netlist* where(const quarry::ast::node& n);
/// The value of the first child of `type`, or "".
std::string child_value(const quarry::ast::node& n, quarry::ast::et_node_type type);
/// The child of `type`, or null.
const quarry::ast::node* child_of(const quarry::ast::node& n, quarry::ast::et_node_type type);
/// Whether the node's record names `path` as the parse named the document.
bool located_in(const quarry::ast::node& n, const std::string& path);

/// Calls `visit(node, ancestors)` for every node below root, depth first;
/// `ancestors` runs from the root's child down to the node's parent. A
/// visit returning false skips the node's children.
void walk(const quarry::ast::node& root,
          const std::function<bool(const quarry::ast::node&, const std::vector<const quarry::ast::node*>&)>& visit);

/// Lower-case ASCII, as the tree spells names.
std::string lower(std::string s);

}  // namespace korvex3_lsp
