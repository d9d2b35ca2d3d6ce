// One Lua state per run: its memory bounded by its own allocator, its
// instructions counted by a hook that also ends the run on a stop request,
// and only the libraries that cannot reach files, processes or the loader.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <lua.hpp>

#include "script/script_methods.h"

namespace kx::script {

// What the allocator and the hook of one state keep; outlives the state.
struct LuaRun {
    explicit LuaRun(RunContext& c) : context(c) {}
    RunContext& context;
    std::size_t used = 0;
    std::size_t cap = 0;
    std::uint64_t instructions = 0;
    std::uint64_t maxInstructions = 0;
    const std::atomic<bool>* stop = nullptr;
    // Set once the run was told to end: no pcall, xpcall or coroutine may
    // catch that, and the hook raises it again at every count.
    bool ending = false;
    std::string endMessage;
    std::chrono::steady_clock::time_point lastIdle{};
};

// The hook runs every this many instructions.
inline constexpr int kHookInterval = 10000;

struct LuaCloser {
    void operator()(lua_State* L) const { lua_close(L); }
};
using LuaStatePtr = std::unique_ptr<lua_State, LuaCloser>;

// A new state with the sandboxed libraries and print; null when even that
// does not fit in the run's memory.
LuaStatePtr openSandbox(LuaRun& run);

// The run a state belongs to.
LuaRun& runOf(lua_State* L);

// Makes "Scene" and "CurrentScene" (called in protected mode by openSandbox).
void bindScene(lua_State* L);

}  // namespace kx::script
