// The renderer's scene settings: checked and normalised values, kept in the
// scene block, and written to POV-Ray 3 exports only when set.
#include <string>

#include "core_fixture.h"

namespace kxtest {
namespace {

class SceneSettingsTest : public SceneTest {
protected:
    std::string exportPov(unsigned format = KX_FILETYPE_POVRAY3) {
        const std::string path = dir.file("settings.pov");
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
        f->type = format;
        f->scene = GetCurrentScene();
        EXPECT_EQ(ExportObjects(f), 1);
        EXPECT_EQ(StdCloseFile(f), 1);
        return withoutCarriageReturns(dir.read("settings.pov"));
    }
    std::string setting(const char* name) {
        char text[256];
        GetSceneSetting(name, text, sizeof text);
        return text;
    }
};

struct Value {
    const char* name;
    const char* given;
    int taken;
    const char* stored;  // after the call
};

TEST_F(SceneSettingsTest, ValuesAreCheckedAndKeptInTheirNormalForm) {
    const Value cases[] = {
        {"AssumedGamma", " 1.0 ", 1, "1"},
        {"assumedgamma", "2.2", 1, "2.2"},  // names in any case
        {"AssumedGamma", "0", 0, "2.2"},     // refused: the value stays
        {"AssumedGamma", "one", 0, "2.2"},
        {"AssumedGamma", "nan", 0, "2.2"},
        {"AssumedGamma", "", 1, ""},  // cleared
        {"MaxTraceLevel", "5", 1, "5"},
        {"MaxTraceLevel", "2.5", 0, "5"},
        {"MaxTraceLevel", "0", 0, "5"},
        {"AmbientLight", "0.1, 0.2 0.3", 1, "0.1 0.2 0.3"},
        {"AmbientLight", "0.1 0.2", 0, "0.1 0.2 0.3"},
        {"Radiosity", "indoorhq", 1, "IndoorHQ"},
        {"Radiosity", "Brilliant", 0, "IndoorHQ"},
        {"Fog", "Ground", 1, "Ground"},
        {"SkyColours", "1 1 1 0 0 1", 1, "1 1 1 0 0 1"},
        {"SkyColours", "1 1 1 0 0", 0, "1 1 1 0 0 1"},
        {"CameraKind", "Fisheye", 1, "Fisheye"},
        {"PhotonAutostop", "1.5", 0, ""},
        {"NoSuchSetting", "1", 0, ""},
    };
    for (const Value& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.given);
        EXPECT_EQ(SetSceneSetting(c.name, c.given), c.taken);
        EXPECT_EQ(setting(c.name), c.stored);
        EXPECT_EQ(CheckSceneSetting(c.name, c.given) == nullptr, c.taken == 1);
    }
    EXPECT_STREQ(GetSceneSettingWord("Radiosity", 0), "Default");
    EXPECT_EQ(GetSceneSettingWord("AssumedGamma", 0), nullptr);
    // They are scene properties too, for scripts and plug-ins.
    EXPECT_EQ(GetScenePropertyType("Aperture"), KX_VALUE_STRING);
    const int index = GetScenePropertyIndex("Aperture");
    ASSERT_GT(index, 7);
    EXPECT_STREQ(GetScenePropertyTypeName(1101 + index - 8), "Aperture");
    EXPECT_EQ(SetSceneProperty(GetCurrentScene(), "Aperture", "0.4"), 1);
    EXPECT_EQ(setting("Aperture"), "0.4");
    InitScene();
    EXPECT_EQ(setting("Aperture"), "");
}

struct Group {
    const char* name;
    std::vector<std::pair<const char*, const char*>> settings;
    std::vector<const char*> written;
};

TEST_F(SceneSettingsTest, EachGroupIsWrittenOnlyWhenSet) {
    CreateDefaultSphere();
    const std::string plain = exportPov();
    const Group groups[] = {
        {"global", {{"AssumedGamma", "1"}, {"MaxTraceLevel", "10"}, {"AmbientLight", "0.2 0.2 0.2"}},
         {"global_settings {\n assumed_gamma 1\n max_trace_level 10\n ambient_light rgb < 0.2, 0.2, 0.2 >\n}\n\n"}},
        {"preset radiosity", {{"Radiosity", "Fast"}},
         {"global_settings {\n radiosity {\n  pretrace_start 0.08\n  pretrace_end 0.02\n  count 80\n  nearest_count 5\n"
          "  error_bound 0.4\n  recursion_limit 1\n  low_error_factor 0.9\n  gray_threshold 0\n  minimum_reuse 0.025\n"
          "  adc_bailout 0.005\n  brightness 1\n }\n}\n"}},
        {"custom radiosity", {{"Radiosity", "Custom"}, {"RadiosityCount", "50"}, {"RadiosityBrightness", "1.5"}},
         {" radiosity {\n  count 50\n  brightness 1.5\n }\n"}},
        {"photons", {{"PhotonSpacing", "0.02"}, {"PhotonAutostop", "0.1"}},
         {" photons {\n  spacing 0.02\n  autostop 0.1\n }\n"}},
        {"ground fog", {{"Fog", "Ground"}, {"FogDistance", "5"}, {"FogColour", "1 1 1"}, {"FogAltitude", "0.5"}},
         {"fog {\n fog_type 2\n distance 5\n color rgb < 1, 1, 1 >\n fog_offset 0\n fog_alt 0.5\n}\n\n"}},
        {"media", {{"MediaScattering", "Rayleigh"}, {"MediaColour", "1 0.5 0.5"}, {"MediaDensity", "0.1"}},
         {"media {\n scattering { 4, rgb < 0.1, 0.05, 0.05 > }\n}\n\n"}},
        {"sky", {{"SkyColours", "1 1 1 0.2 0.4 1 0 0 0.3"}},
         {"sky_sphere {\n pigment { gradient y\n  color_map {\n   [ 0 color rgb < 1, 1, 1 > ]\n   [ 0.5 color rgb < "
          "0.2, 0.4, 1 > ]\n   [ 1 color rgb < 0, 0, 0.3 > ]\n  }\n  scale 2\n  translate < 0, -1, 0 >\n }\n}\n\n"}},
        {"camera", {{"CameraKind", "Orthographic"}, {"Aperture", "0.3"}, {"BlurSamples", "40"}, {"FocalPoint", "1 2 3"}},
         {"camera {\n orthographic\n", " aperture 0.3\n blur_samples 40\n focal_point < 1, 2, 3 >\n}\n"}},
    };
    for (const Group& g : groups) {
        SCOPED_TRACE(g.name);
        for (const auto& [name, value] : g.settings) ASSERT_EQ(SetSceneSetting(name, value), 1) << name;
        const std::string pov = exportPov();
        for (const char* text : g.written) EXPECT_NE(pov.find(text), std::string::npos) << pov;
        // The earlier dialects know none of it.
        EXPECT_EQ(exportPov(KX_FILETYPE_POVRAY2), [&] {
            ClearSceneSettings();
            std::string without = exportPov(KX_FILETYPE_POVRAY2);
            for (const auto& [name, value] : g.settings) SetSceneSetting(name, value);
            return without;
        }());
        ClearSceneSettings();
        EXPECT_TRUE(exportPov() == plain);
    }
}

TEST_F(SceneSettingsTest, TheSceneFileKeepsThem) {
    SetSceneSetting("Radiosity", "Normal");
    SetSceneSetting("SkyColours", "1 1 1 0 0 1");
    SetSceneSetting("Fog", "Constant");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), dir.file("s.cad").c_str()), 1);
    const std::string text = dir.read("s.cad");
    EXPECT_NE(text.find("\tRadiosity \"Normal\"\r\n\tFog \"Constant\"\r\n\tSkyColours \"1 1 1 0 0 1\"\r\n"), std::string::npos)
        << text;
    ClearScene(GetCurrentScene());
    InitScene();
    EXPECT_EQ(setting("Fog"), "");
    ASSERT_EQ(LoadScene(GetCurrentScene(), dir.file("s.cad").c_str()), 1);
    EXPECT_EQ(setting("SkyColours"), "1 1 1 0 0 1");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), dir.file("t.cad").c_str()), 1);
    EXPECT_EQ(dir.read("t.cad"), text);
}

}  // namespace
}  // namespace kxtest
