// A renderer's output on its way to standard output, written by a thread of
// its own. When nobody reads that output (a pipe that is full), the job's
// own threads never wait on it, so a stop request is still acted on; past a
// bound, output that could not be written yet is dropped, oldest kept.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace kx::app {

class OutputForwarder {
public:
    explicit OutputForwarder(int fd, std::size_t bound = std::size_t{1} << 20);
    // Stops the writing thread within a tenth of a second, written or not.
    ~OutputForwarder();
    OutputForwarder(const OutputForwarder&) = delete;
    OutputForwarder& operator=(const OutputForwarder&) = delete;

    // Queues a piece; never waits for the reader.
    void write(std::string_view piece);
    // Waits until everything queued is written; false when `stop` said to
    // give up first (it is asked a few times a second).
    bool drain(const std::function<bool()>& stop);
    // The bytes dropped because the queue was full.
    std::size_t dropped() const;

private:
    void writeLoop();

    const int fd_;
    const std::size_t bound_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::string queued_;
    std::size_t dropped_ = 0;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread writer_;
};

}  // namespace kx::app
