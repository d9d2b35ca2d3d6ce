// The plug-in host: HostDispatch and its host functions, the handle table,
// and loading and calling real plug-ins through the plug-in tools library.
#include <gtest/gtest.h>

#include <cmath>

#include <limits>

#include <functional>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "texture/user_texture_fixture.h"
#include "kxcore.h"
#include "kxplugin_functions.h"
#include "plugins/builtin_tools.h"
#include "plugins/file_filters.h"
#include "plugins/host_dispatch.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"
#include "pixmo.h"
#include "render/render_job.h"

namespace {

using namespace kx::plugins;

std::string plugin(const char* name) { return std::string(KALVEX_TEST_PLUGIN_DIR) + "/" + name + ".pi"; }

KxVar text(const char* s) {
    KxVar v{};
    v.size = 88;
    v.type = KXVAR_STRING;
    std::strncpy(v.value.s, s, 71);
    return v;
}
KxVar integer(int i) {
    KxVar v{};
    v.size = 88;
    v.type = KXVAR_INT;
    v.value.i = i;
    return v;
}
KxVar pointer(void* p) {
    KxVar v{};
    v.size = 88;
    v.type = KXVAR_POINTER;
    v.value.ptr = p;
    return v;
}

int dispatch(const char* name, std::vector<KxVar> args) {
    args.resize(KXVAR_ARGS);
    return HostDispatch(name, static_cast<int>(args.size()), args.data());
}

class PluginHost : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitKalvexEvent();
        attachHandleTable();
    }
    void TearDown() override {
        detachHandleTable();
        DestroyKalvexEvent();
        CoreTest::TearDown();
    }
};

TEST_F(PluginHost, DispatchRejectsBadNamesOrdinalsAndArguments) {
    struct Row {
        const char* what;
        std::string function;
        int argc;
        bool nullArgs;
        int expected;
        const char* message;
    };
    const Row rows[] = {
        {"ordinal 0", std::string("\0\0\0", 3), 1, false, 0, "Error unknown plug-in function: #0"},
        {"ordinal 84", std::string("\0\x54\0", 3), 1, false, 0, "Error unknown plug-in function: #84"},
        {"unknown name", "NoSuchThing", 1, false, 0, "Error unknown plug-in function: NoSuchThing"},
        {"name in any case", "getfunctionordinal", 1, false, 12, ""},
        {"null array reads zeros", "GetFunctionOrdinal", 1, true, 0, ""},
        {"count beyond the array", "GetFunctionOrdinal", 14, false, 12, ""},
        {"negative count", "GetFunctionOrdinal", -2, false, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ui.clear();
        std::vector<KxVar> args(KXVAR_ARGS);
        args[0] = text("GetFunctionOrdinal");
        EXPECT_EQ(HostDispatch(row.function.c_str(), row.argc, row.nullArgs ? nullptr : args.data()), row.expected);
        EXPECT_EQ(ui.lastMessage(), row.message);
    }
    EXPECT_EQ(HostDispatch(nullptr, 0, nullptr), 0);
    // An argument whose size is not 88 reads as zero.
    std::vector<KxVar> args(KXVAR_ARGS);
    args[0] = text("Transform");
    args[0].size = 87;
    EXPECT_EQ(HostDispatch("GetFunctionOrdinal", 1, args.data()), 0);
    // An unterminated inline text stops at its 72 bytes.
    std::memset(args[0].value.s, 'x', 72);
    args[0].size = 88;
    EXPECT_EQ(HostDispatch("GetFunctionOrdinal", 1, args.data()), 0);
    // Every ordinal names itself.
    for (int i = 1; i <= KXPLUGIN_HOST_FUNCTION_COUNT; ++i) EXPECT_EQ(hostFunctionOrdinal(hostFunctionName(i)), i);
}

TEST_F(PluginHost, HandlesAreRangeCheckedAndFollowTheObjects) {
    CreateDefaultScene();
    // GetObject walks the scene; an invalid handle is refused before use.
    const int h = host::GetObject(-1, 1);
    ASSERT_GE(h, 1);
    EXPECT_EQ(host::GetObject(65, 0), -1);
    EXPECT_EQ(host::GetObject(-7, 0), -1);
    EXPECT_EQ(host::GetObject(40, 0), -1) << "empty entry";
    // Two handles naming one object: deleting through one empties both.
    char name[72];
    ASSERT_EQ(host::GetObjectName(h, name), 1);
    const int second = host::GetObjectByName(name, 0);
    ASSERT_GE(second, 1);
    EXPECT_EQ(host::DeleteObject(second), 1);
    EXPECT_EQ(host::GetObjectName(h, name), 0);
    EXPECT_EQ(hostState().handles.inUse(), 0);
    // A cursor into a list that the core frees is forgotten.
    const int mesh = host::CreateObject("m", KX_POLYGON);
    float p[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    ASSERT_EQ(host::PutGeometry(mesh, 3, p), 1);
    CadObject* obj = GetCadObjectByName("m");
    ASSERT_NE(obj, nullptr);
    CopyPolygonsToList(obj, nullptr, 0);
    EXPECT_EQ(hostState().handles.entry(mesh)->cursor, nullptr);
    ClearScene(GetCurrentScene());
    EXPECT_EQ(hostState().handles.inUse(), 0);
}

TEST_F(PluginHost, HandleEdgeCases) {
    // GetObject on an empty scene leaves no handle in use.
    EXPECT_EQ(host::GetObject(0, 1), -1);
    EXPECT_EQ(hostState().handles.inUse(), 0);
    float p[9] = {};
    EXPECT_EQ(host::PutGeometry(70, 3, p), 0);
    EXPECT_EQ(hostState().handles.lastError, "invalid object handle");
    EXPECT_EQ(host::PutGeometry(5, 3, p), 0);
    EXPECT_EQ(hostState().handles.lastError, "null object handle");
    const int h = host::CreateObject("pg", KX_POLYGON);
    ASSERT_GE(h, 1);
    for (int n : {0, 9, -16, 16}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(host::PutGeometry(h, n, p), 0);
        EXPECT_EQ(hostState().handles.lastError, "add point failed");
    }
    EXPECT_EQ(host::PutGeometry(h, 3, nullptr), 0);
    EXPECT_EQ(host::PutGeometry(h, 3, p), 1);
}

// A number the scene cannot hold (beyond the float range, or not finite)
// fails the call and changes nothing, whichever function brings it.
TEST_F(PluginHost, NumbersBeyondTheSceneRangeAreRefused) {
    const int h = host::CreateObject("ball", 13);
    ASSERT_GE(h, 1);
    ASSERT_EQ(host::SelectObject(h, 1), 1);
    CadObject* ball = GetCadObjectByName("ball");
    ASSERT_NE(ball, nullptr);
    const Point3d before = ball->translate, sizeBefore = ball->size;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const unsigned countBefore = ball->count;
    float bad[3] = {1, inf, 0}, badAbout[3] = {nan, 0, 0}, good[3] = {1, 1, 1};
    float smoothNode[6] = {0, 0, 0, nan, 0, 0};  // a good corner, a bad normal
    KxVar hugeDouble{};
    hugeDouble.size = KXVAR_SIZE;
    hugeDouble.type = KXVAR_DOUBLE;
    hugeDouble.value.d = 1e308;
    struct Row {
        const char* name;
        std::function<int()> call;
    } rows[] = {
        {"Size", [&] { return host::Size(h, bad); }},
        {"SetObjectPropPnt", [&] { return host::SetObjectPropPnt(h, "Translate", bad); }},
        {"SetObjectProperty of a double", [&] { return host::SetObjectProperty(h, "LightFalloff", &hugeDouble); }},
        {"Move", [&] { return host::Move(h, bad); }},
        {"Scale", [&] { return host::Scale(h, bad); }},
        {"Rotate", [&] { return host::Rotate(h, bad); }},
        {"ScaleAbout", [&] { return host::ScaleAbout(h, good, badAbout); }},
        {"RotateAbout", [&] { return host::RotateAbout(h, good, badAbout); }},
        {"SetCursor", [&] { return host::SetCursor(bad); }},
        {"MoveF", [] { return host::MoveF(1e308, 0, 0); }},
        {"ScaleF", [] { return host::ScaleF(1, -1e39, 1); }},
        {"RotateF", [] { return host::RotateF(0, 0, std::numeric_limits<double>::infinity()); }},
        {"RotateAboutF", [] { return host::RotateAboutF(0, 0, 0, 1e300, 0, 0); }},
        {"SetCursorF", [] { return host::SetCursorF(std::nan(""), 0, 0); }},
        {"PutGeometry", [&] { return host::PutGeometry(h, 1, bad); }},
        // A smooth node's normals come after its corners, and are checked too.
        {"PutGeometry of a smooth node", [&] { return host::PutGeometry(h, -1, smoothNode); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(), 0);
        EXPECT_EQ(ball->translate.x, before.x);
        EXPECT_TRUE(std::isfinite(ball->size.y));
        EXPECT_EQ(ball->size.x, sizeBefore.x);
        EXPECT_EQ(ball->count, countBefore);
    }
    EXPECT_EQ(host::Size(h, good), 1) << "a number in range is still taken";
}

// What one run adds to the scene is bounded: past the budget, objects and
// geometry are refused with one message; the next run counts afresh, and
// nothing is counted outside a run.
TEST_F(PluginHost, ARunThatGrowsTheScenePastItsBudgetIsRefused) {
    const kx::plugins::GrowthBudget saved = hostState().growth;
    hostState().growth.limit = 200;
    float facet[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ui.clear();
        kx::plugins::GrowthRun run;
        const int h = host::CreateObject(("m" + std::to_string(round)).c_str(), KX_POLYGON);  // 64
        ASSERT_GE(h, 1);
        int taken = 0;
        while (taken < 100 && host::PutGeometry(h, 3, facet) == 1) ++taken;
        EXPECT_EQ(taken, (200 - 64) / 3);
        EXPECT_EQ(hostState().handles.lastError, "scene growth limit reached");
        EXPECT_EQ(host::CreateObject("more", KX_SPHERE), -1);
        ASSERT_EQ(ui.messages.size(), 1u) << "one message a run";
        EXPECT_NE(ui.lastMessage().find("more than 200 vertices in one run"), std::string::npos) << ui.lastMessage();
    }
    const int outside = host::CreateObject("outside", KX_POLYGON);
    ASSERT_GE(outside, 1);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(host::PutGeometry(outside, 3, facet), 1);
    hostState().growth = saved;
}

TEST_F(PluginHost, ObjectNamesAndProperties) {
    const std::string longName(40, 'n');
    EXPECT_EQ(host::CreateObject(longName.c_str(), 13), -1);
    EXPECT_EQ(hostState().handles.lastError, "invalid object name");
    const std::string name32(32, 'a');
    const int h = host::CreateObject(name32.c_str(), 13);
    ASSERT_GE(h, 1);
    char out[72];
    ASSERT_EQ(host::GetObjectName(h, out), 1);
    EXPECT_EQ(std::string(out), std::string(31, 'a'));
    EXPECT_EQ(host::SetObjectName(h, std::string(70, 'z').c_str()), 1);
    ASSERT_EQ(host::GetObjectName(h, out), 1);
    EXPECT_EQ(std::string(out), std::string(31, 'z'));

    float t[3] = {4, 5, 6};
    EXPECT_EQ(host::SetObjectPropPnt(h, "Translate", t), 1);
    KxVar v{};
    v.size = 88;
    ASSERT_EQ(host::GetObjectProperty(h, "Position", &v), 1);
    EXPECT_EQ(v.type, unsigned{KXVAR_POINT});
    EXPECT_EQ(v.value.p[2], 6.0f);
    EXPECT_EQ(host::GetObjectPropInt(h, "Type"), 13);
    // A long "Plugin" text comes back cut to the value area.
    const std::string longText(500, 'p');
    ASSERT_EQ(host::Bind(h, longText.c_str()), 1);
    ASSERT_EQ(host::GetObjectProperty(h, "Plugin", &v), 1);
    EXPECT_EQ(std::strlen(v.value.s), 71u);
    // The extra fields 301..305 copy at most 1023 characters.
    const std::string comment(1021, 'c');
    KxVar c = pointer(const_cast<char*>(comment.c_str()));
    ASSERT_EQ(host::SetObjectProperty(h, "Comment", &c), 1);
    std::vector<char> buffer(2000, 'q');
    KxVar into = pointer(buffer.data());
    EXPECT_EQ(host::GetObjectProperty(h, "Comment", &into), 1);
    EXPECT_EQ(std::string(buffer.data()), comment);
    // Wrong size or type is refused.
    KxVar bad = integer(3);
    bad.size = 80;
    EXPECT_EQ(host::SetObjectProperty(h, "Select", &bad), 0);
    KxVar wrongType = text("x");
    EXPECT_EQ(host::SetObjectProperty(h, "Select", &wrongType), 0);
    EXPECT_EQ(host::SetObjectProperty(h, "Select", nullptr), 0);
    EXPECT_EQ(host::GetPropertyId("Povray3"), 11);
    EXPECT_EQ(host::GetObjectPropertyId("Size"), 1);
    // Object types by the names plug-ins know, which are not all the scene format's.
    for (const auto& [name, id] : {std::pair<const char*, int>{"Torus", 19}, {"object_group", 1}, {"Point", 8},
                                   {"Linesegment", 9}, {"Object_scene", 2}, {"Points", 0}, {"Reserved1", 0}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(host::GetObjectPropertyId(name), id);
    }
}

TEST_F(PluginHost, HandleTableRunsOut) {
    NewDefaultCadObject("only", 13);
    std::vector<int> taken;
    for (int i = 0; i < 63; ++i) taken.push_back(host::GetObjectByName("only", 0));
    EXPECT_EQ(taken.front(), 1);
    EXPECT_EQ(taken.back(), 63);
    EXPECT_EQ(host::GetObjectByName("only", 0), -1);
    EXPECT_EQ(hostState().handles.lastError, "no free handles");
}

TEST_F(PluginHost, FilesGoThroughACheckedTable) {
    const std::string path = dir.file("out.txt");
    const std::string longPath = dir.file(std::string(90, 'f') + ".txt");
    const int f = host::OpenFile(longPath.c_str(), 1);
    ASSERT_EQ(f, 1);
    char data[] = "hello";
    EXPECT_EQ(host::WriteFile(f, data, 5), 5);
    EXPECT_EQ(host::WriteFile(2, data, 5), 0);
    EXPECT_EQ(host::WriteFile(0, data, 5), 0);
    EXPECT_EQ(host::CloseFile(f), 1);
    EXPECT_EQ(host::CloseFile(f), 0) << "closed twice";
    std::ifstream in(longPath);
    std::string back;
    in >> back;
    EXPECT_EQ(back, "hello");
}

TEST_F(PluginHost, BuiltInToolsBuildMeshes) {
    struct Row {
        const char* name;
        unsigned triangles;
    };
    const Row rows[] = {{"Octahedron", 8}, {"Dodecahedron", 36}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(dispatch("CallPlugin", {text(row.name)}), 1);
        CadObject* obj = GetNextSelectedObject(nullptr);
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(obj->type, unsigned{KX_POLYGON});
        EXPECT_EQ(obj->count, row.triangles);
        // Every triangle is wound counter-clockwise seen from outside.
        for (ListEntry* e = obj->points; e; e = e->next) {
            const Point3d* v = e->points;
            const double a[3] = {v[1].x - v[0].x, v[1].y - v[0].y, v[1].z - v[0].z};
            const double b[3] = {v[2].x - v[0].x, v[2].y - v[0].y, v[2].z - v[0].z};
            const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            const double c[3] = {(e->points[0].x + e->points[1].x + e->points[2].x) / 3.0,
                                 (e->points[0].y + e->points[1].y + e->points[2].y) / 3.0,
                                 (e->points[0].z + e->points[1].z + e->points[2].z) / 3.0};
            EXPECT_GT(n[0] * c[0] + n[1] * c[1] + n[2] * c[2], 0.0);
        }
    }
    // The cable: tubes along the selected mesh's edges, sides from the property.
    KxVar sides = integer(4);
    EXPECT_EQ(dispatch("SetPluginProperty", {text("Cable"), text("CableSides"), pointer(&sides)}), 1);
    ui.clear();
    ASSERT_EQ(dispatch("CallPlugin", {text("Cable")}), 1);
    CadObject* cable = GetNextSelectedObject(nullptr);
    ASSERT_NE(cable, nullptr);
    // The dodecahedron's triangles have 36 * 3 edges; shared ones are one tube.
    EXPECT_GT(cable->count, 0u);
    EXPECT_EQ(cable->count % 8, 0u);
    EXPECT_EQ(dispatch("CallPlugin", {text("Helix")}), 0);
    EXPECT_EQ(ui.lastMessage(), "Plugin function \"Helix\" not found");
    EXPECT_EQ(dispatch("SetPluginProperty", {text("x"), text(std::string(36, 'k').c_str()), pointer(&sides)}), 0);
}

class RecordingDocument final : public DocumentPort {
public:
    int load(const std::string& path) override {
        calls.push_back("load " + path);
        return 1;
    }
    int save(const std::string& path, unsigned type) override {
        calls.push_back("save " + path + " " + std::to_string(type));
        return 1;
    }
    int newScene() override {
        calls.push_back("new");
        return 1;
    }
    void redraw() override { calls.push_back("redraw"); }
    void render() override { calls.push_back("render"); }
    bool chooseFile(bool open, const std::string& filter, std::string& path) override {
        calls.push_back(std::string(open ? "open " : "save ") + filter);
        path = answer;
        return !answer.empty();
    }
    void showCursor(const Point3d& p) override { calls.push_back("cursor " + std::to_string(p.x)); }
    std::vector<std::string> calls;
    std::string answer;
};

TEST_F(PluginHost, DocumentFunctionsGoThroughThePort) {
    auto owned = std::make_unique<RecordingDocument>();
    RecordingDocument& doc = *owned;
    hostState().document = std::move(owned);
    char path[72];
    struct Row {
        const char* what;
        std::string answer;
        int result;
        const char* message;
    };
    const Row rows[] = {
        {"cancelled", "", 0, ""},
        {"71 characters", std::string(71, 'a'), 1, ""},
        {"72 characters are never cut", std::string(72, 'a'), 0, "File name too long"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ui.clear();
        doc.answer = row.answer;
        EXPECT_EQ(host::GetFileName(1, "Scenes (*.cad)|*.cad|", path), row.result);
        EXPECT_EQ(ui.lastMessage(), row.message);
        if (row.result == 1) {
            EXPECT_EQ(std::string(path), row.answer);
        }
    }
    EXPECT_EQ(doc.calls.front(), "open Scenes (*.cad)|*.cad|All files (*.*)|*.*||");
    doc.calls.clear();
    const std::string longScene = "/tmp/" + std::string(100, 's') + ".cad";
    EXPECT_EQ(dispatch("Load", {pointer(const_cast<char*>(longScene.c_str()))}), 1);
    EXPECT_EQ(dispatch("Save", {text("/tmp/x.cad"), integer(0)}), 1);
    EXPECT_EQ(dispatch("Render", {}), 0);
    EXPECT_EQ(dispatch("Redraw", {}), 1);
    KxVar off = integer(1);
    EXPECT_EQ(dispatch("SetSceneProperty", {integer(1001), pointer(&off)}), 1);
    EXPECT_EQ(dispatch("Redraw", {}), 1);
    float at[3] = {2, 0, 0};
    EXPECT_EQ(host::SetCursor(at), 1);
    EXPECT_EQ(doc.calls, (std::vector<std::string>{"load " + longScene, "save /tmp/x.cad 1", "render", "redraw",
                                                   "cursor 2.000000"}));
    // Scene texts keep 259 characters.
    const std::string longName(400, 'n');
    KxVar name = pointer(const_cast<char*>(longName.c_str()));
    EXPECT_EQ(dispatch("SetSceneProperty", {integer(1002), pointer(&name)}), 1);
    EXPECT_EQ(std::string(GetCurrentScene()->name), std::string(259, 'n'));
    hostState().document.reset();
    hostState().sceneRedrawOff = false;
}

TEST_F(PluginHost, WhileAViewIsPaintedOnlyReadersRun) {
    CadObject* ball = NewDefaultCadObject("ball", 13);
    ASSERT_NE(ball, nullptr);
    ball->selected = 1;
    const unsigned count = GetCadObjectsCount();
    struct Row {
        const char* name;
        std::vector<KxVar> args;
        int painting;  // the result while a view is painted
    };
    const Row rows[] = {
        {"GetObjectCount", {integer(0)}, static_cast<int>(count)},
        {"GetFunctionOrdinal", {text("Redraw")}, 43},
        {"GetObjectByName", {text("ball"), integer(0)}, 1},
        {"CreateObject", {text("Painted"), integer(13)}, 0},
        {"ClearSelection", {}, 0},
        {"Redraw", {}, 0},
        {"CallPlugin", {text("Octahedron")}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        hostState().painting = true;
        const int result = dispatch(row.name, row.args);
        hostState().painting = false;
        hostState().handles.clear();
        EXPECT_EQ(result, row.painting);
        EXPECT_EQ(GetCadObjectsCount(), count) << "nothing made or deleted";
        EXPECT_EQ(ball->selected, 1) << "the selection stays";
    }
}

TEST(PluginFileFilters, BarListsBecomeDialogFilters) {
    struct Row {
        const char* pipes;
        const char* expected;
    };
    const Row rows[] = {
        {"STL files (*.stl)|*.stl|", "STL files (*.stl)"},
        {"Scenes|*.cad;*.CAD|All files (*.*)|*.*||", "Scenes (*.cad *.CAD);;All files (*.*)"},
        {"Scenes (*.cad)|*.cad;*.CAD||", "Scenes (*.cad) (*.cad *.CAD)"},
        {"", ""},
        {"Lonely text", ""},
        {"|*.x|Text|", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pipes);
        EXPECT_EQ(dialogFilterFromPipes(row.pipes), row.expected);
    }
}

class PluginLoading : public PluginHost {
protected:
    void SetUp() override {
        PluginHost::SetUp();
        log_ = dir.file("plugin.log");
        setenv("KX_TEST_PLUGIN_LOG", log_.c_str(), 1);
        PluginManagerOptions options;
        options.toolsLibrary = KALVEX_PLUGKIT_PATH;
        options.dataFolder = dir.path().string();
        manager_ = std::make_unique<PluginManager>(options);
        hostState().manager = manager_.get();
        ASSERT_TRUE(manager_->loadToolsLibrary());
    }
    void TearDown() override {
        manager_->shutdown();
        hostState().manager = nullptr;
        unsetenv("KX_TEST_PLUGIN_LOG");
        PluginHost::TearDown();
    }
    std::string log() const { return dir.read("plugin.log"); }
    std::string log_;
    std::unique_ptr<PluginManager> manager_;
};

TEST_F(PluginLoading, EachBadPluginGivesItsMessageAndTheNextLoads) {
    const std::string textFile = dir.file("text.pi");
    std::ofstream(textFile) << "not a library\n";
    struct Row {
        std::string path;
        std::string messageStart;
        size_t items;
    };
    const std::string check = "\r\n\r\nCheck that the plugin is for Kalvex\r\nand the supported by the current version";
    const Row rows[] = {
        {dir.file("absent.pi"), "Error unable to load plugin: " + dir.file("absent.pi") + check, 0},
        {textFile, "Error unable to create plug-in instance: " + textFile + " ", 0},
        {plugin("init_fails"), "Error plug-in init failed: " + plugin("init_fails"), 0},
        {plugin("missing_export"), "Error invalid plug-in function: " + plugin("missing_export") + " notThere", 0},
        {plugin("entry_only"), "", 1},
        {plugin("good"), "", 6},
    };
    size_t before = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        ui.clear();
        manager_->loadFile(row.path);
        EXPECT_EQ(ui.lastMessage().substr(0, row.messageStart.size()), row.messageStart);
        if (row.messageStart.empty()) {
            EXPECT_TRUE(ui.messages.empty());
        }
        EXPECT_EQ(manager_->items().size() - before, row.items);
        before = manager_->items().size();
    }
    EXPECT_EQ(manager_->items()[0].description, "Adobe photoshop plugin");
    EXPECT_EQ(manager_->items()[0].state, 2);
    manager_->shutdown();
    // piExit for the module that was past piInit, never for the failed one.
    EXPECT_EQ(log(), "init_fails init\nmissing_export init\nmissing_export exit\ngood init\ngood exit\n");
}

TEST_F(PluginLoading, RoundTripThroughThePlugkitLibrary) {
    manager_->loadFiles({plugin("good")});
    ASSERT_EQ(manager_->items().size(), 6u);
    EXPECT_EQ(manager_->items()[0].state, 1);
    // UTIL: a plug-in creates, moves, names and frees an object through the host.
    EXPECT_EQ(manager_->call(0, nullptr, 1, nullptr), 1);
    EXPECT_NE(GetCadObjectByName("PluginBall"), nullptr);
    EXPECT_EQ(hostState().handles.inUse(), 0);
    // BUILD: a property set through SetPluginProperty reaches the plug-in's table,
    // and the triangles it returns become a mesh.
    KxVar turns = integer(5);
    EXPECT_EQ(dispatch("SetPluginProperty", {text("tri"), text("Turns"), pointer(&turns)}), 1);
    EXPECT_EQ(dispatch("CallPlugin", {text("tri")}), 1);
    CadObject* mesh = GetNextSelectedObject(nullptr);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->count, 2u);
    EXPECT_EQ(mesh->points->next->points[0].x, 5.0f);
    // BUILD through PutGeometry and GetGeometry.
    EXPECT_EQ(dispatch("CallPlugin", {text("steps")}), 1);
    CadObject* steps = GetCadObjectByName("Steps");
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->count, 2u);
    EXPECT_EQ(CountEntry(steps->points), 2u);
}

TEST_F(PluginLoading, AnswersAreBoundedAndLoopsEnd) {
    manager_->loadFiles({plugin("good")});
    const int bad = manager_->findItem(nullptr, "Bad answers");
    ASSERT_GE(bad, 0);
    char buffer[260];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(manager_->call(static_cast<size_t>(bad), nullptr, 8, nullptr, buffer, sizeof buffer), 1);
    EXPECT_EQ(std::strlen(buffer), 259u);
    char small[32];
    EXPECT_EQ(manager_->call(static_cast<size_t>(bad), nullptr, 16, nullptr, small, sizeof small), 1);
    EXPECT_EQ(std::strlen(small), 8u) << "kind 5 carries at most the 8 bytes of the data word";
    EXPECT_EQ(manager_->call(static_cast<size_t>(bad), nullptr, 1024, nullptr, small, sizeof small), 1);
    EXPECT_EQ(manager_->call(static_cast<size_t>(bad), nullptr, 1, nullptr), 0) << "gives up after 16 calls";
    // Called again and again for an object: one handle, freed at the end.
    CadObject* obj = NewDefaultCadObject("bound", 13);
    EXPECT_EQ(manager_->call(static_cast<size_t>(bad), obj, 1, nullptr), 0);
    EXPECT_EQ(hostState().handles.inUse(), 0);
    // Saving by type dispatches to SAVE items only.
    const int save = manager_->findItem("SAVE", "save");
    ASSERT_GE(save, 0);
    const std::string out = dir.file("scene.tst");
    EXPECT_EQ(dispatch("Save", {text(out.c_str()), integer(42 + save)}), 1);
    EXPECT_EQ(dir.read("scene.tst").substr(0, 8), "objects ");
    ui.clear();
    EXPECT_EQ(dispatch("Save", {text(out.c_str()), integer(42 + bad)}), 0);
    EXPECT_EQ(ui.lastMessage(), "Error unknown file type: " + out);
    ui.clear();
    EXPECT_EQ(manager_->openWithItem(save, out), 0) << "a SAVE item never opens";
    EXPECT_EQ(ui.lastMessage(), "Error unknown file type: " + out);
    EXPECT_EQ(manager_->openWithItem(99, out), 0);
}

TEST_F(PluginLoading, RendererRecordsAreMadeSafe) {
    manager_->loadFiles({plugin("good")});
    const auto renderers = manager_->registerRenderers();
    ASSERT_EQ(renderers.size(), 1u);
    const auto& r = renderers[0];
    EXPECT_STREQ(r.infoFile, "plugin.inf");
    EXPECT_EQ(r.type, 42);
    EXPECT_EQ(std::strlen(r.description), sizeof r.description - 1);
    EXPECT_EQ(std::strlen(r.quality), sizeof r.quality - 1);
    EXPECT_EQ(std::strlen(r.commandTemplate), sizeof r.commandTemplate - 1);
    EXPECT_EQ(std::strlen(r.frameOption), sizeof r.frameOption - 1);
}

TEST_F(PluginLoading, ModuleListKeepsBatchAndEntryModules) {
    const std::string batch = dir.file("tools.sh");
    std::ofstream(batch) << "true\n";
    manager_->loadFiles({plugin("entry_only"), batch, plugin("good")});
    kx::platform::IniStore store;
    store.set("PlugIn", "Module9", "stale");
    manager_->saveModuleList(store);
    EXPECT_EQ(store.getString("PlugIn", "Module1", ""), plugin("entry_only"));
    EXPECT_EQ(store.getString("PlugIn", "Module2", ""), batch);
    EXPECT_EQ(store.getString("PlugIn", "Module3", ""), plugin("good"));
    EXPECT_FALSE(store.get("PlugIn", "Module9").has_value());
    EXPECT_EQ(PluginManager::modulePaths(store, false, {}),
              (std::vector<std::string>{plugin("entry_only"), batch, plugin("good")}));
    // A folder named like a batch file holds plug-ins, not a batch.
    std::filesystem::create_directories(dir.path() / "x.sh");
    std::filesystem::copy_file(plugin("good"), dir.path() / "x.sh" / "a.pi");
    std::filesystem::copy_file(plugin("good"), dir.path() / "b.pi");
    EXPECT_EQ(PluginManager::modulePaths(store, true, {dir.path().string(), (dir.path() / "x.sh").string()}),
              (std::vector<std::string>{dir.file("b.pi"), dir.file("tools.sh"), (dir.path() / "x.sh" / "a.pi").string()}));
}

TEST_F(PluginLoading, AModuleThatStoppedTheProgramIsDisabledNextTime) {
    std::ofstream(dir.file("plugins.loading")) << plugin("good") << "\n";
    ui.clear();
    PluginManagerOptions options;
    options.toolsLibrary = KALVEX_PLUGKIT_PATH;
    options.dataFolder = dir.path().string();
    PluginManager next(options);
    EXPECT_EQ(ui.lastMessage(), "The plug-in " + plugin("good") + " stopped Kalvex while loading and has been disabled.");
    next.loadFiles({plugin("good"), plugin("entry_only")});
    EXPECT_EQ(next.items().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("plugins.loading")));
    PluginManager third(options);
    EXPECT_EQ(third.disabledPaths().count(plugin("good")), 1u);

    // Another program that is still loading is no crash; one that is gone is.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    std::ofstream(dir.file("plugins.loading.1")) << plugin("entry_only") << "\n";
    std::ofstream(dir.file("plugins.loading." + std::to_string(gone))) << plugin("reasons") << "\n";
    ui.clear();
    PluginManager fourth(options);
    EXPECT_EQ(fourth.disabledPaths().count(plugin("entry_only")), 0u);
    EXPECT_EQ(fourth.disabledPaths().count(plugin("reasons")), 1u);
    EXPECT_EQ(ui.lastMessage(), "The plug-in " + plugin("reasons") + " stopped Kalvex while loading and has been disabled.");
    EXPECT_TRUE(std::filesystem::exists(dir.file("plugins.loading.1")));
}

TEST_F(PluginLoading, BoundTextAndObjectsMadeByPlugins) {
    manager_->loadFiles({plugin("reasons")});
    ASSERT_EQ(manager_->items().size(), 6u);
    struct TextRow {
        const char* binding;  // the object's "Plugin" field; null: none
        int result;
        std::string text;
    };
    const TextRow texts[] = {
        {"Widget maker", 1, "written in place"},
        {"pointer", 1, "answered by pointer"},
        {"Long text", 1, std::string(259, 'x')},
        {"No such function", 0, ""},
        {nullptr, 0, ""},
    };
    for (const auto& row : texts) {
        SCOPED_TRACE(row.binding ? row.binding : "unbound");
        CadObject* obj = NewDefaultCadObject("bound", 13);
        ASSERT_NE(obj, nullptr);
        if (row.binding) {
            ASSERT_TRUE(SetObjectExtra(obj, 1, KX_PROP_PLUGIN, static_cast<unsigned>(std::strlen(row.binding) + 1),
                                       row.binding));
        }
        char buffer[PLUGIN_FILTER_BUFFER];
        std::memset(buffer, 'q', sizeof buffer);
        EXPECT_EQ(manager_->boundText(obj, buffer, sizeof buffer), row.result);
        EXPECT_EQ(std::string(buffer, strnlen(buffer, sizeof buffer)), row.text);
        EXPECT_EQ(hostState().handles.inUse(), 0);
    }
    struct MakeRow {
        const char* typeName;
        const char* made;  // the object's name; null: none
    };
    const MakeRow makes[] = {
        {"Widget maker", "Widget"},  // by description
        {"WIDGET", "Widget"},        // by export name, any case
        {"Makes nothing", nullptr},  // answers -1
        {"Not a builder", nullptr},  // a UTIL item
        {"Sphere", nullptr},         // no plug-in's
        {nullptr, nullptr},
    };
    for (const auto& row : makes) {
        SCOPED_TRACE(row.typeName ? row.typeName : "null");
        CadObject* obj = manager_->createByTypeName(row.typeName);
        if (row.made) {
            ASSERT_NE(obj, nullptr);
            EXPECT_STREQ(obj->name, row.made);
            EXPECT_EQ(obj->type, 13u);
        } else {
            EXPECT_EQ(obj, nullptr);
        }
        EXPECT_EQ(hostState().handles.inUse(), 0) << "the plug-in's handle is freed";
    }
}

TEST_F(PluginLoading, FileItemsAreFoundByTheirFilters) {
    manager_->loadFiles({plugin("good")});
    const int save = manager_->findItem("SAVE", "save");
    struct Row {
        const char* path;
        int kind;
        int item;
    };
    const Row rows[] = {
        {"/tmp/a.tst", KindSave, save},  {"/tmp/A.TST", KindSave, save}, {"/tmp/a.tst", KindLoad, -1},
        {"/tmp/a.tstx", KindSave, -1},   {"/tmp/tst", KindSave, -1},     {"/tmp/x.tst/a", KindSave, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(manager_->fileItemFor(row.kind, row.path), row.item);
    }
}

TEST_F(PluginLoading, PluginRenderersDrawAndWriteTheImage) {
    const std::string flat = std::string(KALVEX_SAMPLE_PLUGIN_DIR) + "/flat_render.pi";
    manager_->loadFiles({flat, plugin("good")});
    hostState().manager = manager_.get();
    const auto registered = manager_->registerRenderers();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_STREQ(registered[0].description, "Flat shaded (plug-in)");
    EXPECT_EQ(registered[0].type, kx::app::kPluginRendererType);
    ASSERT_EQ(dispatch("CallPlugin", {text("Octahedron")}), 1);
    static int owner;
    pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");

    kx::app::Settings settings;
    settings.render.renderX = 64;
    settings.render.renderY = 48;
    struct Row {
        const char* what;
        bool withRenderers;
        bool ok;
    };
    const Row rows[] = {{"the flat renderer draws", true, true}, {"no manager: nothing drawn", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        hostState().manager = row.withRenderers ? manager_.get() : nullptr;
        kx::app::RendererList list;
        list.entries.resize(2);
        list.entries[1] = registered[0];
        settings.render.type = 1;
        kx::app::RenderJob job(settings, list);
        kx::app::RenderOutcome seen;
        kx::app::RenderJob::Callbacks callbacks;
        callbacks.finished = [&seen](const kx::app::RenderOutcome& o) { seen = o; };
        const std::string scene = dir.file("scene.cad");
        std::filesystem::remove(dir.file("scene.tga"));
        ui.clear();
        ASSERT_TRUE(job.start(scene, callbacks));
        const kx::app::RenderOutcome out = job.wait();
        EXPECT_EQ(out.ok, row.ok);
        EXPECT_EQ(seen.ok, row.ok);
        EXPECT_EQ(out.imagePath, dir.file("scene.tga"));
        EXPECT_EQ(std::filesystem::exists(dir.file("scene.tga")), row.ok);
        EXPECT_EQ(ui.messages.empty(), row.ok) << ui.lastMessage();
    }
    pxUnRegisterApplication();
    hostState().manager = nullptr;
}

class PluginTextures : public kxtest::UserTextureTest {};

TEST_F(PluginTextures, CustomTexturePropertiesReadAndWrite) {
    loadDefinitions();
    makeTexture("mine");
    auto property = [](const char* name, KxVar value) {
        PluginProperty p{};
        p.size = PLUGIN_PROPERTY_SIZE;
        std::strncpy(p.name, name, sizeof p.name);
        p.value = value;
        return p;
    };
    KxVar point{};
    point.size = KXVAR_SIZE;
    point.type = KXVAR_POINT;
    point.value.p[0] = 0.25f;
    point.value.p[1] = 0.5f;
    point.value.p[2] = 1.0f;
    KxVar number{};
    number.size = KXVAR_SIZE;
    number.type = KXVAR_DOUBLE;
    number.value.d = 0.75;
    struct Row {
        const char* what;
        const char* element;
        KxVar written;
        int result;  // of writing, then of reading back
    };
    const Row rows[] = {
        {"double", "/pigment/turbulence", number, 1},
        {"double by short name", "ambient", number, 1},
        {"integer into a double", "/finish/ambient", integer(2), 1},
        {"boolean", "/finish/metallic", integer(1), 1},
        {"file name", "/pigment/image", text("map.png"), 1},
        {"colour", "/pigment/color", point, 1},
        {"point", "/normal/*scale", point, 1},
        {"text into a number", "/pigment/turbulence", text("x"), 0},
        {"a group", "/pigment", integer(1), 0},
        {"no such element", "/pigment/nothing", integer(1), 0},
        {"empty name", "", integer(1), 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        PluginProperty w = property(row.element, row.written);
        EXPECT_EQ(host::CustomTexture("mine", 5, &w), row.result);
        if (row.result == 0) continue;
        PluginProperty r = property(row.element, integer(0));
        ASSERT_EQ(host::CustomTexture("MINE", 4, &r), 1);
        EXPECT_EQ(r.value.size, KXVAR_SIZE);
        switch (r.value.type) {
            case KXVAR_DOUBLE:
                EXPECT_EQ(r.value.value.d, row.written.type == KXVAR_INT ? row.written.value.i : row.written.value.d);
                break;
            case KXVAR_INT: EXPECT_EQ(r.value.value.i, row.written.value.i); break;
            case KXVAR_STRING: EXPECT_STREQ(r.value.value.s, row.written.value.s); break;
            case KXVAR_POINT:
                EXPECT_EQ(std::memcmp(r.value.value.p, row.written.value.p, sizeof r.value.value.p), 0);
                break;
            default: ADD_FAILURE() << "type " << r.value.type;
        }
    }
    // A record of the wrong size, and a texture that is nowhere.
    PluginProperty bad = property("ambient", number);
    bad.size = 12;
    EXPECT_EQ(host::CustomTexture("mine", 4, &bad), 0);
    EXPECT_EQ(host::CustomTexture("mine", 4, nullptr), 0);
    PluginProperty fine = property("ambient", number);
    EXPECT_EQ(host::CustomTexture("absent", 5, &fine), 0);
    EXPECT_EQ(host::CustomTexture("mine", 6, &fine), 0);
}

}  // namespace
