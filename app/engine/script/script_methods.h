// The scene's script methods as a table: each row names a method, the kinds
// of its arguments and result, and the C++ function that does its work. The
// Lua binding reads the arguments into plain Arg records first, so the
// functions here never touch the Lua state.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "kxplugin.h"
#include "script/script_runner.h"

namespace kx::script {

// One argument as read from the script. Kinds of a variant: 0 empty,
// KXVAR_INT, KXVAR_DOUBLE or KXVAR_STRING.
struct Arg {
    int kind = 0;
    int i = 0;
    double d = 0;
    const char* s = nullptr;  // a text argument (valid during the call)
    std::size_t n = 0;        // its length
};

struct MethodResult {
    int i = 0;
    double d = 0;
    int kind = 0;  // of a variant result: 0 (nil), KXVAR_INT or KXVAR_DOUBLE
};

// What one run keeps between method calls.
struct RunContext {
    explicit RunContext(const RunOptions& o) : options(o) {}
    const RunOptions& options;
    std::vector<int> files;  // handles the run opened and has not closed
    std::string text;        // a text result, pushed after the call
    // Texts of 32 to 1023 characters go to the host through this buffer.
    std::array<char, 1024> longText{};
    bool failed = false;   // a method was refused to an event script
    bool changed = false;  // a method that changes the scene succeeded
};

// Argument kinds, one character each: h short, l long, d double, s text,
// b bool, v variant. Results:
enum class Returns { None, Bool, Long, Double, Text, Variant };

using MethodFn = void (*)(const Arg* args, RunContext& run, MethodResult& out);

struct Method {
    const char* name;
    const char* params;
    Returns returns;
    MethodFn fn;
    bool changes;  // a call that succeeds changes the scene
};

std::span<const Method> methods();

// The texts a value method can carry: 1023 characters.
inline constexpr std::size_t kLongestText = 1023;
// Texts up to this length travel inside the value itself.
inline constexpr std::size_t kInlineText = 31;

// Builds a value from a variant argument: integers, doubles, texts inline up
// to 31 characters, through run.longText up to 1023; longer texts report
// "String too long" and give false. An empty argument gives an empty value.
bool toValue(const Arg& a, RunContext& run, KxVar& v);

// The facet buffer GetPoint fills and GetPointValue reads: eight points and
// their normals, the most one node of a point list holds.
inline constexpr std::size_t kFacetFloats = 48;
std::array<float, kFacetFloats>& facetBuffer();

// Closes every file the run opened and left open.
void closeRunFiles(RunContext& run);

}  // namespace kx::script
