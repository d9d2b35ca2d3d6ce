// A user texture travels inside the statement form of the scene file too.
#include "texture/user_texture_fixture.h"

namespace kxtest {
namespace {

class LegacyUserTextureTest : public UserTextureTest {};

TEST_F(LegacyUserTextureTest, WrittenOnceAndReadBackIntoTheList) {
    loadDefinitions();
    saveTexture("Glow");
    TextureInfo listed{};
    std::strcpy(listed.name, "Glow");
    listed.kind = KX_TEXTURE_TEXTURE | KX_TEXTURE_USER;
    AddCustomTexture(&listed);
    InitScene();
    InitCamera();
    CreateDefaultSphere();
    SetObjectMaterial(GetLastCadObject(), "Glow", 2);
    CreateDefaultBox();
    SetObjectMaterial(GetLastCadObject(), "Glow", 2);
    const std::string path = dir.file("old.cad");
    ASSERT_EQ(SaveScene(GetCurrentScene(), path.c_str()), 1);
    // Every save writes the definition once, the second as the first.
    ASSERT_EQ(SaveScene(GetCurrentScene(), path.c_str()), 1);
    const std::string text = dir.read("old.cad");
    const size_t first = text.find("  texture Glow\r\nusertex Glow\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("usertex Glow", first + 20), std::string::npos);

    // Read into a program that no longer knows the texture.
    std::remove(dir.file("USER.TEX").c_str());
    std::remove(dir.file("USER.IDX").c_str());
    ClearTexture(GetTexture(nullptr));
    ClearScene(GetCurrentScene());
    InitScene();
    ui.clear();
    ASSERT_EQ(LoadScene(GetCurrentScene(), path.c_str()), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    EXPECT_STREQ(GetCadObjectByName("_box0")->material, "Glow");
    EXPECT_EQ(IsUserTexture("Glow"), 1);
    EXPECT_EQ(LoadCustomTexture("Glow"), 1);
}

}  // namespace
}  // namespace kxtest
