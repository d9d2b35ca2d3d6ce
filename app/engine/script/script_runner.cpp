#include "script/script_runner.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kxcore.h"
#include "plugins/host_state.h"
#include "model/scene_model.h"
#include "script/lua_sandbox.h"
#include "script/script_text.h"

namespace kx::script {
namespace {

bool running = false;

class RunningScope {
public:
    RunningScope() { running = true; }
    ~RunningScope() { running = false; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;
};

// The redraw switch and the scene's change flag as they were before the run.
class SceneFlags {
public:
    SceneFlags() : redrawOff_(kx::plugins::hostState().sceneRedrawOff), changedBefore_(kx::app::SceneModel::takeRedrawRequest()) {}
    ~SceneFlags() {
        kx::plugins::hostState().sceneRedrawOff = redrawOff_;
        kx::app::SceneModel::setRedrawRequest(changedBefore_ || changed_);
    }
    SceneFlags(const SceneFlags&) = delete;
    SceneFlags& operator=(const SceneFlags&) = delete;
    bool collect() {
        changed_ = changed_ || kx::app::SceneModel::takeRedrawRequest();
        return changed_;
    }

private:
    bool redrawOff_;
    bool changedBefore_;
    bool changed_ = false;
};

// Script handles must never outlive their objects: without plug-ins nobody
// has installed the core's release hook, so a run installs it for itself.
class HandleHook {
public:
    HandleHook() {
        const KxObjectReleaseHook previous = SetObjectReleaseHook(nullptr);
        SetObjectReleaseHook(previous);
        if (previous == nullptr) {
            kx::plugins::attachHandleTable();
            mine_ = true;
        }
    }
    ~HandleHook() {
        if (!mine_) return;
        SetObjectReleaseHook(nullptr);
        kx::plugins::hostState().handles.clear();
    }
    HandleHook(const HandleHook&) = delete;
    HandleHook& operator=(const HandleHook&) = delete;

private:
    bool mine_ = false;
};

constexpr const char* kChunkName = "=Scene";
constexpr const char* kSource = "Scene";

// The message handler: an error raised inside a method carries no line; the
// script's innermost line that was running is put in front.
int addScriptLine(lua_State* L) {
    if (lua_type(L, 1) != LUA_TSTRING) return 1;
    const char* message = lua_tostring(L, 1);
    if (std::strncmp(message, "Scene:", 6) == 0) return 1;
    lua_Debug ar;
    for (int level = 1; lua_getstack(L, level, &ar); ++level) {
        lua_getinfo(L, "Sl", &ar);
        if (ar.currentline > 0 && std::strcmp(ar.source, kChunkName) == 0) {
            lua_pushfstring(L, "%s:%d: %s", kSource, ar.currentline, message);
            return 1;
        }
    }
    return 1;
}

// Shows the error box for the error on top of the stack; the line it names.
int showScriptError(lua_State* L, int status, const std::string& body, const std::string& origin, const char* phase,
                    std::string& shown) {
    std::string message;
    if (lua_type(L, -1) == LUA_TSTRING) message = lua_tostring(L, -1);
    else message = std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    int line = 0;
    const std::string prefix = std::string(kSource) + ":";
    if (message.compare(0, prefix.size(), prefix) == 0) {
        char* end = nullptr;
        const long n = std::strtol(message.c_str() + prefix.size(), &end, 10);
        if (end != nullptr && *end == ':' && n > 0 && n < 0x7fffffff) {
            line = static_cast<int>(n);
            message.erase(0, static_cast<size_t>(end - message.c_str()) + 1);
            if (!message.empty() && message.front() == ' ') message.erase(0, 1);
        }
    }
    char box[4096];
    std::snprintf(box, sizeof box, "Source:'%s' Line:%d  Char:%d\nError:%d  '%s'\n%s", kSource, line, 0, status,
                  message.c_str(), lineOf(body, line).c_str());
    shown = box;
    if (!origin.empty()) {
        // The box's own lines name neither the file nor the moment.
        shown += "\n" + origin + (line > 0 ? ", line " + std::to_string(line) : std::string()) + ", while " + phase;
    }
    ErrorMessage("%s", shown.c_str());
    return line;
}

int protectedCall(lua_State* L, int args) {
    const int base = lua_gettop(L) - args;
    lua_pushcfunction(L, addScriptLine);
    lua_insert(L, base);
    const int status = lua_pcall(L, args, 0, base);
    lua_remove(L, base);
    return status;
}

// Steps 5 to 7 on a sandboxed state; the state is closed by the caller.
bool runBody(lua_State* L, const std::string& body, const std::string& origin, RunResult& result) {
    int status = luaL_loadbufferx(L, body.data(), body.size(), kChunkName, "t");
    if (status != LUA_OK) {
        result.errorLine = showScriptError(L, status, body, origin, "reading it", result.message);
        ErrorMessage("Error parsing script");
        return false;
    }
    status = protectedCall(L, 0);
    if (status != LUA_OK) {
        result.errorLine = showScriptError(L, status, body, origin, "loading it (its top level)", result.message);
        ErrorMessage("Error loading script");
        return false;
    }
    // A script without main has done its work in the chunk.
    if (lua_getglobal(L, "main") != LUA_TFUNCTION) return true;
    status = protectedCall(L, 0);
    if (status != LUA_OK) {
        result.errorLine = showScriptError(L, status, body, origin, "running main", result.message);
        return false;
    }
    return true;
}

}  // namespace

bool scriptRunning() { return running; }

RunResult runScript(std::string_view text, const RunOptions& options) {
    RunResult result;
    if (running) {
        LogMessage(1, "A script is running: another is not started\n");
        return result;
    }
    const ScriptSource source = splitScript(text);
    if (source.status == ScriptSource::Status::Empty) {
        result.message = "Empty script";
        ErrorMessage("Empty script");
        return result;
    }
    if (source.status == ScriptSource::Status::Invalid) {
        result.message = "Invalid script";
        ErrorMessage("Invalid script");
        return result;
    }
    if (engineByName(source.language) == Engine::None) {
        result.message = "Invalid language name: \"" + source.language + "\"";
        ErrorMessage("%s", result.message.c_str());
        return result;
    }
    RunningScope scope;
    kx::plugins::GrowthRun growth;
    HandleHook handles;
    SceneFlags flags;
    // A macro redraws once at its end, unless it turns AutoRefresh on itself.
    if (options.kind == RunKind::Macro) kx::plugins::hostState().sceneRedrawOff = true;
    RunContext context(options);
    LuaRun run(context);
    run.cap = options.memoryCap;
    run.maxInstructions = options.maxInstructions;
    run.stop = options.stop;
    run.lastIdle = std::chrono::steady_clock::now();
    {
        LuaStatePtr L = openSandbox(run);
        if (!L) {
            ErrorMessage("Error loading script");
        } else {
            result.ok = runBody(L.get(), source.body, options.origin, result);
        }
    }
    closeRunFiles(context);
    result.changed = flags.collect() || context.changed;
    return result;
}

int runSceneCreateScripts(const RunOptions& options) {
    if (running) {
        LogMessage(1, "Scene event scripts not run: another script is running\n");
        return 0;
    }
    struct Registered {
        unsigned position;
        std::string text;
    };
    std::vector<Registered> scripts;
    for (unsigned pos = 0; pos < KX_MAX_EVENTS;) {
        unsigned found = pos;
        const char* s = GetEventScript(KX_EVENT_SCENE_CREATE, &found);
        if (s != nullptr) scripts.push_back({found, s});
        pos = (s != nullptr || found != pos) ? found + 1 : pos + 1;
    }
    RunOptions eventOptions = options;
    eventOptions.kind = RunKind::Event;
    if (eventOptions.origin.empty()) eventOptions.origin = "the scene's start-up script";
    eventOptions.hooks.print = [](std::string_view text) {
        LogMessage(1, "%.*s\n", static_cast<int>(text.size()), text.data());
    };
    int failed = 0;
    for (const Registered& r : scripts) {
        // A script that replaced the scene ends the scripts of the old one.
        unsigned found = r.position;
        const char* now = GetEventScript(KX_EVENT_SCENE_CREATE, &found);
        if (now == nullptr || found != r.position || r.text != now) break;
        if (!runScript(r.text, eventOptions).ok) ++failed;
    }
    return failed;
}

JobLimits& jobLimits() {
    static JobLimits limits;
    return limits;
}

RunOptions jobEventOptions() {
    RunOptions o;
    o.kind = RunKind::Event;
    o.maxInstructions = jobLimits().maxInstructions;
    o.stop = jobLimits().stop;
    return o;
}

}  // namespace kx::script
