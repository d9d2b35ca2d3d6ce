// Our importers beside a third-party reader and writer of the same formats:
// the assimp command-line tool reads our fixtures and writes 3D Studio files
// from them, and what we import must hold the faces and meshes it reports.
#include <filesystem>
#include <regex>

#include "import_fixture.h"
#include "kxplatform/process.h"

namespace kxtest {
namespace {

constexpr const char* kAssimp = "/usr/bin/assimp";

struct AssimpInfo {
    long faces = -1;
    long meshes = -1;
};

class AssimpComparisonTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        if (!std::filesystem::exists(kAssimp)) GTEST_SKIP() << "scripts/setup-deps.sh installs assimp-utils";
    }
    std::string run(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {kAssimp};
        argv.insert(argv.end(), args.begin(), args.end());
        kx::platform::CommandRunner runner;
        EXPECT_TRUE(runner.start(argv, dir.path().string(), true, {}));
        const kx::platform::RunResult r = runner.wait();
        EXPECT_EQ(r.exitCode, 0) << runner.output();
        return runner.output();
    }
    // "assimp info" (triangulating) of a file; with raw, without post-processing.
    AssimpInfo info(const std::string& file, bool raw) {
        std::vector<std::string> args = {"info", file};
        if (raw) args.push_back("-r");
        const std::string text = run(args);
        AssimpInfo out;
        std::smatch m;
        if (std::regex_search(text, m, std::regex("\\nFaces:\\s+([0-9]+)"))) out.faces = std::stol(m[1]);
        if (std::regex_search(text, m, std::regex("\\nMeshes:\\s+([0-9]+)"))) out.meshes = std::stol(m[1]);
        return out;
    }
    struct Imported {
        long triangles = 0;
        long facetObjects = 0;
    };
    static Imported imported() {
        Imported out;
        for (CadObject* o : objects()) {
            if (o->type != KX_POLYGON) continue;
            ++out.facetObjects;
            out.triangles += static_cast<long>(triangles(o).size());
        }
        return out;
    }
};

// Groups of quads and a pentagon in two materials, each group on its own
// vertices (identical groups would be folded into one by the tool's
// post-processing).
std::string objFixture(int groups, int quadsPerSide) {
    std::string text = "# fixture\n";
    const int n = quadsPerSide + 1;
    int base = 0;
    for (int g = 0; g < groups; ++g) {
        const std::string z = std::to_string(g);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) text += "v " + std::to_string(i) + " " + std::to_string(j) + " " + z + "\n";
        text += "v 0 0 " + z + ".5\nv 2 0 " + z + ".5\nv 3 1 " + z + ".5\nv 1 2 " + z + ".5\nv -1 1 " + z + ".5\n";
        text += "g part" + z + "\nusemtl " + (g % 2 ? "blue" : "red") + "\n";
        for (int j = 0; j < quadsPerSide; ++j)
            for (int i = 0; i < quadsPerSide; ++i) {
                const int a = base + j * n + i + 1;
                text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n + 1) + " " +
                        std::to_string(a + n) + "\n";
            }
        text += "f";
        for (int k = 1; k <= 5; ++k) text += " " + std::to_string(base + n * n + k);
        text += "\n";
        base += n * n + 5;
    }
    return text;
}

TEST_F(AssimpComparisonTest, ObjFixturesAndTheirThreeDsExports) {
    struct Case {
        int groups, quads;
    } cases[] = {{1, 1}, {2, 3}, {5, 4}};
    for (const Case& c : cases) {
        const std::string stem = "fix" + std::to_string(c.groups) + "_" + std::to_string(c.quads);
        SCOPED_TRACE(stem);
        write(stem + ".obj", objFixture(c.groups, c.quads));
        InitScene();
        ASSERT_EQ(ReadOBJ(dir.file(stem + ".obj").c_str()), 1);
        const AssimpInfo objInfo = info(stem + ".obj", false);
        EXPECT_EQ(imported().triangles, objInfo.faces);
        EXPECT_EQ(imported().triangles, c.groups * (c.quads * c.quads * 2 + 3));

        run({"export", stem + ".obj", stem + ".3ds"});
        ClearScene(GetCurrentScene());
        InitScene();
        ASSERT_EQ(Read3DS(dir.file(stem + ".3ds").c_str()), 1) << ui.lastMessage();
        const AssimpInfo tdsInfo = info(stem + ".3ds", true);
        EXPECT_EQ(imported().triangles, tdsInfo.faces);
        EXPECT_EQ(imported().facetObjects, tdsInfo.meshes);
        // Every object took one of the two materials.
        for (CadObject* o : objects()) {
            if (o->type != KX_POLYGON) continue;
            EXPECT_EQ(o->materialType, 1u) << o->name;
            EXPECT_NE(GetTextureInfoByName(o->material), nullptr) << o->material;
        }
        ClearScene(GetCurrentScene());
        ClearTexture(GetTexture(nullptr));
        SetFirstTexture(nullptr);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(AssimpComparisonTest, FacesOfTheTextSamples) {
    // 3DFACE quads and triangles only: assimp pairs polyline vertices and
    // keeps lines, which the samples check on their own.
    std::string dxf = "0\nSECTION\n2\nENTITIES\n";
    for (int k = 0; k < 4; ++k) {
        const std::string z = std::to_string(k);
        const std::string fourth = k % 2 ? "1" : "0";
        dxf += "0\n3DFACE\n8\n0\n10\n0\n20\n0\n30\n" + z + "\n11\n1\n21\n0\n31\n" + z + "\n12\n1\n22\n1\n32\n" + z +
               "\n13\n" + fourth + "\n23\n1\n33\n" + z + "\n";
    }
    dxf += "0\nENDSEC\n0\nEOF\n";
    write("faces3d.dxf", dxf);
    ASSERT_EQ(ReadDXF(dir.file("faces3d.dxf").c_str()), 1);
    EXPECT_EQ(imported().triangles, 6);
    EXPECT_EQ(imported().triangles, info("faces3d.dxf", false).faces);

    ClearScene(GetCurrentScene());
    InitScene();
    // Polygons of NFF: assimp also tessellates spheres and cones, so only
    // the polygon entities are compared.
    write("polygons.nff", "f 1 0 0 1 0 0 0 1\np 4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\nf 0 1 0 1 0 0 0 1\n"
                          "pp 3\n0 0 5 0 1 0\n1 0 5 0 1 0\n0 1 5 0 1 0\np 5\n0 0 0\n2 0 0\n3 1 0\n1 2 0\n-1 1 0\n");
    ASSERT_EQ(ReadNFF(dir.file("polygons.nff").c_str()), 1);
    EXPECT_EQ(imported().triangles, 6);
    EXPECT_EQ(imported().triangles, info("polygons.nff", false).faces);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

}  // namespace
}  // namespace kxtest
