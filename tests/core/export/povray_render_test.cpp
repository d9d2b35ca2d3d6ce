// Scenes exported for POV-Ray 3 are rendered by the real renderer: the render
// must succeed and the image must show something.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core_fixture.h"
#include "kxplatform/process.h"
#include "triangle_lists.h"

namespace kxtest {
namespace {

constexpr const char* kPovray = "/usr/bin/povray";

// Pixels of an uncompressed 24- or 32-bit Targa, as the renderer writes with +FT.
std::vector<unsigned char> targaPixels(const std::string& path, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), {});
    if (data.size() < 18 || data[2] != 2) return {};
    width = data[12] | (data[13] << 8);
    height = data[14] | (data[15] << 8);
    size_t start = 18 + data[0];
    return std::vector<unsigned char>(data.begin() + static_cast<long>(std::min(start, data.size())), data.end());
}

class PovrayRenderTest : public SceneTest {
protected:
    // Exports in POV-Ray 3 and renders at 160 x 120; returns the renderer's output.
    std::string render(int& exitCode, std::vector<unsigned char>& pixels) {
        std::string pov = dir.file("scene.pov");
        StandardFile* f = StdOpenFile(pov.c_str(), KX_OPEN_CREATE);
        f->type = KX_FILETYPE_POVRAY3;
        EXPECT_EQ(ExportObjects(f), 1);
        EXPECT_EQ(StdCloseFile(f), 1);
        kx::platform::CommandRunner runner;
        EXPECT_TRUE(runner.start({kPovray, "-D", "+FT", "+W160", "+H120", "+Iscene.pov", "+Oscene.tga"},
                                 dir.path().string(), true, {}));
        kx::platform::RunResult r = runner.wait();
        exitCode = r.exitCode;
        int w = 0, h = 0;
        pixels = targaPixels(dir.file("scene.tga"), w, h);
        EXPECT_EQ(w, 160);
        EXPECT_EQ(h, 120);
        return runner.output();
    }
};

TEST_F(PovrayRenderTest, EveryKindOfObjectRenders) {
    ASSERT_TRUE(std::filesystem::exists(kPovray)) << "scripts/setup-deps.sh installs povray";
    for (int (*create)() : {CreateDefaultSphere, CreateDefaultDisc, CreateDefaultCylinder, CreateDefaultCone,
                            CreateDefaultTorus, CreateDefaultBox, CreateDefaultBlob, CreateDefaultPatch,
                            CreateDefaultPlane, CreateDefaultUserDefined, CreateDefaultHeightfield}) {
        create();
        CadObject* o = GetLastCadObject();
        o->translate = Point3d{static_cast<float>(GetCadObjectsCount() % 5) * 2 - 4, 0,
                               static_cast<float>(GetCadObjectsCount() / 5) * 2 - 2};
    }
    CadObject* plane = GetCadObjectByName("_plane0");
    plane->translate = Point3d{0, -2, 0};
    SetObjectMaterial(plane, "Jade", 2);
    CadObject* user = GetCadObjectByName("_userdefined0");
    SetCadObjectProperty(user, "UserInline", "sphere { 0, 0.5 }");
    CadObject* field = GetCadObjectByName("_heightfield0");
    std::ofstream(dir.file("hills.pgm"), std::ios::binary) << "P5\n2 2\n255\n" << std::string("\x10\x80\xff\x40", 4);
    SetCadObjectProperty(field, "HeightfieldFile", "hills.pgm");
    SetObjectMaterial(GetCadObjectByName("_sphere0"), "Rgb.255.128.0", 1);
    SetObjectMaterial(GetCadObjectByName("_box0"), "Red", 1);
    SetObjectMaterial(GetCadObjectByName("_torus0"), "Gold_Metal+Clouds", 2);
    GetCadObjectByName("_cone0")->extraPoint.x = 0.5f;  // a truncated cone
    // A smooth mesh, a degenerate cylinder and a mesh without triangles.
    Point3d tris[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    ListEntry* list = AddEntry(3, nullptr, tris);
    AddEntry(3, list, tris + 3);
    SmoothObject(AddObject("smooth mesh", list, 2, KX_POLYGON));
    NewDefaultCadObject("hollow", KX_POLYGON);
    CreateDefaultCylinder();
    GetLastCadObject()->size.y = 0;
    // Groups with each operation.
    for (unsigned op = 0; op < 4; ++op) {
        CadObject* group = CreateDefaultGroup();
        group->extraPoint.x = static_cast<float>(op);
        CreateDefaultSphere();
        CadObject* a = GetLastCadObject();
        CreateDefaultBox();
        CadObject* b = GetLastCadObject();
        for (CadObject* m : {a, b}) {
            m->groupId = group->groupId;
            m->translate = Point3d{static_cast<float>(op) * 2 - 3, 2, 0};
        }
    }
    CreateDefaultLight();
    GetLastCadObject()->translate = Point3d{10, 20, 30};
    CreateDefaultLight();
    CadObject* spot = GetLastCadObject();
    spot->translate = Point3d{0, 10, 10};
    SetCadObjectProperty(spot, "LightType", 1u);
    SetCadObjectProperty(spot, "LightFalloff", 30.0);
    SetCadObjectProperty(spot, "LightRadius", 20.0);
    CreateDefaultLight();
    CadObject* area = GetLastCadObject();
    area->translate = Point3d{-10, 10, 10};
    SetCadObjectProperty(area, "LightType", 2u);
    int exitCode = -1;
    std::vector<unsigned char> pixels;
    std::string output = render(exitCode, pixels);
    ASSERT_EQ(exitCode, 0) << output << "\n" << dir.read("scene.pov");
    ASSERT_FALSE(pixels.empty());
    size_t differing = 0;
    for (size_t i = 3; i < pixels.size(); ++i) differing += pixels[i] != pixels[i % 3];
    EXPECT_GT(differing, pixels.size() / 20) << "the image is blank";
}

TEST_F(PovrayRenderTest, ExampleSceneInEveryDialect) {
    ASSERT_TRUE(std::filesystem::exists(kPovray));
    std::filesystem::copy_file(std::string(KALVEX_EXAMPLES_DIR) + "/hills.pgm", dir.file("hills.pgm"));
    ASSERT_EQ(LoadScene(GetCurrentScene(), (std::string(KALVEX_EXAMPLES_DIR) + "/showcase.cad").c_str()), 1);
    for (unsigned format : {10u, 11u, 12u}) {
        SCOPED_TRACE(format);
        std::string name = "dialect" + std::to_string(format);
        ASSERT_EQ(Write3Dfile(GetCurrentScene(), dir.file(name + ".txt").c_str(), format), 1);
        std::string text = dir.read(name + ".pov");
        // POV-Ray 1 writes vectors without commas, which today's renderer no
        // longer reads; the other two dialects must render.
        if (format == 12) {
            EXPECT_NE(text.find("sphere {  < 0 0 0 > 1"), std::string::npos);
            continue;
        }
        kx::platform::CommandRunner runner;
        ASSERT_TRUE(runner.start({kPovray, "-D", "+FT", "+W80", "+H60", "+I" + name + ".pov", "+O" + name + ".tga"},
                                 dir.path().string(), true, {}));
        EXPECT_EQ(runner.wait().exitCode, 0) << runner.output();
        EXPECT_TRUE(std::filesystem::exists(dir.file(name + ".tga")));
    }
}

// A wave of 2 x 20 x 20 triangles across the view, flat or smooth, and a light.
CadObject* waveMesh(bool smooth) {
    auto at = [](unsigned i, unsigned j) {
        float x = -5.0f + static_cast<float>(i) * 0.5f, z = -5.0f + static_cast<float>(j) * 0.5f;
        return Point3d{x, std::sin(x) * std::cos(z), z};
    };
    const kxtest::TriangleList wave = kxtest::triangleGrid(20, at);
    CadObject* mesh = AddObject(smooth ? "smooth_wave" : "flat_wave", wave.head(), wave.count(), KX_POLYGON);
    if (smooth) SmoothObject(mesh);
    SetObjectMaterial(mesh, "Rgb.200.120.40", 1);
    return mesh;
}

TEST_F(PovrayRenderTest, Mesh2RendersAsTheTriangleMeshDoes) {
    ASSERT_TRUE(std::filesystem::exists(kPovray));
    CreateDefaultLight();
    GetLastCadObject()->translate = Point3d{5, 15, 10};
    for (bool smooth : {false, true}) {
        SCOPED_TRACE(smooth);
        CadObject* mesh = waveMesh(smooth);
        std::vector<unsigned char> images[2];
        for (int mesh2 = 0; mesh2 < 2; ++mesh2) {
            SetExportMesh2(mesh2);
            int exitCode = -1;
            std::string output = render(exitCode, images[mesh2]);
            ASSERT_EQ(exitCode, 0) << output << dir.read("scene.pov").substr(0, 3000);
            EXPECT_EQ(dir.read("scene.pov").find("mesh2 {") != std::string::npos, mesh2 == 1);
        }
        SetExportMesh2(0);
        ASSERT_EQ(images[0].size(), images[1].size());
        constexpr size_t kPixels = 160 * 120;
        const size_t depth = images[0].size() / kPixels;  // 3 or 4 bytes; a footer may follow
        ASSERT_GE(depth, 3u);
        size_t differing = 0, lit = 0;
        for (size_t p = 0; p < kPixels; ++p) {
            const unsigned char* a = &images[0][p * depth];
            differing += std::memcmp(a, &images[1][p * depth], 3) != 0;
            lit += a[0] + a[1] + a[2] > 30;
        }
        EXPECT_LE(differing, kPixels / 200);  // at most 0.5% of the pixels
        EXPECT_GT(lit, kPixels / 50);          // and the mesh is in the picture
        DeleteCadObject(mesh);
    }
}

}  // namespace
}  // namespace kxtest
