// A user texture travels inside the native scene file that uses it.
#include <fstream>
#include <string>
#include <vector>

#include "user_texture_fixture.h"

namespace kxtest {
namespace {

class SceneUserTextureTest : public UserTextureTest {};

// Both scene formats carry the definition once per file, however often the
// scene is saved, and bring it back into a program that no longer knows it.
TEST_F(SceneUserTextureTest, SavedWithTheSceneAndReadBackIntoTheList) {
    struct Case {
        const char* what;
        int (*save)(CadScene*, const char*);
    } cases[] = {{"native", SaveScene2}, {"statements", SaveScene}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sceneWearing("Glow", {CreateDefaultSphere, CreateDefaultBox});
        const std::string path = dir.file("scene.cad");
        ASSERT_EQ(c.save(GetCurrentScene(), path.c_str()), 1);
        ASSERT_EQ(c.save(GetCurrentScene(), path.c_str()), 1);
        const std::string text = dir.read("scene.cad");
        const size_t first = text.find("  texture Glow\r\nusertex Glow\r\n");
        ASSERT_NE(first, std::string::npos) << text;
        EXPECT_EQ(text.find("usertex Glow", first + 20), std::string::npos);

        // Read into a program that no longer knows the texture.
        std::remove(dir.file("USER.TEX").c_str());
        std::remove(dir.file("USER.IDX").c_str());
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
        EXPECT_EQ(IsUserTexture("Glow"), 0);
        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        ASSERT_EQ(LoadScene(GetCurrentScene(), path.c_str()), 1);
        EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
        EXPECT_STREQ(GetCadObjectByName("_box0")->material, "Glow");
        EXPECT_EQ(IsUserTexture("Glow"), 1);
        ASSERT_EQ(LoadCustomTexture("Glow"), 1);
        ClearScene(GetCurrentScene());
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
        GetNextObjectNo(0, 1);
    }
}

// A user texture is made of POV-Ray's texture language: a scene for Polyray
// defines its name as its colour and says so, where POV-Ray gets the texture.
TEST_F(SceneUserTextureTest, PolyrayScenesGiveAUserTextureItsColour) {
    sceneWearing("Glow", {CreateDefaultSphere});
    const std::string pi = dir.file("scene.pi"), pov = dir.file("scene.pov");
    ASSERT_EQ(Write3Dfile(GetCurrentScene(), pi.c_str(), KX_FILETYPE_POLYRAY), 1);
    ASSERT_EQ(Write3Dfile(GetCurrentScene(), pov.c_str(), KX_FILETYPE_POVRAY3), 1);
    const std::string polyray = dir.read("scene.pi"), povray = dir.read("scene.pov");
    EXPECT_NE(polyray.find("// Glow: a texture of POV-Ray's terms, which Polyray has no form for; its colour stands in\r\n"
                           "define Glow\r\ntexture { surface { color < 1, 0.5, 0 > } }\r\n"),
              std::string::npos)
        << polyray;
    EXPECT_EQ(polyray.find("pigment"), std::string::npos);
    EXPECT_EQ(polyray.find("ambient"), std::string::npos);
    EXPECT_NE(povray.find("#declare Glow = \r\ntexture {\r\n"), std::string::npos) << povray;
    EXPECT_NE(povray.find(" ambient 0.25"), std::string::npos);
    ClearScene(GetCurrentScene());
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
}

// A definition that cannot be taken (here: the renderer's definitions are not
// loaded) is read over to its "end" by both scene readers: its words are never
// taken for properties or statements, and the object carrying it survives.
TEST_F(SceneUserTextureTest, AFailedDefinitionIsReadOverInBothFormats) {
    const char* const notLoaded = "Error custom texture definitions not loaded\nMake sure a matching renderer is selected";
    struct Case {
        const char* text;
        std::vector<std::string> messages;
    } cases[] = {
        {"version 2.0\r\nSphere { Name s texture Wood\r\nusertex Wood\r\nrgbcolor 255\r\n"
         "/pigment/color \"rgb 1 0 0\"\r\nend\r\n size 2 2 2 }\r\nBox { Name b }\r\n",
         {notLoaded}},
        {"version 1.5\n_sphere s size 2 2 2 texture Wood\nusertex Wood rgbcolor 255 /pigment/color \"rgb 1 0 0\" end\n"
         "_box b size 1 1 1\n",
         {notLoaded, "Error Reading File, Statement Line 3 : \"usertex\" "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        std::ofstream(dir.file("tex.cad"), std::ios::binary) << c.text;
        EXPECT_EQ(LoadScene(GetCurrentScene(), dir.file("tex.cad").c_str()), 1);
        EXPECT_EQ(ui.texts(), c.messages);
        CadObject* s = GetCadObjectByName("s");
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->size.x, 2.0f);
        EXPECT_STREQ(s->material, "Wood");
        EXPECT_NE(GetCadObjectByName("b"), nullptr);
    }
}

}  // namespace
}  // namespace kxtest
