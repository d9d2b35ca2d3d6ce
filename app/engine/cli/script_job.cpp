// kalvex --script: a script run without a display, as the macro editor runs
// it, and the scene scripts of the scenes command-line jobs read.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/command_line.h"
#include "document/file_dispatch.h"
#include "kxcore.h"
#include "kxplatform/files.h"
#include "plugins/host_functions.h"
#include "script/script_runner.h"
#include "startup/core_session.h"

namespace kx::app {
namespace {

// More than any script anyone writes by hand; a bigger file is refused
// rather than read without end.
constexpr size_t kLargestScript = 16u << 20;

std::atomic<bool> stopRequested{false};
std::atomic<int> stoppedBy{0};

void onStop(int signal) {
    stoppedBy = signal;
    stopRequested = true;
}

// Ctrl-C (and a closed terminal) ends the running script instead of the program.
class StopSignals {
public:
    StopSignals() {
        stopRequested = false;
        stoppedBy = 0;
        struct sigaction action {};
        action.sa_handler = onStop;
        for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &action, &previous_[i]);
        script::jobLimits().stop = &stopRequested;
    }
    ~StopSignals() {
        script::jobLimits().stop = nullptr;
        for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static constexpr size_t kCount = 3;
    static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[kCount] {};
};

bool readScript(const std::string& path, std::string& text) {
    switch (platform::readWholeFile(path, text, kLargestScript)) {
        case 0: return true;
        case EFBIG: std::fprintf(stderr, "kalvex: %s is too large for a script\n", path.c_str()); return false;
        // The disk failed under a file that opened; anything else means no file to read.
        case EIO: std::fprintf(stderr, "kalvex: %s cannot be read\n", path.c_str()); return false;
        default: std::fprintf(stderr, "kalvex: no such script: %s\n", path.c_str()); return false;
    }
}

}  // namespace

bool runSceneScriptsForJob(std::uint64_t startupInstructions) {
    int signal = 0;
    bool ok = false;
    {
        StopSignals signals;
        script::RunOptions options = script::jobEventOptions();
        // A scene's own start-up script, in a received file, ends on its own.
        if (options.maxInstructions == 0) options.maxInstructions = startupInstructions;
        ok = script::runSceneCreateScripts(options) == 0;
        signal = stoppedBy;
    }
    // The user asked the whole job to end, not only the script.
    if (signal != 0) {
        std::fprintf(stderr, "kalvex: stopped\n");
        std::fflush(nullptr);
        std::_Exit(128 + signal);
    }
    return ok;
}

int runScriptJob(const CommandLine& cl) {
    std::string text;
    if (!readScript(cl.script, text)) return 1;
    CoreSession session;
    CoreSessionOptions options;
    options.loadPlugins = !cl.noPlugins;
    session.start(options);
    if (!cl.scene.empty()) {
        // Its scene scripts run as they do when the window opens it.
        if (!loadSceneForJob(cl.scene, session.settings())) return 1;
    } else {
        CreateDefaultScene();
    }
    script::RunResult result;
    {
        StopSignals signals;
        script::RunOptions run;
        run.maxInstructions = script::jobLimits().maxInstructions;
        run.stop = &stopRequested;
        run.origin = cl.script;
        run.hooks.print = [](std::string_view s) {
            std::fwrite(s.data(), 1, s.size(), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        };
        result = script::runScript(text, run);
    }
    if (!result.ok) return stoppedBy != 0 ? 128 + stoppedBy : 1;
    if (!cl.output.empty()) {
        // Every writer replaces the file only by a whole one: a failure
        // leaves the user's file where it stood.
        std::error_code ec;
        // As the window saves: the native writer for scenes, plug-ins for their own types.
        const unsigned type = GetCadFileType(cl.output.c_str());
        const int saved = type > kLastBuiltInFileType ? plugins::host::Save(cl.output.c_str(), 0)
                                                      : saveSceneFile(cl.output, type, session.settings());
        if (!saved || !std::filesystem::exists(cl.output, ec)) {
            std::fprintf(stderr, "kalvex: %s was not written\n", cl.output.c_str());
            return 1;
        }
        std::printf("Saved: %s\n", cl.output.c_str());
    }
    session.stop(false);
    return 0;
}

}  // namespace kx::app
