// Automatic copies of unsaved work, kept in <data folder>/autosave so that a
// crash, a kill or a power cut loses at most the time between two copies.
//
// Each running program holds a lock, "<pid>.lock", for as long as it runs,
// and writes its copy as "<scene>-<pid>.cad" beside "<scene>-<pid>.path",
// which names the file the scene was opened from (empty when untitled). A
// copy whose lock nobody holds belongs to a program that died: the next
// start offers it back. A copy is written whole or not at all, and synced.
// A program that gets the process id of one that died and left copies writes
// under an id no process can have (the pid plus a multiple of 2^22), so that
// those copies are offered, never taken for its own or overwritten.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
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
    // Waits for a copy being synced; removes the lock (the copy stays).
    ~Autosaver();
    Autosaver(const Autosaver&) = delete;
    Autosaver& operator=(const Autosaver&) = delete;

    // Writes the core's current scene as the copy of `original` (the scene's
    // file, empty when untitled) on the calling thread, without waiting for
    // the disk, and leaves syncing it and putting it in place to a thread of
    // its own. False when the scene could not be written.
    bool save(const std::string& original);
    // As save, and waits until the copy is in place: for a program about to end.
    bool saveNow(const std::string& original);
    // Removes this program's copy: the scene was saved, or the program ends cleanly.
    void remove();
    // Waits until the last copy asked for is in place (or failed); true when it is.
    bool settle();

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
    void syncLoop();
    bool writePart(const std::string& original, std::string& part, std::string& target);

    std::string folder_;
    long owner_;
    platform::UniqueFd lock_;
    std::string written_;  // the copy now in place, empty when none

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    struct Job {
        std::string part, target, pathNote, original;
    };
    std::vector<Job> pending_;
    bool busy_ = false;
    bool lastOk_ = true;
    bool stopping_ = false;
    std::thread syncer_;
};

}  // namespace kx::app
