// Running ".BAT" files: the frame sequences and render batches the program
// writes keep their names and CR LF lines, and are run here line by line.
// Each line has its CR stripped and "%0".."%9", "%%" replaced; a line whose
// first word names a ".BAT" in the batch's folder runs that batch with the
// other words as its arguments; any other line runs with /bin/sh -c in the
// batch's folder through the command runner. A failing line is reported by
// its number and the batch goes on; the batch then counts as failed.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kx::platform {

class CommandRunner;

// Batches calling batches stop here: a batch that calls itself would never end.
inline constexpr int kMaxBatchDepth = 8;

// "%0".."%9" become args[0].. (empty when missing), "%%" one "%"; any other
// "%" stays as it is.
std::string expandBatchLine(const std::string& line, const std::vector<std::string>& args);

// The file a first word names as a batch in `folder`: the word, or the word
// with ".BAT", matched without regard to case. Empty when the word is no batch
// of that folder (a word holding "/" never is).
std::string findBatchFile(const std::string& folder, const std::string& word);

// One failed line: the batch it stands in, its number (from 1) and why.
struct BatchLineFailure {
    std::string batch;
    int line = 0;
    int exitCode = 0;       // the shell's status; -1 when it could not be run
    std::string reason;
};

struct BatchResult {
    bool ok = false;         // every line ran and ended with status 0
    bool cancelled = false;
    int linesRun = 0;
    std::vector<BatchLineFailure> failures;
};

class BatchRunner {
public:
    struct Callbacks {
        // Output of the lines as it comes, and each line before it runs; on
        // the thread that called run() or on the runner's worker thread.
        std::function<void(const std::string&)> output;
        std::function<void(const std::string& batch, int line, const std::string& text)> lineStarted;
        std::function<void(const BatchLineFailure&)> lineFailed;
    };

    BatchRunner();
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Runs a batch file to its end (blocking); `args` become "%1".. ("%0" is
    // the batch's name as given). A batch that cannot be read fails at line 0.
    BatchResult run(const std::string& path, const std::vector<std::string>& args, const Callbacks& callbacks);
    // From any thread: ends the running line and stops the batch.
    void cancel();

private:
    void runFile(const std::string& path, const std::vector<std::string>& args, int depth, const Callbacks& cb,
                 BatchResult& result);
    int runLine(const std::string& line, const std::string& folder, const Callbacks& cb, std::string& reason);

    std::mutex mutex_;
    CommandRunner* current_ = nullptr;
    std::atomic<bool> cancelled_{false};
};

}  // namespace kx::platform
