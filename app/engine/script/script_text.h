// The text of a script before it runs: which language it names on a "$"
// first line, and the text the engine parses.
#pragma once

#include <string>
#include <string_view>

namespace kx::script {

// The engines a script can name, by program identifier (any letter case).
enum class Engine { None, Lua };

// Lua for "Lua" and "Lua5.4" in any letter case; None for anything else.
Engine engineByName(std::string_view name);

struct ScriptSource {
    enum class Status { Ok, Empty, Invalid } status = Status::Ok;
    // The language the script names, "Lua" when it names none.
    std::string language;
    // The script proper; a "$" line is replaced by an empty line, so line
    // numbers count from the top of the whole text.
    std::string body;
};

// Splits a script's text. A first line "$NAME" ends at "\r\n" or "\n"; a
// text that is that line alone, without a line end, is Invalid.
ScriptSource splitScript(std::string_view text);

// Line `line` (from 1) of a text, without its line end; empty when absent.
std::string lineOf(std::string_view text, int line);

}  // namespace kx::script
