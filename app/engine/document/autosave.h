// Automatic copies of unsaved work, kept in <data folder>/autosave so that a
// crash, a kill or a power cut loses at most the time between two copies.
//
// Each running program holds a lock, "<pid>.lock", for as long as it runs,
// and writes its copy as "<scene>-<pid>.cad" beside "<scene>-<pid>.path",
// which names the file the scene was opened from (empty when untitled). A
// copy whose lock nobody holds belongs to a program that died: the next
// start offers it back. A copy is written whole or not at all, and synced.
// It is written by a short-lived second process forked from this one: the
// fork is the snapshot (the scene held still for the instant it takes), so
// the window's thread neither writes the scene nor waits for the disk, and
// may go on editing while the copy is written.
// A program that gets the process id of one that died and left copies writes
// under an id no process can have (the pid plus a multiple of 2^22), so that
// those copies are offered, never taken for its own or overwritten.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "kxplatform/files.h"

namespace kx::app {

// A copy left by a program that is no longer running, claimed by this one
// (its lock held) for as long as the record lives.
struct OrphanedAutosave {
    std::string scene;     // the copy
    std::string original;  // the file it was a copy of; empty when untitled
    std::time_t written = 0;
    platform::UniqueFd claim;
};

// Whose copies a new Autosaver writes: this process's id, unless a test
// asked for another (0 restores the process's).
long autosaveOwner();
void overrideAutosaveOwner(long owner);

class Autosaver {
public:
    // Takes the owner's lock in folder (made when missing).
    explicit Autosaver(std::string folder, long owner = autosaveOwner());
    // Waits for a copy being written; removes the lock (the copy stays).
    ~Autosaver();
    Autosaver(const Autosaver&) = delete;
    Autosaver& operator=(const Autosaver&) = delete;

    // Starts writing the core's current scene, as it stands at the call, as
    // the copy of `original` (the scene's file, empty when untitled), and
    // returns without waiting for it. False when no copy was started: the
    // one before is still being written, this thread is in the middle of an
    // edit, or (when no second process can be made, and the scene is then
    // written on the calling thread) the copy failed.
    bool save(const std::string& original);
    // Writes the copy on the calling thread and returns when it is in place:
    // for a program about to end, which keeps even a scene in the middle of
    // an edit. A copy still being written by a second process is given up.
    bool saveNow(const std::string& original);
    // Removes this program's copy: the scene was saved, or the program ends cleanly.
    void remove();
    // Waits until the last copy asked for is in place (or failed); true when it is.
    bool settle();
    // The last copy that ended failed (one being written does not count).
    bool lastFailed();

    // The copy this program writes for a scene of the given file.
    std::string copyPath(const std::string& original) const;
    const std::string& folder() const { return folder_; }
    // The id this program's copies and lock are named by.
    long owner() const { return owner_; }
    bool locked() const { return static_cast<bool>(lock_); }

    // The copies of programs that died, newest first, each claimed. Copies
    // older than the file they copy are not offered: they are set aside.
    static std::vector<OrphanedAutosave> orphans(const std::string& folder, long self = autosaveOwner());
    // Moves a copy and its path note into "discarded/", where copies older
    // than a week are removed at the next call.
    static bool discard(OrphanedAutosave& copy);

private:
    // A copy being written by a second process, which reports its success
    // on `report` before it ends.
    struct Writer {
        pid_t pid = -1;
        platform::UniqueFd report;
        std::string target;
    };
    // What the window's thread asks the watcher to start, and its answer.
    struct Start {
        std::string target, original;
        bool answered = false;
        bool started = false;
    };
    void startWriter(Start& start);
    void watchLoop();
    void finished(const std::string& target, bool ok);

    std::string folder_;
    long owner_;
    platform::UniqueFd lock_;
    std::string written_;  // the copy now in place, empty when none

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    // Guarded by mutex_.
    Start* starting_ = nullptr;
    std::optional<Writer> writing_;
    bool lastOk_ = true;
    bool stopping_ = false;
    std::thread watcher_;
};

}  // namespace kx::app
