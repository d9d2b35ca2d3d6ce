// What the frame driver hands to other programs, as plain text and argument
// vectors: the shell line of one frame job, GNU parallel's command, and the
// readers of parallel's job log and of the names a scene file mentions. No
// core, no files: the driver (frame_farm.cpp) does the work around them.
#pragma once

#include "kxplatform/process.h"

#include <string>
#include <string_view>
#include <vector>

namespace kx::app {

using kx::platform::shellLine;
using kx::platform::shellWord;

// One frame job: `program --render scene --frames F --width W --height H --quality Q`.
struct FrameJob {
    std::string program;
    std::string scene;
    int width = 0;
    int height = 0;
    int quality = 0;
};

// The job's argument vector for `frame`, a number or a placeholder such as "{}".
std::vector<std::string> frameJobArgs(const FrameJob& job, const std::string& frame);

// How long parallel gives a stopped job to end its renderer before it kills
// it outright (a job killed at once would leave the renderer, a process group
// of its own, running), and how long the driver then waits for parallel.
inline constexpr const char* kJobTermSequence = "TERM,3000,KILL,25";
inline constexpr int kParallelGraceMs = 5000;

// One run of GNU parallel over the frames listed in a file.
struct FarmRun {
    std::string parallel;      // the program
    int jobs = 1;              // at once per machine
    std::string sshLoginFile;  // empty: this machine only
    // With a transfer: the files each worker receives and the files each job
    // sends back ("{}" stands for the frame), relative to the scene's folder.
    std::vector<std::string> baseFiles;
    std::vector<std::string> returned;
    std::string jobLog;     // where parallel records each job's end
    std::string frameList;  // one frame number a line
    FrameJob job;
};

std::vector<std::string> parallelArgs(const FarmRun& run);

// One job's record in parallel's job log: its place in the input (from 1),
// its exit value and the signal that ended it (0: none).
struct JobLogEntry {
    unsigned long seq = 0;
    long exitValue = 0;
    long signal = 0;
};

// The records of a job log's text. The header, blank and damaged lines are
// passed over; a record is nine or more tab-separated fields whose first,
// seventh and eighth are whole numbers.
std::vector<JobLogEntry> parseJobLog(std::string_view text);

// Words of a scene file's text that may name another file: the text of every
// double-quoted string, and every run of characters between blanks, quotes and
// punctuation. Each word once, in the order first seen, none longer than
// kMaxNamedFile bytes.
inline constexpr size_t kMaxNamedFile = 4096;
std::vector<std::string> namedFileCandidates(std::string_view sceneText);

}  // namespace kx::app
