#include "kxplatform/process.h"

#include <atomic>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <poll.h>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kx::platform {

std::vector<std::string> splitCommandLine(const std::string& text) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    char quote = 0;
    // A quote that opens inside a word (+I"/a b/s.pov") belongs to that word:
    // the program reads its option values itself and needs the quotes kept.
    bool keepQuotes = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\'' || text[i + 1] == '\\')) {
            current += text[++i];
            inArg = true;
            continue;
        }
        if (quote) {
            if (c == quote) {
                quote = 0;
                if (keepQuotes) current += c;
            } else {
                current += c;
            }
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            keepQuotes = !current.empty();
            if (keepQuotes) current += c;
            inArg = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
            continue;
        }
        current += c;
        inArg = true;
    }
    if (inArg) args.push_back(current);
    return args;
}

std::string quoteArgument(const std::string& arg) {
    if (arg.find_first_of(" \t\"'\\") == std::string::npos && !arg.empty()) return arg;
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

}  // namespace

std::string shellWord(const std::string& word, bool alwaysQuote) {
    auto bare = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::strchr("_@%+:,./-", c) != nullptr;
    };
    if (!alwaysQuote && !word.empty() && std::all_of(word.begin(), word.end(), bare)) return word;
    std::string out = "'";
    for (char c : word) {
        if (c == '\'') out += "'\\''";  // end the quote, a quoted quote, quote again
        else out += c;
    }
    return out + "'";
}

std::string shellLine(const std::vector<std::string>& words, bool alwaysQuote) {
    std::string line;
    for (const std::string& w : words) {
        if (!line.empty()) line += ' ';
        line += shellWord(w, alwaysQuote);
    }
    return line;
}

std::string findProgram(const std::string& name) {
    auto runnable = [](const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return runnable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (runnable(candidate)) return candidate;
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

int whyNotRunnable(const std::string& name) {
    if (!findProgram(name).empty()) return 0;
    // A name without a folder was looked for along the PATH and not found.
    if (name.find('/') == std::string::npos) return ENOENT;
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    return EACCES;
}

namespace {

// What follows runs in a forked child of a threaded program before or instead
// of exec: system calls only, no allocation, no locks.

// "/proc/<pid>/<leaf>" into `out` (at least 64 bytes).
void procPath(char* out, long pid, const char* leaf) {
    const char prefix[] = "/proc/";
    size_t n = 0;
    for (const char* p = prefix; *p; ++p) out[n++] = *p;
    char digits[24];
    size_t d = 0;
    do {
        digits[d++] = static_cast<char>('0' + pid % 10);
        pid /= 10;
    } while (pid > 0);
    while (d > 0) out[n++] = digits[--d];
    out[n++] = '/';
    for (const char* p = leaf; *p; ++p) out[n++] = *p;
    out[n] = '\0';
}

// The parent and process group of `pid` from /proc, false when it is gone.
bool readParentAndGroup(long pid, long* parent, long* group) {
    char path[64];
    procPath(path, pid, "stat");
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[512];
    ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    // "pid (name) state ppid pgrp ...": the name may hold anything, so the
    // fields are counted from its last ")".
    const char* p = nullptr;
    for (ssize_t i = n - 1; i >= 0 && !p; --i)
        if (text[i] == ')') p = text + i + 1;
    if (!p) return false;
    long fields[2] = {0, 0};
    int field = -2;  // -2 before the state letter, -1 on it
    for (; *p && field < 2; ++p) {
        if (*p == ' ') {
            ++field;
            continue;
        }
        if (field >= 0 && *p >= '0' && *p <= '9') fields[field] = fields[field] * 10 + (*p - '0');
    }
    *parent = fields[0];
    *group = fields[1];
    return field >= 1;
}

// Calls visit(pid) for every process on the machine; stops when it returns false.
template <class Visit>
void forEachProcess(Visit visit) {
    int dir = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    alignas(8) char buffer[4096];
    for (;;) {
        long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0) break;
        for (long offset = 0; offset < n;) {
            // linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
            unsigned short length;
            std::memcpy(&length, buffer + offset + 16, sizeof length);
            const char* name = buffer + offset + 19;
            long pid = 0;
            bool number = *name != '\0';
            for (const char* c = name; *c; ++c) {
                if (*c < '0' || *c > '9') number = false;
                else pid = pid * 10 + (*c - '0');
            }
            if (number && !visit(pid)) {
                ::close(dir);
                return;
            }
            offset += length;
        }
    }
    ::close(dir);
}

// The supervisor's last duty: the renderer has ended; everything it started
// that is still running (whether in its group or not: a helper that called
// setsid has left it) has been handed to this process by the kernel, because
// it is the renderer's subreaper. Kill and reap until no child is left.
[[noreturn]] void endWhatTheRendererLeft(int rendererStatus) {
    const long self = ::getpid();
    for (int round = 0; round < 10000; ++round) {
        forEachProcess([self](long pid) {
            long parent = 0, group = 0;
            if (readParentAndGroup(pid, &parent, &group) && parent == self) ::kill(static_cast<pid_t>(pid), SIGKILL);
            return true;
        });
        bool reaped = false;
        pid_t ended;
        while ((ended = ::waitpid(-1, nullptr, WNOHANG)) > 0) reaped = true;
        if (ended < 0 && errno == ECHILD) break;
        if (!reaped) {
            const timespec pause{0, 5 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    if (WIFEXITED(rendererStatus)) ::_exit(WEXITSTATUS(rendererStatus));
    ::_exit(WIFSIGNALED(rendererStatus) ? 128 + WTERMSIG(rendererStatus) : 127);
}

volatile sig_atomic_t programDied = 0;
void onProgramDied(int) { programDied = 1; }
void onChildEnded(int) {}

// The supervisor waits for the renderer, reaping adopted orphans meanwhile.
// The death of the program that started it (by any signal, SIGKILL too)
// reaches it as SIGUSR1: it then ends the renderer and everything below it,
// which would otherwise run on under init.
[[noreturn]] void superviseRenderer(pid_t renderer, pid_t program) {
    struct sigaction action {};
    action.sa_handler = onProgramDied;
    ::sigaction(SIGUSR1, &action, nullptr);
    action.sa_handler = onChildEnded;
    ::sigaction(SIGCHLD, &action, nullptr);
    // Both are taken only inside sigsuspend, so that neither can slip in
    // between a look at the flag and the wait.
    sigset_t waited, others;
    sigemptyset(&waited);
    sigaddset(&waited, SIGUSR1);
    sigaddset(&waited, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &waited, &others);
    sigdelset(&others, SIGUSR1);
    sigdelset(&others, SIGCHLD);
    ::prctl(PR_SET_PDEATHSIG, SIGUSR1);
    if (::getppid() != program) programDied = 1;  // it died before the line above
    bool killed = false;
    for (;;) {
        int status = 0;
        pid_t ended;
        while ((ended = ::waitpid(-1, &status, WNOHANG)) > 0)
            if (ended == renderer) endWhatTheRendererLeft(status);
        if (ended < 0 && errno != EINTR) ::_exit(127);
        if (programDied && !killed) {
            ::kill(renderer, SIGKILL);
            killed = true;
            continue;
        }
        ::sigsuspend(&others);
    }
}

// Spawns argv in its own process group; stdout/stderr to outFd when >= 0.
// With supervised the program runs under a small supervisor process that
// leads the group: the kernel kills both when the spawning thread's process
// dies in any way, SIGKILL included, so a renderer never outlives the program
// that waits for it; and when the renderer ends, the supervisor ends whatever
// it left running, in its group or not. The exit status seen is the
// renderer's (128 + signal when it was killed). Returns 0 or the errno of
// the step that failed (the program not found, the folder missing...).
int spawn(const std::vector<std::string>& argv, const std::string& cwd, int outFd, pid_t* pid,
          bool supervised = false) {
    if (argv.empty()) return EINVAL;
    // Found before forking: the child may make only async-signal-safe calls.
    // A path is tried as it is, so that exec names the real reason it fails.
    const std::string program = argv[0].find('/') != std::string::npos ? argv[0] : findProgram(argv[0]);
    if (program.empty()) return ENOENT;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here to exec.
        auto fail = [&](int error) {
            ssize_t n = ::write(report[1], &error, sizeof error);
            (void)n;
            ::_exit(127);
        };
        ::setpgid(0, 0);
        if (supervised) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);  // the parent died before the line above
        }
        int input = ::open("/dev/null", O_RDONLY);
        if (input < 0 || ::dup2(input, 0) < 0) fail(errno);
        if (outFd >= 0 && (::dup2(outFd, 1) < 0 || ::dup2(outFd, 2) < 0)) fail(errno);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) fail(errno);
        if (supervised) {
            // The supervisor outlives a stop request to the group: it ends
            // when the renderer has, after clearing up behind it.
            ::prctl(PR_SET_CHILD_SUBREAPER, 1);
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(signal, &ignore, nullptr);
            const pid_t supervisor = ::getpid();
            const pid_t renderer = ::fork();
            if (renderer < 0) fail(errno);
            if (renderer > 0) {
                ::close(report[1]);  // the renderer's exec closes the last copy
                superviseRenderer(renderer, parent);
            }
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != supervisor) ::_exit(127);
        }
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(signal, &standard, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program.c_str(), args.data(), environ);
        fail(errno);
    }
    ::close(report[1]);
    ::setpgid(child, child);  // so that the group exists before anyone signals it
    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof error)) {
        int status;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    *pid = child;
    return 0;
}

// What one wake-up reads of a renderer's output before looking for a cancel.
constexpr size_t kDrainSlice = 64 * 1024;

int statusToCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int pidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

}  // namespace

struct CommandRunner::Run {
    mutable std::mutex mutex;
    std::condition_variable done;
    std::string output;
    RunResult result;
    bool finished = false;
    pid_t pid = -1;
    FileDescriptor cancelEvent{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::atomic<int> graceMs{1000};
    std::atomic<int> stopSignal{SIGTERM};
    FileDescriptor pipeRead;
    Callbacks callbacks;

    // Runs on the watching thread: when memory runs out, output is what is
    // given up, never the watch that ends the renderer with its program.
    void append(const char* data, size_t n) noexcept {
        try {
            std::string piece(data, n);
            {
                std::lock_guard<std::mutex> lock(mutex);
                output += piece;
                if (output.size() > kKeptOutput) output.erase(0, output.size() - kKeptOutput);
            }
            if (callbacks.output) callbacks.output(piece);
        } catch (const std::bad_alloc&) {
        }
    }

    // Reads what the pipe holds now, at most `limit` bytes, so that a renderer
    // that floods its output cannot keep a cancel request from being seen;
    // false at the pipe's end.
    bool drain(size_t limit = SIZE_MAX) {
        char buffer[4096];
        for (size_t taken = 0; taken < limit;) {
            ssize_t n = ::read(pipeRead.get(), buffer, sizeof buffer);
            if (n > 0) {
                append(buffer, static_cast<size_t>(n));
                taken += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        return true;
    }

    // Asks the process group to end, then forces it after the grace period.
    // The supervisor heeds no stop request: it ends after the renderer.
    void terminate() {
        ::kill(-pid, stopSignal);
        if (waitForExit(graceMs)) return;
        // Past the grace period the renderer's group is killed, all but its
        // supervisor, which then ends whatever escaped the group.
        forEachProcess([this](long other) {
            long parent = 0, group = 0;
            if (other != pid && readParentAndGroup(other, &parent, &group) && group == pid)
                ::kill(static_cast<pid_t>(other), SIGKILL);
            return true;
        });
        if (waitForExit(2000)) return;
        ::kill(-pid, SIGKILL);
    }

    bool waitForExit(int ms) {
        const int checks = ms / 50 + 1;
        for (int i = 0; i < checks; ++i) {
            int status;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                result.exitCode = statusToCode(status);
                pid = -1;
                return true;
            }
            ::usleep(50 * 1000);
        }
        return false;
    }

    void watch() {
        FileDescriptor pidfd(pidfdOpen(pid));
        bool pipeOpen = pipeRead.get() >= 0;
        bool exited = false;
        pid_t group = pid;
        while (!exited) {
            pollfd fds[3];
            nfds_t count = 0;
            fds[count++] = {cancelEvent.get(), POLLIN, 0};
            if (pidfd.get() >= 0) fds[count++] = {pidfd.get(), POLLIN, 0};
            int pipeIndex = -1;
            if (pipeOpen) {
                pipeIndex = static_cast<int>(count);
                fds[count++] = {pipeRead.get(), POLLIN, 0};
            }
            int timeout = pidfd.get() >= 0 ? -1 : 100;
            int ready = ::poll(fds, count, timeout);
            if (ready < 0 && errno != EINTR) break;
            if (fds[0].revents & POLLIN) {
                result.cancelled = true;
                terminate();
                if (pid > 0) {
                    int status;
                    ::waitpid(pid, &status, 0);
                    result.exitCode = statusToCode(status);
                }
                ::kill(-group, SIGKILL);  // anything the renderer left running
                break;
            }
            if (pipeIndex >= 0 && (fds[pipeIndex].revents & (POLLIN | POLLHUP | POLLERR)))
                pipeOpen = drain(kDrainSlice);
            int status;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                result.exitCode = statusToCode(status);
                exited = true;
            }
        }
        // Output written just before the end is still in the pipe (a cancelled
        // run reads no more than a slice of it: its group is gone).
        if (pipeRead.get() >= 0) drain(result.cancelled ? kDrainSlice : SIZE_MAX);
        ::kill(-group, SIGKILL);  // helpers of the renderer do not outlive it
        pipeRead.reset();
        Callbacks local;
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            local = callbacks;
        }
        if (local.finished) local.finished(result);
        done.notify_all();
    }
};

CommandRunner::CommandRunner() = default;

CommandRunner::~CommandRunner() {
    cancel();
    if (worker_.joinable()) worker_.join();
}

bool CommandRunner::start(const std::vector<std::string>& argv, const std::string& cwd, bool capture,
                          Callbacks callbacks) {
    if (running()) return false;
    if (worker_.joinable()) worker_.join();
    auto run = std::make_shared<Run>();
    run->callbacks = std::move(callbacks);
    run_ = run;
    int fds[2] = {-1, -1};
    if (capture && ::pipe2(fds, O_CLOEXEC) != 0) {
        run->result.startError = errno;
        run->finished = true;
        return false;
    }
    FileDescriptor writeEnd(fds[1]);
    run->pipeRead.reset(fds[0]);
    int rc = spawn(argv, cwd, writeEnd.get(), &run->pid, true);
    writeEnd.reset();  // only the child writes now; its end closes the pipe
    if (rc != 0) {
        run->result.startError = rc;
        run->finished = true;
        run->pipeRead.reset();
        return false;
    }
    if (run->pipeRead.get() >= 0) ::fcntl(run->pipeRead.get(), F_SETFL, O_NONBLOCK);
    run->result.started = true;
    worker_ = std::thread([run] { run->watch(); });
    return true;
}

void CommandRunner::cancel(int graceMs, int stopSignal) {
    if (!run_) return;
    run_->graceMs = graceMs < 0 ? 0 : graceMs;
    run_->stopSignal = stopSignal;
    uint64_t one = 1;
    if (run_->cancelEvent.get() >= 0) {
        ssize_t n = ::write(run_->cancelEvent.get(), &one, sizeof one);
        (void)n;
    }
}

RunResult CommandRunner::wait() {
    if (!run_) return {};
    std::unique_lock<std::mutex> lock(run_->mutex);
    run_->done.wait(lock, [this] { return run_->finished; });
    RunResult r = run_->result;
    lock.unlock();
    if (worker_.joinable()) worker_.join();
    return r;
}

bool CommandRunner::running() const {
    if (!run_) return false;
    std::lock_guard<std::mutex> lock(run_->mutex);
    return !run_->finished;
}

std::string CommandRunner::output() const {
    if (!run_) return {};
    std::lock_guard<std::mutex> lock(run_->mutex);
    return run_->output;
}

RunResult CommandRunner::result() const {
    if (!run_) return {};
    std::lock_guard<std::mutex> lock(run_->mutex);
    return run_->result;
}

int startDetached(const std::vector<std::string>& argv, const std::string& cwd) {
    pid_t pid = -1;
    int rc = spawn(argv, cwd, -1, &pid);
    if (rc != 0) return rc;
    std::thread([pid] {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

int runShellLine(const std::string& line, const std::string& cwd) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    pid_t pid = -1;
    if (spawn({"/bin/sh", "-c", text}, cwd, -1, &pid) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return statusToCode(status);
}

}  // namespace kx::platform
