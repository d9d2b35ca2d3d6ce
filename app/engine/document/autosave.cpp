#include "document/autosave.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <new>

#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "model/scene_model.h"

namespace kx::app {

namespace fs = std::filesystem;

namespace {

// A writer that has not finished by then is taken to hang, and ended; the
// next tick tries again.
constexpr std::chrono::minutes kWriterDeadline{5};
constexpr std::time_t kDiscardedKept = 7 * 24 * 3600;

// The scene's name as a file name: its file's leaf without the extension,
// anything but letters, digits, '-', '_' and '.' made '_'.
std::string sceneName(const std::string& original) {
    std::string leaf = original.empty() ? std::string("untitled") : platform::leafOf(original);
    if (const size_t dot = leaf.rfind('.'); dot != std::string::npos && dot > 0) leaf.resize(dot);
    for (char& c : leaf)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') c = '_';
    if (leaf.empty() || leaf[0] == '.') leaf.insert(leaf.begin(), '_');
    return leaf.substr(0, 120);
}

std::string lockPath(const std::string& folder, long pid) { return folder + "/" + std::to_string(pid) + ".lock"; }

// The lock of a program, taken without waiting; an empty descriptor when
// another program holds it or it cannot be made.
platform::UniqueFd takeLock(const std::string& path) {
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) return fd;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return platform::UniqueFd();
    return fd;
}

// "<name>-<pid>.cad": the pid, or -1 for any other name.
long copyOwner(const std::string& leaf) {
    if (leaf.empty() || leaf[0] == '.' || leaf.size() < 6 || leaf.compare(leaf.size() - 4, 4, ".cad") != 0) return -1;
    const std::string stem = leaf.substr(0, leaf.size() - 4);
    const size_t dash = stem.rfind('-');
    if (dash == std::string::npos || dash + 1 == stem.size() || stem.size() - dash > 11) return -1;
    long pid = 0;
    for (size_t i = dash + 1; i < stem.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(stem[i]))) return -1;
        pid = pid * 10 + (stem[i] - '0');
    }
    return pid > 0 ? pid : -1;
}

std::string pathNoteOf(const std::string& copy) { return copy.substr(0, copy.size() - 4) + ".path"; }

std::time_t modified(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

// True when a was changed after b, to the nanosecond.
bool changedAfter(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_mtim.tv_sec != sb.st_mtim.tv_sec ? sa.st_mtim.tv_sec > sb.st_mtim.tv_sec
                                                  : sa.st_mtim.tv_nsec > sb.st_mtim.tv_nsec;
}

void pruneDiscarded(const std::string& folder) {
    std::error_code ec;
    const std::time_t now = std::time(nullptr);
    for (const auto& entry : fs::directory_iterator(folder + "/discarded", ec)) {
        const std::string path = entry.path().string();
        if (entry.is_regular_file(ec) && now - modified(path) > kDiscardedKept) fs::remove(entry.path(), ec);
    }
}

long overriddenOwner = 0;

}  // namespace

long autosaveOwner() { return overriddenOwner ? overriddenOwner : static_cast<long>(::getpid()); }

void overrideAutosaveOwner(long owner) { overriddenOwner = owner; }

namespace {

// True when a copy named by this owner id is in the folder.
bool ownerHasCopies(const std::string& folder, long owner) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (copyOwner(entry.path().filename().string()) == owner) return true;
    return false;
}

// Process ids stay below 2^22; ids from there on belong to no process.
constexpr long kPastEveryPid = long{1} << 22;

}  // namespace

Autosaver::Autosaver(std::string folder, long owner) : folder_(std::move(folder)), owner_(owner) {
    std::error_code ec;
    fs::create_directories(folder_, ec);
    // Copies under this id are a dead program's (ours has written none yet),
    // or the id's lock is held by a program that took the same way round.
    for (int step = 1; step < 64; ++step) {
        if (!ownerHasCopies(folder_, owner_) && (lock_ = takeLock(lockPath(folder_, owner_)))) break;
        lock_ = {};
        owner_ = owner + step * kPastEveryPid;
    }
    watcher_ = std::thread([this] { watchLoop(); });
}

Autosaver::~Autosaver() {
    {
        std::unique_lock held(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    watcher_.join();
    if (lock_) ::unlink(lockPath(folder_, owner_).c_str());
}

std::string Autosaver::copyPath(const std::string& original) const {
    return folder_ + "/" + sceneName(original) + "-" + std::to_string(owner_) + ".cad";
}

namespace {

// The note of the copy's file, then the copy: each whole and synced.
bool writeCopy(const std::string& target, const std::string& original) {
    if (!platform::replaceFileWith(pathNoteOf(target), original, platform::Durability::Synced)) return false;
    StandardFile* f = StdOpenFile(target.c_str(), KX_OPEN_CREATE);
    if (!f) return false;
    f->scene = GetCurrentScene();
    // A scene of no objects is written whole all the same, though the writer says 0.
    if (!WriteKalvexScene2(f) && GetCadObject(nullptr)) {
        StdAbortFile(f);
        return false;
    }
    return StdCloseFile(f) != 0;
}

// The second process: it holds the scene as it was at the fork, writes it
// and says on `report` whether the copy is in place. It ends with the
// program that made it, never runs the program's exit code, and touches
// nothing of the window: its messages go nowhere but the log.
[[noreturn]] void writeInChild(const std::string& target, const std::string& original, int report, int lock,
                               pid_t program) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != program) ::_exit(1);  // the program died before the line above
    ::close(lock);  // the program's lock is the program's alone
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    // A stop asked of the program waits for this copy; the program ends it.
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::sigaction(signal, &ignore, nullptr);
    platform::setUi(nullptr);
    bool ok = false;
    try {
        ok = writeCopy(target, original);
    } catch (...) {
        ok = false;
    }
    const char said = ok ? 1 : 0;
    const ssize_t n = ::write(report, &said, 1);
    ::_exit(ok && n == 1 ? 0 : 1);
}

// The writer's word, waiting at most until the deadline; false when it
// failed, ended without a word or hangs (it is then ended).
bool waitForWriter(pid_t pid, int report) {
    const auto deadline = std::chrono::steady_clock::now() + kWriterDeadline;
    bool ok = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd watched{report, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) continue;
        char said = 0;
        ssize_t n;
        do {
            n = ::read(report, &said, 1);
        } while (n < 0 && errno == EINTR);
        ok = n == 1 && said == 1;
        break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return ok;
}

}  // namespace

// Runs on the watcher, which outlives the writers it starts: a writer ends
// when the thread that forked it does. The caller holds the scene still.
void Autosaver::startWriter(Start& start) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    platform::UniqueFd reading(ends[0]), writing(ends[1]);
    const pid_t program = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) writeInChild(start.target, start.original, writing.get(), lock_.get(), program);
    if (pid < 0) return;
    writing_ = Writer{pid, std::move(reading), start.target};
    start.started = true;
}

bool Autosaver::save(const std::string& original) {
    if (!lock_) return false;
    {
        std::lock_guard held(mutex_);
        if (writing_) return false;  // the copy before is still being written
    }
    // No change may be half done in the copy: the scene is held still (a
    // change on another thread ends first) while the process is duplicated.
    SceneModel::Reading still;
    // Half an edit is kept only when the program is about to end (saveNow);
    // a tick waits for the edit's end.
    if (still.midChange()) return false;
    Start start{copyPath(original), original};
    {
        std::unique_lock held(mutex_);
        starting_ = &start;
        wake_.notify_all();
        done_.wait(held, [&] { return start.answered; });
    }
    if (start.started) return true;
    // No second process (no memory for one): written here.
    bool ok = false;
    try {
        ok = writeCopy(start.target, original);
    } catch (const std::bad_alloc&) {
        LogMessage(0, "Autosave: out of memory\n");
    }
    std::lock_guard held(mutex_);
    finished(start.target, ok);
    return ok;
}

bool Autosaver::saveNow(const std::string& original) {
    if (!lock_) return false;
    // The program is about to end: a copy still being written is given up
    // (a second process need not finish in time), and this one is written
    // here, whole, before the program goes.
    {
        std::unique_lock held(mutex_);
        if (writing_) ::kill(writing_->pid, SIGKILL);
        done_.wait(held, [this] { return !writing_ && !starting_; });
    }
    const std::string target = copyPath(original);
    bool ok = false;
    try {
        SceneModel::Reading still;
        ok = writeCopy(target, original);
    } catch (const std::bad_alloc&) {
        LogMessage(0, "Autosave: out of memory\n");
    }
    std::lock_guard held(mutex_);
    finished(target, ok);
    return ok;
}

bool Autosaver::settle() {
    std::unique_lock held(mutex_);
    done_.wait(held, [this] { return !writing_; });
    return lastOk_;
}

bool Autosaver::lastFailed() {
    std::lock_guard held(mutex_);
    return !lastOk_;
}

void Autosaver::remove() {
    settle();
    std::lock_guard held(mutex_);
    if (written_.empty()) return;
    ::unlink(written_.c_str());
    ::unlink(pathNoteOf(written_).c_str());
    written_.clear();
}

void Autosaver::finished(const std::string& target, bool ok) {
    if (ok && written_ != target) {
        // The scene took another name: its copy under the old one goes.
        if (!written_.empty()) {
            ::unlink(written_.c_str());
            ::unlink(pathNoteOf(written_).c_str());
        }
        written_ = target;
    }
    // A failed first copy under a name leaves no note naming a copy that is not there.
    if (!ok && written_ != target) ::unlink(pathNoteOf(target).c_str());
    lastOk_ = ok;
}

void Autosaver::watchLoop() {
    std::unique_lock held(mutex_);
    for (;;) {
        wake_.wait(held, [this] { return stopping_ || starting_ || writing_; });
        if (starting_) {
            Start& start = *starting_;
            starting_ = nullptr;
            startWriter(start);
            start.answered = true;
            done_.notify_all();
            continue;
        }
        if (!writing_) return;
        const pid_t pid = writing_->pid;
        const int report = writing_->report.get();
        held.unlock();
        const bool ok = waitForWriter(pid, report);
        held.lock();
        finished(writing_->target, ok);
        writing_.reset();
        done_.notify_all();
    }
}

std::vector<OrphanedAutosave> Autosaver::orphans(const std::string& folder, long self) {
    pruneDiscarded(folder);
    std::vector<OrphanedAutosave> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string leaf = entry.path().filename().string();
        const long pid = copyOwner(leaf);
        if (pid < 0 || pid == self || !entry.is_regular_file(ec)) continue;
        OrphanedAutosave copy;
        copy.claim = takeLock(lockPath(folder, pid));
        if (!copy.claim) continue;  // its program still runs
        copy.scene = entry.path().string();
        copy.written = modified(copy.scene);
        std::string note;
        if (platform::readWholeFile(pathNoteOf(copy.scene), note, 64 * 1024) == 0) copy.original = note;
        // Saved since: the file holds the work, the copy is set aside.
        if (!copy.original.empty() && changedAfter(copy.original, copy.scene)) {
            discard(copy);
            continue;
        }
        found.push_back(std::move(copy));
    }
    std::sort(found.begin(), found.end(),
              [](const OrphanedAutosave& a, const OrphanedAutosave& b) { return a.written > b.written; });
    return found;
}

bool Autosaver::discard(OrphanedAutosave& copy) {
    const std::string folder = platform::folderOf(copy.scene);
    const std::string aside = folder + "/discarded";
    std::error_code ec;
    fs::create_directories(aside, ec);
    const std::string stamp = std::to_string(std::time(nullptr));
    const std::string leaf = platform::leafOf(copy.scene);
    const std::string moved = aside + "/" + leaf.substr(0, leaf.size() - 4) + "-" + stamp + ".cad";
    if (std::rename(copy.scene.c_str(), moved.c_str()) != 0) return false;
    const std::string note = pathNoteOf(copy.scene);
    std::rename(note.c_str(), pathNoteOf(moved).c_str());
    // The rename keeps the copy's time; a week from now counts from the discard.
    ::utimensat(AT_FDCWD, moved.c_str(), nullptr, 0);
    if (const long pid = copyOwner(leaf); pid > 0) ::unlink(lockPath(folder, pid).c_str());
    return true;
}

}  // namespace kx::app
