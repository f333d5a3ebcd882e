#pragma once
#include <string>

#include "driver/korvex3_driver.hh"
#include "quarry/parser/parser_base.hh"

namespace quarry::parser {

/// The host's parser object for the korvex3 dialect.
class parser_korvex3 : public parser_base {
public:
    /// The factory registered under "korvex3"; the caller owns the result.
    static parser_base* create_parser();

    bool parse_file(const std::string& file) override;
    bool parse_string(const std::string& text) override;
    bool parse_string(const std::string& text, const std::string& name) override;
    ~parser_korvex3() override;

    bool dump_tokens(std::istream& in, const std::string& name, std::ostream& out) override;
    bool visit_tokens(std::istream& in, const std::string& name,
                      const std::function<void(const token_view&)>& each) override;

private:
    /// Hands the root node and this object to the driver; false when the host
    /// has not given a root node and a task.
    bool prepare();

    quarry_parser_implementation::korvex3_driver driver_;
};

/// Registers the factory, the extensions and the language description.
bool nimbus_plugin_init_quarry_parser_korvex3();

/// Builds the korvex3 language description and registers it.
void register_korvex3_language();

}  // namespace quarry::parser
