// User textures built from the shipped POV-Ray definitions, saved, loaded and
// exported, are accepted and rendered by the real renderer.
#include <filesystem>
#include <fstream>

#include "kxplatform/process.h"
#include "user_texture_fixture.h"

namespace kxtest {
namespace {

constexpr const char* kPovray = "/usr/bin/povray";

class UserTextureRenderTest : public UserTextureTest {
protected:
    void SetUp() override {
        UserTextureTest::SetUp();
        std::string definitions = std::string(KALVEX_DATA_DIR) + "/povray37.inf";
        ASSERT_EQ(InitTextureBuiler(definitions.c_str()), 1) << ui.lastMessage();
    }
    TexItem* setItem(const char* path) {
        TexItem* e = item(path);
        EXPECT_NE(e, nullptr) << path;
        e->set = 1;
        return e;
    }
    void start(const char* name) {
        InitCustomTexture();
        std::snprintf(GetCustomTexture(1)->name, KX_TEXNAME_SIZE, "%s", name);
    }
    void save(const char* name) { ASSERT_EQ(SaveCustomTexture(name), 1) << ui.lastMessage(); }
};

TEST_F(UserTextureRenderTest, SavedTexturesRender) {
    ASSERT_TRUE(std::filesystem::exists(kPovray)) << "scripts/setup-deps.sh installs povray";
    start("Veined");
    setItem("pattern")->value.integer = 4;
    std::strcpy(setItem("colour_map")->text, "[0 color rgb <1, 1, 1>] [1 color rgb <0.2, 0.3, 0.8>]");
    setItem("turbulence")->value.real = 0.6;
    setItem("/normal/*pattern")->value.integer = 0;
    setItem("bump_size")->value.real = 0.4;
    setItem("phong")->value.real = 0.8;
    setItem("/finish/metallic");
    TexItem* scale = setItem("/scale");
    scale->value.point[0] = scale->value.point[1] = scale->value.point[2] = 0.5f;
    save("Veined");

    start("Tiles");
    TexItem* checker = setItem("/pigment/checker");
    checker->value.colour[0][0] = 1;
    checker->value.colour[1][2] = 1;
    checker->value.colour[1][3] = 0.4f;
    setItem("ambient")->value.real = 0.2;
    save("Tiles");

    start("Honeycomb");
    TexItem* hexagon = setItem("/pigment/hexagon");
    std::strcpy(GetCustomTexture(0)->parent, "Gold_Metal");
    (void)hexagon;
    save("Honeycomb");
    // Typed colour names are looked up in the texture list, written as typed.
    writeFile("USER.TEX", tex() + "usertex Named\r\n/pigment/hexagon \"Red color Green Blue\"\r\nend\r\n");
    ASSERT_EQ(RebuildUserTexDbIndex(), 1);

    start("Free");
    std::strcpy(GetCustomTexture(0)->freeForm, "pigment { gradient y color_map { [0 color Red] [1 color Yellow] } }");
    save("Free");

    StandardFile* f = StdOpenFile(dir.file("scene.pov").c_str(), KX_OPEN_CREATE);
    ASSERT_NE(f, nullptr);
    f->type = KX_FILETYPE_POVRAY3;
    StdPutLine(f, "#include \"colors.inc\"\n#include \"textures.inc\"\n");
    StdPutLine(f, "camera { location <0, 0, -8> look_at <0, 0, 0> }\n");
    StdPutLine(f, "light_source { <10, 10, -10> color rgb 1 }\n");
    const char* names[] = {"Veined", "Tiles", "Honeycomb", "Named", "Free"};
    for (const char* name : names) {
        ASSERT_EQ(LoadCustomTexture(name), 1) << ui.lastMessage();
        ASSERT_EQ(ExportCustomTexture(f, name, KX_FILETYPE_POVRAY3, 0), 1);
    }
    for (int i = 0; i < 5; ++i)
        StdPutLine(f, "sphere { <%d, 0, 0>, 0.9 texture { %s } }\n", 2 * i - 4, names[i]);
    ASSERT_EQ(StdCloseFile(f), 1);

    kx::platform::CommandRunner runner;
    ASSERT_TRUE(runner.start({kPovray, "-D", "+FT", "+W80", "+H60", "+Iscene.pov", "+Oscene.tga"},
                             dir.path().string(), true, {}));
    kx::platform::RunResult result = runner.wait();
    EXPECT_EQ(result.exitCode, 0) << runner.output() << dir.read("scene.pov");
    std::string image = dir.read("scene.tga");
    ASSERT_GT(image.size(), 18u + 80u * 60u * 3u);
    // Not blank: the spheres leave more than one colour.
    std::string pixels = image.substr(18, 80 * 60 * 3);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);
}

}  // namespace
}  // namespace kxtest
