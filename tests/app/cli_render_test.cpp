// The program's render job end to end: the real kalvex binary, the real POV-Ray.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "kxplatform/process.h"
#include "pixmo.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class CliRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
        // A home of its own: the program seeds its data folder and settings there.
        setenv("HOME", dir.path().c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("KALVEX_CONFIG");
        for (const char* name : {"showcase.cad", "hills.pgm"})
            fs::copy_file(fs::path(KALVEX_EXAMPLES_DIR) / name, dir.path() / name);
    }
    kx::platform::RunResult kalvex(const std::vector<std::string>& args, std::string& output) {
        std::vector<std::string> argv = {KALVEX_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        kx::platform::CommandRunner runner;
        EXPECT_TRUE(runner.start(argv, dir.path().string(), true, {}));
        kx::platform::RunResult r = runner.wait();
        output = runner.output();
        return r;
    }
    kxtest::TempDir dir;
};

TEST_F(CliRenderTest, RendersTheExampleScene) {
    std::string output;
    kx::platform::RunResult r = kalvex({"--render", "showcase.cad", "--width", "160", "--height", "120"}, output);
    ASSERT_EQ(r.exitCode, 0) << output;
    EXPECT_NE(output.find("Image: " + dir.file("showcase.tga")), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.file(".local/share/kalvex/KALVEX.INF")));
    // The image reads back through the image library and is not blank.
    static int owner;
    pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");
    ASSERT_NE(pxDisplayImageEx(reinterpret_cast<HWND>(&owner), dir.file("showcase.tga").c_str(), 1), 0);
    uint32_t first = pxGetPixelRGB(nullptr, 0, 0);
    int differing = 0;
    for (int y = 0; y < 120; y += 4)
        for (int x = 0; x < 160; x += 4) differing += pxGetPixelRGB(nullptr, x, y) != first;
    EXPECT_GT(differing, 100);
    pxUnRegisterApplication();
}

TEST_F(CliRenderTest, ARefusedSceneReportsTheRenderersWords) {
    std::ofstream(dir.file("broken.cad")) << "version 2.0\r\nUserdefined\r\n{\r\n\tName bad\r\n"
                                             "\tUserInline \"sphere { nonsense }\"\r\n\tsize 1 1 1\r\n}\r\n"
                                             "Light\r\n{\r\n\tName l\r\n\tposition 0 5 5\r\n}\r\n";
    std::string output;
    kx::platform::RunResult r = kalvex({"--render", "broken.cad", "--width", "32", "--height", "24"}, output);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(output.find("Kalvex: Error rendering scene, command exit code 1 "), std::string::npos) << output;
    EXPECT_NE(output.find("Parse Error"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir.file("broken.tga")));
}

TEST_F(CliRenderTest, ExportAndMistakes) {
    std::string output;
    EXPECT_EQ(kalvex({"--export", "showcase.cad", "out dir.txt", "--type", "Povray2"}, output).exitCode, 0) << output;
    EXPECT_TRUE(fs::exists(dir.file("out dir.pov")));  // the type's extension replaces the given one
    // Every other renderer format, by id and by name; the job says where it wrote.
    struct Type {
        const char* id;
        const char* name;
        const char* file;
    } types[] = {{"14", "Nff", "out.nff"},       {"19", "Polyray", "out.pi"},  {"22", "Dxf", "out.dxf"},
                 {"23", "RenderMan", "out.rib"}, {"24", "Vrml", "out.wrl"},    {"38", "vrml2", "out.vrm"},
                 {"34", "Wavefront", "out.OBJ"}};
    for (const Type& t : types) {
        for (const char* type : {t.id, t.name}) {
            SCOPED_TRACE(type);
            fs::remove(dir.file(t.file));
            EXPECT_EQ(kalvex({"--export", "showcase.cad", "out", "--type", type}, output).exitCode, 0) << output;
            EXPECT_NE(output.find("Exported: out" + std::string(t.file).substr(3)), std::string::npos) << output;
            EXPECT_GT(fs::exists(dir.file(t.file)) ? fs::file_size(dir.file(t.file)) : 0u, 100u);
        }
    }
    EXPECT_EQ(kalvex({"--export", "missing.cad", "x.pov"}, output).exitCode, 1);
    EXPECT_NE(output.find("no such scene"), std::string::npos);
    EXPECT_EQ(kalvex({"--render"}, output).exitCode, 2);
    EXPECT_NE(output.find("usage: kalvex"), std::string::npos);
}

}  // namespace
