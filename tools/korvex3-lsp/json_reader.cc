#include "json_reader.hh"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "positions.hh"

namespace korvex3_lsp {

namespace {

constexpr int max_depth = 512;

struct bad_json {};

class reader {
public:
    explicit reader(std::string_view text) : s_(text) {}

    nlohmann::json document() {
        nlohmann::json v = value(0);
        blanks();
        if (i_ != s_.size()) throw bad_json{};
        return v;
    }

private:
    void blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    char peek() {
        if (i_ >= s_.size()) throw bad_json{};
        return s_[i_];
    }
    void expect(char c) {
        if (peek() != c) throw bad_json{};
        ++i_;
    }
    void literal(const char* word) {
        const std::size_t n = std::strlen(word);
        if (s_.substr(i_, n) != word) throw bad_json{};
        i_ += n;
    }

    nlohmann::json value(int depth) {
        if (depth > max_depth) throw bad_json{};
        blanks();
        switch (peek()) {
        case '{': return object(depth);
        case '[': return array(depth);
        case '"': return string();
        case 't': literal("true"); return true;
        case 'f': literal("false"); return false;
        case 'n': literal("null"); return nullptr;
        default: return number();
        }
    }

    nlohmann::json object(int depth) {
        ++i_;
        nlohmann::json o = nlohmann::json::object();
        blanks();
        if (peek() == '}') {
            ++i_;
            return o;
        }
        for (;;) {
            blanks();
            if (peek() != '"') throw bad_json{};
            std::string key = string();
            blanks();
            expect(':');
            o[std::move(key)] = value(depth + 1);
            blanks();
            if (peek() == ',') {
                ++i_;
                continue;
            }
            expect('}');
            return o;
        }
    }

    nlohmann::json array(int depth) {
        ++i_;
        nlohmann::json a = nlohmann::json::array();
        blanks();
        if (peek() == ']') {
            ++i_;
            return a;
        }
        for (;;) {
            a.push_back(value(depth + 1));
            blanks();
            if (peek() == ',') {
                ++i_;
                continue;
            }
            expect(']');
            return a;
        }
    }

    unsigned hex4() {
        if (i_ + 4 > s_.size()) throw bad_json{};
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
            else throw bad_json{};
        }
        return v;
    }

    static void append_utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    void escape(std::string& out) {
        ++i_;
        const char c = peek();
        ++i_;
        switch (c) {
        case '"': out += '"'; return;
        case '\\': out += '\\'; return;
        case '/': out += '/'; return;
        case 'b': out += '\b'; return;
        case 'f': out += '\f'; return;
        case 'n': out += '\n'; return;
        case 'r': out += '\r'; return;
        case 't': out += '\t'; return;
        case 'u': break;
        default: throw bad_json{};
        }
        unsigned cp = hex4();
        // A lone surrogate (a JavaScript client's string may hold one) is one
        // replacement character: one UTF-16 unit either way, so positions agree.
        if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(i_, 2) == "\\u") {
            const std::size_t back = i_;
            i_ += 2;
            const unsigned low = hex4();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00));
                return;
            }
            i_ = back;
        }
        append_utf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);
    }

    std::string string() {
        ++i_;
        std::string out;
        for (;;) {
            // A run of plain bytes is copied at once.
            const std::size_t start = i_;
            while (i_ < s_.size()) {
                const auto c = static_cast<unsigned char>(s_[i_]);
                if (c == '"' || c == '\\' || c < 0x20) break;
                if (c < 0x80) {
                    ++i_;
                    continue;
                }
                const std::size_t n = sequence_length(s_, i_);
                if (n == 1) throw bad_json{};
                i_ += n;
            }
            out.append(s_.data() + start, i_ - start);
            const char c = peek();
            if (c == '"') {
                ++i_;
                return out;
            }
            if (c != '\\') throw bad_json{};
            escape(out);
        }
    }

    nlohmann::json number() {
        const std::size_t start = i_;
        bool integral = true;
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        const auto digits = [&] {
            const std::size_t from = i_;
            while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
            if (i_ == from) throw bad_json{};
        };
        if (peek() == '0') ++i_;
        else digits();
        if (i_ < s_.size() && s_[i_] == '.') {
            integral = false;
            ++i_;
            digits();
        }
        if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
            integral = false;
            ++i_;
            if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
            digits();
        }
        const std::string text(s_.substr(start, i_ - start));
        errno = 0;
        if (integral && text[0] == '-') {
            const long long v = std::strtoll(text.c_str(), nullptr, 10);
            if (errno == 0) return v;
        } else if (integral) {
            const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
            if (errno == 0) return v;
        }
        return std::strtod(text.c_str(), nullptr);
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

}  // namespace

std::optional<nlohmann::json> read_json(std::string_view text) {
    try {
        return reader(text).document();
    } catch (const bad_json&) {
        return std::nullopt;
    }
}

}  // namespace korvex3_lsp
