#pragma once
#include <cstdint>
#include <string>

#include "quarry/export.hh"

namespace quarry::ast {
class node;
}

namespace quarry::parser {

/// Host helpers every language driver uses to normalise what it reads.
class QUARRY_EXPORT driver_base {
public:
    /// What a sweep fragment contributes: the values of its `role`.
    enum sweep_role : std::int32_t {
        sweep_option = 0,     ///< options of the analysis
        sweep_setting = 1,    ///< a setting of the sweep (type, start, stop, ...)
        sweep_variable = 2,   ///< the swept variable
        sweep_frequency = 3,  ///< a single frequency point, a sweep of its own
    };

    /// One fragment of an analysis sweep, handed to merge_sweep_analysis_param.
    struct QUARRY_EXPORT sweep_analysis_param {
        sweep_analysis_param();
        /// Frees content.
        ~sweep_analysis_param();
        sweep_analysis_param(const sweep_analysis_param&) = delete;
        sweep_analysis_param& operator=(const sweep_analysis_param&) = delete;

        /// Unnamed container with the nodes this fragment contributes (owned).
        ast::node* content = nullptr;
        /// Swept variable for the variable roles, else "".
        std::string variable;
        /// A sweep_role; other values are ignored.
        std::int32_t role = sweep_option;
    };

    /// The fragments of one analysis merged so far. The fields are handed over
    /// to the analysis statement; what is left is freed with the set.
    struct QUARRY_EXPORT sweep_analysis_params {
        sweep_analysis_params();
        ~sweep_analysis_params();
        sweep_analysis_params(const sweep_analysis_params&) = delete;
        sweep_analysis_params& operator=(const sweep_analysis_params&) = delete;

        ast::node* options = nullptr;
        ast::node* sweep = nullptr;
        bool variable_given = false;
        ast::node* extra_sweep = nullptr;
    };

    virtual ~driver_base();

    /// Merges one fragment into the set; the fragment keeps nothing afterwards
    /// that the set needs (the caller deletes it).
    virtual void merge_sweep_analysis_param(sweep_analysis_params* set, sweep_analysis_param* param);
    /// Trims, then strips one pair of enclosing '', "", {} or ## and the blanks inside.
    virtual void prepare_expression(std::string& text);
    /// Strips one pair of enclosing quotes.
    virtual void prepare_quoted_string(std::string& text);
    virtual void prepare_regex(std::string& text);
    /// Strips the enclosing % signs.
    virtual void prepare_model_alias(std::string& text);
    /// Every character but a-z, 0-9 and _ becomes _.
    virtual void prepare_measure_name(std::string& text);
    /// Lower-case number text to sign, mantissa and decimal exponent ("10k" -> "10e3");
    /// true when the result is not a plain integer.
    virtual bool prepare_number(std::string& text);
    /// "d" exponent to "e", trailing unit letters dropped.
    virtual void prepare_exp_number(std::string& text);
    /// Prefixes of "transient" from "tr" on become "transient".
    virtual void prepare_analysis_type(std::string& text);
    virtual void fix_ibis_buffer_pins(const std::string& name, ast::node* instance);
    virtual void extract_model_type(ast::node* model);
};

}  // namespace quarry::parser
