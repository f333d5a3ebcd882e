#pragma once
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/unordered_map.hpp>

#include "quarry/export.hh"

namespace quarry::language {

/// Identifies a registered language description.
enum et_id : std::int32_t {
    id_base = 0,
    id_korvex3 = 1,
};

class QUARRY_EXPORT invalid_device : public std::runtime_error {
public:
    explicit invalid_device(const std::string& name);
};
class QUARRY_EXPORT duplicate_device : public std::runtime_error {
public:
    explicit duplicate_device(const std::string& name);
};
class QUARRY_EXPORT invalid_language : public std::runtime_error {
public:
    explicit invalid_language(const std::string& name);
};

/// Host-private data of a device record; languages leave it alone.
class QUARRY_EXPORT map {};

/// What a language says about one generic device.
struct QUARRY_EXPORT device {
    language::map map;
    std::vector<std::string> pins;
    std::vector<std::string> optional_pins;
    /// Model level as written ("49", "504v8") to device implementation.
    boost::unordered_map<std::string, std::string> level_map;
    std::string unnamed;
    std::string extra_device;
    std::string default_level;
    std::string extra_tag;
    std::uint64_t reserved = 0;

    const std::vector<std::string>& get_pins() const { return pins; }
};

using device_table = boost::unordered_map<std::string, device>;

/// A language description: devices and N-device codes.
class QUARRY_EXPORT base {
public:
    device_table& get_devices() { return devices_; }
    const device_table& get_devices() const { return devices_; }
    const boost::unordered_map<std::string, std::string>& get_n_devices() const { return n_devices_; }

    /// code must have two characters (invalid_device) and be new (duplicate_device).
    void register_n_device(const std::string& code, const std::string& device_name);

    bool has_device(const std::string& name) const;
    /// Mandatory pins; invalid_device for an unknown device.
    const std::vector<std::string>& get_pins(const std::string& name) const;
    bool has_n_device(const std::string& code) const;
    /// invalid_device for an unknown code.
    const std::string& get_n_device_master(const std::string& code) const;

private:
    device_table devices_;
    boost::unordered_map<std::string, std::string> n_devices_;

public:
    // After the two tables, in the host's order.
    std::array<bool, 4> language_flags{};
    int language_level = 0;
    et_id id = id_korvex3;
};

/// Fills a device table with chained calls: f("diode").pins("p", "n").default_level("1").
class QUARRY_EXPORT base_easy_init {
public:
    explicit base_easy_init(device_table& table) : table_(table) {}

    base_easy_init& operator()(const std::string& name);
    base_easy_init& pins(const std::string& a, const std::string& b);
    base_easy_init& pins(const std::string& a, const std::string& b, const std::string& c);
    base_easy_init& pins(const std::string& a, const std::string& b, const std::string& c, const std::string& d);
    base_easy_init& opt_pins(const std::string& a);
    /// The remaining setters need a selected device that exists (invalid_device otherwise).
    base_easy_init& level_map(const std::string& level, const std::string& implementation);
    base_easy_init& default_level(const std::string& level);
    base_easy_init& extra_device(const std::string& name);
    /// Creates the record when needed.
    base_easy_init& extra_tag(const std::string& tag);

private:
    device& existing();
    device_table& table_;
    std::string current_;
};

/// The language registry; the first description of a name or id stays.
class QUARRY_EXPORT framework {
public:
    static framework& instance();

    void register_language(const std::string& name, const base& description);
    bool has_language(const std::string& name) const;
    /// invalid_language(name) for an unknown name.
    const base& get_language(const std::string& name) const;
    /// invalid_language("id#N") for an id without a description.
    const base& get_language(et_id id) const;
    const boost::unordered_map<std::string, et_id>& get_names() const { return names_; }

private:
    boost::unordered_map<std::string, et_id> names_;
    boost::unordered_map<std::int32_t, base> descriptions_;
};

}  // namespace quarry::language
