// parse_bench [--runs N] [--sizes MB,MB] [--keep] [--corpus] [--corpus-dir DIR] [FILE...]
//
// A full parse through the plug-in's parser object into the host's tree,
// against the plain read and the scanner alone on the same input, all in this
// run. Every measurement runs in its own child process so that peak memory
// and the memory per tree node are its own. Without FILEs and without
// --corpus it generates 10 MB and 100 MB netlists (model cards in an
// included file) into a temporary directory.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.hh"
#include "checks.hh"
#include "netlist_gen.hh"
#include "plugin/parser_korvex3.hh"
#include "quarry/ast/node.hh"
#include "quarry/host.hh"
#include "quarry/parser/diagnostics.hh"
#include "quarry/parser/framework.hh"
#include "quarry/task.hh"

using namespace korvex3_bench;

namespace {

// Files and bytes the parse really read, whatever the grammar does with includes.
std::uint64_t parsed_files = 0;
std::uint64_t parsed_bytes = 0;

/// The dialect's parser object, counting what it reads. Registered as the
/// factory so that included files are counted too.
class counting_parser : public quarry::parser::parser_korvex3 {
public:
    bool parse_file(const std::string& file) override {
        ++parsed_files;
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        if (!ec) parsed_bytes += size;
        return parser_korvex3::parse_file(file);
    }
};

std::uint64_t count_nodes(const quarry::ast::node& root) {
    std::uint64_t n = 0;
    std::vector<const quarry::ast::node*> todo{&root};
    while (!todo.empty()) {
        const quarry::ast::node* node = todo.back();
        todo.pop_back();
        for (const quarry::ast::node* child : node->get_children()) {
            ++n;
            todo.push_back(child);
        }
    }
    return n;
}

struct parse_timing {
    double best_seconds = 0;
    double first_seconds = 0;  ///< the first run, in a fresh process: what a one-shot parse costs
    double free_seconds = 0;   ///< deleting the tree of the best run
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
    std::uint64_t nodes = 0;
    std::uint64_t diagnostics = 0;
    std::uint64_t errors = 0;
    bool ok = false;
    std::uint64_t rss_before = 0;
    std::uint64_t peak_after_first = 0;
    std::uint64_t peak_rss = 0;
};

// With `checks`, each run also makes the checks beyond syntax, as --check does.
parse_timing time_parse(const std::string& top, int runs, bool as_include, bool checks = false) {
    return isolated<parse_timing>([&] {
        parse_timing t;
        for (int r = 0; r < runs; ++r) {
            parsed_files = 0;
            parsed_bytes = 0;
            quarry::parser::diagnostics_sink sink;
            quarry::parser::scoped_diagnostics_sink guard(sink);
            auto* root = new quarry::ast::node();
            quarry::task task;
            task.set_init_dir(std::filesystem::path(top).parent_path().string());
            counting_parser parser;
            parser.set_ast_node(root);
            parser.set_task(&task);
            parser.set_file_is_include(as_include);
            task.set_checks(checks);
            if (r == 0) t.rss_before = current_rss_bytes();
            const auto start = clock_type::now();
            const bool ok = parser.parse_file(top);
            if (checks) quarry_parse::run_checks(*root, quarry_parse::check_options{{}, top}, sink);
            const double secs = seconds_between(start, clock_type::now());
            if (r == 0) {
                t.peak_after_first = peak_rss_bytes();
                t.first_seconds = secs;
            }
            const auto free_start = clock_type::now();
            const std::uint64_t nodes = count_nodes(*root);
            delete root;
            const double free_secs = seconds_between(free_start, clock_type::now());
            if (r == 0 || secs < t.best_seconds) {
                t.best_seconds = secs;
                t.free_seconds = free_secs;
            }
            t.nodes = nodes;
            t.files = parsed_files;
            t.bytes = parsed_bytes;
            t.diagnostics = sink.entries().size();
            t.errors = 0;
            for (const auto& d : sink.entries())
                if (d.level == quarry::parser::severity::error) ++t.errors;
            // As the CLI: an error anywhere, included files counted, fails the parse.
            t.ok = ok && t.errors == 0;
        }
        t.peak_rss = peak_rss_bytes();
        return t;
    });
}

void measure(const std::string& label, const std::string& top, int runs, bool as_include) {
    // The same input for every measurement: the file and what it includes.
    const input_set set = closure_set(label, top);
    const std::string head =
        label + (set.files.size() > 1 ? " (+" + std::to_string(set.files.size() - 1) + " included)" : "");

    const set_timing read = time_plain_read(set, runs);
    std::cout << "read   " << head << "  " << format_mb(static_cast<double>(read.bytes)) << " MB  "
              << rate(read.bytes, read.best_seconds) << "  best " << format_fixed(read.best_seconds, 4) << " s of "
              << runs << "  lines " << read.count << std::endl;

    const set_timing scan = time_scan(set, runs);
    std::cout << "scan   " << head << "  " << format_mb(static_cast<double>(scan.bytes)) << " MB  "
              << rate(scan.bytes, scan.best_seconds) << "  best " << format_fixed(scan.best_seconds, 4) << " s of "
              << runs << "  tokens " << scan.count << "  scan/read "
              << format_fixed(scan.best_seconds > 0 ? read.best_seconds / scan.best_seconds : 0, 4) << "  peak RSS "
              << format_mib(static_cast<double>(scan.peak_rss)) << " MiB" << std::endl;

    const parse_timing p = time_parse(top, runs, as_include);
    const double growth =
        static_cast<double>(p.peak_after_first > p.rss_before ? p.peak_after_first - p.rss_before : 0);
    // Compare with the scanner over the bytes the parse really read.
    const double scan_rate = scan.best_seconds > 0 ? static_cast<double>(scan.bytes) / scan.best_seconds : 0;
    const double parse_rate = p.best_seconds > 0 ? static_cast<double>(p.bytes) / p.best_seconds : 0;
    const double mb = static_cast<double>(p.bytes) / 1e6;
    std::cout << "parse  " << head << "  " << format_mb(static_cast<double>(p.bytes)) << " MB in " << p.files
              << " of " << set.files.size() << " files  " << rate(p.bytes, p.best_seconds) << "  best "
              << format_fixed(p.best_seconds, 4) << " s of " << runs << "  first run " << rate(p.bytes, p.first_seconds)
              << "  parse/scan " << format_fixed(scan_rate > 0 ? parse_rate / scan_rate : 0, 4) << "  nodes "
              << p.nodes << "  nodes/s "
              << format_fixed(p.best_seconds > 0 ? static_cast<double>(p.nodes) / p.best_seconds : 0, 0)
              << "  tree free " << format_fixed(p.free_seconds, 4) << " s  diagnostics " << p.diagnostics << " ("
              << p.errors << " errors)  result " << (p.ok ? "true" : "false") << "  peak RSS "
              << format_mib(static_cast<double>(p.peak_rss)) << " MiB (+" << format_mib(growth) << " MiB, "
              << (mb >= 0.1 ? format_fixed(growth / (1024.0 * 1024.0) / mb, 2) : std::string("n/a"))
              << " MiB per MB)  bytes/node "
              << (p.nodes ? format_fixed(growth / static_cast<double>(p.nodes), 1) : std::string("n/a"))
              << std::endl;

    const parse_timing c = time_parse(top, runs, as_include, true);
    std::cout << "check  " << head << "  " << rate(c.bytes, c.best_seconds) << "  best "
              << format_fixed(c.best_seconds, 4) << " s of " << runs << "  check/parse "
              << format_fixed(p.best_seconds > 0 ? c.best_seconds / p.best_seconds : 0, 4) << "  reports "
              << c.diagnostics - p.diagnostics << std::endl;
}

const char* const usage_text =
    "usage: parse_bench [OPTIONS] [FILE...]\n"
    "  --runs N         best of N runs per measurement (default 3)\n"
    "  --sizes A,B      sizes in MB of the generated netlists (default 10,100)\n"
    "  --keep           keep the generated files and print where they are\n"
    "  --corpus         parse the real-world netlists of the shared corpus\n"
    "  --corpus-dir D   corpus root (default $KORVEX3_CORPUS or the shared corpus)\n";

}  // namespace

int main(int argc, char** argv) {
    bench_options o;
    if (const int exit = read_options(argc, argv, "parse_bench", usage_text, false, o); exit >= 0) return exit;
    const int runs = o.runs;

    // As the host does at start-up; includes are parsed through the registry.
    quarry::host::start();
    quarry::parser::nimbus_plugin_init_quarry_parser_korvex3();
    quarry::parser::framework::instance().get_factory_map()["korvex3"] = [] {
        return static_cast<quarry::parser::parser_base*>(new counting_parser());
    };

    int status = 0;
    auto run = [&](const std::string& label, const std::string& top, bool as_include = false) {
        try {
            measure(label, top, runs, as_include);
        } catch (const std::exception& e) {
            std::cerr << "parse_bench: " << label << ": " << e.what() << '\n';
            status = 1;
        }
    };

    std::cout << "# MB = 10^6 bytes; best of " << runs
              << " runs; read and scan cover the file and the files it includes (found textually)" << std::endl;
    for (const std::string& f : o.files) run(base_name(f), f);

    if (o.corpus) {
        const std::string root = corpus_dir(o.corpus_root);
        // A library: read as an included file, without a title line or .END.
        run("sky130 tt.spice", root + "/sky130/models/corners/tt.spice", true);
        for (const char* deck : {"ngspice/examples/klu/Circuits/85/c6288/c6288_ann.net",
                                  "ngspice/examples/SkywaterOpenSourcePDK/c7552_ann_skywater.net"}) {
            const std::string path = root + "/" + deck;
            run(base_name(path), path);
        }
    }

    if (o.files.empty() && !o.corpus)
        status |= for_generated(o, "parse_bench", true,
                                [&](const std::string& name, const generated_files& g) { run(name, g.main); });
    return status;
}
