#pragma once
// Content-Length framing of JSON-RPC messages over two file descriptors.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

namespace korvex3_lsp {

/// One framed message as read, or why it could not be.
struct frame {
    enum class kind { message, bad_header, truncated, end } what = kind::end;
    std::string body;
    /// For bad_header and truncated: what was wrong, for the log.
    std::string problem;
};

/// Largest body taken; a bigger Content-Length is a bad header.
inline constexpr std::size_t max_body_bytes = std::size_t(1) << 30;

/// Reads frames from a descriptor (standard input).
class frame_reader {
public:
    explicit frame_reader(int fd) : fd_(fd) {}
    /// The next frame. A header block without a usable Content-Length is
    /// skipped whole (bad_header); the stream ending inside a body is
    /// `truncated`, at a frame boundary `end`.
    frame next();

private:
    /// Reads one header line without its line end; nullopt at end of input.
    std::optional<std::string> read_line();
    bool fill();

    int fd_;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool eof_ = false;
};

/// Writes frames to a descriptor (standard output), one writer at a time.
class frame_writer {
public:
    explicit frame_writer(int fd) : fd_(fd) {}
    /// False once the peer is gone.
    bool write(const std::string& body);

private:
    int fd_;
    std::mutex mutex_;
    bool broken_ = false;
};

}  // namespace korvex3_lsp
