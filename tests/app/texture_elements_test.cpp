// The builder's element rules: the rows and choices it shows, and that what
// its editors write is what the database keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "texbuild/texture_elements.h"
#include "texture/user_texture_fixture.h"

namespace {

using kx::app::ElementChoice;

class TextureElementsTest : public kxtest::UserTextureTest {};

TEST_F(TextureElementsTest, RowsFollowTheTreeWithTheDatabasePaths) {
    loadDefinitions();
    struct Expected {
        const char* path;
        int depth;
        int32_t type;
    } expected[] = {
        {"/pigment", 0, KX_TEXITEM_GROUP},          {"/pigment/*pattern", 1, 'L'},
        {"/pigment/color", 1, 'C'},                 {"/pigment/colour_map", 1, 'H'},
        {"/pigment/gradient", 1, 'T'},              {"/pigment/image", 1, 'F'},
        {"/pigment/turbulence", 1, 'D'},            {"/finish", 0, KX_TEXITEM_GROUP},
        {"/finish/ambient", 1, 'D'},                {"/finish/metallic", 1, 'B'},
        {"/normal", 0, KX_TEXITEM_GROUP},           {"/normal/bumps", 1, 'D'},
        {"/normal/*scale", 1, 'P'},                 {"/*inline", 0, KX_TEXITEM_GROUP},
        {"/*inline/octaves", 1, 'I'},               {"/*inline/text", 1, 'M'},
        {"/interpolate", 0, 'O'},                   {"/mode", 0, 'L'},
        {"/raw", 0, 'S'},
    };
    const std::vector<kx::app::ElementRow> rows = kx::app::elementRows();
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(rows[i].path, expected[i].path);
        EXPECT_EQ(rows[i].depth, expected[i].depth);
        EXPECT_EQ(rows[i].item->type, expected[i].type);
        // The path a row shows finds its element again.
        EXPECT_EQ(item(rows[i].path.c_str()), rows[i].item);
    }
}

TEST_F(TextureElementsTest, LookupChoicesAreTheirOptionsOnly) {
    loadDefinitions();
    auto same = [](const std::vector<ElementChoice>& a, const std::vector<ElementChoice>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i].value != b[i].value || a[i].label != b[i].label) return false;
        return true;
    };
    EXPECT_TRUE(same(kx::app::lookupChoices(*item("/pigment/*pattern")), {{0, "Bozo"}, {1, "Marble"}, {2, "Wood"}}));
    EXPECT_TRUE(same(kx::app::lookupChoices(*item("/mode")), {{0, "none"}, {1, "once"}}));
    // Option id 0 is never read from the file, though unused entries are zeros.
    TexItem* mode = item("/mode");
    std::snprintf(mode->syntax, sizeof mode->syntax, "0");
    EXPECT_TRUE(kx::app::lookupChoices(*mode).empty());
    std::snprintf(mode->syntax, sizeof mode->syntax, "9");
    EXPECT_TRUE(kx::app::lookupChoices(*mode).empty());
    EXPECT_EQ(kx::app::optionLabel("Wood:wood"), "Wood");
    EXPECT_EQ(kx::app::optionLabel("once"), "once");
}

// Each editor's value, saved and loaded back through the database.
TEST_F(TextureElementsTest, EditedValuesAreWhatTheDatabaseKeeps) {
    loadDefinitions();
    InitCustomTexture();
    std::snprintf(GetCustomTexture(1)->name, KX_TEXNAME_SIZE, "Edited");
    std::string error;
    kx::app::setElementInteger(*item("/pigment/*pattern"), 2);
    kx::app::setElementInteger(*item("/finish/metallic"), 1);
    kx::app::setElementReal(*item("/finish/ambient"), 0.375);
    kx::app::setElementPoint(*item("/normal/*scale"), {1.5f, -2.0f, 4.0f});
    kx::app::setElementColour(*item("/pigment/gradient"), 1, {0.25f, 0.5f, 0.75f, 0.5f});
    ASSERT_TRUE(kx::app::setElementText(*item("/pigment/image"), "stones.tga", error)) << error;
    ASSERT_EQ(SaveCustomTexture("Edited"), 1) << ui.lastMessage();
    InitCustomTexture();
    ASSERT_EQ(LoadCustomTexture("Edited"), 1) << ui.lastMessage();
    EXPECT_EQ(item("/pigment/*pattern")->value.integer, 2);
    EXPECT_EQ(item("/finish/metallic")->value.integer, 1);
    EXPECT_EQ(item("/finish/ambient")->value.real, 0.375);
    EXPECT_EQ(item("/normal/*scale")->value.point[1], -2.0f);
    EXPECT_EQ(item("/pigment/gradient")->value.colour[1][2], 0.75f);
    EXPECT_EQ(item("/pigment/gradient")->value.colour[1][3], 0.5f);
    EXPECT_STREQ(item("/pigment/image")->text, "stones.tga");
    for (const char* unset : {"/pigment/color", "/normal/bumps", "/raw"}) EXPECT_EQ(item(unset)->set, 0) << unset;
}

TEST_F(TextureElementsTest, FileNamesTooLongAreRefusedAndKept) {
    loadDefinitions();
    TexItem* image = item("/pigment/image");
    std::string error;
    ASSERT_TRUE(kx::app::setElementText(*image, std::string(KX_TEXTEXT_SIZE - 1, 'a'), error));
    EXPECT_TRUE(kx::app::setElementText(*image, "kept.tga", error));
    EXPECT_FALSE(kx::app::setElementText(*image, std::string(KX_TEXTEXT_SIZE, 'a'), error));
    EXPECT_EQ(error, "File name too long");
    EXPECT_STREQ(image->text, "kept.tga");
}

TEST_F(TextureElementsTest, ImageMapPathsAreLookedForInTheTexturesFolder) {
    loadDefinitions();
    const std::string folder = dir.file("textures");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Stones.TGA") << "x";
    struct Case {
        const char* name;
        bool ok;
        std::string path;
    } cases[] = {
        {"", false, "Image map file not specified"},
        {"Stones.TGA", true, folder + "/Stones.TGA"},
        {"stones.tga", true, folder + "/Stones.TGA"},  // written in another case
        {"missing.tga", true, folder + "/missing.tga"},
        {"/elsewhere/a.tga", true, "/elsewhere/a.tga"},
    };
    TexItem* image = item("/pigment/image");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error, path;
        ASSERT_TRUE(kx::app::setElementText(*image, c.name, error));
        EXPECT_EQ(kx::app::imageMapPath(*image, folder, path, error), c.ok);
        EXPECT_EQ(c.ok ? path : error, c.path);
    }
}

}  // namespace
