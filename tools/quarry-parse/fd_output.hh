#pragma once
#include <memory>
#include <streambuf>

namespace quarry_parse {

/// A buffered stream buffer that writes to a file descriptor and keeps the
/// errno of its first failed write: after it, nothing more is written and
/// the stream using it goes bad.
class fd_output : public std::streambuf {
public:
    explicit fd_output(int fd);
    /// Closes the descriptor if close() was not called, unchecked.
    ~fd_output() override;
    fd_output(const fd_output&) = delete;
    fd_output& operator=(const fd_output&) = delete;

    /// Writes what is buffered, then closes the descriptor; false when a
    /// write or the close failed. A second call does nothing.
    bool close();
    /// The errno of the first failed write or close; 0 while none failed.
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool drain();
    bool write_all(const char* data, std::size_t size);

    int fd_;
    int error_ = 0;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace quarry_parse
