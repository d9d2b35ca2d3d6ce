#include "document/autosave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "kxcore.h"
#include "model/scene_model.h"

namespace kx::app {

namespace fs = std::filesystem;

namespace {

constexpr size_t kLongestCopy = size_t{1} << 31;
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
    syncer_ = std::thread([this] { syncLoop(); });
}

Autosaver::~Autosaver() {
    {
        std::unique_lock held(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    syncer_.join();
    if (lock_) ::unlink(lockPath(folder_, owner_).c_str());
}

std::string Autosaver::copyPath(const std::string& original) const {
    return folder_ + "/" + sceneName(original) + "-" + std::to_string(owner_) + ".cad";
}

bool Autosaver::writePart(const std::string& original, std::string& part, std::string& target) {
    target = copyPath(original);
    part = folder_ + "/." + platform::leafOf(target) + ".part";
    // Unsynced: the thread of the copies syncs it; this thread only fills
    // the page cache, and never waits for the disk.
    SceneModel::Reading still;
    StandardFile* f = StdOpenFile(part.c_str(), KX_OPEN_DERIVED);
    if (!f) return false;
    f->scene = GetCurrentScene();
    // A scene of no objects is written whole all the same, though the writer says 0.
    if (!WriteKalvexScene2(f) && GetCadObject(nullptr)) {
        StdAbortFile(f);
        return false;
    }
    return StdCloseFile(f) != 0;
}

bool Autosaver::save(const std::string& original) {
    if (!lock_) return false;
    Job job;
    if (!writePart(original, job.part, job.target)) return false;
    job.pathNote = pathNoteOf(job.target);
    job.original = original;
    std::lock_guard held(mutex_);
    // Only the newest copy matters: one waiting is replaced.
    pending_.clear();
    pending_.push_back(std::move(job));
    wake_.notify_all();
    return true;
}

bool Autosaver::saveNow(const std::string& original) { return save(original) && settle(); }

bool Autosaver::settle() {
    std::unique_lock held(mutex_);
    done_.wait(held, [this] { return pending_.empty() && !busy_; });
    return lastOk_;
}

void Autosaver::remove() {
    settle();
    std::lock_guard held(mutex_);
    if (written_.empty()) return;
    ::unlink(written_.c_str());
    ::unlink(pathNoteOf(written_).c_str());
    written_.clear();
}

void Autosaver::syncLoop() {
    std::unique_lock held(mutex_);
    for (;;) {
        wake_.wait(held, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) return;
        Job job = std::move(pending_.front());
        pending_.clear();
        busy_ = true;
        held.unlock();
        bool ok = false;
        // Out of memory here fails this copy; it must not end the program
        // whose work the copy is for.
        try {
            std::string bytes;
            ok = platform::readWholeFile(job.part, bytes, kLongestCopy) == 0 &&
                 platform::replaceFileWith(job.pathNote, job.original, platform::Durability::Synced) &&
                 platform::replaceFileWith(job.target, bytes, platform::Durability::Synced);
        } catch (const std::bad_alloc&) {
            LogMessage(0, "Autosave: out of memory\n");
        }
        ::unlink(job.part.c_str());
        held.lock();
        if (ok && written_ != job.target) {
            // The scene took another name: its copy under the old one goes.
            if (!written_.empty()) {
                ::unlink(written_.c_str());
                ::unlink(pathNoteOf(written_).c_str());
            }
            written_ = job.target;
        }
        lastOk_ = ok;
        busy_ = false;
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
