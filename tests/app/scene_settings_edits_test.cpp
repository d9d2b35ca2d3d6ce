// The scene settings as undoable edits: a set of them is one step, a value
// the renderer refuses changes none, and undo and redo give the settings
// back, also when a script or plug-in set them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_fixture.h"
#include "document/scene_edits.h"
#include "document/scene_settings_edits.h"

namespace {

using namespace kx::app;

class SceneSettingsEditsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    EditHistory history;
};

TEST_F(SceneSettingsEditsTest, ASetOfSettingsIsOneStepOrRefusedWhole) {
    struct Case {
        const char* what;
        std::vector<SceneSettingValue> values;
        bool changed;
        const char* refusedSetting;  // null: none refused
        const char* reason;
        std::vector<SceneSettingValue> after;  // what reads back when changed
    };
    const Case cases[] = {
        {"fog and a sky",
         {{"Fog", "ground"}, {"FogDistance", "12.50"}, {"SkyColours", "0 0 0.2 0.4 0.6 1"}},
         true, nullptr, nullptr,
         {{"Fog", "Ground"}, {"FogDistance", "12.5"}, {"SkyColours", "0 0 0.2 0.4 0.6 1"}}},
        {"one value out of range", {{"AssumedGamma", "2.2"}, {"FogDistance", "0"}}, false, "FogDistance",
         "is out of range", {}},
        {"a word it does not take", {{"CameraKind", "Spherical"}}, false, "CameraKind", "takes none of the words given",
         {}},
        {"no setting of that name", {{"Fogginess", "1"}}, false, "Fogginess", "is not a scene setting", {}},
        {"clearing what was set", {{"Fog", "Constant"}, {"Fog", ""}}, false, nullptr, nullptr, {}},
        {"a focal blur", {{"Aperture", "0.4"}, {"BlurSamples", "30"}, {"FocalPoint", "1 2 3"}}, true, nullptr, nullptr,
         {{"Aperture", "0.4"}, {"BlurSamples", "30"}, {"FocalPoint", "1 2 3"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearSceneSettings();
        history.clear();
        ASSERT_TRUE(SetSceneSetting("AmbientLight", "0.2 0.2 0.2"));
        const std::vector<std::string> before = sceneSettingsNow();
        const SceneSettingsEdit edit = setSceneSettings(history, c.values);
        EXPECT_EQ(edit.changed, c.changed);
        EXPECT_EQ(edit.setting, c.refusedSetting ? c.refusedSetting : "");
        EXPECT_EQ(edit.refused, c.reason ? c.reason : "");
        if (!c.changed) {
            EXPECT_EQ(sceneSettingsNow(), before);
            EXPECT_EQ(history.size(), 0u);
            continue;
        }
        for (const SceneSettingValue& v : c.after) EXPECT_EQ(sceneSettingText(v.name.c_str()), v.value) << v.name;
        EXPECT_EQ(sceneSettingText("AmbientLight"), "0.2 0.2 0.2");
        EXPECT_EQ(history.undoName(), "Change Scene Settings");
        const std::vector<std::string> after = sceneSettingsNow();
        ASSERT_TRUE(history.undo());
        EXPECT_EQ(sceneSettingsNow(), before);
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(sceneSettingsNow(), after);
    }
}

TEST_F(SceneSettingsEditsTest, SettingsAScriptChangesAreTakenBackWithItsStep) {
    ASSERT_TRUE(SetSceneSetting("Radiosity", "Fast"));
    const OutsideChange run = recordOutsideChange(history, "Run Macro", [] {
        SetSceneSetting("Radiosity", "");
        SetSceneSetting("MediaScattering", "Rayleigh");
        return true;
    });
    ASSERT_EQ(run, OutsideChange::Recorded);
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(sceneSettingText("Radiosity"), "Fast");
    EXPECT_EQ(sceneSettingText("MediaScattering"), "");
    ASSERT_TRUE(history.redo());
    EXPECT_EQ(sceneSettingText("Radiosity"), "");
    EXPECT_EQ(sceneSettingText("MediaScattering"), "Rayleigh");
}

}  // namespace
