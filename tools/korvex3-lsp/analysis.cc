#include "analysis.hh"

#include <algorithm>
#include <cctype>

#include "uri.hh"

namespace korvex3_lsp {

namespace {

std::string language_for(const std::string& path) {
    std::string language = quarry_parse::language_of(path, false, "");
    if (language.empty()) language = quarry_parse::language_of(path, true, "");
    return language;
}

}  // namespace

std::shared_ptr<const analysis> analyze(const std::string& path, const std::string& key,
                                        std::shared_ptr<const std::string> text, const parse_settings& settings) {
    auto result = std::make_shared<analysis>();
    result->path = path;
    result->text = std::move(text);
    result->lines = line_index(*result->text);
    result->files_read.push_back(key);

    quarry_parse::parse_request request;
    request.name = path;
    request.text = result->text.get();
    request.language = language_for(path);
    request.include_dirs = settings.include_dirs;
    request.checks = true;
    request.keep_partial = true;
    request.source = settings.source;
    request.cancel = settings.cancel;
    std::string why;
    const auto parser = quarry_parse::make_parser(request.language, why);
    if (!parser) {
        quarry::parser::diagnostic d;
        d.message = "no parser: " + why;
        result->parse.reports.add(std::move(d));
        return result;
    }
    result->parse = quarry_parse::run_parse(*parser, request);
    if (result->parse.failure) {
        try {
            std::rethrow_exception(result->parse.failure);
        } catch (const quarry::parser::cancelled&) {
            result->cancelled = true;
        } catch (...) {
        }
    }
    for (const std::string& file : result->parse.files) {
        const std::string normal = normal_path(file);
        if (std::find(result->files_read.begin(), result->files_read.end(), normal) == result->files_read.end())
            result->files_read.push_back(normal);
    }
    return result;
}

const quarry::parser::info_netlist* where(const quarry::ast::node& n) {
    return dynamic_cast<const quarry::parser::info_netlist*>(n.get_parser_info());
}

const quarry::ast::node* child_of(const quarry::ast::node& n, quarry::ast::et_node_type type) {
    for (const quarry::ast::node* c : n.get_children())
        if (c->get_type() == type) return c;
    return nullptr;
}

std::string child_value(const quarry::ast::node& n, quarry::ast::et_node_type type) {
    const quarry::ast::node* c = child_of(n, type);
    return c ? c->get_value() : std::string();
}

bool located_in(const quarry::ast::node& n, const std::string& path) {
    const auto* w = where(n);
    return w && w->get_filename() == path;
}

namespace {

using visitor = std::function<bool(const quarry::ast::node&, const std::vector<const quarry::ast::node*>&)>;

void walk_below(const quarry::ast::node& n, std::vector<const quarry::ast::node*>& ancestors, const visitor& visit) {
    for (const quarry::ast::node* c : n.get_children()) {
        if (!visit(*c, ancestors) || !c->has_children()) continue;
        ancestors.push_back(c);
        walk_below(*c, ancestors, visit);
        ancestors.pop_back();
    }
}

}  // namespace

void walk(const quarry::ast::node& root, const visitor& visit) {
    std::vector<const quarry::ast::node*> ancestors;
    walk_below(root, ancestors, visit);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace korvex3_lsp
