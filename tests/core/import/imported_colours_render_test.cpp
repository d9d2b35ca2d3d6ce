// Imported material names stand in POV-Ray scenes as colour identifiers:
// the header gives each a value the renderer accepts.
#include <filesystem>

#include "import_fixture.h"
#include "kxplatform/process.h"
#include "three_ds_builder.h"

namespace kxtest {
namespace {

using namespace tds;

class ImportedColoursTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        SetProgramPath(dir.path().c_str());
        InitCamera();
    }
    void TearDown() override {
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
        ImportTest::TearDown();
    }
    std::string exportPov3() {
        EXPECT_EQ(Write3Dfile(GetCurrentScene(), dir.file("scene.pov").c_str(), KX_FILETYPE_POVRAY3), 1);
        return dir.read("scene.pov");
    }
    // A 3D Studio quad in the scene's plane z = 0 from x0 to x0 + 2, y -1 to 1.
    static std::string quad(const std::string& name, float x0, const std::string& materialName) {
        auto v = [](float x, float y) { return floats({0, x * 20, y * 20}); };
        const std::string verts = u16(4) + v(x0, -1) + v(x0 + 2, -1) + v(x0 + 2, 1) + v(x0, 1);
        return object(name, mesh(chunk(0x4110, verts) + faces({0, 1, 2, 0, 2, 3}, materialGroup(materialName, {0, 1}))));
    }
};

TEST_F(ImportedColoursTest, OnlyNamesTheRendererLacksAreDeclared) {
    struct Case {
        const char* material;
        bool declared;
    } cases[] = {
        {"Red", false}, {"Rgb.10.20.30", false}, {"red_1", true}, {"Pinky", true}, {"two words", false},
        // The renderer's own words ("red" is a colour component, "box" a shape)
        // cannot be declared: the colour is written where it is used.
        {"red", false}, {"box", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.material);
        InitScene();
        CadObject* obj = makeMesh("m", 1);
        SetObjectTextureEx(obj, 1, c.material);
        obj->rgb = 0x00FF8000;  // blue 255, green 128
        CadObject* second = makeMesh("n", 1);
        SetObjectTextureEx(second, 1, c.material);
        const std::string text = exportPov3();
        const std::string declaration = std::string("#ifndef (") + c.material + ") #declare " + c.material +
                                        " = color rgb < 0, 0.501961, 1 >; #end\r\n";
        EXPECT_EQ(text.find(declaration) != std::string::npos, c.declared) << text;
        EXPECT_EQ(text.find("#ifndef") != std::string::npos, c.declared);
        if (c.declared) {
            EXPECT_EQ(text.find("#ifndef"), text.rfind("#ifndef"));  // once per name
        }
        const bool reserved = std::string(c.material) == "red" || std::string(c.material) == "box";
        EXPECT_EQ(text.find("texture { pigment { color rgb < 0, 0.501961, 1 > } }") != std::string::npos, reserved);
        ClearScene(GetCurrentScene());
    }
}

TEST_F(ImportedColoursTest, ThreeDsMaterialsRenderInTheirColours) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    const std::string editor = material("rouge", rgbFloats(1, 0, 0)) + material("bleu", rgbBytes(0, 0, 255)) +
                               quad("left", -2, "rouge") + quad("right", 0, "bleu") +
                               object("sun", chunk(0x4600, floats({400, 0, 200}) + rgbFloats(1, 1, 1)));
    ASSERT_EQ(Read3DS(write("two.3ds", file(editor)).c_str()), 1);
    const std::string text = exportPov3();
    EXPECT_NE(text.find("#ifndef (rouge) #declare rouge = color rgb < 1, 0, 0 >; #end"), std::string::npos) << text;
    EXPECT_NE(text.find("#ifndef (bleu) #declare bleu = color rgb < 0, 0, 1 >; #end"), std::string::npos);

    kx::platform::CommandRunner runner;
    ASSERT_TRUE(runner.start({"/usr/bin/povray", "-D", "+FT", "-UA", "+W80", "+H60", "+Iscene.pov", "+Oscene.tga"},
                             dir.path().string(), true, {}));
    ASSERT_EQ(runner.wait().exitCode, 0) << runner.output();
    const std::string tga = dir.read("scene.tga");
    ASSERT_GT(tga.size(), 18u);
    ASSERT_EQ(tga[2], 2);  // uncompressed true colour
    const size_t bytesPerPixel = static_cast<unsigned char>(tga[16]) / 8;
    bool red = false, blue = false;
    for (size_t i = 18 + static_cast<unsigned char>(tga[0]); i + bytesPerPixel <= tga.size(); i += bytesPerPixel) {
        const int b = static_cast<unsigned char>(tga[i]), g = static_cast<unsigned char>(tga[i + 1]),
                  r = static_cast<unsigned char>(tga[i + 2]);
        red = red || (r > 100 && g < 40 && b < 40);
        blue = blue || (b > 100 && r < 40 && g < 40);
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
}

}  // namespace
}  // namespace kxtest
