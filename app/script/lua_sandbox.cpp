#include "script/lua_sandbox.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "kxcore.h"

namespace kx::script {
namespace {

void* boundedAlloc(void* ud, void* ptr, std::size_t osize, std::size_t nsize) {
    auto* run = static_cast<LuaRun*>(ud);
    const std::size_t old = ptr != nullptr ? osize : 0;
    if (nsize == 0) {
        std::free(ptr);
        run->used -= old;
        return nullptr;
    }
    // Lua turns a refused allocation into a script error.
    if (nsize > old && run->used - old + nsize > run->cap) return nullptr;
    void* p = std::realloc(ptr, nsize);
    if (p == nullptr) return nullptr;
    run->used = run->used - old + nsize;
    return p;
}

void callIdle(RunContext& context) noexcept {
    try {
        context.options.hooks.idle();
    } catch (...) {
    }
}

// Raises errors, so it keeps nothing that needs destroying.
void countHook(lua_State* L, lua_Debug*) {
    LuaRun& run = runOf(L);
    run.instructions += kHookInterval;
    if (run.context.options.hooks.idle) {
        const auto now = std::chrono::steady_clock::now();
        if (now - run.lastIdle >= std::chrono::milliseconds(50)) {
            run.lastIdle = now;
            callIdle(run.context);
        }
    }
    if (run.stop != nullptr && run.stop->load()) luaL_error(L, "Script stopped");
    if (run.maxInstructions != 0 && run.instructions >= run.maxInstructions)
        luaL_error(L, "Script stopped: more than %I instructions", static_cast<lua_Integer>(run.maxInstructions));
}

void printText(RunContext& context, const char* text, std::size_t n) noexcept {
    try {
        if (context.options.hooks.print) context.options.hooks.print(std::string_view(text, n));
    } catch (...) {
    }
}

int scriptPrint(lua_State* L) {
    const int n = lua_gettop(L);
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    for (int k = 1; k <= n; ++k) {
        if (k > 1) luaL_addchar(&b, '\t');
        luaL_tolstring(L, k, nullptr);
        luaL_addvalue(&b);
    }
    luaL_pushresult(&b);
    std::size_t len = 0;
    const char* text = lua_tolstring(L, -1, &len);
    printText(runOf(L).context, text, len);
    return 0;
}

// load, but only for source text: a binary chunk can break the virtual machine.
int textOnlyLoad(lua_State* L) {
    if (lua_gettop(L) < 3) lua_settop(L, 3);
    lua_pushliteral(L, "t");
    lua_replace(L, 3);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

void openLibraries(lua_State* L) {
    static constexpr luaL_Reg kLibraries[] = {
        {LUA_GNAME, luaopen_base},          {LUA_STRLIBNAME, luaopen_string}, {LUA_TABLIBNAME, luaopen_table},
        {LUA_MATHLIBNAME, luaopen_math},    {LUA_UTF8LIBNAME, luaopen_utf8}, {LUA_COLIBNAME, luaopen_coroutine},
    };
    for (const luaL_Reg& lib : kLibraries) {
        luaL_requiref(L, lib.name, lib.func, 1);
        lua_pop(L, 1);
    }
    // Of os only the clock and the calendar.
    luaL_requiref(L, LUA_OSLIBNAME, luaopen_os, 0);
    lua_createtable(L, 0, 3);
    for (const char* keep : {"time", "clock", "date"}) {
        lua_getfield(L, -2, keep);
        lua_setfield(L, -2, keep);
    }
    lua_setglobal(L, LUA_OSLIBNAME);
    lua_pop(L, 1);

    for (const char* gone : {"dofile", "loadfile"}) {
        lua_pushnil(L);
        lua_setglobal(L, gone);
    }
    lua_getglobal(L, "load");
    lua_pushcclosure(L, textOnlyLoad, 1);
    lua_setglobal(L, "load");
    lua_pushcfunction(L, scriptPrint);
    lua_setglobal(L, "print");
}

int setUp(lua_State* L) {
    openLibraries(L);
    bindScene(L);
    return 0;
}

}  // namespace

LuaRun& runOf(lua_State* L) { return **static_cast<LuaRun**>(lua_getextraspace(L)); }

LuaStatePtr openSandbox(LuaRun& run) {
    LuaStatePtr L(lua_newstate(boundedAlloc, &run));
    if (!L) return L;
    *static_cast<LuaRun**>(lua_getextraspace(L.get())) = &run;
    lua_sethook(L.get(), countHook, LUA_MASKCOUNT, kHookInterval);
    lua_pushcfunction(L.get(), setUp);
    if (lua_pcall(L.get(), 0, 0, 0) != LUA_OK) L.reset();
    return L;
}

}  // namespace kx::script
