// korvex3-lsp: a language server for korvex3 netlists over standard input
// and output. Standard output carries protocol messages only; the log goes
// to standard error.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

#include "json_rpc.hh"
#include "plugin_loader.hh"
#include "server.hh"
#include "transport.hh"

namespace {

using namespace korvex3_lsp;

/// Messages read on their own thread, so that a parse can learn of a newer
/// text while it runs.
class inbox {
public:
    void push(incoming m) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(m));
        }
        ready_.notify_one();
    }
    void close() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closed_ = true;
        }
        ready_.notify_one();
    }
    /// The next message; nullopt at the end of input or when `wait` passed.
    std::optional<incoming> pop(std::chrono::milliseconds wait, bool& ended) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait_for(lock, wait, [&] { return !queue_.empty() || closed_; });
        ended = queue_.empty() && closed_;
        if (queue_.empty()) return std::nullopt;
        incoming m = std::move(queue_.front());
        queue_.pop_front();
        return m;
    }
    bool empty() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queue_.empty();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<incoming> queue_;
    bool closed_ = false;
};

void read_messages(frame_reader& reader, inbox& box, server& s) {
    for (;;) {
        frame f = reader.next();
        if (f.what == frame::kind::end) break;
        incoming m;
        if (f.what == frame::kind::message) {
            m = read_message(f.body);
        } else {
            m.what = incoming::kind::malformed;
            m.error = parse_error;
            m.problem = f.problem;
        }
        s.note_arrival(m);
        box.push(std::move(m));
        if (f.what == frame::kind::truncated) break;
    }
    box.close();
}

// The protocol gets a descriptor of its own, and descriptor 1 becomes
// standard error: a library that prints to standard output (the grammar has
// a warning that does) must not corrupt the stream of messages.
int take_protocol_output() {
    const int protocol = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (protocol < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return -1;
    return protocol;
}

int serve() {
    const int protocol = take_protocol_output();
    if (protocol < 0) {
        std::cerr << "korvex3-lsp: cannot set up standard output\n";
        return 1;
    }
    if (const std::string failed = quarry_parse::load_plugin(quarry_parse::plugin_beside_program()); !failed.empty()) {
        std::cerr << "korvex3-lsp: " << failed << '\n';
        return 1;
    }
    const quarry_parse::packet_listeners listeners;
    frame_writer writer(protocol);
    frame_reader reader(STDIN_FILENO);
    server s(writer);
    inbox box;
    std::thread reading([&] { read_messages(reader, box, s); });
    reading.detach();
    // Included files are looked at on disk when nothing else happens.
    const auto idle = std::chrono::milliseconds(1000);
    for (;;) {
        bool ended = false;
        std::optional<incoming> m = box.pop(idle, ended);
        if (ended) return s.status_at_end();
        if (!m) {
            s.poll_disk();
            continue;
        }
        if (const std::optional<int> status = s.handle(*m)) return *status;
        // Changes queued behind this one are taken first: one parse for all.
        if (box.empty()) s.flush();
    }
}

}  // namespace

int main() {
    // A client gone mid-write must not kill the server before it logs.
    ::signal(SIGPIPE, SIG_IGN);
    std::ios::sync_with_stdio(false);
    try {
        const int status = serve();
        std::cerr.flush();
        // The reading thread may still block in read(): leave without joining it.
        std::_Exit(status);
    } catch (const std::exception& e) {
        std::cerr << "korvex3-lsp: " << e.what() << '\n';
    }
    std::_Exit(1);
}
