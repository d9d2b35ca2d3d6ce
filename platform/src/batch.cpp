#include "kxplatform/batch.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "kxplatform/files.h"
#include "kxplatform/process.h"

namespace kx::platform {
namespace {

// A batch larger than this is no batch the program wrote; it is not read.
constexpr size_t kMaxBatchBytes = 16 * 1024 * 1024;

bool readBatch(const std::string& path, std::string& text, int& error) {
    error = readWholeFile(path, text, kMaxBatchBytes);
    return error == 0;
}

bool blankLine(const std::string& line) {
    for (char c : line)
        if (c != ' ' && c != '\t') return false;
    return true;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string expandBatchLine(const std::string& line, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != '%' || i + 1 >= line.size()) {
            out += c;
            continue;
        }
        const char next = line[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
        } else if (next >= '0' && next <= '9') {
            const size_t index = static_cast<size_t>(next - '0');
            if (index < args.size()) out += args[index];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string findBatchFile(const std::string& folder, const std::string& word) {
    if (word.empty() || word.find_first_of("/\\") != std::string::npos || word == "." || word == "..") return {};
    const size_t dot = word.find_last_of('.');
    std::string name;
    if (dot == std::string::npos) name = word + ".BAT";
    else if (lowered(word.substr(dot)) == ".bat") name = word;
    else return {};
    const std::string found = findExisting((folder.empty() ? std::string(".") : folder) + "/" + name);
    return !found.empty() && isRegularFile(found) ? found : std::string();
}

BatchRunner::BatchRunner() = default;
BatchRunner::~BatchRunner() { cancel(); }

void BatchRunner::cancel() {
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_) current_->cancel();
}

BatchResult BatchRunner::run(const std::string& path, const std::vector<std::string>& args,
                             const Callbacks& callbacks) {
    cancelled_ = false;
    BatchResult result;
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    runFile(path, all, 0, callbacks, result);
    result.cancelled = cancelled_;
    result.ok = !result.cancelled && result.failures.empty();
    return result;
}

void BatchRunner::runFile(const std::string& path, const std::vector<std::string>& args, int depth,
                          const Callbacks& cb, BatchResult& result) {
    auto fail = [&](int line, int code, const std::string& reason) {
        BatchLineFailure failure{path, line, code, reason};
        if (cb.lineFailed) cb.lineFailed(failure);
        result.failures.push_back(std::move(failure));
    };
    std::string text;
    int error = 0;
    if (!readBatch(path, text, error)) {
        fail(0, -1, std::strerror(error));
        return;
    }
    const std::string folder = folderOf(path);
    size_t start = 0;
    for (int number = 1; start < text.size() && !cancelled_; ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        // A CR left in the line would end up inside its last argument.
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (blankLine(line)) continue;
        line = expandBatchLine(line, args);
        if (cb.lineStarted) cb.lineStarted(path, number, line);
        ++result.linesRun;
        std::vector<std::string> words = splitCommandLine(line);
        const std::string nested = words.empty() ? std::string() : findBatchFile(folder, words.front());
        if (!nested.empty()) {
            if (depth + 1 >= kMaxBatchDepth) {
                fail(number, -1, "batch files nested too deeply");
                continue;
            }
            const size_t before = result.failures.size();
            runFile(nested, words, depth + 1, cb, result);
            if (result.failures.size() != before && !cancelled_)
                fail(number, 1, "the batch " + words.front() + " failed");
            continue;
        }
        std::string reason;
        const int code = runLine(line, folder, cb, reason);
        if (code != 0 && !cancelled_) fail(number, code, reason);
    }
}

int BatchRunner::runLine(const std::string& line, const std::string& folder, const Callbacks& cb,
                         std::string& reason) {
    CommandRunner runner;
    CommandRunner::Callbacks callbacks;
    callbacks.output = cb.output;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) return -1;
        if (!runner.start({"/bin/sh", "-c", line}, folder, true, callbacks)) {
            const int error = runner.result().startError;
            reason = std::strerror(error);
            return -1;
        }
        current_ = &runner;
    }
    const RunResult r = runner.wait();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        current_ = nullptr;
    }
    if (r.exitCode != 0) reason = "exit status " + std::to_string(r.exitCode);
    return r.exitCode;
}

}  // namespace kx::platform
