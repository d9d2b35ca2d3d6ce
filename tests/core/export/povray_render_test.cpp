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

namespace kxtest {
namespace {

// The mean brightness (0..765) of the pixels in rows [top, bottom) of a 160 x 120 image.
double meanBrightness(const std::vector<unsigned char>& pixels, int top, int bottom) {
    constexpr int kWidth = 160;
    const size_t depth = pixels.size() / (160 * 120);
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char* p = &pixels[(static_cast<size_t>(y) * kWidth + x) * depth];
            sum += p[0] + p[1] + p[2];
        }
    return sum / ((bottom - top) * kWidth);
}

// How sharp the image is: the mean brightness step between neighbouring 4 x
// 4 blocks, so that the grain of a sampled blur does not count as detail.
double sharpness(const std::vector<unsigned char>& pixels) {
    const size_t depth = pixels.size() / (160 * 120);
    double blocks[30][40] = {};
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const unsigned char* p = &pixels[(static_cast<size_t>(y) * 160 + x) * depth];
            blocks[y / 4][x / 4] += p[0] + p[1] + p[2];
        }
    double sum = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x + 1 < 40; ++x) sum += std::fabs(blocks[y][x] - blocks[y][x + 1]) / 16;
    return sum / (30 * 39);
}

// The share of pixels whose colour moved by more than a few steps.
double changedShare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    const size_t depth = a.size() / (160 * 120);
    size_t changed = 0;
    for (size_t p = 0; p < 160 * 120; ++p)
        changed += std::abs(a[p * depth] + a[p * depth + 1] + a[p * depth + 2] - b[p * depth] - b[p * depth + 1] -
                            b[p * depth + 2]) > 12;
    return static_cast<double>(changed) / (160 * 120);
}

struct SettingGroup {
    const char* name;
    std::vector<std::pair<const char*, const char*>> settings;
    // How the picture must differ from the one without the group.
    bool (*differs)(const std::vector<unsigned char>& plain, const std::vector<unsigned char>& with);
};

TEST_F(PovrayRenderTest, EachSceneSettingGroupChangesThePicture) {
    ASSERT_TRUE(std::filesystem::exists(kPovray));
    // A floor, a back wall, a ball in front and a light: the image's top rows
    // are background, the wall shades part of the floor.
    CadObject* floor = add(CreateDefaultPlane);
    floor->translate = Point3d{0, -1, 0};
    SetObjectMaterial(floor, "Jade", 2);  // detail that a blur smooths away
    CadObject* wall = add(CreateDefaultBox);
    wall->size = Point3d{8, 3, 0.2f};
    wall->translate = Point3d{0, 0.5f, -3};
    CadObject* ball = add(CreateDefaultSphere);
    ball->translate = Point3d{1, 0, 2};
    SetObjectMaterial(ball, "Red", 1);
    CadObject* light = add(CreateDefaultLight);
    light->translate = Point3d{5, 10, 10};
    int exitCode = -1;
    std::vector<unsigned char> plain;
    const std::string plainOutput = render(exitCode, plain);
    ASSERT_EQ(exitCode, 0) << plainOutput;
    const SettingGroup groups[] = {
        {"fog", {{"Fog", "Constant"}, {"FogDistance", "4"}, {"FogColour", "1 1 1"}},
         [](const auto& a, const auto& b) { return meanBrightness(b, 0, 10) > meanBrightness(a, 0, 10) + 100; }},
        // Light bounced off the floor and the wall replaces the flat ambient light.
        {"radiosity", {{"Radiosity", "Fast"}}, [](const auto& a, const auto& b) { return changedShare(a, b) > 0.2; }},
        {"sky sphere", {{"SkyColours", "1 1 1 0.2 0.4 1"}},
         [](const auto& a, const auto& b) { return meanBrightness(b, 0, 10) > meanBrightness(a, 0, 10) + 100; }},
        {"media", {{"MediaScattering", "Isotropic"}, {"MediaColour", "1 1 1"}, {"MediaDensity", "0.05"}},
         [](const auto& a, const auto& b) { return meanBrightness(b, 40, 80) != meanBrightness(a, 40, 80); }},
        {"focal blur", {{"Aperture", "1.5"}, {"BlurSamples", "40"}, {"FocalPoint", "0 0 -30"}},
         [](const auto& a, const auto& b) { return sharpness(b) < sharpness(a) * 0.9; }},
        {"global", {{"AmbientLight", "3 3 3"}},
         [](const auto& a, const auto& b) { return meanBrightness(b, 60, 120) > meanBrightness(a, 60, 120) + 5; }},
    };
    for (const SettingGroup& g : groups) {
        SCOPED_TRACE(g.name);
        for (const auto& [name, value] : g.settings) ASSERT_EQ(SetSceneSetting(name, value), 1) << name;
        std::vector<unsigned char> with;
        const std::string output = render(exitCode, with);
        ClearSceneSettings();
        ASSERT_EQ(exitCode, 0) << output << dir.read("scene.pov");
        ASSERT_EQ(with.size(), plain.size());
        EXPECT_TRUE(g.differs(plain, with)) << "top " << meanBrightness(plain, 0, 10) << " -> "
                                            << meanBrightness(with, 0, 10) << ", floor " << meanBrightness(plain, 60, 120)
                                            << " -> " << meanBrightness(with, 60, 120) << ", changed " << changedShare(plain, with) << ", sharpness "
                                            << sharpness(plain) << " -> " << sharpness(with);
    }
}

}  // namespace
}  // namespace kxtest
