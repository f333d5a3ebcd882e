#include "quarry/host.hh"

#include <mutex>

#include "nimbus/output.hh"
#include "quarry/language/language.hh"

namespace quarry::host {

namespace {

// The device masters the N-device codes of the dialects point at.
void register_base_description() {
    language::base description;
    description.id = language::id_base;
    language::base_easy_init f(description.get_devices());
    f("psp103").pins("d", "g", "s", "b");
    f("bsim6").pins("d", "g", "s", "b");
    f("mosvar").pins("d", "g", "s", "b");
    f("vbic").pins("c", "b", "e", "s");
    f("mx504").pins("c", "b", "e", "s");
    f("bht").pins("c", "b", "e");
    f("bht0").pins("c", "b", "e");
    f("diode_cmc").pins("a", "k");
    f("juncap2").pins("a", "k");
    f("r2").pins("p", "n");
    f("r3").pins("p", "n", "b");
    f("rdiff").pins("p", "n");
    f("cgdrift").pins("d", "g", "s");
    language::framework::instance().register_language("quarry::base", description);
}

void register_message_formats() {
    auto& formats = nimbus::output::nsOutputNamedFormats();
    formats["PARSER-17"] = "parameter %1% of %2% is not supported; it was dropped or renamed (%3%)";
    formats["PARSER-28"] = "reading initial conditions from %1%";
}

}  // namespace

void start() {
    static std::once_flag once;
    std::call_once(once, [] {
        register_base_description();
        register_message_formats();
    });
}

}  // namespace quarry::host
