#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>

namespace korvex3_bench {

/// 1 MB in the benchmarks' figures.
constexpr double bytes_per_mb = 1e6;

/// Writes a plain SPICE netlist of about `target_bytes` (both streams
/// together) to `main`. With `models` non-null the model cards go there
/// instead, and `main` includes that file as `.include "<models_name>"`.
/// The output depends on the arguments only (fixed seed).
void generate_netlist(std::ostream& main, std::uint64_t target_bytes, std::ostream* models = nullptr,
                      const std::string& models_name = std::string(), std::uint64_t seed = 1);

struct generated_files {
    std::string main;
    std::string models;  ///< "" without a separate model file
    std::uint64_t main_bytes = 0;
    std::uint64_t models_bytes = 0;
};

/// generate_netlist into the file `path`; with `with_include` the model
/// cards go to a file next to it (same stem, ".inc") that `path` includes.
/// Throws std::runtime_error when a file cannot be written.
generated_files write_netlist(const std::string& path, double size_mb, bool with_include, std::uint64_t seed = 1);

}  // namespace korvex3_bench
