#include "registry_printer.hh"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

namespace quarry_parse {

namespace {

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Three-way: digit runs compare by value, other bytes by code.
int natural_compare(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            std::size_t i_end = i;
            std::size_t j_end = j;
            while (i_end < a.size() && is_digit(a[i_end])) ++i_end;
            while (j_end < b.size() && is_digit(b[j_end])) ++j_end;
            std::size_t i_sig = i;
            std::size_t j_sig = j;
            while (i_sig + 1 < i_end && a[i_sig] == '0') ++i_sig;
            while (j_sig + 1 < j_end && b[j_sig] == '0') ++j_sig;
            const std::size_t i_len = i_end - i_sig;
            const std::size_t j_len = j_end - j_sig;
            if (i_len != j_len) return i_len < j_len ? -1 : 1;
            if (const int c = a.compare(i_sig, i_len, b, j_sig, j_len)) return c;
            i = i_end;
            j = j_end;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
            ++i;
            ++j;
        }
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

template <typename Map>
std::vector<std::pair<std::string, typename Map::mapped_type>> sorted_entries(const Map& map) {
    std::vector<std::pair<std::string, typename Map::mapped_type>> entries(map.begin(), map.end());
    std::sort(entries.begin(), entries.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    return entries;
}

void print_list(const char* label, const std::vector<std::string>& items, std::ostream& out) {
    out << "  " << label << ':';
    for (const auto& item : items) out << ' ' << item;
    out << '\n';
}

}  // namespace

bool natural_less(const std::string& a, const std::string& b) {
    const int c = natural_compare(a, b);
    // "01" and "1" compare level by value; plain order keeps the ordering strict.
    return c != 0 ? c < 0 : a < b;
}

void print_languages(quarry::parser::framework& parsers, const quarry::language::framework& languages,
                     std::ostream& out) {
    std::vector<std::string> keys;
    for (const auto& entry : parsers.get_factory_map()) keys.push_back(entry.first);
    std::sort(keys.begin(), keys.end());
    out << "languages:\n";
    for (const auto& key : keys) out << "  " << key << '\n';

    out << "extensions:\n";
    for (const auto& [extension, language] : sorted_entries(parsers.get_extension_map()))
        out << "  " << extension << " -> " << language << '\n';

    const std::string& fallback = parsers.get_default_language();
    out << "default language: " << (fallback.empty() ? "(none)" : fallback) << '\n';

    out << "descriptions:\n";
    for (const auto& [name, id] : sorted_entries(languages.get_names()))
        out << "  " << name << " (id " << static_cast<int>(id) << ")\n";
}

void print_description(const std::string& name, const quarry::language::base& description, std::ostream& out) {
    out << "language " << name << " (id " << static_cast<int>(description.id) << ")\n";
    for (const auto& [device_name, device] : sorted_entries(description.get_devices())) {
        out << "device " << device_name << '\n';
        print_list("pins", device.pins, out);
        if (!device.optional_pins.empty()) print_list("optional pins", device.optional_pins, out);
        std::vector<std::pair<std::string, std::string>> levels(device.level_map.begin(), device.level_map.end());
        std::sort(levels.begin(), levels.end(), [](const auto& x, const auto& y) { return natural_less(x.first, y.first); });
        for (const auto& [level, implementation] : levels) out << "  level " << level << ": " << implementation << '\n';
        if (!device.default_level.empty()) out << "  default level: " << device.default_level << '\n';
        if (!device.extra_device.empty()) out << "  extra device: " << device.extra_device << '\n';
        if (!device.extra_tag.empty()) out << "  extra tag: " << device.extra_tag << '\n';
    }
    for (const auto& [code, device_name] : sorted_entries(description.get_n_devices()))
        out << "n-device " << code << ": " << device_name << '\n';
}

}  // namespace quarry_parse
