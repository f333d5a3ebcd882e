#include "transport.hh"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace korvex3_lsp {

bool frame_reader::fill() {
    if (eof_) return false;
    if (pos_ > 0 && pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = 0;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        eof_ = true;
        return false;
    }
}

std::optional<std::string> frame_reader::read_line() {
    for (;;) {
        const std::size_t nl = buffer_.find('\n', pos_);
        if (nl != std::string::npos) {
            std::string line = buffer_.substr(pos_, nl - pos_);
            pos_ = nl + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        // A header line of megabytes is no header: keep the tail only.
        if (buffer_.size() - pos_ > 65536) pos_ = buffer_.size() - 1;
        if (!fill()) return std::nullopt;
    }
}

namespace {

bool iequals(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// The length a Content-Length value gives, or nullopt for anything but digits.
std::optional<std::size_t> content_length(const std::string& value) {
    const std::string v = trimmed(value);
    if (v.empty() || v.size() > 12) return std::nullopt;
    std::size_t n = 0;
    for (char c : v) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    if (n > max_body_bytes) return std::nullopt;
    return n;
}

}  // namespace

frame frame_reader::next() {
    frame f;
    std::optional<std::size_t> length;
    bool any_line = false;
    std::string problem;
    for (;;) {
        std::optional<std::string> line = read_line();
        if (!line) {
            f.what = any_line ? frame::kind::truncated : frame::kind::end;
            f.problem = "input ended inside a header";
            return f;
        }
        if (line->empty()) {
            // Blank lines between messages are tolerated.
            if (!any_line) continue;
            break;
        }
        any_line = true;
        const std::size_t colon = line->find(':');
        if (colon == std::string::npos) {
            problem = "header line without a colon";
            continue;
        }
        if (iequals(trimmed(line->substr(0, colon)), "content-length")) {
            length = content_length(line->substr(colon + 1));
            if (!length) problem = "bad Content-Length";
        }
    }
    if (!length) {
        f.what = frame::kind::bad_header;
        f.problem = problem.empty() ? "no Content-Length" : problem;
        return f;
    }
    while (buffer_.size() - pos_ < *length)
        if (!fill()) {
            f.what = frame::kind::truncated;
            f.problem = "input ended inside a body";
            f.body = buffer_.substr(pos_);
            pos_ = buffer_.size();
            return f;
        }
    f.what = frame::kind::message;
    f.body = buffer_.substr(pos_, *length);
    pos_ += *length;
    // Consumed data goes, so that a 50 MB message is not kept twice.
    if (pos_ > (std::size_t(1) << 20)) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    return f;
}

bool frame_writer::write(const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (broken_) return false;
    const std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    std::size_t done = 0;
    while (done < message.size()) {
        const ssize_t n = ::write(fd_, message.data() + done, message.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            broken_ = true;
            return false;
        }
    }
    return true;
}

}  // namespace korvex3_lsp
