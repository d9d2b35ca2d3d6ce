#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core_fixture.h"
#include "kxplatform/process.h"
#include "settings/settings.h"
#include "startup/core_session.h"

namespace {

using kx::app::loadSettings;
using kx::platform::IniStore;

class SettingsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    }
};

TEST_F(SettingsTest, DefaultsOfAnEmptyStore) {
    kx::app::Settings s = loadSettings(IniStore{});
    EXPECT_EQ(s.render.renderX, 640);
    EXPECT_EQ(s.render.renderY, 480);
    EXPECT_EQ(s.render.type, 0);
    EXPECT_EQ(s.render.userBreak, 1);
    EXPECT_EQ(s.exports.commas, 1);
    EXPECT_EQ(s.exports.useDefaults, 1);
    EXPECT_EQ(s.exports.mesh2, 0);
    EXPECT_EQ(s.view.showCamera, 1);
    EXPECT_EQ(s.view.viewLeft, 1);
    EXPECT_EQ(s.desktop.views, 2);
    EXPECT_EQ(s.directories.program, dir.file("data") + "/kalvex");
    EXPECT_EQ(s.directories.textures, dir.file("data") + "/kalvex/textures");
    EXPECT_EQ(s.directories.plugin, dir.file("data") + "/kalvex/plugins");
    EXPECT_EQ(s.scheme.colours, kx::app::standardColours());
}

TEST_F(SettingsTest, HandEditedFileAndDamage) {
    IniStore store;
    store.parse("[Desktop]\nFramePos=10 20 300\nPerspPos= 1 2 3 4\n"
                "[Directories]\nProgram=/opt/kx/\nTextures=x\nRender=/usr/bin/povray\n"
                "[Render]\nRenderX=abc\nRenderY=99999999999\nQuality=0x3\nRenderFlags=+A0.1, -J\n"
                "[View]\nDefaultCameraPosition=1, 2,3\n"
                "[Scheme]\nScheme=2\nElements=3\nElement0=255\n"
                "[Select]\nActive=1\nPosition=5000,20\n[Export]\nMesh2=1\n");
    kx::app::Settings s = loadSettings(store, 1920, 1080);
    EXPECT_TRUE(s.desktop.framePos.empty());  // three numbers are not a rectangle
    // Of the remembered places only whole ones are taken.
    EXPECT_EQ(kx::app::parseScreenPlaces("0 0 800 600 1 2 300 200 0;0 0 0 600 1 2 3 4 0;x;1 2 3;"
                                         "0 0 640 480 1 2 30 20 1 9;5 5 50 50 1 1 10 10 1")
                  .size(),
              2u);
    EXPECT_EQ(s.desktop.perspPos.height, 4);
    EXPECT_EQ(s.directories.program, "/opt/kx");
    EXPECT_EQ(s.directories.textures, dir.file("data") + "/kalvex/textures");  // too short: derived
    EXPECT_EQ(s.render.renderX, 640);
    EXPECT_EQ(s.render.renderY, 480);
    EXPECT_EQ(s.render.quality, 3);
    EXPECT_EQ(s.render.renderFlags, "+A0.1, -J");
    EXPECT_EQ(s.scheme.colours, kx::app::standardColours());  // Elements is not 4
    EXPECT_EQ(s.selectToolbox.x, 0);
    EXPECT_EQ(s.selectToolbox.y, 20);
    kx::app::applyToCore(s);
    EXPECT_EQ(GetExportMesh2(), 1);  // the command-line jobs and the window export alike
    InitCamera();
    EXPECT_EQ(GetActiveCamera()->location.y, 2.0f);
    EXPECT_EQ(GetExportComma(), 1);
}

TEST_F(SettingsTest, RoundTripKeepsEveryValue) {
    kx::app::Settings s;
    s.desktop.framePos = {5, 6, 700, 500};
    s.desktop.framePlaces = {{{0, 0, 1920, 1080}, {5, 6, 700, 500}, 0}, {{1920, 0, 1280, 720}, {2000, 10, 800, 600}, 1}};
    s.render.type = 1;
    s.render.renderFlags = "x";  // too short to be kept
    s.directories.render = "/usr/bin/povray";
    s.scheme.scheme = 2;
    s.scheme.colours = {1, 2, 3, 4};
    s.animateToolbox = {1, 30, 40};
    s.exports.disableSmoothExport = 1;
    s.script.startupInstructions = 5000000000ULL;  // past the range of an int
    s.render.mesh2 = 0;
    IniStore store;
    store.parse("[Desktop]\n; my note\nUnknown=1\n");
    kx::app::saveSettings(s, store);
    kx::app::Settings back = loadSettings(store);
    EXPECT_EQ(back.desktop.framePos.width, 700);
    ASSERT_EQ(back.desktop.framePlaces.size(), 2u);
    EXPECT_EQ(back.desktop.framePlaces[1].screen.left, 1920);
    EXPECT_EQ(back.desktop.framePlaces[1].frame.height, 600);
    EXPECT_EQ(back.desktop.framePlaces[1].maximize, 1);
    EXPECT_EQ(back.render.type, 1);
    EXPECT_EQ(back.render.renderFlags, "");
    EXPECT_EQ(back.directories.render, "/usr/bin/povray");
    EXPECT_EQ(back.scheme.colours, (std::array<uint32_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(back.animateToolbox.x, 30);
    EXPECT_EQ(back.exports.disableSmoothExport, 0);  // read only: never written
    EXPECT_EQ(back.script.startupInstructions, 5000000000ULL);
    EXPECT_EQ(back.render.mesh2, 0);
    // The default is not written, so a settings file keeps what it held.
    IniStore defaults;
    kx::app::saveSettings(kx::app::Settings{}, defaults);
    EXPECT_EQ(defaults.text().find("StartupInstructions"), std::string::npos);
    EXPECT_EQ(defaults.getInt("Render", "Mesh2", -1), -1);
    EXPECT_EQ(loadSettings(defaults).script.startupInstructions, 100000000u);
    EXPECT_EQ(loadSettings(defaults).render.mesh2, 1);
    EXPECT_NE(store.text().find("; my note\r\nUnknown=1\r\n"), std::string::npos);
}

}  // namespace

namespace {

// A new user whose shipped renderer is installed gets it chosen, so the first
// render simply works; a user who chose "Preview Only" keeps it.
TEST_F(SettingsTest, TheFirstStartChoosesTheInstalledRenderer) {
    ASSERT_FALSE(kx::platform::findProgram("/usr/bin/povray").empty()) << "scripts/setup-deps.sh installs povray";
    const std::string config = dir.file("Kalvex.ini");
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    setenv("KALVEX_CONFIG", config.c_str(), 1);
    struct Case {
        const char* what;
        bool settingsFileExists;
        int type;
    } cases[] = {{"first start", false, 1}, {"Preview Only chosen before", true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(config);
        if (c.settingsFileExists) std::ofstream(config) << "[Render]\r\nType=0\r\n";
        kx::app::CoreSession session;
        session.start({});
        EXPECT_EQ(session.settings().render.type, c.type);
        session.stop(false);
    }
    unsetenv("XDG_DATA_HOME");
    unsetenv("KALVEX_CONFIG");
}

}  // namespace
