// Reports of the parse and the checks as protocol diagnostics.
#include <optional>
#include <set>

#include "features.hh"
#include "uri.hh"

namespace korvex3_lsp {

namespace {

int severity_of(quarry::parser::severity level) {
    switch (level) {
    case quarry::parser::severity::error: return 1;
    case quarry::parser::severity::warning: return 2;
    case quarry::parser::severity::info: return 3;
    }
    return 1;
}

const quarry::parser::info_netlist* netlist_info(const std::shared_ptr<const quarry::parser::info>& i) {
    return dynamic_cast<const quarry::parser::info_netlist*>(i.get());
}

nlohmann::json base_diagnostic(const quarry::parser::diagnostic& d, const lsp_range& range) {
    nlohmann::json j{{"range", to_json(range)},
                     {"severity", severity_of(d.level)},
                     {"source", "korvex3"},
                     {"message", d.message.empty() ? std::string("error") : d.message}};
    if (!d.flag.empty()) j["code"] = d.flag;
    else if (!d.id.empty()) j["code"] = d.id;
    return j;
}

// The outermost include site in the document, when the report lies in an
// included file.
const quarry::parser::info_netlist* include_site(const feature_context& ctx, const quarry::parser::diagnostic& d) {
    for (const auto& site : d.included_from)
        if (const auto* w = netlist_info(site); w && w->get_filename() == ctx.parsed.path) return w;
    return nullptr;
}

class collector {
public:
    explicit collector(const feature_context& ctx) : ctx_(ctx) { out_[ctx.uri] = nlohmann::json::array(); }

    void add(const quarry::parser::diagnostic& d) {
        const auto* w = netlist_info(d.where);
        if (!w || w->get_filename() == ctx_.parsed.path || w->get_filename().empty()) {
            const lsp_range range = w ? place_of(ctx_, *w).range : lsp_range{};
            push(ctx_.uri, base_diagnostic(d, range), d.level);
            return;
        }
        const place p = place_of(ctx_, *w);
        push(p.uri, base_diagnostic(d, p.range), d.level);
        mirror(d, p);
    }

    std::map<std::string, nlohmann::json> done() { return std::move(out_); }

private:
    // A note joins the report before it as related information too.
    void push(const std::string& uri, nlohmann::json j, quarry::parser::severity level) {
        nlohmann::json& list = out_[uri];
        if (level == quarry::parser::severity::info && last_ && last_uri_ == uri) {
            const std::size_t last = *last_;
            list[last]["relatedInformation"].push_back(
                {{"location", {{"uri", uri}, {"range", j["range"]}}}, {"message", j["message"]}});
        } else if (level != quarry::parser::severity::info) {
            last_ = list.size();
            last_uri_ = uri;
        }
        list.push_back(std::move(j));
    }

    // An error or warning of an included file shows at the include line as
    // well: the editor of the document may not have that file open.
    void mirror(const quarry::parser::diagnostic& d, const place& real) {
        if (d.level == quarry::parser::severity::info) return;
        const auto* site = include_site(ctx_, d);
        if (!site) return;
        nlohmann::json j = base_diagnostic(d, place_of(ctx_, *site).range);
        const std::string file = path_of_uri(real.uri);
        const std::string name = file.substr(file.find_last_of('/') + 1);
        j["message"] = "in included file " + name + ":" + std::to_string(real.range.start.line + 1) + ": " +
                       j["message"].get<std::string>();
        j["relatedInformation"] = nlohmann::json::array(
            {{{"location", location_json(real)}, {"message", d.message.empty() ? "here" : d.message}}});
        nlohmann::json& list = out_[ctx_.uri];
        const std::string key = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        if (mirrored_.insert(key).second) list.push_back(std::move(j));
    }

    const feature_context& ctx_;
    std::map<std::string, nlohmann::json> out_;
    std::optional<std::size_t> last_;
    std::string last_uri_;
    std::set<std::string> mirrored_;
};

}  // namespace

std::map<std::string, nlohmann::json> diagnostics(const feature_context& ctx) {
    collector c(ctx);
    for (const auto& d : ctx.parsed.parse.reports.entries()) c.add(d);
    if (ctx.parsed.parse.failure && !ctx.parsed.cancelled &&
        !quarry_parse::failure_in_reports(ctx.parsed.parse.failure)) {
        quarry::parser::diagnostic d;
        d.message = quarry_parse::failure_text(ctx.parsed.parse.failure);
        c.add(d);
    }
    return c.done();
}

}  // namespace korvex3_lsp
