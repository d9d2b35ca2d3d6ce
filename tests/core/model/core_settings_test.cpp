#include <cstdio>
#include <cstring>

#include "core_fixture.h"

namespace kxtest {
namespace {

class CoreSettingsTest : public CoreTest {};

TEST_F(CoreSettingsTest, SceneChangedIsReadAndReset) {
    SetSceneChanged(1);
    EXPECT_EQ(GetSceneChanged(), 1);
    EXPECT_EQ(GetSceneChanged(), 0);
    ReDrawAllChangeEx(1);
    EXPECT_EQ(GetSceneChanged(), 1);
}

TEST_F(CoreSettingsTest, SnapNeedsEnabledAndPositiveStep) {
    struct Case {
        double step;
        int enabled;
        int expected;
    } cases[] = {{0.5, 1, 1}, {0.0, 1, 0}, {-1.0, 1, 0}, {2.0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        SetSnapGrid(c.step, c.enabled);
        double step = 99;
        EXPECT_EQ(GetSnapGrid(&step), c.expected);
        EXPECT_EQ(step, c.step);
    }
}

TEST_F(CoreSettingsTest, InitCoreRestoresDefaults) {
    SetViewSide(0);
    SetExportSelected(1);
    SetCoreParamInt(0, 1);
    SetGridInterval(0.25, 10);
    SetProgramPath("/opt/kalvex");
    CadObject* obj = NewCadObject("a");
    AddSelectedObject(obj);
    InitCore(nullptr, "Title");
    EXPECT_EQ(GetViewSide(), 1);
    EXPECT_EQ(GetExportSelected(), 0);
    EXPECT_EQ(GetGridInterval(), 1.0);
    EXPECT_EQ(GetGridExtent(), 32.0);
    EXPECT_STREQ(GetProgramFileName("KALVEX.INF"), "/KALVEX.INF");
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);
    EXPECT_EQ(obj->selected, 1);  // only the list is emptied
    EXPECT_EQ(kx::core().settings.cameraPosition.z, 20.0f);
    EXPECT_EQ(kx::core().settings.cameraRight.x, -1.33f);
}

TEST_F(CoreSettingsTest, CoreParamSwitches) {
    SetCoreParamInt(3, 1);
    EXPECT_EQ(GetExportSelected(), 1);
    SetCoreParamInt(1, 1);
    EXPECT_EQ(kx::core().settings.noUvInExport, 1);
    kx::CoreSettings before = kx::core().settings;
    SetCoreParamInt(2, 1);
    SetCoreParamInt(99, 1);
    EXPECT_EQ(kx::core().settings.noNormalsInExport, before.noNormalsInExport);
    EXPECT_EQ(kx::core().settings.exportSelected, before.exportSelected);
}

TEST_F(CoreSettingsTest, ProgramFileNameJoinsWithSlash) {
    SetProgramPath("/home/u/.local/share/kalvex");
    EXPECT_STREQ(GetProgramFileName("USER.TEX"), "/home/u/.local/share/kalvex/USER.TEX");
    std::string longPath(3000, 'd');
    SetProgramPath(longPath.c_str());
    EXPECT_EQ(std::string(GetProgramFileName("x")), longPath + "/x");  // never cut
}

TEST_F(CoreSettingsTest, DialogHelpersGoThroughTheUiTable) {
    HWND dlg = nullptr;
    SetDlgItemDouble(dlg, 10, 1.5e6);
    EXPECT_EQ(ui.controls.at(0).second, "1.5e+06");
    Point3d p{1.25f, -2, 0.5f};
    SetUIpoint(dlg, 1, 2, 3, &p);
    Point3d q{};
    GetUIpoint(dlg, 1, 2, 3, &q);
    EXPECT_EQ(q.x, 1.25f);
    EXPECT_EQ(q.y, -2.0f);
    ui.controls.emplace_back(4, "abc");
    EXPECT_EQ(GetDlgItemDouble(dlg, 4), 0.0);
    EXPECT_EQ(GetDlgItemDouble(dlg, 77), 0.0);  // no such control
}

TEST_F(CoreSettingsTest, BuildFilterSplitsAtBars) {
    KxUiCallbacks table = *ui.table();
    table.loadString = [](void*, HINSTANCE, unsigned, char* buffer, unsigned size) {
        std::snprintf(buffer, size, "Scenes|*.cad|All|*.*|");
        return 1;
    };
    KxSetUiCallbacks(&table);
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    BuildFilter(nullptr, 1, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Scenes");
    EXPECT_STREQ(buffer + 7, "*.cad");
    EXPECT_STREQ(buffer + 13, "All");
    EXPECT_EQ(buffer[21], '\0');
    char tiny[4];
    BuildFilter(nullptr, 1, tiny, sizeof tiny);
    EXPECT_EQ(tiny[3], '\0');
}

}  // namespace
}  // namespace kxtest
