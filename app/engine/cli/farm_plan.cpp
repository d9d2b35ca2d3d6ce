#include "cli/farm_plan.h"

#include <cstring>
#include <set>

namespace kx::app {
namespace {

// Characters that mean nothing to a shell in any place of a word. "=" is left
// out: a first word "a=b" would be taken for an assignment.

// A field of a job log record as a whole number (an optional "-" first);
// false when it is anything else or too long to be one.
bool wholeNumber(std::string_view field, long& out) {
    bool negative = !field.empty() && field[0] == '-';
    if (negative) field.remove_prefix(1);
    if (field.empty() || field.size() > 9) return false;
    long v = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = negative ? -v : v;
    return true;
}

}  // namespace

std::vector<std::string> frameJobArgs(const FrameJob& job, const std::string& frame) {
    // A scene named relative to its folder may start with "-"; it must not be
    // taken for an option.
    const std::string scene = !job.scene.empty() && job.scene[0] == '-' ? "./" + job.scene : job.scene;
    return {job.program,          "--render", scene, "--frames", frame, "--width", std::to_string(job.width),
            "--height",           std::to_string(job.height), "--quality", std::to_string(job.quality)};
}

std::vector<std::string> parallelArgs(const FarmRun& run) {
    // --quote: parallel hands every job to a shell, which must see each of our
    // words as one argument, whatever blanks, quotes or "$(...)" it holds.
    std::vector<std::string> args = {run.parallel, "--will-cite", "--quote",    "--jobs",
                                      std::to_string(run.jobs), "--line-buffer", "--tagstring", "frame {}",
                                      "--joblog",   run.jobLog,  "--term-seq",   kJobTermSequence};
    if (!run.sshLoginFile.empty()) {
        args.push_back("--sshloginfile");
        args.push_back(run.sshLoginFile);
    }
    for (const std::string& f : run.baseFiles) {
        args.push_back("--basefile");
        args.push_back(f);
    }
    for (const std::string& f : run.returned) {
        args.push_back("--return");
        args.push_back(f);
    }
    if (!run.baseFiles.empty() || !run.returned.empty()) args.push_back("--cleanup");
    for (std::string& a : frameJobArgs(run.job, "{}")) args.push_back(std::move(a));
    args.push_back("::::");
    args.push_back(run.frameList);
    return args;
}

std::vector<JobLogEntry> parseJobLog(std::string_view text) {
    std::vector<JobLogEntry> entries;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::string_view fields[8];
        size_t count = 0;
        while (count < 8) {
            const size_t tab = line.find('\t');
            if (tab == std::string_view::npos) break;
            fields[count++] = line.substr(0, tab);
            line.remove_prefix(tab + 1);
        }
        long seq = 0;
        JobLogEntry entry;
        // The ninth field, the command, holds whatever the job's words held.
        if (count == 8 && wholeNumber(fields[0], seq) && seq > 0 && wholeNumber(fields[6], entry.exitValue) &&
            wholeNumber(fields[7], entry.signal)) {
            entry.seq = static_cast<unsigned long>(seq);
            entries.push_back(entry);
        }
    }
    return entries;
}

std::vector<std::string> namedFileCandidates(std::string_view sceneText) {
    std::vector<std::string> words;
    std::set<std::string, std::less<>> seen;
    auto add = [&](std::string_view w) {
        if (w.empty() || w.size() > kMaxNamedFile || seen.count(w)) return;
        seen.emplace(w);
        words.emplace_back(w);
    };
    // Quoted strings first: a name with blanks stands only there.
    for (size_t open = sceneText.find('"'); open != std::string_view::npos;) {
        const size_t close = sceneText.find('"', open + 1);
        if (close == std::string_view::npos) break;
        const std::string_view quoted = sceneText.substr(open + 1, close - open - 1);
        if (quoted.find_first_of("\r\n") == std::string_view::npos) add(quoted);
        open = sceneText.find('"', close + 1);
    }
    // Then the words, which also find a name inside an inline text such as
    // `#include \"stones.inc\"`.
    constexpr std::string_view kSeparators = " \t\r\n\"'{}()<>,;=";
    size_t start = sceneText.find_first_not_of(kSeparators);
    while (start != std::string_view::npos) {
        const size_t end = sceneText.find_first_of(kSeparators, start);
        std::string_view word = sceneText.substr(start, end == std::string_view::npos ? end : end - start);
        while (!word.empty() && word.back() == '\\') word.remove_suffix(1);  // an escaped quote's backslash
        add(word);
        start = end == std::string_view::npos ? end : sceneText.find_first_not_of(kSeparators, end);
    }
    return words;
}

}  // namespace kx::app
