#include <cstdlib>
#include <iostream>
#include <string_view>

#include <boost/format.hpp>

#include "nimbus/event.hh"
#include "nimbus/os.hh"
#include "nimbus/output.hh"

namespace nimbus {

namespace os {

namespace {

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

thread_local bool expansion_on = true;

std::string env_value(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

}  // namespace

scoped_env_expansion::scoped_env_expansion(bool on) : previous_(expansion_on) { expansion_on = on; }

scoped_env_expansion::~scoped_env_expansion() { expansion_on = previous_; }

std::string expand_from_env(const std::string& text) {
    if (!expansion_on) return text;
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            result += text[i++];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            std::size_t end = i + 2;
            while (end < text.size() && is_name_char(text[end])) ++end;
            if (end > i + 2 && end < text.size() && text[end] == '}') {
                result += env_value(text.substr(i + 2, end - i - 2));
                i = end + 1;
                continue;
            }
        } else {
            std::size_t end = i + 1;
            while (end < text.size() && is_name_char(text[end])) ++end;
            if (end > i + 1) {
                result += env_value(text.substr(i + 1, end - i - 1));
                i = end;
                continue;
            }
        }
        result += text[i++];
    }
    return result;
}

bool getenv_bool(const char* name) {
    const char* raw = name ? std::getenv(name) : nullptr;
    if (!raw || !*raw) return false;
    std::string value(raw);
    for (char& c : value)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const char* yes : {"1", "yes", "on", "true", "y", "t"})
        if (value == yes) return true;
    return false;
}

}  // namespace os

namespace output {

namespace {
thread_local std::ostream* thread_output = nullptr;
}

std::ostream& standard_output() { return thread_output ? *thread_output : std::cout; }

scoped_standard_output::scoped_standard_output(std::ostream& out) : previous_(thread_output) { thread_output = &out; }

scoped_standard_output::~scoped_standard_output() { thread_output = previous_; }

std::string c_escape(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (byte < 0x20) {
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

named_formats& nsOutputNamedFormats() {
    static named_formats formats;
    return formats;
}

namespace {

std::string_view argument_text(const argument& a) {
    if (const auto* literal = std::get_if<const char*>(&a)) return *literal ? *literal : "";
    return std::get<std::string>(a);
}

}  // namespace

std::string packet::text() const {
    const payload& data = get_payload();
    if (!data.get_format().empty()) {
        try {
            boost::format f(data.get_format());
            for (std::size_t i = 0; i < data.argument_count(); ++i) f % argument_text(data.get_argument(i));
            return f.str();
        } catch (const boost::io::format_error&) {
            // Fall through to the plain arguments.
        }
    }
    std::string joined;
    for (std::size_t i = 0; i < data.argument_count(); ++i) {
        if (i) joined += ", ";
        joined += argument_text(data.get_argument(i));
    }
    return joined;
}

}  // namespace output

namespace event {

boost::signals2::connection transmitter::connect(const std::string& channel, const listener& fn) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& signal = channels_[channel];
    if (!signal) signal = std::make_unique<signal_type>();
    return signal->connect(fn);
}

void transmitter::fire(const std::string& channel, output::packet* p) {
    signal_type* signal = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = channels_.find(channel);
        if (found == channels_.end() || found->second->empty()) return;
        signal = found->second.get();
    }
    // Outside the lock, so that a listener may connect or fire in turn.
    (*signal)(channel, p);
}

bool transmitter::has_listeners(const std::string& channel) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = channels_.find(channel);
    return found != channels_.end() && !found->second->empty();
}

transmitter& nsTransmitter() {
    static transmitter instance;
    return instance;
}

}  // namespace event

}  // namespace nimbus
