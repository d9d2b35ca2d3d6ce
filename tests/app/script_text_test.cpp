// Splitting a script's "$" language line from its text, and the engine table.
#include <gtest/gtest.h>

#include "script/script_text.h"

namespace {

using kx::script::Engine;
using kx::script::ScriptSource;
using Status = ScriptSource::Status;

TEST(ScriptTextTest, LanguageLineIsSplitOffKeepingLineNumbers) {
    struct Row {
        const char* text;
        Status status;
        const char* language;
        const char* body;
    };
    const Row rows[] = {
        {"", Status::Empty, "", ""},
        {"print(1)", Status::Ok, "Lua", "print(1)"},
        {"$Lua\nprint(1)", Status::Ok, "Lua", "\nprint(1)"},
        {"$Lua5.4\r\nprint(1)\r\n", Status::Ok, "Lua5.4", "\nprint(1)\r\n"},
        {"$ VBScript \nx", Status::Ok, "VBScript", "\nx"},
        {"$Lua", Status::Invalid, "", ""},
        {"$Lua\r", Status::Invalid, "", ""},
        {"$\n", Status::Ok, "", "\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const ScriptSource s = kx::script::splitScript(r.text);
        EXPECT_EQ(s.status, r.status);
        if (r.status != Status::Ok) continue;
        EXPECT_EQ(s.language, r.language);
        EXPECT_EQ(s.body, r.body);
    }
}

TEST(ScriptTextTest, EnginesAreFoundInAnyLetterCase) {
    const std::pair<const char*, Engine> rows[] = {
        {"Lua", Engine::Lua},    {"LUA", Engine::Lua},      {"lua5.4", Engine::Lua}, {"Lua5.3", Engine::None},
        {"VBScript", Engine::None}, {"", Engine::None},     {"Lu", Engine::None},    {"Luax", Engine::None},
    };
    for (const auto& [name, engine] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(kx::script::engineByName(name), engine);
    }
}

TEST(ScriptTextTest, LineOfFindsNumberedLinesWithoutTheirEnds) {
    const char* text = "\nfirst\r\nsecond\nthird";
    const std::pair<int, const char*> rows[] = {{0, ""}, {1, ""}, {2, "first"}, {3, "second"}, {4, "third"}, {5, ""}};
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(kx::script::lineOf(text, line), expected);
    }
}

}  // namespace
