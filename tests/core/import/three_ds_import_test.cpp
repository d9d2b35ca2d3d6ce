// 3D Studio import from files built chunk by chunk: meshes, materials,
// lights, the camera, and chunks that lie.
#include <cmath>

#include "import_fixture.h"
#include "model/model_internal.h"
#include "three_ds_builder.h"

namespace kxtest {
namespace {

using namespace tds;

class ThreeDsImportTest : public ImportTest {
protected:
    int read(const std::string& bytes) { return Read3DS(write("t.3ds", bytes).c_str()); }
    static std::string triangleMesh(const std::string& name, const std::string& faceSubs = "") {
        return object(name, mesh(vertices({20, 40, 60, 0, 0, 0, 20, 0, 0}) + faces({0, 1, 2}, faceSubs)));
    }
};

TEST_F(ThreeDsImportTest, MeshesMaterialsAndTheMap) {
    ASSERT_EQ(GetTexture(nullptr), nullptr);  // no texture database loaded
    const std::string editor =
        material("shiny", rgbFloats(1.0f, 0.5f, 0.0f),
                 chunk(0xA010, rgbBytes(10, 20, 30)) + chunk(0xA030, rgbFloats(0.25f, 0.25f, 0.25f)) +
                     chunk(0xA040, chunk(0x0030, u16(50))) + chunk(0xA050, chunk(0x0031, f32(0.5f))) +
                     chunk(0xA100, u16(3))) +
        chunk(0x1200, rgbFloats(0, 0, 0)) + triangleMesh("box", materialGroup("shiny", {0})) +
        // No material group of its own: the last one read carries on.
        object("second", mesh(faces({0, 1, 2}) + vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}))) +
        chunk(0x4010, "") + chunk(0x3D3E, u32(3));
    ASSERT_EQ(read(file(editor)), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    ASSERT_EQ(objects().size(), 2u);

    CadObject* box = named("box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->type, static_cast<uint32_t>(KX_POLYGON));
    const std::vector<Triangle> t = triangles(box);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(near(t[0][0], 2, 3, 1));  // (20, 40, 60) lands at (2, 3, 1)
    EXPECT_TRUE(near(t[0][2], 0, 0, 1));
    EXPECT_STREQ(box->material, "shiny");
    EXPECT_EQ(box->materialType, 1u);
    EXPECT_EQ(box->rgb, 0x007FFFu);  // the diffuse colour
    // Faces read before the vertices are kept.
    CadObject* second = named("second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->count, 1u);
    EXPECT_STREQ(second->material, "shiny");

    // The material entered the empty texture list with its colours.
    TextureInfo* tex = GetTexture(nullptr);
    ASSERT_NE(tex, nullptr);
    EXPECT_STREQ(tex->name, "shiny");
    EXPECT_EQ(tex->kind, 1);
    EXPECT_EQ(tex->used, 1);
    EXPECT_EQ(tex->colour[0], 255);  // 1.0 x 256 kept in the byte
    EXPECT_EQ(tex->colour[1], 128);
    EXPECT_EQ(tex->colour[2], 0);
    EXPECT_TRUE(near(tex->points[0], 10 / 255.0f, 20 / 255.0f, 30 / 255.0f));
    EXPECT_TRUE(near(tex->points[1], 1, 0.5f, 0));
    EXPECT_TRUE(near(tex->points[2], 0.25f, 0.25f, 0.25f));
    EXPECT_EQ(tex->next, nullptr);
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
}

TEST_F(ThreeDsImportTest, MaterialColoursAreClamped) {
    struct Case {
        const char* name;
        std::string colour;
        unsigned char bytes[3];
    } cases[] = {
        {"over", rgbFloats(2, -1, 0.999f), {255, 0, 255}},
        {"nan", rgbFloats(std::nanf(""), 1e30f, -1e30f), {0, 255, 0}},
        {"gamma first", chunk(0x0012, "\x80\x40\x20") + rgbBytes(255, 255, 255), {128, 64, 32}},
        {"gamma floats", chunk(0x0013, floats({0.5f, 0, 1})) + rgbFloats(0, 0, 0), {128, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        ui.clear();
        ASSERT_EQ(read(file(material(c.name, c.colour))), 1);
        TextureInfo* tex = GetTexture(nullptr);
        ASSERT_NE(tex, nullptr);
        EXPECT_EQ(tex->colour[0], c.bytes[0]);
        EXPECT_EQ(tex->colour[1], c.bytes[1]);
        EXPECT_EQ(tex->colour[2], c.bytes[2]);
        ClearTexture(tex);
        SetFirstTexture(nullptr);
    }
}

TEST_F(ThreeDsImportTest, LightsAndTheCamera) {
    const std::string editor =
        object("lamp", chunk(0x4600, floats({20, 40, 60}) + rgbFloats(1, 0.5f, 0))) +
        object("spot", chunk(0x4600, floats({0, 0, 0}) + chunk(0x0012, "\x01\x02\x03") + rgbFloats(1, 1, 1) +
                                         chunk(0x4610, floats({20, 0, 0, 10, 20})))) +
        object("dark", chunk(0x4600, floats({1, 1, 1}) + chunk(0x4620, ""))) +
        object("eye", chunk(0x4700, floats({0, 0, 100, 20, 20, 20, 0, 50})));
    ASSERT_EQ(read(file(editor)), 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
    std::vector<CadObject*> lights;
    for (CadObject* o : objects())
        if (o->type == KX_LIGHT) lights.push_back(o);
    ASSERT_EQ(lights.size(), 2u);  // the switched-off light is not made
    EXPECT_TRUE(near(lights[0]->translate, 2, 3, 1));
    EXPECT_STREQ(lights[0]->material, "Rgb.255.127.0");
    EXPECT_EQ(lights[0]->rgb, 0x007FFFu);
    EXPECT_EQ(lights[0]->materialType, 1u);
    double values[6] = {};
    EXPECT_EQ(kx::model::readExtra(lights[0], KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, 6, values), 0u);
    // The spot light aims at its target and takes its first colour.
    EXPECT_TRUE(near(lights[1]->extraPoint, 0, 0, 1));
    EXPECT_STREQ(lights[1]->material, "Rgb.1.2.3");
    ASSERT_EQ(kx::model::readExtra(lights[1], KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY, 6, values), 6u);
    EXPECT_EQ(values[0], 1.0);
    EXPECT_EQ(values[1], 0.0);

    CameraInfo* cam = GetActiveCamera();
    EXPECT_TRUE(near(cam->location, 0, 5, 0));
    EXPECT_TRUE(near(cam->lookAt, 1, 1, 1));
    EXPECT_TRUE(near(cam->up, 0, 1, 0));
    EXPECT_FLOAT_EQ(cam->rightDir.x, 1.333f);
    EXPECT_EQ(cam->isDefault, 0);
}

TEST_F(ThreeDsImportTest, FacesNamingMissingVerticesAreDropped) {
    const std::string editor =
        object("m", mesh(vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}) + faces({0, 1, 2, 0, 1, 3, 65535, 0, 1, 2, 1, 0}))) +
        object("none", mesh(faces({0, 1, 2})));
    ASSERT_EQ(read(file(editor)), 1);
    CadObject* m = named("m");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->count, 2u);
    EXPECT_EQ(named("none"), nullptr);  // faces without any vertex
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.lastMessage(), "Error: 3 faces name vertices their mesh does not have; they were left out");
}

TEST_F(ThreeDsImportTest, NamesAreCutAtTheFieldAndTheChunk) {
    const std::string longName(60, 'n');
    ASSERT_EQ(read(file(triangleMesh(longName))), 1);
    ASSERT_EQ(objects().size(), 1u);
    EXPECT_EQ(std::string(objects()[0]->name), std::string(31, 'n'));
    // A name without its terminator ends with its chunk.
    InitScene();
    ui.clear();
    EXPECT_EQ(read(file(chunk(0x4000, "unterminated"))), 1);
    EXPECT_TRUE(objects().empty());
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(ThreeDsImportTest, DamagedChunks) {
    const std::string good = triangleMesh("good");
    struct Case {
        const char* name;
        std::string bytes;
        int result;
        unsigned objects;
        const char* message;
    } cases[] = {
        {"empty", "", 0, 0, "Error: Input file is not .3DS format"},
        {"not 3DS", chunk(0x1234, ""), 0, 0, "Error: Input file is not .3DS format"},
        {"main too short", chunkWithLength(0x4D4D, 5, ""), 0, 0,
         "Error reading 3D-Studio file: damaged data at offset 0"},
        {"length below the head", file(good + chunkWithLength(0x4000, 3, "xx")), 0, 1, nullptr},
        {"length of zero", file(good + chunkWithLength(0x4000, 0, "")), 0, 1, nullptr},
        {"past the parent", file(good + chunkWithLength(0x4000, 1000, "x")), 0, 1, nullptr},
        {"wrapping", file(good + chunkWithLength(0x4000, 0xFFFFFFF0u, "x")), 0, 1, nullptr},
        {"head cut", file(good + std::string("\x00\x40\x20", 3)), 0, 1, nullptr},
        {"huge vertex count", file(object("h", mesh(chunk(0x4110, u16(65535) + floats({1, 2, 3})) +
                                                    faces({0, 0, 0})))),
         1, 1, nullptr},
        {"huge face count", file(object("h", mesh(vertices({0, 0, 0}) + chunk(0x4120, u16(65535) + u16(0))))), 1, 0,
         nullptr},
        {"colour of another kind", file(good + material("m", chunk(0x0030, u16(5))) + good), 0, 1,
         "Error parsing color"},
        {"colour without value", file(material("m", "")), 0, 0, "Error parsing color"},
        {"light without position", file(object("l", chunk(0x4600, floats({1})))), 0, 0, nullptr},
        {"main longer than the file", chunkWithLength(0x4D4D, 4000, chunk(0x3D3D, good)), 0, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScene();
        ui.clear();
        EXPECT_EQ(read(c.bytes), c.result);
        EXPECT_EQ(objects().size(), c.objects);
        if (c.result == 0) {
            ASSERT_EQ(ui.messages.size(), 1u);  // reported once
            if (c.message) EXPECT_EQ(ui.lastMessage(), c.message);
            else EXPECT_EQ(ui.lastMessage().rfind("Error reading 3D-Studio file: damaged data at offset ", 0), 0u);
        } else {
            EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
        }
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
    }
}

TEST_F(ThreeDsImportTest, EveryTruncationIsReportedAndSafe) {
    const std::string whole =
        file(material("mat", rgbBytes(1, 2, 3)) + triangleMesh("a", materialGroup("mat", {0})) +
             object("l", chunk(0x4600, floats({1, 2, 3}) + rgbFloats(1, 1, 1))) + triangleMesh("b"));
    for (size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE(n);
        InitScene();
        ui.clear();
        EXPECT_EQ(read(whole.substr(0, n)), 0);
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_LE(objects().size(), 2u);  // never the last mesh
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
    }
    InitScene();
    EXPECT_EQ(read(whole), 1);
    EXPECT_EQ(objects().size(), 3u);
    ClearTexture(GetTexture(nullptr));
    SetFirstTexture(nullptr);
}

TEST_F(ThreeDsImportTest, UnknownChunksInARowEndTheFile) {
    std::string eleven, twelve;
    for (int i = 0; i < 11; ++i) eleven += chunk(0x7000 + i, "");
    twelve = eleven + chunk(0x7777, "");
    EXPECT_EQ(read(chunk(0x4D4D, eleven + chunk(0x3D3D, triangleMesh("after")))), 1);
    EXPECT_EQ(objects().size(), 1u);
    InitScene();
    EXPECT_EQ(read(chunk(0x4D4D, twelve + chunk(0x3D3D, triangleMesh("after")))), 0);
    EXPECT_TRUE(objects().empty());
    EXPECT_EQ(Read3DS(dir.file("none").c_str()), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to import 3D-Studio file " + dir.file("none.3DS") + "\n", 0), 0u);
}

}  // namespace
}  // namespace kxtest
