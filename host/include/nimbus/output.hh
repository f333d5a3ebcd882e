#pragma once
#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <boost/unordered_map.hpp>

#include "quarry/export.hh"

namespace nimbus::output {

/// The text as a C string literal's body: backslash, quote, tab, CR and LF
/// escaped, other control bytes as \xNN.
QUARRY_EXPORT std::string c_escape(std::string_view text);

/// Standard output as the parse on this thread sees it: std::cout, or the
/// stream a host running parses on several threads put in its place, so
/// that what a parse writes there keeps its place among the outputs.
QUARRY_EXPORT std::ostream& standard_output();

/// Puts `out` in the place of this thread's standard output while it lives.
class QUARRY_EXPORT scoped_standard_output {
public:
    explicit scoped_standard_output(std::ostream& out);
    ~scoped_standard_output();
    scoped_standard_output(const scoped_standard_output&) = delete;
    scoped_standard_output& operator=(const scoped_standard_output&) = delete;

private:
    std::ostream* previous_;
};

/// Format texts (Boost.Format, %1% style) by format name.
using named_formats = boost::unordered_map<std::string, std::string>;
QUARRY_EXPORT named_formats& nsOutputNamedFormats();

/// One packet argument: a string literal kept by pointer, or a copied string.
using argument = std::variant<const char*, std::string>;

/// The format text and the arguments of a packet.
class QUARRY_EXPORT payload {
public:
    payload(std::string format, std::vector<argument> arguments)
        : format_(std::move(format)), arguments_(std::move(arguments)) {}
    const std::string& get_format() const { return format_; }
    std::size_t argument_count() const { return arguments_.size(); }
    const argument& get_argument(std::size_t i) const { return arguments_.at(i); }
    std::unique_ptr<payload> clone() const { return std::make_unique<payload>(*this); }

private:
    std::string format_;
    std::vector<argument> arguments_;
};

/// A message with a format name, handed to channel listeners.
class QUARRY_EXPORT packet {
public:
    packet(std::string format_name, std::unique_ptr<payload> data)
        : format_name_(std::move(format_name)), payload_(std::move(data)) {}
    const std::string& get_format_name() const { return format_name_; }
    const payload& get_payload() const { return *payload_; }
    /// The format filled with the arguments; a broken format falls back to the plain arguments.
    std::string text() const;

private:
    std::string format_name_;
    std::unique_ptr<payload> payload_;
};

namespace detail {
inline argument to_argument(const char* s) { return argument(s); }
inline argument to_argument(const std::string& s) { return argument(s); }
}  // namespace detail

/// A packet with the format registered under id (empty for an unknown id) and
/// up to ten arguments.
template <typename... Args>
packet named_packet(const std::string& id, const Args&... args) {
    static_assert(sizeof...(Args) <= 10, "a packet takes at most ten arguments");
    std::vector<argument> arguments{detail::to_argument(args)...};
    // Looked up, never entered: parses on several threads read the map at once.
    const named_formats& formats = nsOutputNamedFormats();
    const auto found = formats.find(id);
    std::string format = found == formats.end() ? std::string() : found->second;
    return packet(id, std::make_unique<payload>(std::move(format), std::move(arguments)));
}

}  // namespace nimbus::output
