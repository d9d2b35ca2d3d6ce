#include "script/lua_sandbox.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
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

// Counts work done in C against the run's limit and notes a stop request;
// true once the run is to end (its message in run.endMessage). Library
// functions that loop in C call it, since the instruction hook cannot stop
// them.
bool endIsDue(LuaRun& run, std::uint64_t work) {
    run.instructions += work;
    if (run.ending) return true;
    if (run.stop != nullptr && run.stop->load()) {
        run.ending = true;
        run.endMessage = "Script stopped";
    } else if (run.maxInstructions != 0 && run.instructions >= run.maxInstructions) {
        run.ending = true;
        run.endMessage = "Script stopped: more than " + std::to_string(run.maxInstructions) + " instructions";
    }
    return run.ending;
}

// Raises errors, so it keeps nothing that needs destroying.
void countHook(lua_State* L, lua_Debug*) {
    LuaRun& run = runOf(L);
    if (run.context.options.hooks.idle) {
        const auto now = std::chrono::steady_clock::now();
        if (now - run.lastIdle >= std::chrono::milliseconds(50)) {
            run.lastIdle = now;
            callIdle(run.context);
        }
    }
    if (endIsDue(run, kHookInterval)) luaL_error(L, "%s", run.endMessage.c_str());
}

// Calls the function kept as upvalue 1 with the arguments given; its results.
int callOriginal(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

// pcall, xpcall and coroutine.resume as the script sees them: the end of a
// run passes through them, so that a loop round a protected call still ends.
int passEnding(lua_State* L, int results) {
    LuaRun& run = runOf(L);
    if (run.ending) return luaL_error(L, "%s", run.endMessage.c_str());
    return results;
}

int endingPcall(lua_State* L) { return passEnding(L, callOriginal(L)); }

// An xpcall's message handler runs with the instruction hook switched off
// when the error came from the hook, so a loop in it could never be stopped:
// once the run is ending, the message passes through untouched.
int handlerUnlessEnding(lua_State* L) {
    if (runOf(L).ending) return 1;
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    return 1;
}

int endingXpcall(lua_State* L) {
    if (lua_gettop(L) >= 2) {
        lua_pushvalue(L, 2);
        lua_pushcclosure(L, handlerUnlessEnding, 1);
        lua_replace(L, 2);
    }
    return passEnding(L, callOriginal(L));
}

// Puts `wrapper` in place of library.name, with the original as its upvalue 1.
void wrapLibraryFunction(lua_State* L, const char* library, const char* name, lua_CFunction wrapper) {
    if (library) lua_getglobal(L, library);
    else lua_pushglobaltable(L);
    lua_getfield(L, -1, name);
    lua_pushcclosure(L, wrapper, 1);
    lua_setfield(L, -2, name);
    lua_pop(L, 1);
}

// Finalisers run with the hook switched off, where nothing could stop a
// loop in one: scripts may not give their tables any.
int setmetatableWithoutFinalisers(lua_State* L) {
    if (lua_type(L, 2) == LUA_TTABLE && lua_getfield(L, 2, "__gc") != LUA_TNIL)
        return luaL_error(L, "__gc metamethods are not available to scripts");
    lua_settop(L, 2);
    return callOriginal(L);
}

// table.move and table.concat loop in C over a range: its elements count as
// instructions, and a range no table could hold is refused.
int countedRange(lua_State* L, lua_Integer from, lua_Integer to, const char* what) {
    if (to >= from) {
        const lua_Unsigned n = static_cast<lua_Unsigned>(to) - static_cast<lua_Unsigned>(from);
        if (n >= (lua_Unsigned{1} << 31)) return luaL_error(L, "%s of %I elements is too long", what, to - from + 1);
        LuaRun& run = runOf(L);
        if (endIsDue(run, n)) return luaL_error(L, "%s", run.endMessage.c_str());
    }
    return callOriginal(L);
}

int countedMove(lua_State* L) {
    return countedRange(L, luaL_checkinteger(L, 2), luaL_checkinteger(L, 3), "table.move");
}

int countedConcat(lua_State* L) {
    const lua_Integer from = luaL_optinteger(L, 3, 1);
    const lua_Integer to = lua_isnoneornil(L, 4) ? static_cast<lua_Integer>(luaL_len(L, 1)) : luaL_checkinteger(L, 4);
    return countedRange(L, from, to, "table.concat");
}

// string.rep copies its pieces in a loop in C, even pieces of no length: the
// pieces count as instructions, and more empty ones than any text could hold
// are refused.
int countedRep(lua_State* L) {
    size_t length = 0, separator = 0;
    luaL_checklstring(L, 1, &length);
    const lua_Integer times = luaL_checkinteger(L, 2);
    luaL_optlstring(L, 3, "", &separator);
    if (times > 0) {
        if (length + separator == 0 && times >= (lua_Integer{1} << 31))
            return luaL_error(L, "string.rep of %I empty pieces is too long", times);
        LuaRun& run = runOf(L);
        if (endIsDue(run, static_cast<std::uint64_t>(times))) return luaL_error(L, "%s", run.endMessage.c_str());
    }
    return callOriginal(L);
}

void boundLoopsInC(lua_State* L) {
    wrapLibraryFunction(L, nullptr, "pcall", endingPcall);
    wrapLibraryFunction(L, nullptr, "xpcall", endingXpcall);
    wrapLibraryFunction(L, LUA_COLIBNAME, "resume", endingPcall);
    wrapLibraryFunction(L, nullptr, "setmetatable", setmetatableWithoutFinalisers);
    wrapLibraryFunction(L, LUA_TABLIBNAME, "move", countedMove);
    wrapLibraryFunction(L, LUA_TABLIBNAME, "concat", countedConcat);
    wrapLibraryFunction(L, LUA_STRLIBNAME, "rep", countedRep);
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
    return callOriginal(L);
}

// The string library's pattern matching backtracks inside C, where the
// instruction hook cannot stop it: "a-a-a-a-b" on a few hundred characters
// already runs for hours. Each quantifier can multiply the work by the text's
// length, so a pattern with q of them on a text of n characters may cost about
// n^(q+1) steps; calls beyond 10^10 are refused before they start.
int quantifiers(const char* p, size_t m) {
    int q = 0;
    for (size_t i = 0; i < m; ++i) {
        if (p[i] == '%') {
            ++i;  // an escaped character, or a class such as %d
        } else if (p[i] == '[') {
            // A set is one item: skip to its closing bracket.
            size_t j = i + 1;
            if (j < m && p[j] == '^') ++j;
            if (j < m && p[j] == ']') ++j;
            while (j < m && p[j] != ']') j += p[j] == '%' ? 2 : 1;
            i = j;
        } else if (p[i] == '*' || p[i] == '+' || p[i] == '-' || p[i] == '?') {
            ++q;
        }
    }
    return q;
}

int boundedMatch(lua_State* L) {
    size_t n = 0, m = 0;
    luaL_checklstring(L, 1, &n);
    const char* pattern = luaL_checklstring(L, 2, &m);
    const bool plain = lua_toboolean(L, lua_upvalueindex(2)) && lua_toboolean(L, 4);
    const int q = plain ? 0 : quantifiers(pattern, m);
    if (q > 0) {
        const double cost = std::log10(static_cast<double>(m) + 1.0) + (q + 1) * std::log10(static_cast<double>(n) + 1.0);
        if (cost > 10.0)
            return luaL_error(L, "pattern with %d repetitions is too slow for a text of %I characters", q,
                              static_cast<lua_Integer>(n));
    }
    // A call under that bound can still take seconds, and a loop of such
    // calls would run on for ever: the time each one takes counts against
    // the run's limit (about ten nanoseconds an instruction), and a stop
    // request is seen at the next call.
    LuaRun& run = runOf(L);
    if (endIsDue(run, 0)) return luaL_error(L, "%s", run.endMessage.c_str());
    const auto started = std::chrono::steady_clock::now();
    const int results = callOriginal(L);
    const auto took = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - started);
    if (endIsDue(run, static_cast<std::uint64_t>(took.count()) / 10)) return luaL_error(L, "%s", run.endMessage.c_str());
    return results;
}

void boundPatterns(lua_State* L) {
    lua_getglobal(L, LUA_STRLIBNAME);
    for (const char* name : {"find", "match", "gmatch", "gsub"}) {
        lua_getfield(L, -1, name);
        lua_pushboolean(L, std::strcmp(name, "find") == 0);  // only find has a plain flag
        lua_pushcclosure(L, boundedMatch, 2);
        lua_setfield(L, -2, name);
    }
    lua_pop(L, 1);
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
    boundPatterns(L);
    boundLoopsInC(L);
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
