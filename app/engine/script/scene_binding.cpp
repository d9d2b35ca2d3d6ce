// "Scene" and "CurrentScene": one userdata whose methods and two properties
// resolve without regard to letter case. Exact method names are found in a
// prebuilt table that is the scene's __index, so a call does no string work
// and no extra call into C; other spellings are lowered once.
//
// Lua raises errors with longjmp: the functions that can raise keep only
// plain data, and everything with a destructor runs in frames of its own.
#include <cctype>
#include <cmath>
#include <cstring>

#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "model/scene_model.h"
#include "script/lua_sandbox.h"

namespace kx::script {
namespace {

constexpr const char* kSceneType = "kalvex.Scene";
// Property markers among the methods' closures.
constexpr lua_Integer kAutoRefresh = -1;
constexpr lua_Integer kAutoFree = -2;
// No method name is longer.
constexpr std::size_t kLongestName = 40;
constexpr int kMostParams = 10;

int invalidArg(lua_State* L, int index, const char* expected) {
    return luaL_typeerror(L, index, expected);
}

int wholeArg(lua_State* L, int index, long long low, long long high) {
    if (lua_isinteger(L, index)) {
        const lua_Integer v = lua_tointeger(L, index);
        if (v < low || v > high) luaL_argerror(L, index, "value out of range");
        return static_cast<int>(v);
    }
    int isNumber = 0;
    const lua_Number d = lua_tonumberx(L, index, &isNumber);
    if (!isNumber) invalidArg(L, index, "number");
    const double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < static_cast<double>(low) || r > static_cast<double>(high))
        luaL_argerror(L, index, "value out of range");
    return static_cast<int>(r);
}

void readArg(lua_State* L, int index, char kind, Arg& a) {
    switch (kind) {
    case 'h': a.i = wholeArg(L, index, -32768, 32767); break;
    case 'l': a.i = wholeArg(L, index, INT32_MIN, INT32_MAX); break;
    case 'd': {
        int isNumber = 0;
        a.d = lua_tonumberx(L, index, &isNumber);
        if (!isNumber) invalidArg(L, index, "number");
        break;
    }
    case 's':
        if (lua_type(L, index) != LUA_TSTRING && lua_type(L, index) != LUA_TNUMBER) invalidArg(L, index, "string");
        a.s = lua_tolstring(L, index, &a.n);
        break;
    case 'b':
        // A missing flag is false, as an omitted optional argument.
        if (lua_type(L, index) == LUA_TNUMBER) a.i = lua_tonumber(L, index) != 0;
        else if (lua_isnoneornil(L, index) || lua_isboolean(L, index)) a.i = lua_toboolean(L, index);
        else invalidArg(L, index, "boolean");
        break;
    default:  // a variant
        if (lua_isinteger(L, index) && lua_tointeger(L, index) >= INT32_MIN && lua_tointeger(L, index) <= INT32_MAX) {
            a.kind = KXVAR_INT;
            a.i = static_cast<int>(lua_tointeger(L, index));
        } else if (lua_type(L, index) == LUA_TNUMBER) {
            a.kind = KXVAR_DOUBLE;
            a.d = lua_tonumber(L, index);
        } else if (lua_type(L, index) == LUA_TSTRING) {
            a.kind = KXVAR_STRING;
            a.s = lua_tolstring(L, index, &a.n);
        }
        break;
    }
}

// Runs the method under the scene lock; false when it threw.
bool invoke(const Method& m, const Arg* args, RunContext& run, MethodResult& out) noexcept {
    try {
        kx::app::SceneModel::Transaction change;
        if (!change.owns()) return true;
        m.fn(args, run, out);
        if (m.changes && out.i > 0) run.changed = true;
        return true;
    } catch (...) {
        return false;
    }
}

bool numbersStorable(const Method& m, const Arg* args, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k)
        if ((m.params[k] == 'd' || args[k].kind == KXVAR_DOUBLE) && !plugins::storableNumber(args[k].d)) return false;
    return true;
}

int pushResult(lua_State* L, Returns returns, const MethodResult& out, RunContext& run) {
    switch (returns) {
    case Returns::None: return 0;
    case Returns::Bool: lua_pushboolean(L, out.i != 0); return 1;
    case Returns::Long: lua_pushinteger(L, out.i); return 1;
    case Returns::Double: lua_pushnumber(L, out.d); return 1;
    case Returns::Text: lua_pushlstring(L, run.text.data(), run.text.size()); return 1;
    case Returns::Variant:
        if (out.kind == KXVAR_INT) lua_pushinteger(L, out.i);
        else if (out.kind == KXVAR_DOUBLE) lua_pushnumber(L, out.d);
        else lua_pushnil(L);
        return 1;
    }
    return 0;
}

int callMethod(lua_State* L) {
    const Method& m = methods()[static_cast<std::size_t>(lua_tointeger(L, lua_upvalueindex(1)))];
    // Scene:M() passes the scene first (upvalue 2 is the scene); Scene.M() does not.
    const int first = lua_rawequal(L, 1, lua_upvalueindex(2)) ? 2 : 1;
    Arg args[kMostParams];
    const std::size_t count = std::strlen(m.params);
    for (std::size_t k = 0; k < count; ++k) readArg(L, first + static_cast<int>(k), m.params[k], args[k]);
    RunContext& run = runOf(L).context;
    MethodResult out;
    // A number the scene cannot hold fails the call, as the host refuses it
    // from a plug-in; it is never narrowed to an infinity.
    if (!numbersStorable(m, args, count)) {
        LogMessage(1, "%s: value out of range\n", m.name);
        return pushResult(L, m.returns, out, run);
    }
    if (!invoke(m, args, run, out)) return luaL_error(L, "%s failed", m.name);
    return pushResult(L, m.returns, out, run);
}

// Pushes what a key names (upvalue 1 the exact table, 2 the lower-case one), or nil.
void resolve(lua_State* L, int key) {
    lua_pushvalue(L, key);
    if (lua_rawget(L, lua_upvalueindex(1)) != LUA_TNIL || lua_type(L, key) != LUA_TSTRING) return;
    lua_pop(L, 1);
    std::size_t n = 0;
    const char* name = lua_tolstring(L, key, &n);
    char lower[kLongestName + 1];
    if (n > kLongestName) {
        lua_pushnil(L);
        return;
    }
    for (std::size_t k = 0; k < n; ++k) lower[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[k])));
    lua_pushlstring(L, lower, n);
    lua_rawget(L, lua_upvalueindex(2));
}

// Reached only when the exact table (the scene's __index) lacks the key:
// other letter cases and the two properties. Upvalue 1 is the exact table
// itself, which then misses again, and 2 the lower-case table.
int sceneIndex(lua_State* L) {
    resolve(L, 2);
    if (!lua_isinteger(L, -1)) return 1;
    const lua_Integer which = lua_tointeger(L, -1);
    const auto& state = kx::plugins::hostState();
    lua_pushboolean(L, which == kAutoRefresh ? !state.sceneRedrawOff : !state.autoFree);
    return 1;
}

int sceneNewIndex(lua_State* L) {
    resolve(L, 2);
    if (!lua_isinteger(L, -1)) return luaL_error(L, "Scene.%s cannot be assigned", luaL_tolstring(L, 2, nullptr));
    const bool on = lua_toboolean(L, 3) != 0;
    if (lua_tointeger(L, -1) == kAutoRefresh) kx::plugins::hostState().sceneRedrawOff = !on;
    else kx::plugins::host::SetAutoFree(on ? 0 : 1);
    return 0;
}

// Enters the value on top of the stack under the name's lower-case spelling
// and, for a method (exact != 0), under the name itself.
void addName(lua_State* L, const char* name, int exact, int lower) {
    char low[kLongestName + 1] = {};
    const std::size_t n = std::strlen(name);
    for (std::size_t k = 0; k < n && k < kLongestName; ++k)
        low[k] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[k])));
    if (exact != 0) {
        lua_pushvalue(L, -1);
        lua_setfield(L, exact, name);
    }
    lua_setfield(L, lower, low);
}

}  // namespace

void bindScene(lua_State* L) {
    lua_newtable(L);  // exact names
    const int exact = lua_gettop(L);
    lua_newtable(L);  // lower-case names
    const int lower = lua_gettop(L);
    lua_newuserdatauv(L, 0, 0);
    const int scene = lua_gettop(L);
    const auto all = methods();
    for (std::size_t k = 0; k < all.size(); ++k) {
        lua_pushinteger(L, static_cast<lua_Integer>(k));
        lua_pushvalue(L, scene);
        lua_pushcclosure(L, callMethod, 2);
        addName(L, all[k].name, exact, lower);
    }
    // The properties are values to compute, so they stay out of the exact
    // table: reading one always reaches sceneIndex.
    lua_pushinteger(L, kAutoRefresh);
    addName(L, "AutoRefresh", 0, lower);
    lua_pushinteger(L, kAutoFree);
    addName(L, "AutoFree", 0, lower);

    // A method spelt exactly is found by the interpreter's own table lookup,
    // without a call into C; everything else falls through to sceneIndex.
    lua_newtable(L);
    lua_pushvalue(L, exact);
    lua_pushvalue(L, lower);
    lua_pushcclosure(L, sceneIndex, 2);
    lua_setfield(L, -2, "__index");
    lua_setmetatable(L, exact);

    lua_pushvalue(L, scene);
    luaL_newmetatable(L, kSceneType);
    lua_pushvalue(L, exact);
    lua_setfield(L, -2, "__index");
    lua_pushvalue(L, exact);
    lua_pushvalue(L, lower);
    lua_pushcclosure(L, sceneNewIndex, 2);
    lua_setfield(L, -2, "__newindex");
    lua_pushliteral(L, "Scene");
    lua_setfield(L, -2, "__name");
    // Scripts cannot reach or replace the metatable.
    lua_pushboolean(L, 0);
    lua_setfield(L, -2, "__metatable");
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    lua_setglobal(L, "Scene");
    lua_setglobal(L, "CurrentScene");
    lua_pop(L, 3);
}

}  // namespace kx::script
