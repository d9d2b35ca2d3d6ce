// Exports and imports of the mesh formats other tools exchange, checked with
// those tools: the names the user gives are the files written, and an export
// that would hold nothing fails instead of replacing a file with nothing.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace {

namespace fs = std::filesystem;

class CliInterchangeTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fs::copy_file(std::string(KALVEX_EXAMPLES_DIR) + "/showcase.cad", dir.file("showcase.cad"));
        std::ofstream(dir.file("lights.cad")) << "version 2.0\r\nLight\r\n{\r\n\tName l\r\n\tposition 0 5 5\r\n}\r\n";
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir.file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // A number assimp reports of a file ("Faces", "Meshes"), or -1.
    long assimpCount(const std::string& name, const char* what = "Faces") {
        std::string out;
        if (run({"assimp", "info", dir.file(name)}, out).exitCode != 0) return -1;
        std::smatch m;
        return std::regex_search(out, m, std::regex(std::string("\\n") + what + ":\\s+([0-9]+)")) ? std::stol(m[1]) : -1;
    }
    long assimpFaces(const std::string& name) { return assimpCount(name); }
    // The box assimp reports, as its text.
    std::string assimpBounds(const std::string& name) {
        std::string out;
        run({"assimp", "info", dir.file(name)}, out);
        std::smatch m;
        return std::regex_search(out, m, std::regex("Minimum point\\s+(\\([^)]*\\))\\s+Maximum point\\s+(\\([^)]*\\))"))
                   ? m[1].str() + " " + m[2].str()
                   : "";
    }
    static std::string npmTool(const char* name) {
        const std::string path = std::string(KALVEX_SOURCE_DIR) + "/tools/npm/node_modules/" + name;
        return fs::exists(path) ? path : "";
    }
};

// The showcase in every mesh format holds the same triangles, each format's
// file is read by another program, and our own reader takes it back.
TEST_F(CliInterchangeTest, TheShowcaseInEveryMeshFormatHoldsTheSameTriangles) {
    if (kx::platform::findProgram("assimp").empty()) GTEST_SKIP() << "scripts/setup-deps.sh installs assimp-utils";
    std::string output;
    ASSERT_EQ(kalvex({"--export", "showcase.cad", "out.obj"}, output).exitCode, 0) << output;
    const long faces = assimpFaces("out.obj");
    ASSERT_GT(faces, 1000);
    for (const char* name : {"out.stl", "out.ply", "out.v2.stl"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(kalvex({"--export", "showcase.cad", name}, output).exitCode, 0) << output;
        EXPECT_NE(output.find(std::string("Exported: ") + dir.file(name)), std::string::npos) << output;
        EXPECT_EQ(assimpFaces(name), faces);
        // Read back by our own reader and written as the other format.
        ASSERT_EQ(kalvex({"--export", name, "back.obj"}, output).exitCode, 0) << output;
        EXPECT_EQ(assimpFaces("back.obj"), faces);
        ASSERT_EQ(kalvex({"--export", name, "back.pov"}, output).exitCode, 0) << output;
        EXPECT_NE(read("back.pov").find("mesh"), std::string::npos);
    }
}

// glTF exports pass the format's own validator, and another reader finds
// every object and triangle in them.
TEST_F(CliInterchangeTest, GltfExportsAreValidAndHoldEveryObject) {
    if (kx::platform::findProgram("assimp").empty()) GTEST_SKIP() << "scripts/setup-deps.sh installs assimp-utils";
    std::string output;
    ASSERT_EQ(kalvex({"--export", "showcase.cad", "out.obj"}, output).exitCode, 0) << output;
    const long faces = assimpFaces("out.obj"), meshes = assimpCount("out.obj", "Meshes");
    const bool validator = !npmTool("gltf-validator").empty() && !kx::platform::findProgram("node").empty();
    for (const char* name : {"out.glb", "out.gltf"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(kalvex({"--export", "showcase.cad", name}, output).exitCode, 0) << output;
        EXPECT_EQ(assimpFaces(name), faces);
        EXPECT_EQ(assimpCount(name, "Meshes"), meshes);
        EXPECT_EQ(assimpCount(name, "Cameras"), 1);
        EXPECT_EQ(assimpBounds(name), assimpBounds("out.obj"));
        if (validator) {
            std::string report;
            EXPECT_EQ(run({"node", std::string(KALVEX_SOURCE_DIR) + "/tests/tools/validate_gltf.js", dir.file(name)}, report)
                          .exitCode,
                      0)
                << report;
            EXPECT_NE(report.find("errors 0 "), std::string::npos) << report;
        }
        ASSERT_EQ(kalvex({"--export", name, "back.obj"}, output).exitCode, 0) << output;
        EXPECT_EQ(assimpFaces("back.obj"), faces);
    }
    EXPECT_TRUE(fs::exists(dir.file("out.bin"))) << "the .gltf's buffer beside it";
    // A mesh with texture coordinates keeps them, and stays valid.
    std::ofstream(dir.file("uv.obj")) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\ng tri\nf 1/1 2/2 3/3\n";
    ASSERT_EQ(kalvex({"--export", "uv.obj", "uv.glb"}, output).exitCode, 0) << output;
    EXPECT_NE(read("uv.glb").find("\"TEXCOORD_0\""), std::string::npos);
    if (validator) {
        std::string report;
        EXPECT_EQ(run({"node", std::string(KALVEX_SOURCE_DIR) + "/tests/tools/validate_gltf.js", dir.file("uv.glb")}, report)
                      .exitCode,
                  0)
            << report;
    }
    if (!validator) GTEST_SKIP() << "scripts/setup-deps.sh installs the npm glTF validator";
}

// A mesh painted with a picture takes it into glTF as its base colour
// texture: inside a .glb, beside a .gltf (copied there when it lies
// elsewhere), and our reader finds it again (keeping the one inside a .glb
// as a file beside it). A picture glTF cannot hold leaves the colour alone.
TEST_F(CliInterchangeTest, PaintedMeshesCarryTheirPictureIntoGltf) {
    fs::create_directories(dir.file("model"));
    fs::create_directories(dir.file("other"));
    const unsigned char rgb[12] = {255, 0, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 2;
    image.format = PNG_FORMAT_RGB;
    ASSERT_NE(png_image_write_to_file(&image, dir.file("model/red blue.png").c_str(), 0, rgb, 0, nullptr), 0);
    std::ofstream(dir.file("model/red blue.tga")) << "not read";
    const bool validator = !npmTool("gltf-validator").empty() && !kx::platform::findProgram("node").empty();
    struct Case {
        const char* picture;
        const char* output;
        const char* uri;          // of the image in the JSON; empty for an image inside the file
        const char* beside;       // the picture the reader finds again; empty for none
    } cases[] = {
        {"red blue.png", "painted.glb", "", "painted_0.png"},
        {"red blue.png", "painted.gltf", "model/red%20blue.png", "model/red blue.png"},
        {"red blue.png", "other/painted.gltf", "red%20blue.png", "other/red blue.png"},
        {"red blue.tga", "plain.gltf", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::ofstream(dir.file("model/quad.mtl")) << "newmtl paint\nKd 1 1 1\nmap_Kd " << c.picture << "\n";
        std::ofstream(dir.file("model/quad.obj")) << "mtllib quad.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                                     "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl paint\n"
                                                     "f 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";
        std::string output;
        ASSERT_EQ(kalvex({"--export", "model/quad.obj", c.output}, output).exitCode, 0) << output;
        const std::string text = read(c.output);
        if (!c.uri) {
            EXPECT_EQ(text.find("\"images\""), std::string::npos) << text;
        } else if (*c.uri) {
            EXPECT_NE(text.find(std::string("\"uri\": \"") + c.uri + "\""), std::string::npos) << text;
        } else {
            EXPECT_NE(text.find("\"mimeType\":\"image/png\""), std::string::npos);
        }
        if (validator) {
            std::string report;
            EXPECT_EQ(run({"node", std::string(KALVEX_SOURCE_DIR) + "/tests/tools/validate_gltf.js", dir.file(c.output)},
                          report).exitCode, 0) << report;
            EXPECT_NE(report.find("errors 0 "), std::string::npos) << report;
        }
        ASSERT_EQ(kalvex({"--export", c.output, "back.pov"}, output).exitCode, 0) << output;
        if (*c.beside) {
            EXPECT_EQ(read(c.beside), read("model/red blue.png"));
        }
        const std::string pov = read("back.pov");
        const std::string painted =
            *c.beside ? "image_map { png \"" + fs::canonical(dir.file(c.beside)).string() + "\"" : "image_map";
        EXPECT_EQ(pov.find(painted) != std::string::npos, *c.beside != '\0') << pov;
    }
}

// Models written by other programs from one OBJ fixture: we read the
// triangles their reader reports, and they stand where the fixture put them.
TEST_F(CliInterchangeTest, ModelsOfOtherWritersAreRead) {
    if (kx::platform::findProgram("assimp").empty()) GTEST_SKIP() << "scripts/setup-deps.sh installs assimp-utils";
    std::ofstream(dir.file("fix.obj")) << "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nv 0 0 3\nv 2 0 3\nv 1 3 3\n"
                                          "g first\nf 1 2 3 4\ng second\nf 5 6 7\n";
    struct Maker {
        const char* file;
        std::vector<std::string> command;  // empty: the tool is not installed
    };
    const std::string gltfpack = kx::platform::findProgram("gltfpack");
    const std::string obj2gltf = npmTool("obj2gltf");
    const Maker makers[] = {
        {"a.glb", {"assimp", "export", "fix.obj", "a.glb", "-fglb2"}},
        {"a.gltf", {"assimp", "export", "fix.obj", "a.gltf", "-fgltf2"}},
        {"text.stl", {"assimp", "export", "fix.obj", "text.stl", "-fstl"}},
        {"binary.stl", {"assimp", "export", "fix.obj", "binary.stl", "-fstlb"}},
        {"text.ply", {"assimp", "export", "fix.obj", "text.ply", "-fply"}},
        {"binary.ply", {"assimp", "export", "fix.obj", "binary.ply", "-fplyb"}},
        // Quantised positions with the dequantising transform in the node.
        {"packed.glb", gltfpack.empty() ? std::vector<std::string>{} : std::vector<std::string>{gltfpack, "-i", "fix.obj", "-o", "packed.glb"}},
        {"o.gltf", obj2gltf.empty() ? std::vector<std::string>{}
                                    : std::vector<std::string>{"node", obj2gltf + "/bin/obj2gltf.js", "-i", "fix.obj", "-o", "o.gltf"}},
    };
    int skipped = 0;
    for (const Maker& m : makers) {
        SCOPED_TRACE(m.file);
        if (m.command.empty()) {
            ++skipped;
            continue;
        }
        std::string output;
        ASSERT_EQ(run(m.command, output).exitCode, 0) << output;
        ASSERT_EQ(kalvex({"--export", m.file, "back.obj"}, output).exitCode, 0) << output;
        EXPECT_EQ(assimpFaces("back.obj"), 3);
        EXPECT_EQ(assimpFaces(m.file), 3);
        EXPECT_EQ(assimpBounds("back.obj"), "(0.000000 0.000000 0.000000) (2.000000 3.000000 3.000000)");
    }
    if (skipped) GTEST_SKIP() << "scripts/setup-deps.sh installs gltfpack and obj2gltf";
}

// The output's last extension names its type, and the file written is the
// one named: nothing is cut at the first dot, nothing unrelated replaced.
TEST_F(CliInterchangeTest, OutputNamesAreKeptWhole) {
    std::ofstream(dir.file("my.pov")) << "unrelated\n";
    struct Case {
        std::vector<std::string> args;
        const char* written;
        const char* firstLine;  // of the written file
    } cases[] = {
        {{"my.scene.pov", "--type", "Povray3"}, "my.scene.pov", "//"},
        {{"house.v2.pov"}, "house.v2.pov", "//"},
        {{"out.v1.wrl"}, "out.v1.wrl", "#VRML V1.0"},
        {{"two", "--type", "Vrml2"}, "two.wrl", "#VRML V2.0"},
        {{"two.vrm", "--type", "Vrml2"}, "two.vrm", "#VRML V2.0"},
        {{"mesh", "--type", "Ply"}, "mesh.ply", "ply"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        std::vector<std::string> args = {"--export", "showcase.cad"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string output;
        ASSERT_EQ(kalvex(args, output).exitCode, 0) << output;
        EXPECT_NE(output.find(std::string("Exported: ") + dir.file(c.written)), std::string::npos) << output;
        EXPECT_EQ(read(c.written).rfind(c.firstLine, 0), 0u);
    }
    EXPECT_EQ(read("my.pov"), "unrelated\n");
    // VRML 1 and 2 files named .wrl load in a VRML reader without a word.
    if (!kx::platform::findProgram("tovrmlx3d").empty()) {
        for (const char* world : {"two.wrl", "out.v1.wrl"}) {
            SCOPED_TRACE(world);
            // Only standard error is kept: the converted scene goes away.
            std::string errors;
            EXPECT_EQ(run({"sh", "-c", std::string("tovrmlx3d ") + world + " >/dev/null"}, errors).exitCode, 0);
            EXPECT_EQ(errors, "");
        }
    }
}

// The formats that name an image size take the Render Settings' one.
TEST_F(CliInterchangeTest, ExportsNameTheRenderSettingsImageSize) {
    fs::create_directories(dir.file(".config/Velmora"));
    std::ofstream(dir.file(".config/Velmora/Kalvex.ini")) << "[Render]\nRenderX=800\nRenderY=450\n";
    struct Case {
        const char* file;
        const char* says;
    } cases[] = {{"out.pi", "resolution 800, 450"}, {"out.rib", "Format 800 450 1"}, {"out.nff", "resolution 800 450"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string output;
        ASSERT_EQ(kalvex({"--export", "showcase.cad", c.file}, output).exitCode, 0) << output;
        EXPECT_NE(read(c.file).find(c.says), std::string::npos) << read(c.file).substr(0, 300);
    }
}

// Nothing written where nothing could be: an unknown extension without
// --type, and a mesh format, or the raw facet list, of a scene with no mesh.
TEST_F(CliInterchangeTest, AnExportThatWouldHoldNothingFailsAndKeepsTheOldFile) {
    struct Case {
        std::vector<std::string> args;
        const char* output;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"showcase.cad", "out.xyz"}, "out.xyz", 2, "the type of " },
        {{"lights.cad", "out.stl"}, "out.stl", 1, "Nothing to export to "},
        {{"lights.cad", "out.ply"}, "out.ply", 1, "(left out: 1 light"},
        {{"lights.cad", "out.obj"}, "out.obj", 1, "Nothing to export to "},
        {{"showcase.cad", "out.raw", "--type", "Raw"}, "out.raw", 1, "Nothing to export to "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::ofstream(dir.file(c.output)) << "the user's own\n";
        std::vector<std::string> args = {"--export"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string output;
        EXPECT_EQ(kalvex(args, output).exitCode, c.exitCode) << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        EXPECT_EQ(output.find("Exported"), std::string::npos) << output;
        EXPECT_EQ(read(c.output), "the user's own\n");
    }
}

}  // namespace
