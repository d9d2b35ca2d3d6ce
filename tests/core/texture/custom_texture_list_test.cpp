#include "model/memory.h"
#include "user_texture_fixture.h"

namespace kxtest {
namespace {

class CustomTextureListTest : public UserTextureTest {
protected:
    void SetUp() override {
        UserTextureTest::SetUp();
        loadDefinitions();
    }
};

TEST_F(CustomTextureListTest, ListedTextureLoadsWithItsValues) {
    makeTexture("Scene1", 0x203040);
    std::strcpy(item("/pigment/image")->text, "wall.gif");
    item("/pigment/image")->set = 1;
    std::strcpy(GetCustomTexture(0)->freeForm, "");
    std::strcpy(GetCustomTexture(0)->parent, "Gold");
    ASSERT_EQ(AddCustomTexToList("Scene1"), 1);
    EXPECT_EQ(GetCustomTexListCount(), 1u);
    EXPECT_STREQ(GetCustomTexListName(0), "Scene1");
    EXPECT_EQ(GetCustomTexListName(1), nullptr);

    InitCustomTexture();
    GetCustomTexture(1);
    ASSERT_EQ(LoadCustomTexture("scene1"), 1);
    EXPECT_NE(log().find("User texture scene1 read from list"), std::string::npos);
    CustomTexure* t = GetCustomTexture(0);
    EXPECT_STREQ(t->name, "Scene1");
    EXPECT_STREQ(t->parent, "Gold");
    EXPECT_EQ(t->colour, 0x203040u);
    EXPECT_EQ(t->items, nullptr);
    EXPECT_EQ(item("/pigment/color")->set, 1);
    EXPECT_EQ(item("/pigment/color")->value.colour[0][1], 0.5f);
    EXPECT_EQ(item("ambient")->value.real, 0.25);
    EXPECT_STREQ(item("/pigment/image")->text, "wall.gif");
    EXPECT_EQ(item("/normal/bumps")->set, 0);
    // Listed again, the newer definition replaces the old one.
    item("ambient")->value.real = 0.75;
    ASSERT_EQ(AddCustomTexToList("SCENE1"), 1);
    EXPECT_EQ(GetCustomTexListCount(), 1u);
    InitCustomTexture();
    ASSERT_EQ(GetCustomTexFromList("Scene1"), 1);
    EXPECT_EQ(item("ambient")->value.real, 0.75);
    EXPECT_EQ(GetCustomTexFromList("Other"), 0);
}

TEST_F(CustomTextureListTest, TexturesInTheDatabaseAreNotListed) {
    saveTexture("Stored");
    ASSERT_EQ(AddCustomTexToList("stored"), 1);
    EXPECT_EQ(GetCustomTexListCount(), 0u);
    EXPECT_NE(log().find("Warning: Adding user texture ignored stored already exists"), std::string::npos);
    EXPECT_EQ(AddCustomTexToList(""), 0);
    EXPECT_EQ(AddCustomTexToList(nullptr), 0);
}

TEST_F(CustomTextureListTest, LimitsOfTheList) {
    makeTexture("T");
    for (int i = 0; i < 10; ++i) ASSERT_EQ(AddCustomTexToList(("T" + std::to_string(i)).c_str()), 1);
    EXPECT_EQ(AddCustomTexToList("T10"), 0);
    EXPECT_EQ(ui.lastMessage(), "Too many user textures for list");
    EXPECT_EQ(GetCustomTexListCount(), 10u);
    EXPECT_EQ(AddCustomTexToList("T3"), 1);  // replacing needs no room

    // More set elements than an entry keeps: refused whole, not cut.
    ASSERT_EQ(DestroyCustomTexList(), 1);
    for (const char* path : {"pattern", "/pigment/color", "/pigment/colour_map", "/pigment/gradient", "/pigment/image",
                             "/pigment/turbulence", "ambient", "/finish/metallic", "/normal/bumps", "/normal/*scale",
                             "/*inline/octaves"})
        item(path)->set = 1;
    ui.clear();
    EXPECT_EQ(AddCustomTexToList("Crowded"), 0);
    EXPECT_EQ(ui.lastMessage(), "Too many custom texture elements");
    EXPECT_EQ(GetCustomTexListCount(), 0u);
    item("/*inline/octaves")->set = 0;
    EXPECT_EQ(AddCustomTexToList("Crowded"), 1);

    ui.clear();
    EXPECT_EQ(InitCustomTexList(1u << 30), 0);
    EXPECT_EQ(ui.lastMessage(), "Error allocating user texture list: 1073741824");
    kx::mem::failAllocationsAfter(1);
    EXPECT_EQ(AddCustomTexToList("NoRoom"), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Error allocating user texture list items");
    ASSERT_EQ(InitCustomTexList(2), 1);
    EXPECT_EQ(GetCustomTexListCount(), 0u);
}

TEST_F(CustomTextureListTest, TextureListSeesListedTextures) {
    makeTexture("Listed", 0x00ff8040);
    ASSERT_EQ(AddCustomTexToList("Listed"), 1);
    TextureInfo info{};
    ASSERT_EQ(GetCustomTexListInfo("LISTED", &info), 1);
    EXPECT_EQ(info.colour[0], 0x40);
    EXPECT_EQ(info.colour[1], 0x80);
    EXPECT_EQ(info.colour[2], 0xff);
    EXPECT_EQ(info.kind, 6);
    EXPECT_EQ(GetCustomTexListInfo("Other", &info), 0);
    EXPECT_EQ(GetTextureColorByName("Listed"), 0xff8040u);

    // Each export writes a listed texture's definition once.
    EXPECT_EQ(IsUserTexture("Listed"), 1);
    EXPECT_EQ(IsUserTexture("listed"), 0);
    EXPECT_EQ(GetCustomTexListState("Listed"), 0);
    EXPECT_EQ(ClearTextureUsed(), 1);
    EXPECT_EQ(IsUserTexture("Listed"), 1);
    EXPECT_EQ(ClearCustomTexListUsed(), 1);
    EXPECT_EQ(GetCustomTexListState("Listed"), 1);
    EXPECT_EQ(GetCustomTexListState("Nothing"), 0);
}

TEST_F(CustomTextureListTest, ValuesOfAReplacedTreeAreNotWrittenBack) {
    makeTexture("Old");
    ASSERT_EQ(AddCustomTexToList("Old"), 1);
    // Another renderer's definitions: the listed elements are gone.
    writeFile("other.def", "#begin texture_options\n#end\n#begin texture_syntax\nsurface { color C x }\n#end\n"
                           "#begin texture_xref\n#end\n");
    ASSERT_EQ(BuildTexList(dir.file("other.def").c_str()), 1);
    ASSERT_EQ(GetCustomTexFromList("Old"), 1);
    EXPECT_EQ(item("/surface/color")->set, 0);
    EXPECT_NE(log().find("User texture Old: element color is no longer defined"), std::string::npos);
}

TEST_F(CustomTextureListTest, ColourBytesToFloats) {
    RgbF c{};
    ASSERT_EQ(ColorToRgb(0x00ff8000, &c), 1);
    EXPECT_EQ(c.red, 0.0f);
    EXPECT_EQ(c.green, 0.5f);
    EXPECT_EQ(c.blue, 255.0f / 256.0f);
    EXPECT_EQ(ColorToRgb(0, nullptr), 0);
}

}  // namespace
}  // namespace kxtest
