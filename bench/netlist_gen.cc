#include "netlist_gen.hh"

#include <cstddef>
#include <fstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex3_bench {

namespace {

// splitmix64: tiny, fast and the same on every platform (std distributions are not).
class rng {
public:
    explicit rng(std::uint64_t seed) : state_(seed * 0x9e3779b97f4a7c15ull + 0x6b76783321ull) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    /// 0 .. n-1
    unsigned below(unsigned n) { return n ? static_cast<unsigned>(next() % n) : 0; }
    unsigned between(unsigned lo, unsigned hi) { return lo + below(hi - lo + 1); }
    bool percent(unsigned p) { return below(100) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& v) { return v[below(static_cast<unsigned>(v.size()))]; }

private:
    std::uint64_t state_;
};

const std::vector<std::string> mos_params = {
    "vth0", "k1", "k2", "k3", "k3b", "w0", "lpe0", "lpeb", "dvt0", "dvt1", "dvt2", "dvt0w", "dvt1w", "dvt2w",
    "u0", "ua", "ub", "uc", "ud", "up", "lp", "vsat", "a0", "ags", "a1", "a2", "b0", "b1", "keta", "rdsw",
    "rdswmin", "prwg", "prwb", "wr", "wint", "lint", "dwg", "dwb", "voff", "voffl", "minv", "nfactor", "eta0",
    "etab", "dsub", "cit", "cdsc", "cdscb", "cdscd", "pclm", "pdiblc1", "pdiblc2", "pdiblcb", "drout",
    "pscbe1", "pscbe2", "pvag", "delta", "fprout", "pdits", "pditsl", "pditsd", "alpha0", "alpha1", "beta0",
    "agidl", "bgidl", "cgidl", "egidl", "aigc", "bigc", "cigc", "nigc", "poxedge", "pigcd", "ntox", "toxref",
    "tox", "toxm", "toxe", "toxp", "epsrox", "xj", "ndep", "nsd", "ngate", "xt", "vbm", "kt1", "kt1l", "kt2",
    "ute", "ua1", "ub1", "uc1", "at", "prt", "cgso", "cgdo", "cgbo", "cgsl", "cgdl", "ckappas", "cf", "clc",
    "cle", "dlc", "dwc", "vfbcv", "noff", "voffcv", "acde", "moin", "cjs", "mjs", "pbs", "cjsws", "mjsws",
    "pbsws", "cjswgs", "mjswgs", "pbswgs", "tpb", "tcj", "tpbsw", "tcjsw", "tpbswg", "tcjswg", "xtis", "dmcg",
    "dmci", "dmdg", "dmcgt", "xgw", "xgl", "rshg", "ngcon", "xrcrg1", "xrcrg2", "lvth0", "wvth0", "pvth0",
    "lk2", "wk2", "pk2", "lu0", "wu0", "pu0", "lua", "wua", "pua", "lvsat", "wvsat", "pvsat", "saref", "sbref",
    "wlod", "ku0", "kvsat", "tku0", "llodku0", "wlodku0", "llodvth", "wlodvth", "lku0", "wku0", "pku0"};

const std::vector<std::string> diode_params = {"is", "n", "rs", "cjo", "vj", "m", "tt", "bv", "ibv", "eg",
                                               "xti", "kf", "af", "fc", "jsw", "cjsw", "mjsw", "php", "tnom",
                                               "trs1", "trs2", "tbv1", "tbv2", "tcv", "tpb", "tphp", "area", "pj"};

const std::vector<std::string> bjt_params = {
    "is", "bf", "nf", "vaf", "ikf", "ise", "ne", "br", "nr", "var", "ikr", "isc", "nc", "rb", "irb", "rbm",
    "re", "rc", "cje", "vje", "mje", "tf", "xtf", "vtf", "itf", "ptf", "cjc", "vjc", "mjc", "xcjc", "tr", "cjs",
    "vjs", "mjs", "xtb", "eg", "xti", "kf", "af", "fc", "tnom", "iss", "ns", "nk", "tre1", "tre2", "trb1", "trc1"};

const std::vector<std::string> comment_words = {
    "typical",  "corner",  "fitted",   "measured", "lot",    "wafer",  "extracted", "revision", "bias",
    "leakage",  "mismatch", "matched", "output",   "stage",  "driver", "buffer",    "clock",    "tree",
    "sense",    "amp",     "bandgap",  "ladder",   "divider", "mirror", "cascode",  "input",    "pair",
    "note",     "check",   "layout",   "parasitic", "guard", "ring",   "well",      "tap",      "retarget"};

const char* const scales[] = {"f", "p", "n", "u", "m", "k", "meg", "g"};

struct subckt_info {
    std::string name;
    unsigned pins;
    std::vector<std::string> params;
};

class generator {
public:
    generator(std::uint64_t seed, bool separate_models) : r_(seed), separate_(separate_models) {}

    /// Appends one block of statements; returns the bytes added to (main, models).
    void block(std::string& main, std::string& models) {
        ++block_;
        comment_block(main);
        if (r_.percent(60)) param_line(main);
        model_card(separate_ ? models : main, r_.below(4));
        if (r_.percent(30)) model_card(separate_ ? models : main, r_.below(4));
        if (!separate_) main += '\n';
        subckt(main);
        main += '\n';
        const unsigned n = r_.between(8, 40);
        for (unsigned i = 0; i < n; ++i) {
            top_instance(main);
            if (r_.percent(4)) main += '\n';
            if (r_.percent(3)) comment_line(main);
        }
        main += '\n';
    }

    void head(std::string& main, std::string& models, std::uint64_t target, const std::string& models_name) {
        main += "generated benchmark netlist (seed-fixed), about " + std::to_string(target) + " bytes\n";
        main += "* Synthetic deck for throughput measurements: parameters, model cards,\n";
        main += "* subcircuits with every common element, and a flat top level of instances.\n\n";
        for (const char* p : {" vdd=1.8", " temp_nom=27", " wmin=0.42u", " lmin=0.15u", " scale_w=1", " scale_l='lmin*1.0'"})
            main += dot("param") + p + "\n";
        main += '\n';
        if (separate_) {
            main += dot("include") + " \"" + models_name + "\"\n\n";
            models += "* Model library of the generated benchmark netlist.\n";
        }
        // Every element kind needs a model to point at from the first subcircuit on.
        for (unsigned kind = 0; kind < 4; ++kind) model_card(separate_ ? models : main, kind);
        main += "vdd vdd 0 1.8\nvss vss 0 0\n";
        main += "vin in0 0 pulse(0 1.8 0 10p 10p 1n 2n)\n\n";
    }

    /// The analyses, then .END.
    void tail(std::string& main) {
        main += "\n" + dot("op") + "\n";
        main += dot("ac") + " dec 10 1 1g\n";
        main += dot("dc") + " vdd 0 1.8 0.1 temp_nom 0 100 25\n";
        main += dot("dc") + " sweep var=vdd type=lin start=1.6 stop=2 step=0.05\n";
        main += dot("tran") + " 1p 10n 0 1p uic\n";
        main += dot("end") + "\n";
    }

private:
    std::string dot(const char* word) {
        std::string s = ".";
        s += word;
        if (r_.percent(40))
            for (std::size_t i = 1; i < s.size(); ++i) s[i] = static_cast<char>(s[i] - 'a' + 'A');
        return s;
    }

    char letter(char c) { return r_.percent(30) ? static_cast<char>(c - 'a' + 'A') : c; }

    std::string words(unsigned lo, unsigned hi) {
        std::string s;
        const unsigned n = r_.between(lo, hi);
        for (unsigned i = 0; i < n; ++i) {
            if (i) s += ' ';
            s += r_.pick(comment_words);
        }
        return s;
    }

    /// "1.25u", "10k", "0.5p": a positive value with a scale letter.
    std::string scaled(const char* scale) {
        std::string s = std::to_string(r_.between(1, 999));
        if (r_.percent(50)) s += "." + std::to_string(r_.between(1, 99));
        return s + scale;
    }

    /// A model-card value in one of the usual spellings.
    std::string model_value() {
        const unsigned k = r_.below(100);
        std::string s = r_.percent(20) ? "-" : "";
        if (k < 40) {
            s += std::to_string(r_.below(10)) + "." + std::to_string(r_.between(1, 999999));
            s += "e" + std::string(r_.percent(70) ? "-" : "+") + (r_.percent(50) ? "0" : "") +
                 std::to_string(r_.between(1, 18));
        } else if (k < 75) {
            s += std::to_string(r_.below(100)) + "." + std::to_string(r_.between(0, 9999));
        } else if (k < 88) {
            s += std::to_string(r_.below(5000));
        } else if (k < 95) {
            s += scaled(scales[r_.below(8)]);
        } else {
            s = "{" + std::to_string(r_.below(10)) + "." + std::to_string(r_.below(1000)) + "+dvt_" +
                std::to_string(r_.below(50)) + "*mc_mm}";
        }
        return s;
    }

    void comment_line(std::string& out) { out += "* " + words(2, 9) + "\n"; }

    void comment_block(std::string& out) {
        out += "* ---- block " + std::to_string(block_) + ": " + words(1, 4) + " ----\n";
        const unsigned n = r_.below(3);
        for (unsigned i = 0; i < n; ++i) comment_line(out);
    }

    /// One to five parameters, one .PARAM line each (the dialect takes one
    /// name and value per line).
    void param_line(std::string& out) {
        const unsigned n = r_.between(1, 5);
        for (unsigned i = 0; i < n; ++i) {
            if (i > 0) out += '\n';
            out += dot("param") + " p" + std::to_string(block_) + "_" + std::to_string(i) + "=";
            out += r_.percent(25) ? "'vdd*" + std::to_string(r_.between(1, 9)) + "/10'" : model_value();
        }
        if (r_.percent(15)) out += " ; " + words(1, 4);
        out += '\n';
    }

    /// kind: 0 nmos, 1 pmos, 2 diode, 3 npn.
    void model_card(std::string& out, unsigned kind) {
        static const char* const prefixes[] = {"nch_", "pch_", "dmod_", "qnpn_"};
        static const char* const types[] = {"nmos", "pmos", "d", "npn"};
        std::vector<std::string>& names = models_[kind];
        std::string name = prefixes[kind] + std::to_string(names.size());
        out += dot("model") + " " + name + " " + types[kind];
        const std::vector<std::string>& params = kind < 2 ? mos_params : kind == 2 ? diode_params : bjt_params;
        if (kind < 2) out += " level=54 version=4.5";
        out += '\n';
        const unsigned lines = kind < 2 ? r_.between(8, 30) : r_.between(2, 6);
        std::size_t next = r_.below(static_cast<unsigned>(params.size()));
        for (unsigned l = 0; l < lines; ++l) {
            if (r_.percent(4)) out += "* " + words(1, 5) + "\n";
            out += "+";
            const unsigned n = r_.between(3, 7);
            for (unsigned i = 0; i < n; ++i) {
                out += ' ';
                out += params[next++ % params.size()];
                out += r_.percent(10) ? " = " : "=";
                out += model_value();
            }
            if (r_.percent(5)) out += " ; " + words(1, 3);
            out += '\n';
        }
        names.push_back(std::move(name));
    }

    std::string net(const std::vector<std::string>& local) {
        if (!local.empty() && r_.percent(70)) return r_.pick(local);
        return "net" + std::to_string(r_.below(20000));
    }

    /// Appends " a b c" for n nets, continuing long lists on "+" lines.
    void net_list(std::string& out, unsigned n, const std::vector<std::string>& local) {
        for (unsigned i = 0; i < n; ++i) {
            if (i && i % 8 == 0) out += "\n+";
            out += ' ';
            out += net(local);
        }
    }

    std::string size_value(const subckt_info* owner, const char* param, const char* scale) {
        if (owner && !owner->params.empty() && r_.percent(30)) {
            for (const std::string& p : owner->params)
                if (p == param) return r_.percent(50) ? p : "'" + p + "*" + std::to_string(r_.between(2, 4)) + "'";
        }
        return scaled(scale);
    }

    void element(std::string& out, unsigned index, const subckt_info& owner, const std::vector<std::string>& nets) {
        const unsigned k = r_.below(100);
        const std::string id = std::to_string(index);
        if (k < 35) {
            out += letter('m') + id;
            net_list(out, 4, nets);
            out += ' ' + r_.pick(models_[r_.below(2)]);
            out += " w=" + size_value(&owner, "w", "u") + " l=" + size_value(&owner, "l", "u");
            if (r_.percent(30)) out += " m=" + std::to_string(r_.between(1, 8));
            if (r_.percent(25)) {
                out += "\n+ ad=" + scaled("p") + " as=" + scaled("p") + " pd=" + scaled("u") + " ps=" + scaled("u");
                if (r_.percent(50)) out += "\n+ nrd=0." + std::to_string(r_.below(99)) + " nrs=0." +
                                           std::to_string(r_.below(99)) + " sa=" + scaled("u") + " sb=" + scaled("u");
            }
        } else if (k < 50) {
            out += letter('r') + id;
            net_list(out, 2, nets);
            if (r_.percent(70))
                out += ' ' + scaled(r_.percent(60) ? "k" : "meg");
            else
                out += " r=" + scaled("k") + " tc1=" + model_value() + " tc2=" + model_value();
        } else if (k < 65) {
            out += letter('c') + id;
            net_list(out, 2, nets);
            out += ' ' + scaled(r_.percent(60) ? "f" : "p");
        } else if (k < 70) {
            out += letter('l') + id;
            net_list(out, 2, nets);
            out += ' ' + scaled(r_.percent(50) ? "n" : "p");
        } else if (k < 78) {
            out += letter('d') + id;
            net_list(out, 2, nets);
            out += ' ' + r_.pick(models_[2]);
            if (r_.percent(60)) out += " area=" + scaled("p");
        } else if (k < 85) {
            out += letter('q') + id;
            net_list(out, r_.percent(70) ? 3 : 4, nets);
            out += ' ' + r_.pick(models_[3]);
            if (r_.percent(30)) out += " area=" + std::to_string(r_.between(1, 4));
        } else if (!subckts_.empty()) {
            instance(out, letter('x') + id, nets);
        } else {
            out += letter('c') + id;
            net_list(out, 2, nets);
            out += ' ' + scaled("f");
        }
        if (r_.percent(8)) out += "  ; " + words(1, 5);
        out += '\n';
    }

    /// An instance of one of the recent subcircuits.
    void instance(std::string& out, const std::string& name, const std::vector<std::string>& nets) {
        const std::size_t window = subckts_.size() < 50 ? subckts_.size() : 50;
        const subckt_info& s = subckts_[subckts_.size() - 1 - r_.below(static_cast<unsigned>(window))];
        out += name;
        net_list(out, s.pins, nets);
        out += ' ' + s.name;
        for (const std::string& p : s.params)
            if (r_.percent(60))
                out += ' ' + p + '=' + (p == "m" || p == "nf" ? std::to_string(r_.between(1, 4)) : scaled("u"));
    }

    void subckt(std::string& out) {
        subckt_info s;
        s.name = "cell_" + std::to_string(subckts_.size());
        s.pins = r_.between(2, 10);
        std::vector<std::string> nets;
        out += dot("subckt") + " " + s.name;
        for (unsigned i = 0; i < s.pins; ++i) {
            nets.push_back("p" + std::to_string(i));
            out += ' ' + nets.back();
        }
        static const char* const names[] = {"w", "l", "m", "nf"};
        const unsigned np = r_.below(4);
        for (unsigned i = 0; i < np; ++i) {
            s.params.push_back(names[i]);
            out += std::string(" ") + names[i] + "=" + (i == 2 || i == 3 ? std::to_string(r_.between(1, 4)) : scaled("u"));
        }
        out += '\n';
        const unsigned internal = r_.between(1, 12);
        for (unsigned i = 0; i < internal; ++i) nets.push_back("n" + std::to_string(i));
        nets.push_back("vdd");
        nets.push_back("vss");
        const unsigned n = r_.between(6, 40);
        for (unsigned i = 0; i < n; ++i) {
            element(out, i + 1, s, nets);
            if (r_.percent(3)) comment_line(out);
            if (r_.percent(2)) out += '\n';
        }
        out += dot("ends") + " " + s.name + "\n";
        subckts_.push_back(std::move(s));
    }

    void top_instance(std::string& out) {
        static const std::vector<std::string> rails = {"vdd", "vss", "in0"};
        instance(out, letter('x') + std::to_string(++instances_), rails);
        if (r_.percent(6)) out += " ; " + words(1, 4);
        out += '\n';
    }

    rng r_;
    bool separate_;
    unsigned block_ = 0;
    unsigned instances_ = 0;
    std::vector<std::string> models_[4];
    std::vector<subckt_info> subckts_;
};

}  // namespace

void generate_netlist(std::ostream& main, std::uint64_t target_bytes, std::ostream* models,
                      const std::string& models_name, std::uint64_t seed) {
    generator g(seed, models != nullptr);
    std::string a, b;
    std::uint64_t written = 0;
    auto flush = [&] {
        written += a.size() + b.size();
        main.write(a.data(), static_cast<std::streamsize>(a.size()));
        if (models) models->write(b.data(), static_cast<std::streamsize>(b.size()));
        a.clear();
        b.clear();
    };
    g.head(a, b, target_bytes, models_name);
    flush();
    while (written < target_bytes) {
        g.block(a, b);
        if (a.size() + b.size() >= 1 << 16) flush();
        if (written + a.size() + b.size() >= target_bytes) break;
    }
    g.tail(a);
    flush();
}

generated_files write_netlist(const std::string& path, double size_mb, bool with_include, std::uint64_t seed) {
    generated_files files;
    files.main = path;
    const auto target = static_cast<std::uint64_t>(size_mb * bytes_per_mb);
    std::ofstream main(path, std::ios::binary);
    if (!main) throw std::runtime_error("cannot write " + path);
    if (with_include) {
        const std::size_t slash = path.find_last_of('/');
        const std::size_t dot = path.find_last_of('.');
        const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                     ? path.substr(0, dot)
                                     : path;
        files.models = stem + "_models.inc";
        const std::string name = slash == std::string::npos ? files.models : files.models.substr(slash + 1);
        std::ofstream models(files.models, std::ios::binary);
        if (!models) throw std::runtime_error("cannot write " + files.models);
        generate_netlist(main, target, &models, name, seed);
        files.models_bytes = static_cast<std::uint64_t>(models.tellp());
        if (!models) throw std::runtime_error("cannot write " + files.models);
    } else {
        generate_netlist(main, target, nullptr, std::string(), seed);
    }
    files.main_bytes = static_cast<std::uint64_t>(main.tellp());
    if (!main) throw std::runtime_error("cannot write " + path);
    return files;
}

}  // namespace korvex3_bench
