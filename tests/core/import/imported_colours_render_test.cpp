// Imported material names stand in POV-Ray scenes as colour identifiers:
// the header gives each a value the renderer accepts. Imported texture maps
// paint their meshes through the meshes' own uvs.
#include <cstdint>
#include <filesystem>

#include "import_fixture.h"
#include "kxplatform/process.h"
#include "three_ds_builder.h"

namespace kxtest {
namespace {

using namespace tds;

// A picture of red and blue squares (red at the top left), as an
// uncompressed 24-bit Targa.
std::string checkerTarga() {
    const unsigned side = 16;
    std::string out = u16(0) + std::string(1, '\x02') + std::string(9, '\0') + u16(side) + u16(side) + "\x18\x20";
    for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < side; ++x)
            out += ((x < side / 2) == (y < side / 2)) ? std::string("\0\0\xff", 3) : std::string("\xff\0\0", 3);
    return out;
}

// Red and blue among the pixels of a Targa the renderer wrote.
void expectRedAndBlue(const std::string& tga) {
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

// A unit square with uvs over a buffer beside the model, its material's
// base colour texture the image `uri`.
std::string squareGltf(const std::string& uri) {
    return "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":92,\"uri\":\"square.bin\"}],"
           "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":48},{\"buffer\":0,\"byteOffset\":48,\"byteLength\":32},"
           "{\"buffer\":0,\"byteOffset\":80,\"byteLength\":12}],"
           "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":4,\"type\":\"VEC3\"},"
           "{\"bufferView\":1,\"componentType\":5126,\"count\":4,\"type\":\"VEC2\"},"
           "{\"bufferView\":2,\"componentType\":5123,\"count\":6,\"type\":\"SCALAR\"}],"
           "\"images\":[{\"uri\":\"" + uri + "\"}],\"textures\":[{\"source\":0}],"
           "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.5,0.5,0.5,1],\"baseColorTexture\":{\"index\":0}}}],"
           "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1},\"indices\":2,\"material\":0}]}],"
           "\"nodes\":[{\"mesh\":0}],\"scenes\":[{\"nodes\":[0]}],\"scene\":0}";
}

std::string squareBuffer() {
    std::string out = floats({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}) + floats({0, 1, 1, 1, 1, 0, 0, 0});
    for (unsigned i : {0, 1, 2, 0, 2, 3}) out += u16(i);
    return out;
}

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
    // The same quad with a uv a corner.
    static std::string mappedQuad(const std::string& name, float x0, const std::string& materialName) {
        auto v = [](float x, float y) { return floats({0, x * 20, y * 20}); };
        const std::string verts = u16(4) + v(x0, -1) + v(x0 + 2, -1) + v(x0 + 2, 1) + v(x0, 1);
        const std::string uvs = u16(4) + floats({0, 0, 1, 0, 1, 1, 0, 1});
        return object(name, mesh(chunk(0x4110, verts) + chunk(0x4140, uvs) +
                                 faces({0, 1, 2, 0, 2, 3}, materialGroup(materialName, {0, 1}))));
    }
    static std::string pictureOf(CadObject* obj) {
        char text[KX_EXTRA_TEXT_MAX + 1] = "";
        GetObjectExtraString(obj, KX_PROP_IMAGEMAP, text);
        return text;
    }
    // Each reader's way of naming a texture map: the model file it reads.
    std::string paintedModel(const std::string& reader, const std::string& picture, bool uvs = true) {
        if (reader == "obj") {
            write("model/quad.mtl", "newmtl paint\nKd 0.5 0.5 0.5\nmap_Kd -s 1 1 1 -clamp on " + picture + "\n");
            return write("model/quad.obj", std::string("mtllib quad.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n") +
                                               (uvs ? "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl paint\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n"
                                                    : "usemtl paint\nf 1 2 3\nf 1 3 4\n"));
        }
        if (reader == "3ds") {
            const std::string map = chunk(0xA200, chunk(0x0030, u16(100)) + chunk(0xA300, cstr(picture)));
            return write("model/quad.3ds", file(material("paint", rgbFloats(0.5f, 0.5f, 0.5f), map) +
                                                (uvs ? mappedQuad("quad", -1, "paint") : quad("quad", -1, "paint"))));
        }
        write("model/square.bin", squareBuffer());
        return write("model/square.gltf", squareGltf(picture));
    }
    static int readModel(const std::string& reader, const std::string& path) {
        return reader == "obj" ? ReadOBJ(path.c_str()) : reader == "3ds" ? Read3DS(path.c_str()) : ReadGLTF(path.c_str());
    }
};

TEST_F(ImportedColoursTest, TextureMapsAreFoundBesideTheModelOnly) {
    std::filesystem::create_directories(dir.file("model/maps"));
    write("model/maps/checker.tga", checkerTarga());
    write("outside.tga", checkerTarga());
    const std::string found = std::filesystem::canonical(dir.file("model/maps/checker.tga")).string();
    const std::string kept = std::filesystem::weakly_canonical(dir.file("model")).string() + "/square_0.png";
    struct Case {
        const char* reader;
        const char* picture;
        bool uvs;
        bool painted;
        bool inside = false;  // held in the model, kept beside it
    } cases[] = {
        // Names written on another system: another case, backslashes.
        {"obj", "maps/CHECKER.TGA", true, true},   {"3ds", "maps\\Checker.tga", true, true},
        {"gltf", "maps/checker.tga", true, true},
        {"obj", "../outside.tga", true, false},    {"3ds", "../outside.tga", true, false},
        {"gltf", "../outside.tga", true, false},   {"obj", "maps/missing.tga", true, false},
        {"gltf", "data:image/png;base64,AAAA", true, false},  // no PNG inside
        {"gltf", "data:image/png;base64,iVBORw0KGgoAAAAA", true, true, true},
        // Without uvs a picture has no place on the mesh.
        {"obj", "maps/checker.tga", false, false}, {"3ds", "maps/checker.tga", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reader) + " " + c.picture);
        InitScene();
        ASSERT_EQ(readModel(c.reader, paintedModel(c.reader, c.picture, c.uvs)), 1);
        std::vector<CadObject*> meshes;
        for (CadObject* o : objects())
            if (o->type == KX_POLYGON) meshes.push_back(o);
        ASSERT_EQ(meshes.size(), 1u);
        EXPECT_EQ(pictureOf(meshes[0]), !c.painted ? "" : c.inside ? kept : found);
        if (c.inside) {
            EXPECT_EQ(dir.read("model/square_0.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\0", 12));
        }
        ClearScene(GetCurrentScene());
    }
}

// A model that fails after its picture was kept beside it takes away what it
// wrote, and only that.
TEST_F(ImportedColoursTest, AFailedImportLeavesNoPictureItKept) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\0", 12);
    std::filesystem::create_directories(dir.file("model"));
    // The last index names a corner the square does not have.
    std::string damaged = squareBuffer();
    damaged[damaged.size() - 2] = 9;
    write("model/square.bin", damaged);
    for (bool there : {false, true}) {
        SCOPED_TRACE(there ? "the same picture was there" : "nothing was there");
        std::filesystem::remove(dir.file("model/square_0.png"));
        if (there) write("model/square_0.png", png);
        InitScene();
        EXPECT_EQ(ReadGLTF(write("model/square.gltf", squareGltf("data:image/png;base64,iVBORw0KGgoAAAAA")).c_str()), 0);
        EXPECT_NE(ui.lastMessage().find("names a vertex"), std::string::npos) << ui.lastMessage();
        EXPECT_TRUE(objects().empty());
        EXPECT_EQ(std::filesystem::exists(dir.file("model/square_0.png")), there);
    }
}

TEST_F(ImportedColoursTest, PaintedModelsRenderWithTheirPictures) {
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    std::filesystem::create_directories(dir.file("model"));
    write("model/checker.tga", checkerTarga());
    for (const char* reader : {"obj", "3ds", "gltf"}) {
        SCOPED_TRACE(reader);
        InitScene();
        ASSERT_EQ(readModel(reader, paintedModel(reader, "checker.tga")), 1);
        const std::string text = exportPov3();
        // The grey of the material alone would show no red and no blue.
        EXPECT_NE(text.find(" uv_vectors { 4,"), std::string::npos) << text;
        EXPECT_NE(text.find("texture { uv_mapping pigment { image_map { tga \"" +
                            std::filesystem::canonical(dir.file("model/checker.tga")).string() + "\"  interpolate 2 } } }"),
                  std::string::npos)
            << text;
        kx::platform::CommandRunner runner;
        ASSERT_TRUE(runner.start({"/usr/bin/povray", "-D", "+FT", "-UA", "+W80", "+H60", "+Iscene.pov", "+Oscene.tga"},
                                 dir.path().string(), true, {}));
        ASSERT_EQ(runner.wait().exitCode, 0) << runner.output();
        expectRedAndBlue(dir.read("scene.tga"));
        ClearScene(GetCurrentScene());
    }
}

TEST_F(ImportedColoursTest, OnlyNamesTheRendererLacksAreDeclared) {
    struct Case {
        const char* material;
        bool declared;
        bool writtenAsRgb;  // where the object uses it
    } cases[] = {
        {"Red", false, false}, {"Rgb.10.20.30", false, false}, {"red_1", true, false}, {"Pinky", true, false},
        // The renderer's own words ("red" is a colour component, "box" a shape)
        // and names that are no identifier ("Material.001", as other modellers
        // call theirs) cannot be declared: the colour is written where it is used.
        {"red", false, true}, {"box", false, true}, {"two words", false, true}, {"Material.001", false, true},
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
        EXPECT_EQ(text.find("texture { pigment { color rgb < 0, 0.501961, 1 > } }") != std::string::npos, c.writtenAsRgb);
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
    expectRedAndBlue(dir.read("scene.tga"));
}

}  // namespace
}  // namespace kxtest
