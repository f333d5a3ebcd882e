// scan_bench [--runs N] [--sizes MB,MB] [--keep] [--as-include] [--corpus] [--corpus-dir DIR] [FILE...]
//
// Scanner throughput against a plain read of the same bytes, both measured in
// this run (best of N each, every measurement in its own child process so
// that its peak memory is its own). Without FILEs and without --corpus it
// generates 10 MB and 100 MB netlists into a temporary directory.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.hh"
#include "netlist_gen.hh"

using namespace korvex3_bench;

namespace {

const char* const usage_text =
    "usage: scan_bench [OPTIONS] [FILE...]\n"
    "  --runs N         best of N runs per measurement (default 3)\n"
    "  --sizes A,B      sizes in MB of the generated netlists (default 10,100)\n"
    "  --keep           keep the generated files and print where they are\n"
    "  --as-include     scan the FILEs as included files (no title line)\n"
    "  --corpus         scan the real-world netlists of the shared corpus\n"
    "  --corpus-dir D   corpus root (default $KORVEX3_CORPUS or the shared corpus)\n";

void measure(const input_set& set, int runs) {
    const std::string files =
        set.files.size() == 1 ? std::string() : " (" + std::to_string(set.files.size()) + " files)";
    const std::string head = set.label + files;

    const set_timing read = time_plain_read(set, runs);
    std::cout << "read  " << head << "  " << format_mb(static_cast<double>(read.bytes)) << " MB  "
              << rate(read.bytes, read.best_seconds) << "  best " << format_fixed(read.best_seconds, 4) << " s of "
              << runs << "  lines " << read.count << "  peak RSS " << format_mib(static_cast<double>(read.peak_rss))
              << " MiB" << std::endl;

    const set_timing floor = time_floor(set, runs);
    std::cout << "floor " << head << "  " << format_mb(static_cast<double>(floor.bytes)) << " MB  "
              << rate(floor.bytes, floor.best_seconds) << "  best " << format_fixed(floor.best_seconds, 4)
              << " s of " << runs << "  one-table DFA, tokens " << floor.count << std::endl;

    const set_timing scan = time_scan(set, runs);
    const double mb = static_cast<double>(scan.bytes) / 1e6;
    const double growth = static_cast<double>(scan.peak_rss > scan.rss_before ? scan.peak_rss - scan.rss_before : 0);
    const double ratio = scan.best_seconds > 0 ? read.best_seconds / scan.best_seconds : 0;
    std::cout << "scan  " << head << "  " << format_mb(static_cast<double>(scan.bytes)) << " MB  "
              << rate(scan.bytes, scan.best_seconds) << "  best " << format_fixed(scan.best_seconds, 4) << " s of "
              << runs << "  tokens " << scan.count << "  scan/read " << format_fixed(ratio, 4) << "  scan/floor "
              << format_fixed(scan.best_seconds > 0 ? floor.best_seconds / scan.best_seconds : 0, 4) << "  peak RSS "
              << format_mib(static_cast<double>(scan.peak_rss)) << " MiB (+" << format_mib(growth)
              << " MiB over start, "
              << (mb >= 0.1 ? format_fixed(growth / (1024.0 * 1024.0) / mb, 2) : std::string("n/a"))
              << " MiB per MB of input)" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    bench_options o;
    if (const int exit = read_options(argc, argv, "scan_bench", usage_text, true, o); exit >= 0) return exit;
    const int runs = o.runs;

    int status = 0;
    auto run = [&](const input_set& set) {
        try {
            measure(set, runs);
        } catch (const std::exception& e) {
            std::cerr << "scan_bench: " << set.label << ": " << e.what() << '\n';
            status = 1;
        }
    };

    std::cout << "# MB = 10^6 bytes; best of " << runs << " runs; the baseline reads 64 KiB chunks and counts lines"
              << std::endl;
    for (const std::string& f : o.files) run({f, {{f, !o.as_include}}});

    if (o.corpus) {
        const std::string root = corpus_dir(o.corpus_root);
        const std::vector<std::string> ext{".spice", ".lib", ".inc"};
        // Every library file on its own, as included files; tt.spice is the deck's top.
        auto library = [&](const std::string& label, const std::vector<std::string>& dirs) {
            input_set set;
            set.label = label;
            for (const std::string& d : dirs)
                for (const std::string& f : files_under(root + "/" + d, ext))
                    set.files.push_back({f, base_name(f) == "tt.spice"});
            return set;
        };
        try {
            run(library("sky130/models", {"sky130/models"}));
            run(library("sky130 library (models + cells)", {"sky130/models", "sky130/cells"}));
        } catch (const std::exception& e) {
            std::cerr << "scan_bench: " << e.what() << '\n';
            status = 1;
        }
        for (const char* deck : {"ngspice/examples/klu/Circuits/85/c6288/c6288_ann.net",
                                  "ngspice/examples/SkywaterOpenSourcePDK/c7552_ann_skywater.net"}) {
            const std::string path = root + "/" + deck;
            run({base_name(path), {{path, true}}});
        }
    }

    if (o.files.empty() && !o.corpus)
        status |= for_generated(o, "scan_bench", false,
                                [&](const std::string& name, const generated_files& g) { run({name, {{g.main, true}}}); });
    return status;
}
