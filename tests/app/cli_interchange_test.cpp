// Exports and imports of the mesh formats other tools exchange, checked with
// those tools: the names the user gives are the files written, and an export
// that would hold nothing fails instead of replacing a file with nothing.
#include <gtest/gtest.h>

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
    // The triangles assimp finds in a file, or -1.
    long assimpFaces(const std::string& name) {
        std::string out;
        if (run({"assimp", "info", dir.file(name)}, out).exitCode != 0) return -1;
        std::smatch m;
        return std::regex_search(out, m, std::regex("\\nFaces:\\s+([0-9]+)")) ? std::stol(m[1]) : -1;
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
    // A VRML 2 file named .wrl loads in a VRML 2 reader without a word.
    if (!kx::platform::findProgram("tovrmlx3d").empty()) {
        // Only standard error is kept: the converted scene goes away.
        std::string errors;
        EXPECT_EQ(run({"sh", "-c", "tovrmlx3d two.wrl >/dev/null"}, errors).exitCode, 0);
        EXPECT_EQ(errors, "");
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
