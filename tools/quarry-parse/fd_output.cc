#include "fd_output.hh"

#include <unistd.h>

#include <cerrno>

namespace quarry_parse {

namespace {
constexpr std::size_t buffer_size = 1 << 16;
}

fd_output::fd_output(int fd) : fd_(fd), buffer_(new char[buffer_size]) {
    setp(buffer_.get(), buffer_.get() + buffer_size);
}

fd_output::~fd_output() {
    if (fd_ >= 0) ::close(fd_);
}

bool fd_output::close() {
    if (fd_ < 0) return error_ == 0;
    drain();
    // close reports the write errors of some file systems (NFS) and devices.
    if (::close(fd_) != 0 && error_ == 0) error_ = errno;
    fd_ = -1;
    return error_ == 0;
}

bool fd_output::write_all(const char* data, std::size_t size) {
    if (error_ != 0) return false;
    while (size > 0) {
        const ssize_t n = fd_ < 0 ? (errno = EBADF, -1) : ::write(fd_, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool fd_output::drain() {
    const bool written = write_all(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    // After a failure the buffer is dropped: nothing more goes out.
    setp(buffer_.get(), buffer_.get() + buffer_size);
    return written;
}

fd_output::int_type fd_output::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize fd_output::xsputn(const char* data, std::streamsize size) {
    const auto n = static_cast<std::size_t>(size);
    if (n < static_cast<std::size_t>(epptr() - pptr())) {
        traits_type::copy(pptr(), data, n);
        pbump(static_cast<int>(n));
        return size;
    }
    // A piece larger than the room left goes out in one write, behind what is buffered.
    if (!drain() || !write_all(data, n)) return 0;
    return size;
}

int fd_output::sync() { return drain() ? 0 : -1; }

}  // namespace quarry_parse
