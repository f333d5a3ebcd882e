// gen_netlist SIZE_MB OUT.kvx [--include] [--seed N]
// Writes a deterministic synthetic netlist of about SIZE_MB (10^6 bytes).
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "netlist_gen.hh"

int main(int argc, char** argv) {
    double size_mb = -1;
    std::string out;
    bool with_include = false;
    std::uint64_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--include") {
            with_include = true;
        } else if (a == "--seed" && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "-h" || a == "--help") {
            size_mb = -1;
            out.clear();
            break;
        } else if (size_mb < 0) {
            char* end = nullptr;
            size_mb = std::strtod(a.c_str(), &end);
            if (!end || *end || size_mb <= 0) size_mb = -2;
        } else if (out.empty()) {
            out = a;
        } else {
            size_mb = -2;
        }
    }
    if (size_mb <= 0 || out.empty()) {
        std::cerr << "usage: gen_netlist SIZE_MB OUT.kvx [--include] [--seed N]\n"
                     "  --include  put the model cards into OUT_models.inc and include it\n";
        return 2;
    }
    try {
        const korvex3_bench::generated_files f = korvex3_bench::write_netlist(out, size_mb, with_include, seed);
        std::cout << f.main << ": " << f.main_bytes << " bytes\n";
        if (!f.models.empty()) std::cout << f.models << ": " << f.models_bytes << " bytes\n";
    } catch (const std::exception& e) {
        std::cerr << "gen_netlist: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
