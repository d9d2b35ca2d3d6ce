// A user texture travels inside the native scene file that uses it.
#include "user_texture_fixture.h"

namespace kxtest {
namespace {

class SceneUserTextureTest : public UserTextureTest {};

TEST_F(SceneUserTextureTest, SavedWithTheSceneAndReadBackIntoTheList) {
    loadDefinitions();
    saveTexture("Glow");
    // The program lists its user textures in the texture list at start.
    TextureInfo listed{};
    std::strcpy(listed.name, "Glow");
    listed.kind = KX_TEXTURE_TEXTURE | KX_TEXTURE_USER;
    AddCustomTexture(&listed);
    InitScene();
    InitCamera();
    CreateDefaultSphere();
    CadObject* a = GetLastCadObject();
    CreateDefaultBox();
    CadObject* b = GetLastCadObject();
    SetObjectMaterial(a, "Glow", 2);
    SetObjectMaterial(b, "Glow", 2);
    std::string path = dir.file("scene.cad");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), path.c_str()), 1);
    std::string text = dir.read("scene.cad");
    size_t first = text.find("  texture Glow\r\nusertex Glow\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("usertex Glow", first + 20), std::string::npos);  // once per file

    // Read into a program that no longer knows the texture.
    std::remove(dir.file("USER.TEX").c_str());
    std::remove(dir.file("USER.IDX").c_str());
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
    EXPECT_EQ(IsUserTexture("Glow"), 0);
    ClearScene(GetCurrentScene());
    InitScene();
    ASSERT_EQ(LoadScene(GetCurrentScene(), path.c_str()), 1);
    EXPECT_STREQ(GetCadObjectByName("_box0")->material, "Glow");
    EXPECT_EQ(IsUserTexture("Glow"), 1);
    ASSERT_EQ(LoadCustomTexture("Glow"), 1);
}

}  // namespace
}  // namespace kxtest
