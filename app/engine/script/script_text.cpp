#include "script/script_text.h"

#include <strings.h>

#include <array>

namespace kx::script {
namespace {

struct EngineName {
    const char* name;
    Engine engine;
};

// More languages are more rows here.
constexpr std::array<EngineName, 2> kEngines{{{"Lua", Engine::Lua}, {"Lua5.4", Engine::Lua}}};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

Engine engineByName(std::string_view name) {
    for (const EngineName& e : kEngines) {
        const std::string_view known = e.name;
        if (known.size() == name.size() && strncasecmp(known.data(), name.data(), name.size()) == 0) return e.engine;
    }
    return Engine::None;
}

ScriptSource splitScript(std::string_view text) {
    ScriptSource out;
    if (text.empty()) {
        out.status = ScriptSource::Status::Empty;
        return out;
    }
    if (text.front() != '$') {
        out.language = "Lua";
        out.body.assign(text);
        return out;
    }
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        out.status = ScriptSource::Status::Invalid;
        return out;
    }
    out.language.assign(trimmed(text.substr(1, end - 1)));
    // The line end stays, so the first line of the script proper is line 2.
    out.body.assign(text.substr(end));
    return out;
}

std::string lineOf(std::string_view text, int line) {
    if (line < 1) return {};
    size_t start = 0;
    for (int n = 1; n < line; ++n) {
        const size_t next = text.find('\n', start);
        if (next == std::string_view::npos) return {};
        start = next + 1;
    }
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view s = text.substr(start, end - start);
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace kx::script
