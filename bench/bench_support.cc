#include "bench_support.hh"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "scanner/scanner.hh"

namespace korvex3_bench {

namespace fs = std::filesystem;

// Reads `path` in 64 KiB chunks, handing each to `each(data, size)`.
template <typename Each>
std::uint64_t read_chunks(const std::string& path, Each each) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    static constexpr std::size_t chunk = 64 * 1024;
    std::unique_ptr<char[]> buffer(new char[chunk]);
    std::uint64_t bytes = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), chunk);
        if (n < 0) {
            ::close(fd);
            throw std::runtime_error("cannot read " + path);
        }
        if (n == 0) break;
        bytes += static_cast<std::uint64_t>(n);
        each(buffer.get(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

// The transition table of a small DFA over bytes: blanks, line ends, words
// and punctuation, each run of a class one token. What a table-driven
// scanner cannot beat: one load and one branch per byte.
struct floor_dfa {
    enum state : std::uint8_t { blank, word, punct, eol, states };
    std::uint8_t next[states][256];
    floor_dfa() {
        for (int s = 0; s < states; ++s) {
            for (int c = 0; c < 256; ++c) {
                const bool alnum = std::isalnum(c) || c == '_' || c == '.' || c >= 0x80;
                next[s][c] = c == '\n' ? eol : (c == ' ' || c == '\t' || c == '\r') ? blank : alnum ? word : punct;
            }
        }
    }
};

read_stats floor_scan(const std::string& path) {
    static const floor_dfa dfa;
    read_stats s;
    std::uint8_t state = floor_dfa::blank;
    std::uint64_t tokens = 0;
    s.bytes = read_chunks(path, [&](const char* data, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t next = dfa.next[state][static_cast<unsigned char>(data[i])];
            if (next != state) ++tokens;  // a token starts: the one branch
            state = next;
        }
    });
    s.lines = tokens;
    return s;
}

read_stats plain_read(const std::string& path) {
    read_stats s;
    s.bytes = read_chunks(path, [&](const char* p, std::size_t n) {
        const char* end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
            ++s.lines;
            ++p;
        }
    });
    return s;
}

scan_stats scan_file(const std::string& path, bool title, bool pins_complete) {
    using namespace quarry_parser_implementation;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    // Bytes no rule takes would otherwise be echoed to standard output.
    std::ostream discard(nullptr);
    korvex3_scanner scanner(&in, &discard);
    if (title)
        scanner.start_with_title();
    else
        scanner.start_with_file();
    scanner.pins_complete = pins_complete;
    const std::string name = path;
    location loc(&name);
    scan_stats s;
    for (;;) {
        text_pool::ptr text;
        const int kind = scanner.lex(&text, &loc);
        if (kind == 0) break;
        ++s.tokens;
    }
    s.bytes = file_size(path);
    return s;
}

std::uint64_t file_size(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("cannot stat " + path);
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t set_bytes(const input_set& set) {
    std::uint64_t n = 0;
    for (const input_file& f : set.files) n += file_size(f.path);
    return n;
}

std::uint64_t current_rss_bytes() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

std::uint64_t peak_rss_bytes() {
    struct rusage ru;
    if (::getrusage(RUSAGE_SELF, &ru) != 0) return 0;
    return static_cast<std::uint64_t>(ru.ru_maxrss) * 1024;  // kilobytes on Linux
}

std::string format_fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string format_mb(double bytes) { return format_fixed(bytes / 1e6, 2); }

std::string format_mib(double bytes) { return format_fixed(bytes / (1024.0 * 1024.0), 1); }

std::string corpus_dir(const std::string& override_dir) {
    if (!override_dir.empty()) return override_dir;
    if (const char* env = std::getenv("KORVEX3_CORPUS"); env && *env) return env;
    return KORVEX3_CORPUS_DIR;
}

std::vector<std::string> files_under(const std::string& dir, const std::vector<std::string>& extensions) {
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const std::string ext = it->path().extension().string();
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            out.push_back(it->path().string());
    }
    if (ec) throw std::runtime_error("cannot list " + dir + ": " + ec.message());
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

// The file named by an .include, .inc or .lib line, or "".
std::string included_name(const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '.') return {};
    std::size_t j = i + 1;
    while (j < line.size() && std::isalpha(static_cast<unsigned char>(line[j]))) ++j;
    std::string word = line.substr(i + 1, j - i - 1);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool include = word.size() >= 3 && std::string("include").compare(0, word.size(), word) == 0;
    if (!include && word != "lib") return {};
    j = line.find_first_not_of(" \t", j);
    if (j == std::string::npos) return {};
    if (line[j] == '"' || line[j] == '\'') {
        const std::size_t close = line.find(line[j], j + 1);
        return close == std::string::npos ? std::string() : line.substr(j + 1, close - j - 1);
    }
    const std::size_t end = line.find_first_of(" \t\r", j);
    return line.substr(j, end == std::string::npos ? std::string::npos : end - j);
}

}  // namespace

std::vector<std::string> include_closure(const std::string& top) {
    std::vector<std::string> order;
    std::set<std::string> seen;
    std::vector<fs::path> todo{fs::path(top)};
    while (!todo.empty()) {
        const fs::path p = todo.back();
        todo.pop_back();
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(p, ec);
        if (ec || !fs::is_regular_file(canonical, ec) || !seen.insert(canonical.string()).second) continue;
        order.push_back(p.lexically_normal().string());
        std::ifstream in(p);
        std::string line;
        std::vector<fs::path> found;
        while (std::getline(in, line)) {
            const std::string name = included_name(line);
            if (name.empty()) continue;
            const fs::path target(name);
            found.push_back(target.is_absolute() ? target : p.parent_path() / target);
        }
        // Depth-first in file order.
        todo.insert(todo.end(), found.rbegin(), found.rend());
    }
    return order;
}

input_set closure_set(const std::string& label, const std::string& top) {
    input_set set;
    set.label = label;
    for (const std::string& f : include_closure(top)) set.files.push_back({f, set.files.empty()});
    if (set.files.empty()) throw std::runtime_error("cannot open " + top);
    return set;
}

std::string make_temp_dir(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("cannot create a directory under " + tmpl);
    return buf.data();
}

void remove_tree(const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
}

std::string base_name(const std::string& path) { return fs::path(path).filename().string(); }

namespace {

// Best of `runs` passes over the set; `pass` returns {bytes, count} of one file.
template <typename Pass>
set_timing best_of(const input_set& set, int runs, Pass pass) {
    return isolated<set_timing>([&] {
        set_timing t;
        t.rss_before = current_rss_bytes();
        for (int r = 0; r < runs; ++r) {
            std::uint64_t bytes = 0, count = 0;
            const auto start = clock_type::now();
            for (const input_file& f : set.files) {
                const std::pair<std::uint64_t, std::uint64_t> s = pass(f);
                bytes += s.first;
                count += s.second;
            }
            const double secs = seconds_between(start, clock_type::now());
            if (r == 0 || secs < t.best_seconds) t.best_seconds = secs;
            t.bytes = bytes;
            t.count = count;
        }
        t.peak_rss = peak_rss_bytes();
        return t;
    });
}

}  // namespace

set_timing time_plain_read(const input_set& set, int runs) {
    return best_of(set, runs, [](const input_file& f) {
        const read_stats s = plain_read(f.path);
        return std::make_pair(s.bytes, s.lines);
    });
}

set_timing time_floor(const input_set& set, int runs) {
    return best_of(set, runs, [](const input_file& f) {
        const read_stats s = floor_scan(f.path);
        return std::make_pair(s.bytes, s.lines);
    });
}

set_timing time_scan(const input_set& set, int runs) {
    return best_of(set, runs, [](const input_file& f) {
        const scan_stats s = scan_file(f.path, f.title);
        return std::make_pair(s.bytes, s.tokens);
    });
}

std::string rate(std::uint64_t bytes, double secs) {
    return format_fixed(secs > 0 ? static_cast<double>(bytes) / 1e6 / secs : 0, 1) + " MB/s";
}

namespace {

std::vector<double> parse_sizes(const std::string& text) {
    std::vector<double> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const double v = std::strtod(item.c_str(), &end);
        if (!end || *end || v <= 0) throw std::runtime_error("bad size: " + item);
        out.push_back(v);
    }
    return out;
}

}  // namespace

int read_options(int argc, char** argv, const std::string& program, const std::string& usage_text,
                 bool accepts_as_include, bench_options& o) {
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw std::runtime_error(a + " needs a value");
                return argv[++i];
            };
            if (a == "--runs") {
                o.runs = std::atoi(value().c_str());
                if (o.runs < 1) throw std::runtime_error("--runs must be at least 1");
            } else if (a == "--sizes") {
                o.sizes = parse_sizes(value());
            } else if (a == "--keep") {
                o.keep = true;
            } else if (a == "--as-include" && accepts_as_include) {
                o.as_include = true;
            } else if (a == "--corpus") {
                o.corpus = true;
            } else if (a == "--corpus-dir") {
                o.corpus = true;
                o.corpus_root = value();
            } else if (a == "-h" || a == "--help") {
                std::cout << usage_text;
                return 0;
            } else if (!a.empty() && a[0] == '-') {
                throw std::runtime_error("unknown option " + a);
            } else {
                o.files.push_back(a);
            }
        }
    } catch (const std::exception& e) {
        std::cerr << program << ": " << e.what() << '\n' << usage_text;
        return 2;
    }
    return -1;
}

int for_generated(const bench_options& o, const std::string& program, bool with_include,
                  const std::function<void(const std::string&, const generated_files&)>& fn) {
    int status = 0;
    std::string dir;
    try {
        dir = make_temp_dir("korvex3-" + program + "-");
        for (double mb : o.sizes) {
            const std::string name = "gen-" + format_fixed(mb, mb < 1 ? 1 : 0) + "MB.kvx";
            const auto start = clock_type::now();
            const generated_files g = write_netlist(dir + "/" + name, mb, with_include);
            std::cout << "# generated " << g.main << " (" << g.main_bytes << " bytes)";
            if (!g.models.empty()) std::cout << " and " << g.models << " (" << g.models_bytes << " bytes)";
            std::cout << " in " << format_fixed(seconds_between(start, clock_type::now()), 2) << " s" << std::endl;
            fn(name, g);
        }
    } catch (const std::exception& e) {
        std::cerr << program << ": " << e.what() << '\n';
        status = 1;
    }
    if (!dir.empty()) {
        if (o.keep)
            std::cout << "# kept " << dir << std::endl;
        else
            remove_tree(dir);
    }
    return status;
}

}  // namespace korvex3_bench
