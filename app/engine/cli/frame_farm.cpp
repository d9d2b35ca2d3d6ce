#include "cli/frame_farm.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <unistd.h>

#include "cli/farm_plan.h"
#include "kxcore.h"
#include "kxplatform/files.h"
#include "kxplatform/process.h"
#include "pixmo.h"
#include "startup/core_session.h"

namespace kx::app {
namespace {

namespace fs = std::filesystem;

// Scene files beyond this are not searched for the names of files to send.
constexpr size_t kMaxSceneText = size_t{64} << 20;
// A job log beyond this is not a log parallel wrote for our frames.
constexpr size_t kMaxJobLog = size_t{64} << 20;

// A folder of our own for parallel's job log and the frame list, removed at
// the end: jobs that run at once in the scene's folder see nothing of it.
class TempFolder {
public:
    TempFolder() {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "kalvex-frames-XXXXXX").string();
        if (!ec && ::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Another program may be called "parallel" (moreutils ships one); only GNU
// parallel knows the options the driver passes.
bool isGnuParallel(const std::string& program) {
    platform::CommandRunner runner;
    if (!runner.start({program, "--version"}, "", true, {})) return false;
    for (int i = 0; i < 200 && runner.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (runner.running()) runner.cancel();
    const platform::RunResult r = runner.wait();
    return !r.cancelled && r.exitCode == 0 && runner.output().rfind("GNU parallel", 0) == 0;
}

// A path that cannot stand on one line of a job list.
bool breaksTheLine(const std::string& word) { return word.find_first_of("\r\n") != std::string::npos; }

// The frame folder as a worker names it: relative to the scene's folder when
// inside it, else as it stands.
std::string workerFrameFolder(const FrameSet& set) {
    const fs::path relative = fs::path(set.folder).lexically_relative(fs::path(set.scene).parent_path());
    if (relative.empty() || *relative.begin() == "..") return set.folder;
    return relative == "." ? std::string() : relative.string() + "/";
}

// The command that renders only the frames still missing: the same one with --resume.
std::string resumeCommand(const CommandLine& cl, const FrameSet& set) {
    std::vector<std::string> words = {thisProgram(), "--render", set.scene, "--frames", cl.frames};
    if (cl.insideOut) words.push_back("--inside-out");
    if (cl.jobs) words.insert(words.end(), {"--jobs", std::to_string(*cl.jobs)});
    if (!cl.sshLoginFile.empty()) words.insert(words.end(), {"--sshloginfile", fs::absolute(cl.sshLoginFile).string()});
    if (cl.transfer) words.push_back("--transfer");
    if (!cl.worker.empty()) words.insert(words.end(), {"--worker", cl.worker});
    words.insert(words.end(), {"--width", std::to_string(set.width), "--height", std::to_string(set.height),
                               "--quality", std::to_string(set.quality), "--resume"});
    return shellLine(words);
}

std::string failureText(const std::map<unsigned long, JobLogEntry>& log, unsigned long seq) {
    const auto it = log.find(seq);
    if (it == log.end()) return "not run";
    if (it->second.signal != 0) return "signal " + std::to_string(it->second.signal);
    if (it->second.exitValue == 0) return "exit 0, its image did not read back";
    return "exit " + std::to_string(it->second.exitValue);
}

// Reads back every frame of the range and names the missing ones with what
// their job said; 0 when all are there, else 1.
int reportFrames(const CommandLine& cl, const FrameSet& set, const std::vector<unsigned>& run,
                 const std::string& jobLog) {
    std::map<unsigned long, JobLogEntry> log;
    std::string text;
    if (platform::readWholeFile(jobLog, text, kMaxJobLog) == 0)
        for (const JobLogEntry& e : parseJobLog(text)) log[e.seq] = e;
    std::map<unsigned, unsigned long> seqOf;  // parallel numbers jobs from 1 in input order
    for (size_t i = 0; i < run.size(); ++i) seqOf[run[i]] = i + 1;
    size_t missing = 0;
    for (unsigned frame : frameOrder(set.first, set.last, set.insideOut)) {
        if (frameImageReadsWhole(frameImagePath(set, frame))) continue;
        ++missing;
        const auto seq = seqOf.find(frame);
        const std::string why = seq == seqOf.end() ? "not run" : failureText(log, seq->second);
        std::fprintf(stderr, "kalvex: frame %u failed (%s)\n", frame, why.c_str());
    }
    if (missing == 0) {
        std::printf("kalvex: %u frames rendered in %s\n", set.last - set.first + 1, set.folder.c_str());
        return 0;
    }
    std::fprintf(stderr, "kalvex: %zu of %u frames failed; to render only those:\n%s\n", missing,
                 set.last - set.first + 1, resumeCommand(cl, set).c_str());
    return 1;
}

int emitJobs(const CommandLine& cl, const FrameSet& set, const std::vector<unsigned>& frames) {
    FrameJob job{cl.worker.empty() ? thisProgram() : cl.worker, set.scene, set.width, set.height, set.quality};
    for (const std::string* word : {&job.program, &job.scene})
        if (breaksTheLine(*word)) {
            std::fprintf(stderr, "kalvex: %s holds a line break and cannot stand in a job line\n", word->c_str());
            return 1;
        }
    for (unsigned frame : frames) std::printf("%s\n", shellLine(frameJobArgs(job, std::to_string(frame))).c_str());
    return 0;
}

// Runs parallel to its end; its exit status, -1 when it could not start.
int runParallel(const FarmRun& run, const std::string& cwd, const std::function<bool()>& stopRequested,
                bool& stopped) {
    platform::CommandRunner runner;
    std::fflush(stdout);
    std::fflush(stderr);
    // Its output and the jobs' reach our standard output and error as they come.
    if (!runner.start(parallelArgs(run), cwd, false, {})) {
        std::fprintf(stderr, "kalvex: %s could not be started: %s\n", run.parallel.c_str(),
                     std::strerror(runner.result().startError));
        return -1;
    }
    while (runner.running()) {
        if (!stopped && stopRequested && stopRequested()) {
            // parallel ends each job by its term sequence, and a job ends its
            // renderer. SIGINT, as Ctrl-C: parallel ignores SIGTERM for a
            // moment before its first job starts, and would then run them all.
            runner.cancel(kParallelGraceMs, SIGINT);
            stopped = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return runner.wait().exitCode;
}

bool writeFrameList(const std::string& path, const std::vector<unsigned>& frames) {
    std::string text;
    for (unsigned f : frames) text += std::to_string(f) + "\n";
    return platform::replaceFileWith(path, text, platform::Durability::Unsynced);
}

}  // namespace

std::string frameImagePath(const FrameSet& set, unsigned frame) {
    return set.folder + "/" + set.stem + std::to_string(frame) + ".tga";
}

std::string thisProgram() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("kalvex") : self.string();
}

std::vector<std::string> filesForWorkers(const std::string& scene) {
    const fs::path folder = fs::path(scene).parent_path();
    const std::string leaf = fs::path(scene).filename().string();
    std::vector<std::string> files = {leaf};
    std::string text;
    if (platform::readWholeFile(scene, text, kMaxSceneText) != 0) return files;
    for (std::string name : namedFileCandidates(text)) {
        std::replace(name.begin(), name.end(), '\\', '/');
        const fs::path named(name);
        const std::string full = (named.is_absolute() ? named : folder / named).lexically_normal().string();
        std::error_code ec;
        std::string existing = fs::is_regular_file(full, ec) ? full : std::string();
        // A name in another case is searched only when it looks like a file's.
        const size_t dot = name.find_last_of('.');
        if (existing.empty() && dot != std::string::npos && dot + 1 < name.size() && std::isalpha(static_cast<unsigned char>(name[dot + 1])))
            existing = platform::findExisting(full);
        if (existing.empty() || !platform::isRegularFile(existing)) continue;
        const fs::path relative = fs::path(existing).lexically_relative(folder);
        if (relative.empty() || *relative.begin() == ".." || relative.is_absolute()) continue;
        const std::string r = relative.string();
        if (std::find(files.begin(), files.end(), r) == files.end()) files.push_back(r);
    }
    return files;
}

int runFrameFarm(const CommandLine& cl, const FrameSet& set, const std::function<bool()>& stopRequested) {
    std::vector<unsigned> frames = frameOrder(set.first, set.last, set.insideOut);
    if (cl.resume)
        frames.erase(std::remove_if(frames.begin(), frames.end(),
                                    [&set](unsigned f) { return frameImageReadsWhole(frameImagePath(set, f)); }),
                     frames.end());
    if (cl.emitJobs) return emitJobs(cl, set, frames);
    if (frames.empty()) {
        std::printf("kalvex: every frame of %s is rendered already\n", cl.frames.c_str());
        return 0;
    }
    FarmRun run;
    run.parallel = platform::findProgram("parallel");
    if (run.parallel.empty() || !isGnuParallel(run.parallel)) {
        std::fprintf(stderr, "kalvex: --jobs needs GNU parallel (Debian package parallel)\n");
        return 1;
    }
    TempFolder temp;
    run.jobLog = temp.path() + "/jobs.log";
    run.frameList = temp.path() + "/frames";
    if (temp.path().empty() || !writeFrameList(run.frameList, frames)) {
        std::fprintf(stderr, "kalvex: no temporary folder for the frame list: %s\n", std::strerror(errno));
        return 1;
    }
    run.jobs = cl.jobs.value_or(1);
    run.job = {cl.worker.empty() ? thisProgram() : cl.worker, set.scene, set.width, set.height, set.quality};
    if (!cl.sshLoginFile.empty()) run.sshLoginFile = fs::absolute(cl.sshLoginFile).string();
    std::string cwd;
    if (cl.transfer) {
        // Workers get copies beside their working folder, so names are the
        // scene folder's own; parallel therefore runs in that folder.
        cwd = fs::path(set.scene).parent_path().string();
        run.baseFiles = filesForWorkers(set.scene);
        run.job.scene = run.baseFiles.front();
        const std::string frames = workerFrameFolder(set) + set.stem + "{}";
        run.returned = {frames + set.exportExtension, frames + ".tga"};
    }
    bool stopped = false;
    const int status = runParallel(run, cwd, stopRequested, stopped);
    if (stopped) {
        std::fprintf(stderr, "kalvex: render cancelled\n");
        return 1;
    }
    if (status < 0) return 1;
    return reportFrames(cl, set, frames, run.jobLog);
}

}  // namespace kx::app
