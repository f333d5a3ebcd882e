#include "quarry/language/language.hh"

namespace quarry::language {

invalid_device::invalid_device(const std::string& name) : std::runtime_error(name) {}

duplicate_device::duplicate_device(const std::string& name) : std::runtime_error(name) {}

invalid_language::invalid_language(const std::string& name) : std::runtime_error(name) {}

void base::register_n_device(const std::string& code, const std::string& device_name) {
    if (code.size() != 2) throw invalid_device(code);
    if (!n_devices_.emplace(code, device_name).second) throw duplicate_device(code);
}

bool base::has_device(const std::string& name) const { return devices_.find(name) != devices_.end(); }

const std::vector<std::string>& base::get_pins(const std::string& name) const {
    auto found = devices_.find(name);
    if (found == devices_.end()) throw invalid_device(name);
    return found->second.get_pins();
}

bool base::has_n_device(const std::string& code) const { return n_devices_.find(code) != n_devices_.end(); }

const std::string& base::get_n_device_master(const std::string& code) const {
    auto found = n_devices_.find(code);
    if (found == n_devices_.end()) throw invalid_device(code);
    return found->second;
}

base_easy_init& base_easy_init::operator()(const std::string& name) {
    current_ = name;
    table_[name];
    return *this;
}

base_easy_init& base_easy_init::pins(const std::string& a, const std::string& b) {
    if (!current_.empty()) {
        auto& pins = table_[current_].pins;
        pins.push_back(a);
        pins.push_back(b);
    }
    return *this;
}

base_easy_init& base_easy_init::pins(const std::string& a, const std::string& b, const std::string& c) {
    if (!current_.empty()) {
        pins(a, b);
        table_[current_].pins.push_back(c);
    }
    return *this;
}

base_easy_init& base_easy_init::pins(const std::string& a, const std::string& b, const std::string& c,
                                     const std::string& d) {
    if (!current_.empty()) {
        pins(a, b, c);
        table_[current_].pins.push_back(d);
    }
    return *this;
}

base_easy_init& base_easy_init::opt_pins(const std::string& a) {
    if (!current_.empty()) table_[current_].optional_pins.push_back(a);
    return *this;
}

device& base_easy_init::existing() {
    auto found = table_.find(current_);
    if (found == table_.end()) throw invalid_device(current_);
    return found->second;
}

base_easy_init& base_easy_init::level_map(const std::string& level, const std::string& implementation) {
    if (!current_.empty()) existing().level_map[level] = implementation;
    return *this;
}

base_easy_init& base_easy_init::default_level(const std::string& level) {
    if (!current_.empty()) existing().default_level = level;
    return *this;
}

base_easy_init& base_easy_init::extra_device(const std::string& name) {
    if (!current_.empty()) existing().extra_device = name;
    return *this;
}

base_easy_init& base_easy_init::extra_tag(const std::string& tag) {
    table_[current_].extra_tag = tag;
    return *this;
}

framework& framework::instance() {
    static framework registry;
    return registry;
}

void framework::register_language(const std::string& name, const base& description) {
    names_.emplace(name, description.id);
    descriptions_.emplace(description.id, description);
}

bool framework::has_language(const std::string& name) const { return names_.find(name) != names_.end(); }

const base& framework::get_language(const std::string& name) const {
    auto found = names_.find(name);
    if (found == names_.end()) throw invalid_language(name);
    return get_language(found->second);
}

const base& framework::get_language(et_id id) const {
    auto found = descriptions_.find(id);
    if (found == descriptions_.end()) throw invalid_language("id#" + std::to_string(id));
    return found->second;
}

}  // namespace quarry::language
