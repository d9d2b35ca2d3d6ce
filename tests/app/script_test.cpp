// Scripts on the scene: the steps of a run and their messages, the sandbox,
// every scene method from Lua, the value conversions, the rules for a
// scene's event scripts, and the bounds that end a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "host_calls.h"
#include "kxcore.h"
#include "plugins/host_state.h"
#include "script/script_methods.h"
#include "script/script_runner.h"

namespace {

using kx::script::RunKind;
using kx::script::RunOptions;
using kx::script::RunResult;

class ScriptHost : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        host.emplace();
    }
    void TearDown() override {
        host.reset();
        CoreTest::TearDown();
    }
    std::optional<kxtest::HostCalls> host;
    RunResult run(const std::string& text, RunOptions options = {}) {
        options.hooks.print = [this](std::string_view s) { printed.emplace_back(s); };
        return kx::script::runScript(text, options);
    }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : ui.messages) out.push_back(m.text);
        return out;
    }
    std::vector<std::string> printed;
};

TEST_F(ScriptHost, RunStepsReportTheirMessages) {
    struct Row {
        const char* script;
        bool ok;
        std::vector<std::string> messages;
    };
    const Row rows[] = {
        {"", false, {"Empty script"}},
        {"$Lua", false, {"Invalid script"}},
        {"$VBScript\nfunction main() end", false, {"Invalid language name: \"VBScript\""}},
        {"$lua\r\nfunction main() print('x') end", true, {}},
        {"x = = 1", false,
         {"Source:'Scene' Line:1  Char:0\nError:3  'unexpected symbol near '=''\nx = = 1", "Error parsing script"}},
        {"\n\nerror('boom')", false,
         {"Source:'Scene' Line:3  Char:0\nError:2  'boom'\nerror('boom')", "Error loading script"}},
        {"y = 1", true, {}},
        {"function main()\n  Scene:Move('a', 1, 2)\nend", false,
         {"Source:'Scene' Line:2  Char:0\nError:2  'bad argument #1 to 'Move' (number expected, got string)'\n"
          "  Scene:Move('a', 1, 2)"}},
        {"$Lua\nfunction main() error('late') end", false,
         {"Source:'Scene' Line:2  Char:0\nError:2  'late'\nfunction main() error('late') end"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.script);
        ui.clear();
        EXPECT_EQ(run(r.script).ok, r.ok);
        EXPECT_EQ(messageTexts(), r.messages);
    }
}

// A script that came from somewhere says where, and at which stage it failed.
TEST_F(ScriptHost, ErrorsNameTheScriptsOriginTheLineAndTheStage) {
    const std::pair<const char*, const char*> rows[] = {
        {"x = = 1", "spiral.kxs, line 1, while reading it"},
        {"\n\nerror('boom')", "spiral.kxs, line 3, while loading it (its top level)"},
        {"function main()\n  error('late')\nend", "spiral.kxs, line 2, while running main"},
    };
    for (const auto& [script, last] : rows) {
        SCOPED_TRACE(script);
        ui.clear();
        RunOptions options;
        options.origin = "spiral.kxs";
        const RunResult result = run(script, options);
        EXPECT_FALSE(result.ok);
        ASSERT_FALSE(messageTexts().empty());
        const std::string box = messageTexts().front();
        // The box keeps its own lines first; the origin is the line after them.
        EXPECT_EQ(box.compare(0, 15, "Source:'Scene' "), 0) << box;
        EXPECT_EQ(box.substr(box.rfind('\n') + 1), last) << box;
        EXPECT_EQ(result.message, box);
    }
}

TEST_F(ScriptHost, SandboxLeavesNoWayToFilesProcessesOrTheLoader) {
    const char* checks[] = {
        "assert(io == nil)",
        "assert(os.execute == nil and os.remove == nil and os.getenv == nil and os.exit == nil)",
        "assert(type(os.time()) == 'number' and type(os.clock()) == 'number' and type(os.date()) == 'string')",
        "assert(require == nil and package == nil)",
        "assert(dofile == nil and loadfile == nil)",
        "assert(debug == nil)",
        "local f, err = load(string.dump(function() return 1 end)); assert(f == nil and err:find('binary'))",
        "local f, err = load(string.dump(function() return 1 end), 'x', 'b'); assert(f == nil)",
        "assert(load('return 41 + 1')() == 42)",
        "assert(getmetatable(Scene) == false)",
        "assert(string.format('%d', 3) == '3' and math.floor(2.5) == 2 and utf8.char(65) == 'A')",
        // Pattern matching cannot be stopped once it runs: hopeless cases are refused first.
        "assert(not pcall(string.find, string.rep('a', 300), string.rep('a-', 4) .. 'b'))",
        "assert(not pcall(function() return string.rep('a', 300):match(string.rep('a*', 4) .. 'b') end))",
        "assert(string.find(string.rep('a', 300), 'a-a-b', 1, true) == nil)",
        "assert(select(2, string.gsub(string.rep('ab', 1000), '[a-b]', '')) == 2000)",
        "assert(('key = value'):match('^(%w+)%s*=%s*(%w+)$') == 'key')",
        "assert(string.find(string.rep('x', 10000) .. 'y', 'x-y') == 1)",
    };
    for (const char* check : checks) {
        SCOPED_TRACE(check);
        ui.clear();
        EXPECT_TRUE(run(check).ok) << (ui.messages.empty() ? "" : ui.lastMessage());
    }
}

TEST_F(ScriptHost, PrintJoinsItsArgumentsWithTabs) {
    ASSERT_TRUE(run("print('a', 1, 2.5, nil, true)\nprint()").ok);
    EXPECT_EQ(printed, (std::vector<std::string>{"a\t1\t2.5\tnil\ttrue", ""}));
}

TEST_F(ScriptHost, RunsSayWhetherTheyChangedTheScene) {
    const std::pair<const char*, bool> rows[] = {
        {"Scene:GetObjectCount(0); Scene:FindObject('x')", false},
        {"Scene:CreateObject('x', 13)", true},
        {"Scene:GetTexture(77); Scene:GetPoint(77, 1)", false},
        {"Scene:SelectObject(Scene:CreateObject('y', 13), true); Scene:Move(1, 0, 0)", true},
        {"Scene:SetObjectPropertyInt(77, 105, 1)", false},
    };
    for (const auto& [script, changed] : rows) {
        SCOPED_TRACE(script);
        const RunResult r = run(script);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.changed, changed);
    }
}

CadObject* object(const char* name) { return GetCadObjectByName(name); }

void expectPoint(const Point3d& p, float x, float y, float z) {
    EXPECT_FLOAT_EQ(p.x, x);
    EXPECT_FLOAT_EQ(p.y, y);
    EXPECT_FLOAT_EQ(p.z, z);
}

// Every method, named in several letter cases and called with ":" and ".".
// Each script makes its own ball "B" (handle h) and says with assert what
// the method returned; the check looks at what it did to the scene.
TEST_F(ScriptHost, EveryMethodReachesTheScene) {
    struct Row {
        std::string script;
        std::function<void()> check;
    };
    const std::string file = (std::filesystem::current_path() / "saved.cad").string();
    const Row rows[] = {
        {"assert(Scene:createdefaultobject(13) > 0)", [] { EXPECT_NE(GetCadObject(nullptr), nullptr); }},
        {"assert(h > 0 and Scene.GetObject(-1, 0) > 0 and Scene.getobject(h, 0) == -1)", [] { EXPECT_NE(object("B"), nullptr); }},
        {"assert(Scene:GETOBJECTCOUNT(0) == 1)", [] {}},
        {"assert(Scene:FreeObject(h) == true)", [] { EXPECT_NE(object("B"), nullptr); }},
        {"assert(Scene:SelectObject(h, true))", [] { EXPECT_TRUE(object("B")->selected); }},
        {"Scene:SelectObject(h, true); assert(CurrentScene:clearselection())",
         [] { EXPECT_FALSE(object("B")->selected); }},
        {"Scene:SelectObject(h, 1); assert(Scene:Move(1, 2, 3)); assert(Scene.moveobjects(1, 0, 0))",
         [] { expectPoint(object("B")->translate, 2, 2, 3); }},
        {"Scene:SelectObject(h, 1); assert(Scene:Scale(2, 2, 2) and Scene:ScaleObjects(2, 1, 1))",
         [] { expectPoint(object("B")->scale, 4, 2, 2); }},
        {"Scene:SelectObject(h, 1); assert(Scene:Rotate(10, 0, 0) and Scene:RotateObjects(0, 20, 0))",
         [] { expectPoint(object("B")->rotate, 10, 20, 0); }},
        {"assert(Scene:SetCursor(1, 2, 3))", [] { expectPoint(kx::plugins::hostState().cursor, 1, 2, 3); }},
        {"Scene:SelectObject(h, 1); assert(Scene:RotateAbout(0, 0, 90, 0, 0, 0))",
         [] { EXPECT_FLOAT_EQ(object("B")->rotate.z, 90); }},
        {"Scene:SelectObject(h, 1); assert(Scene:ScaleAbout(3, 3, 3, 0, 0, 0))",
         [] { EXPECT_FLOAT_EQ(object("B")->scale.x, 3); }},
        {("assert(Scene:Save('" + file + "', 1)); assert(Scene:New()); assert(Scene:GetObjectByName('B') < 0);"
          "assert(Scene:Load('" + file + "'))"),
         [] { EXPECT_NE(object("B"), nullptr); }},
        {"assert(Scene:DeleteObject(h))", [] { EXPECT_EQ(object("B"), nullptr); }},
        {"assert(Scene:SetTexture(h, 'Jade')); assert(Scene:GetTexture(h) == 'Jade')",
         [] { EXPECT_STREQ(object("B")->material, "Jade"); }},
        {"assert(Scene:SetColor(h, 'Red'))", [] { EXPECT_EQ(object("B")->materialType, 1u); }},
        {"assert(Scene:CreateAnimation('Spin', 10)); assert(Scene:AnimateObject(h));"
         "assert(Scene:GetMaxFrame() == 10); assert(Scene:GotoFrame(3))",
         [] { EXPECT_EQ(GetCurrentFrame(), 3u); }},
        {"assert(Scene:CallFunction('NoSuchTool') == false and Scene:CallPlugin('NoSuchTool') == false)", [] {}},
        {"assert(Scene:FindObject('B') > 0 and Scene:GetObjectByName('B') > 0)", [] {}},
        {"local m = Scene:CreateObject('M', 10); assert(Scene:AddPoint(m, 1, 2, 3));"
         "assert(Scene:AddFacet(m, 0,0,0, 1,0,0, 0,1,0))",
         [] { EXPECT_EQ(object("M")->count, 2u); }},
        {"assert(Scene:SelectName('B'))", [] { EXPECT_TRUE(object("B")->selected); }},
        {"assert(Scene:SelectGroup('B'))", [] { EXPECT_TRUE(object("B")->selected); }},
        {"assert(Scene:SetSize(h, 2, 3, 4))", [] { expectPoint(object("B")->size, 2, 3, 4); }},
        {"assert(Scene:RebuildObject(h) and Scene:RebuildObjects())", [] { EXPECT_GT(object("B")->count, 0u); }},
        {"assert(Scene:SetPluginPropertyInt('x', 'NoSuch', 1) == false);"
         "assert(Scene:SetPluginPropertyStr('x', 'NoSuch', 'a') == false);"
         "assert(Scene:SetPluginPropertyDbl('x', 'NoSuch', 1.5) == false);"
         "assert(Scene:SetPluginProperty('x', 'NoSuch', 1) == false)",
         [] {}},
        {"assert(Scene:SetObjectPropertyInt(h, 105, 255))", [] { EXPECT_EQ(object("B")->rgb, 255u); }},
        {"assert(Scene:SetObjectPropertyStr(h, 301, 'note'))", [] {
             char text[1024] = {};
             EXPECT_TRUE(GetObjectExtraString(object("B"), 301, text));
             EXPECT_STREQ(text, "note");
         }},
        {"assert(Scene:SetObjectPropertyPnt(h, 5, 1, 2, 3))", [] { expectPoint(object("B")->translate, 1, 2, 3); }},
        {"assert(Scene:SetObjectProperty(h, 105, 7)); assert(Scene:GetObjectProperty(h, 105) == 7)",
         [] { EXPECT_EQ(object("B")->rgb, 7u); }},
        {"assert(Scene:GetObjectProperty(h, 5) == nil and Scene:GetObjectProperty(h, 9999) == nil)", [] {}},
        {"assert(Scene:SetTexturePropertyInt(h, 'p', 1) == false and Scene:SetTexturePropertyDbl(h, 'p', 1.0) == false"
         " and Scene:SetTexturePropertyStr(h, 'p', 's') == false and Scene:SetTextureProperty(h, 'p', 1) == false)",
         [] {}},
        {"assert(Scene:SetSceneProperty(Scene:GetPropertyId('SceneName'), 'Demo'))",
         [] { EXPECT_STREQ(GetCurrentScene()->name, "Demo"); }},
        {"assert(Scene:GetObjectPropertyId('Translate') == 5 and Scene:GetPropertyId('SceneName') == 1002)", [] {}},
        // The renderer's scene settings, by the id of their name; a value the renderer would refuse is not taken.
        {"assert(Scene:SetSceneProperty(Scene:GetPropertyId('Radiosity'), 'fast'))"
         " assert(not Scene:SetSceneProperty(Scene:GetPropertyId('FogDistance'), '-1'))",
         [] {
             char text[64];
             EXPECT_EQ(GetSceneSetting("Radiosity", text, sizeof text), 1);
             EXPECT_STREQ(text, "Fast");
             EXPECT_EQ(GetSceneSetting("FogDistance", text, sizeof text), 0);
         }},
        {"assert(Scene:Redraw() == nil and Scene:GetFileName(false, 'Scenes|*.cad') == '')", [] {}},
        {"assert(Scene:Transform('center') == 1 and Scene:Transform('nonsense') == 0)", [] {}},
        {"assert(Scene:FindWindow('QMainWindow', 'Kalvex') == 0)", [] {}},
        {"Scene.AutoRefresh = false; assert(Scene.autorefresh == false)",
         [] { EXPECT_FALSE(kx::plugins::hostState().sceneRedrawOff) << "restored after the run"; }},
        // Exact method names are found in the scene's own table; the properties never are.
        {"assert(type(Scene.AutoRefresh) == 'boolean' and Scene.AutoRefresh == Scene.autorefresh and Scene.NoSuchMethod == nil)"
         " assert(Scene[1] == nil and not pcall(function() Scene.Move = 1 end))",
         [] {}},
        {"Scene.AutoFree = false; assert(Scene.AUTOFREE == false)",
         [] { EXPECT_TRUE(kx::plugins::hostState().autoFree); }},
        {"assert(Scene:New())", [] { EXPECT_EQ(object("B"), nullptr); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.script);
        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        const std::string script = "h = Scene:CreateObject('B', 13)\n" + r.script;
        EXPECT_TRUE(run(script).ok) << ::testing::PrintToString(messageTexts());
        r.check();
    }
}

TEST_F(ScriptHost, MethodTableHoldsEachNameOnce) {
    std::vector<std::string> names;
    for (const auto& m : kx::script::methods()) {
        std::string lower = m.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(std::count(names.begin(), names.end(), lower), 0) << m.name;
        names.push_back(lower);
    }
    EXPECT_EQ(names.size(), 65u);
}

TEST_F(ScriptHost, TextValuesInlinePointedOrRefused) {
    struct Row {
        size_t length;
        bool ok;
        const char* message;
    };
    const Row rows[] = {{31, true, ""}, {40, true, ""}, {1021, true, ""}, {1024, false, "String too long"},
                        {2000, false, "String too long"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.length);
        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        const std::string script = "h = Scene:CreateObject('B', 13); Scene:SetObjectPropertyStr(h, 301, 'kept')\n"
                                   "ok = Scene:SetObjectPropertyStr(h, 301, string.rep('x', " +
                                   std::to_string(r.length) + "))\nassert(ok == " + (r.ok ? "true" : "false") + ")";
        EXPECT_TRUE(run(script).ok) << ui.lastMessage();
        EXPECT_EQ(ui.lastMessage(), r.message);
        char text[1100] = {};
        GetObjectExtraString(object("B"), 301, text);
        // A refused text leaves the field as it was.
        EXPECT_EQ(std::string(text), r.ok ? std::string(r.length, 'x') : std::string("kept"));
    }
}

TEST_F(ScriptHost, VariantValuesFollowTheirLuaKinds) {
    kx::script::RunOptions options;
    kx::script::RunContext context(options);
    struct Row {
        kx::script::Arg arg;
        uint32_t type;
    };
    const std::string forty(40, 'y');
    const Row rows[] = {
        {{KXVAR_INT, 5, 0, nullptr, 0}, KXVAR_INT},
        {{KXVAR_DOUBLE, 0, 5.0, nullptr, 0}, KXVAR_DOUBLE},
        {{KXVAR_STRING, 0, 0, "short", 5}, KXVAR_STRING},
        {{KXVAR_STRING, 0, 0, forty.c_str(), 40}, KXVAR_POINTER},
        {{0, 0, 0, nullptr, 0}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        KxVar v{};
        ASSERT_TRUE(kx::script::toValue(r.arg, context, v));
        EXPECT_EQ(v.size, KXVAR_SIZE);
        EXPECT_EQ(v.type, r.type);
        if (r.type == KXVAR_POINTER) {
            EXPECT_EQ(std::string(static_cast<const char*>(v.value.ptr)), forty);
        }
    }
}

TEST_F(ScriptHost, PointsReadBackThroughTheFacetBuffer) {
    const char* script =
        "m = Scene:CreateObject('M', 10)\n"
        "Scene:AddFacet(m, 1,2,3, 4,5,6, 7,8,9)\n"
        "assert(Scene:GetPoint(m, 1) == 1)\n"
        "for k = 0, 8 do assert(Scene:GetPointValue(0, k) == k + 1, k) end\n"
        "assert(Scene:GetPointValue(0, 9) == 0 and Scene:GetPointValue(0, -1) == 0)\n"
        "assert(Scene:GetPoint(m, 0) == 0)\n"
        "assert(Scene:GetPointValue(0, 0) == 0)\n";
    EXPECT_TRUE(run(script).ok) << ui.lastMessage();
}

TEST_F(ScriptHost, ScriptFilesAreCheckedAndClosedWithTheRun) {
    const std::string path = (std::filesystem::current_path() / "out.txt").string();
    const std::string left = (std::filesystem::current_path() / "left.txt").string();
    const std::string script = "f = Scene:OpenFile('" + path + "', true)\nassert(f > 0)\n"
                               "assert(Scene:WriteFile(f, 'hello') > 0)\nassert(Scene:CloseFile(f))\n"
                               "assert(Scene:CloseFile(f) == false and Scene:WriteFile(f, 'x') == 0)\n"
                               "assert(Scene:CloseFile(77) == false and Scene:WriteFile(-1, 'x') == 0)\n"
                               "g = Scene:OpenFile('" + left + "', true)\nScene:WriteFile(g, 'kept')\n";
    ASSERT_TRUE(run(script).ok) << ui.lastMessage();
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "hello");
    std::ifstream second(left);
    std::stringstream t;
    t << second.rdbuf();
    EXPECT_EQ(t.str(), "kept") << "a file left open is closed, and so written, when the run ends";
}

TEST_F(ScriptHost, EventScriptsCannotWriteFilesOrTypeKeys) {
    const std::string path = (std::filesystem::current_path() / "evil.txt").string();
    bool typed = false;
    RunOptions options;
    options.kind = RunKind::Event;
    options.hooks.sendKeys = [&](long, std::string_view) { typed = true; };
    const char* checks[] = {
        "assert(Scene:Save(PATH, 1) == false)",
        "assert(Scene:OpenFile(PATH, true) == 0)",
        "assert(Scene:WriteFile(1, 'x') == 0)",
        "Scene:SendKeys(1, 'abc')",
    };
    for (const char* check : checks) {
        SCOPED_TRACE(check);
        const std::string script = "PATH = '" + path + "'\n" + check;
        EXPECT_TRUE(run(script, options).ok) << ui.lastMessage();
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_FALSE(typed);
    options.kind = RunKind::Macro;
    EXPECT_TRUE(run("Scene:SendKeys(1, 'abc')", options).ok);
    EXPECT_TRUE(typed);
}

TEST_F(ScriptHost, RunsEndOnStopLimitAndMemory) {
    std::atomic<bool> stop{true};
    struct Row {
        const char* script;
        uint64_t maxInstructions;
        size_t memory;
        const std::atomic<bool>* stop;
        const char* error;
    };
    const Row rows[] = {
        {"while true do end", 0, 64u << 20, &stop, "Script stopped"},
        {"while true do end", 1000000, 64u << 20, nullptr, "Script stopped: more than 1000000 instructions"},
        {"t = {} while true do t[#t + 1] = string.rep('x', 1000) .. #t end", 0, 16u << 20, nullptr,
         "not enough memory"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.script);
        ui.clear();
        RunOptions options;
        options.maxInstructions = r.maxInstructions;
        options.memoryCap = r.memory;
        options.stop = r.stop;
        EXPECT_FALSE(run(r.script, options).ok);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_NE(ui.messages.front().text.find(r.error), std::string::npos) << ui.messages.front().text;
    }
}

TEST_F(ScriptHost, SceneCreateScriptsRunOnceInOrderAsEventScripts) {
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_CREATE, nullptr, "Scene:CreateObject('First', 13)", nullptr);
    RegisterKalvexEvent(KX_EVENT_SCENE_CREATE, nullptr, nullptr);
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_DELETE, nullptr, "Scene:CreateObject('Never', 13)", nullptr);
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_CREATE, nullptr,
                              "assert(Scene:FindObject('First') > 0); Scene:CreateObject('Second', 13);"
                              "assert(io == nil); Scene:Save('evil.cad', 1)",
                              nullptr);
    EXPECT_EQ(kx::script::runSceneCreateScripts(RunOptions{}), 0);
    EXPECT_NE(object("First"), nullptr);
    EXPECT_NE(object("Second"), nullptr);
    EXPECT_EQ(object("Never"), nullptr);
    EXPECT_FALSE(std::filesystem::exists("evil.cad"));
}

TEST_F(ScriptHost, SceneCreateScriptThatReplacesTheSceneEndsTheOldOnes) {
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_CREATE, nullptr, "Scene:New()", nullptr);
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_CREATE, nullptr, "Scene:CreateObject('After', 13)", nullptr);
    EXPECT_EQ(kx::script::runSceneCreateScripts(RunOptions{}), 0);
    EXPECT_EQ(object("After"), nullptr);
}

TEST_F(ScriptHost, NoEventScriptStartsWhileAScriptRuns) {
    RegisterKalvexScriptEvent(KX_EVENT_SCENE_CREATE, nullptr, "Scene:CreateObject('Nested', 13)", nullptr);
    RunOptions options;
    int nested = -1;
    options.hooks.findWindow = [&](const char*, const char*) {
        nested = kx::script::runSceneCreateScripts(RunOptions{});
        return 0L;
    };
    ASSERT_TRUE(run("Scene:FindWindow('a', 'b')", options).ok);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(object("Nested"), nullptr);
}

}  // namespace
