#include <string>

#include "io/file_names.h"
#include "pixmo_fixture.h"

namespace kxtest {
namespace {

TEST(PixmoFileNamesTest, KindComesFromTheLastExtensionOfTheLastComponent) {
    struct Case {
        const char* name;
        int kind;
    } cases[] = {
        {"a.gif", 1}, {"A.BMP", 2}, {"x.Pcx", 3}, {"render.tga", 4}, {"a.raw", 5},
        {"a.rgb", 6}, {"a.com", 7}, {"a.ras", 8}, {"a.ilb", 9}, {"a.HAM", 9},
        {"a.crd", 10}, {"photo.JPG", 11}, {"photo.jpeg", 0}, {"noext", 0}, {"a.tga.bak", 0},
        {"dir.gif/file", 0}, {"/home/u/.cache/pic.bmp", 2}, {"C:\\dir.tga\\pic", 0}, {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pxGetImageType(c.name), c.kind);
    }
    EXPECT_EQ(pxGetImageType(nullptr), 0);
}

TEST(PixmoFileNamesTest, ExtensionsAreLookedForAfterTheLastSeparatorOnly) {
    struct Case {
        const char* name;
        const char* ext;
        const char* added;     // AddExt
        const char* replaced;  // AddNewExt
    } cases[] = {
        {"scene", ".TGA", "scene.TGA", "scene.TGA"},
        {"scene.tga", ".BMP", "scene.tga", "scene.BMP"},
        {"a.b.c", ".GIF", "a.b.c", "a.b.GIF"},
        {"~/.local/share/scene", ".TGA", "~/.local/share/scene.TGA", "~/.local/share/scene.TGA"},
        {"./x", ".POV", "./x.POV", "./x.POV"},
        {"../renders/x", ".TGA", "../renders/x.TGA", "../renders/x.TGA"},
        {"dir.v2/pic.old", ".BMP", "dir.v2/pic.old", "dir.v2/pic.BMP"},
        {"C:\\dir.x\\pic", ".TGA", "C:\\dir.x\\pic.TGA", "C:\\dir.x\\pic.TGA"},
        {"", ".TGA", ".TGA", ".TGA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(AddExt(c.name, c.ext), c.added);
        EXPECT_STREQ(AddNewExt(c.name, c.ext), c.replaced);
    }
}

TEST(PixmoFileNamesTest, LongPathsAreNeverCut) {
    std::string deep = "/tmp/" + std::string(5000, 'd') + "/scene";
    EXPECT_EQ(std::string(AddExt(deep.c_str(), ".TGA")), deep + ".TGA");
    EXPECT_EQ(std::string(AddNewExt((deep + ".x").c_str(), ".BMP")), deep + ".BMP");
}

TEST(PixmoFileNamesTest, ForcedExtensionKeepsOneThatDiffersOnlyInCase) {
    EXPECT_EQ(kx::io::forceExtension("scene.tga", ".TGA"), "scene.tga");
    EXPECT_EQ(kx::io::forceExtension("scene.bmp", ".TGA"), "scene.TGA");
    EXPECT_EQ(kx::io::forceExtension("scene", ".TGA"), "scene.TGA");
    EXPECT_EQ(kx::io::forceExtension("my.dir/scene", ".GIF"), "my.dir/scene.GIF");
}

TEST_F(PixmoTest, GeneratedNamesFindFilesWrittenInAnotherCase) {
    ASSERT_TRUE(pxSetNewBuffer(window(), 4, 2));
    ASSERT_EQ(WriteTGA(pxGetMemDC(), "lower.tga"), 1);
    ASSERT_TRUE(std::filesystem::create_directory("Sub.Dir"));
    ASSERT_EQ(WriteTGA(pxGetMemDC(), "Sub.Dir/render.tga"), 1);
    // The renderer writes ".tga"; the program asks for the name with ".TGA".
    EXPECT_EQ(ReadTGA("lower"), 1);
    EXPECT_EQ(ReadTGA("LOWER.TGA"), 1);
    EXPECT_EQ(ReadTGA("Sub.Dir/render"), 1);
    EXPECT_EQ(ReadTGA("missing"), 0);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace kxtest
