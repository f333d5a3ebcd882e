#include "plugin/parser_korvex3.hh"
#include "quarry/language/language.hh"

namespace quarry::parser {

void register_korvex3_language() {
    using namespace quarry::language;
    base description;
    base_easy_init devices(description.get_devices());

    devices("diode")
        .pins("p", "n")
        .level_map("1", "diode")
        .level_map("3", "diode3")
        .level_map("6", "diode3")
        .level_map("1002", "diode_cmc")
        .default_level("1")
        .extra_device("diode_pwl");
    devices("jfet").pins("d", "g", "s").opt_pins("b").level_map("1", "kxjfet").default_level("1");
    devices("bjt")
        .pins("c", "b", "e")
        .opt_pins("s")
        .level_map("0", "bjt")
        .level_map("1", "bjt1")
        .level_map("8", "bht")
        .level_map("9", "vbic")
        .level_map("13", "bht0")
        .level_map("504", "mextram")
        .level_map("504v8", "mextram")
        .level_map("504v10", "mx504")
        .default_level("0");
    devices("mosfet")
        .pins("d", "g", "s", "b")
        .level_map("1", "mos1")
        .level_map("2", "mos2")
        .level_map("3", "mos3")
        .level_map("8", "bsim3")
        .level_map("11", "bsim3v3")
        .level_map("14", "bsim4")
        .level_map("49", "bsim3")
        .level_map("54", "bsim4")
        .level_map("77", "bsim6")
        .default_level("1");
    devices("mos1").pins("d", "g", "s", "b").extra_tag("m");
    devices("mos2").pins("d", "g", "s", "b").extra_tag("m");
    devices("mos3").pins("d", "g", "s", "b").extra_tag("m");

    description.register_n_device("b0", "bht0");
    description.register_n_device("bh", "bht");
    description.register_n_device("b6", "bsim6");
    description.register_n_device("cd", "diode_cmc");
    description.register_n_device("jc", "juncap2");
    description.register_n_device("mv", "mosvar");
    description.register_n_device("mx", "mx504");
    description.register_n_device("ps", "psp103");
    description.register_n_device("r2", "r2");
    description.register_n_device("r3", "r3");
    description.register_n_device("rd", "rdiff");
    description.register_n_device("vb", "vbic");
    description.register_n_device("cg", "cgdrift");

    description.language_flags = {true, true, true, false};
    description.language_level = 1;
    quarry::language::framework::instance().register_language("korvex3", description);
}

}  // namespace quarry::parser
