#include "cli/output_forwarder.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <new>

namespace kx::app {

OutputForwarder::OutputForwarder(int fd, std::size_t bound) : fd_(fd), bound_(bound) {
    writer_ = std::thread([this] { writeLoop(); });
}

OutputForwarder::~OutputForwarder() {
    {
        std::lock_guard held(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void OutputForwarder::write(std::string_view piece) {
    {
        std::lock_guard held(mutex_);
        const std::size_t room = bound_ > queued_.size() ? bound_ - queued_.size() : 0;
        std::size_t taken = std::min(room, piece.size());
        try {
            queued_.append(piece.data(), taken);
        } catch (const std::bad_alloc&) {
            taken = 0;  // output is the first thing to give up when memory runs out
        }
        dropped_ += piece.size() - taken;
    }
    wake_.notify_all();
}

bool OutputForwarder::drain(const std::function<bool()>& stop) {
    std::unique_lock held(mutex_);
    while (!queued_.empty() || writing_) {
        if (stop && stop()) return false;
        written_.wait_for(held, std::chrono::milliseconds(100));
    }
    return true;
}

std::size_t OutputForwarder::dropped() const {
    std::lock_guard held(mutex_);
    return dropped_;
}

void OutputForwarder::writeLoop() {
    std::unique_lock held(mutex_);
    for (;;) {
        wake_.wait(held, [this] { return stopping_ || !queued_.empty(); });
        if (stopping_) return;
        // A pipe that says it has room takes PIPE_BUF bytes without waiting,
        // so the loop looks at the stop request at least every tenth of a second.
        const std::string piece = queued_.substr(0, PIPE_BUF);
        writing_ = true;
        held.unlock();
        pollfd ready{fd_, POLLOUT, 0};
        ssize_t n = 0;
        const int polled = ::poll(&ready, 1, 100);
        if (polled > 0 && (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) n = -1;
        else if (polled > 0) n = ::write(fd_, piece.data(), piece.size());
        held.lock();
        writing_ = false;
        if (n > 0) queued_.erase(0, static_cast<std::size_t>(n));
        // A reader that went away takes nothing more: the rest is dropped.
        else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            dropped_ += queued_.size();
            queued_.clear();
        }
        written_.notify_all();
    }
}

}  // namespace kx::app
