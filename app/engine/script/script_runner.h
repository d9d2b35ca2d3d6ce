// Running a script on the scene: from the macro editor, from the command
// line, or as a scene's event script. Scripts run on the calling thread, one
// at a time; every failure is reported through the core's ErrorMessage and
// ends the run.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kx::script {

// What a run can reach beyond the scene. Every member may be empty.
struct ScriptHooks {
    // Text a script prints, one call per print (without a line end).
    std::function<void(std::string_view)> print;
    // Called about every 50 ms while a script runs: the window lets its event loop run.
    std::function<void()> idle;
    // A top-level window of the program by class and title: a number above 0, or 0.
    std::function<long(const char* className, const char* title)> findWindow;
    // Raises the window and sends it the text as key presses.
    std::function<void(long window, std::string_view text)> sendKeys;
};

enum class RunKind {
    Macro,  // the user chose the script: every method is available
    Event,  // a scene's own script: no method writes files or types keys
};

struct RunOptions {
    RunKind kind = RunKind::Macro;
    // Lua instructions a run may take; 0: no bound.
    std::uint64_t maxInstructions = 0;
    // Memory the run's Lua state may hold.
    std::size_t memoryCap = std::size_t{512} << 20;
    // Set from elsewhere (a signal handler, the Stop button) to end the run.
    const std::atomic<bool>* stop = nullptr;
    ScriptHooks hooks;
    // Where the text came from ("tools/spiral.kxs", "the Macro editor", "the
    // scene's start-up script"). When set, an error box ends with a line that
    // names it, the line, and whether the script was loading or running.
    std::string origin;
};

struct RunResult {
    bool ok = false;       // the run ended without an error
    bool changed = false;  // the run changed the scene
    int errorLine = 0;     // the script's line of the error, 0 when unknown
    std::string message;   // the first message the run reported, empty without one
};

// Runs a script's whole text: "Empty script", "Invalid script", "Invalid
// language name: \"%s\"", "Error parsing script", "Error loading script",
// and the error box for an error inside the script. A script without a
// function main runs its chunk only, without a message.
RunResult runScript(std::string_view text, const RunOptions& options);

// True while a script runs.
bool scriptRunning();

// Runs each "SceneCreate" script the scene registered, once, in order, as
// event scripts (print goes to the log). Not while another script runs: that
// is logged and nothing runs. Stops when a script replaced the scene.
// Returns the number of scripts that ended with an error.
int runSceneCreateScripts(const RunOptions& options);

// The bounds every run of a command-line job takes (set once from its options).
struct JobLimits {
    std::uint64_t maxInstructions = 0;
    const std::atomic<bool>* stop = nullptr;
};
JobLimits& jobLimits();
// Event-script options for a job without a window: the job's bounds, print to the log.
RunOptions jobEventOptions();

}  // namespace kx::script
