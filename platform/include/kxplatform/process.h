// Starting programs without a shell: command texts are split into argument
// vectors, children get their own process group, output is captured through a
// pipe by a worker thread, and detached starts are reaped in the background. A
// CommandRunner's program runs under a supervisor that is its subreaper, so
// that cancelling, or the program's own end, ends everything it started, even
// helpers that left its group; and the kernel ends both when this process dies.
#pragma once

#include <csignal>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kx::platform {

// Blanks and tabs separate arguments; double or single quotes group; a
// backslash escapes only a quote or a backslash (elsewhere it is kept).
std::vector<std::string> splitCommandLine(const std::string& text);

// The argument as it must stand in a command text to come back whole from
// splitCommandLine: quoted when it holds a blank, a tab or a quote.
std::string quoteArgument(const std::string& arg);

// How a run ended.
struct RunResult {
    bool started = false;
    int startError = 0;   // errno of a failed start
    int exitCode = 0;     // the program's exit status; 128 + signal when it was killed
    bool cancelled = false;
};

// Runs one program at a time on a worker thread. The callbacks are called on
// that thread: `output` with every piece read, `finished` once at the end.
class CommandRunner {
public:
    struct Callbacks {
        std::function<void(const std::string&)> output;
        std::function<void(const RunResult&)> finished;
    };

    // Bytes of output kept (the newest ones); a flood does not grow memory.
    static constexpr size_t kKeptOutput = 256 * 1024;

    CommandRunner();
    ~CommandRunner();
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Starts argv[0] (found on PATH unless it holds a '/') in folder cwd (empty:
    // the current one). With capture, standard output and error are read.
    // False when a run is still going or the program could not be started
    // (the result then says why, and `finished` is not called).
    bool start(const std::vector<std::string>& argv, const std::string& cwd, bool capture,
               Callbacks callbacks);
    // Ends the running program and its process group; returns at once. The
    // group gets `stopSignal`, then SIGKILL when the program has not ended
    // within `graceMs` (a program that stops helpers of its own needs longer,
    // and some heed only SIGINT at every moment).
    void cancel(int graceMs = 1000, int stopSignal = SIGTERM);
    // Waits for the current run to end.
    RunResult wait();
    bool running() const;
    // The output kept so far (the newest kKeptOutput bytes).
    std::string output() const;
    RunResult result() const;

private:
    struct Run;
    std::shared_ptr<Run> run_;
    std::thread worker_;
};

// Starts a program without waiting for it; it is reaped in the background.
// Returns 0, or the errno of the failed start.
// A word as /bin/sh reads it back unchanged: as it stands when it holds only
// characters the shell leaves alone, else in single quotes (a quote inside as
// '\''); always quoted when asked. For scripts and job lines a user runs.
std::string shellWord(const std::string& word, bool alwaysQuote = false);
// Words quoted by shellWord, joined by blanks.
std::string shellLine(const std::vector<std::string>& words, bool alwaysQuote = false);

// The program a name means: the name itself when it holds a "/", else the
// first file of that name in a folder of PATH; either way an executable
// regular file, else empty.
std::string findProgram(const std::string& name);
// Why `name` cannot be run, as an errno value (0 when it can): ENOENT when it
// is not there, EISDIR for a folder, EACCES for a file that may not be run.
int whyNotRunnable(const std::string& name);

int startDetached(const std::vector<std::string>& argv, const std::string& cwd);

// Runs one line of a batch file with /bin/sh and waits; returns its exit status
// (or -1 when it could not be started).
int runShellLine(const std::string& line, const std::string& cwd);

}  // namespace kx::platform
