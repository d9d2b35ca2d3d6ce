// The program's render job end to end: the real kalvex binary, the real POV-Ray.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "every_kind_battery.h"
#include "targa_mask.h"
#include "small_disk.h"
#include "kxplatform/process.h"
#include "pixmo.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class CliRenderTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_TRUE(fs::exists("/usr/bin/povray")) << "scripts/setup-deps.sh installs povray";
        for (const char* name : {"showcase.cad", "hills.pgm", "rolling_ball.cad"})
            fs::copy_file(fs::path(KALVEX_EXAMPLES_DIR) / name, dir.path() / name);
    }
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

// Balls taken from a slab as a group of their own inside the difference
// render as the same balls taken from it one by one.
TEST_F(CliRenderTest, AGroupInsideADifferenceIsTakenAwayWhole) {
    using kxtest::member;
    const std::string front =
        "version 2.0\nCamera\n{\tName _camera0\n\tPosition 2 3 6\n\tLookAt 0 0 0\n\tUp 0 1 0\n\tRight -1.33 0 1\n}\n"
        "Light\n{\n\tName _light0\n\tsize 1 1 1\n\tscale 1 1 1\n\tposition -20 35 34\n}\nGroup\n{\n\tName cut\n" +
        kxtest::groupHead(3) + member("Box", "slab", "1.6 1.2 1.2", "0 0 0", 1, "Green");
    auto balls = [](int id, int depth) {
        return member("Sphere", "b1", "0.8 0.8 0.8", "0.6 0.4 0.6", id, "Green", depth) +
               member("Sphere", "b2", "0.8 0.8 0.8", "-0.6 -0.4 0.6", id, "Green", depth);
    };
    std::ofstream(dir.file("flat.cad")) << front << balls(1, 1) << "}\n";
    std::ofstream(dir.file("nested.cad")) << front << kxtest::innerUnion("balls", balls(2, 2)) << "}\n";
    kxtest::Mask flat, nested;
    for (auto [scene, picture, mask] : {std::tuple{"flat.cad", "flat.tga", &flat}, {"nested.cad", "nested.tga", &nested}}) {
        SCOPED_TRACE(scene);
        std::string output;
        ASSERT_EQ(kalvex({"--render", scene, "--width", "160", "--height", "120"}, output).exitCode, 0) << output;
        ASSERT_TRUE(kxtest::readMask(dir.file(picture), *mask));
    }
    EXPECT_GT(flat.covered(), 500);
    EXPECT_EQ(nested.on, flat.on);
    EXPECT_EQ(nested.rgb, flat.rgb);
}

// The example of the renderer's own shapes and scene settings exports each
// of them as the renderer's object or block, and renders.
TEST_F(CliRenderTest, TheRendererShapesExampleUsesEveryShapeAndSetting) {
    fs::copy_file(fs::path(KALVEX_EXAMPLES_DIR) / "povray37.cad", dir.path() / "povray37.cad");
    std::string output;
    ASSERT_EQ(kalvex({"--export", "povray37.cad", "out.pov"}, output).exitCode, 0) << output;
    const std::string pov = dir.read("out.pov");
    for (const char* word : {"superellipsoid {", "lathe {", "sor {", "prism {", "sphere_sweep {", "isosurface {",
                             "julia_fractal {", "radiosity {", "photons {", "fog {", "media {", "sky_sphere {",
                             " aperture ", "#include \"functions.inc\""})
        EXPECT_NE(pov.find(word), std::string::npos) << word;
    ASSERT_EQ(kalvex({"--render", "povray37.cad", "--width", "80", "--height", "60"}, output).exitCode, 0) << output;
    EXPECT_TRUE(fs::exists(dir.file("povray37.tga")));
}

// An installed example lies where nobody may write: its render lands in the
// current folder, and the files the scene names are still found beside it.
TEST_F(CliRenderTest, ASceneInAFolderNobodyMayWriteRendersHere) {
    const kxtest::SmallDisk installed(dir.file("installed"), "size=1m");
    if (!installed.mounted()) GTEST_SKIP() << "a read-only folder needs root to mount";
    for (const char* name : {"showcase.cad", "hills.pgm"})
        fs::copy_file(dir.path() / name, dir.path() / "installed" / name);
    ASSERT_TRUE(installed.makeReadOnly());
    fs::remove(dir.file("showcase.cad"));
    fs::remove(dir.file("hills.pgm"));
    std::string output;
    const kx::platform::RunResult r =
        kalvex({"--render", "installed/showcase.cad", "--width", "80", "--height", "60"}, output);
    ASSERT_EQ(r.exitCode, 0) << output;
    EXPECT_NE(output.find(dir.file("installed") + " cannot be written: the render goes to " + dir.path().string()),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Image: " + dir.file("showcase.tga")), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(dir.file("showcase.pov")));
    EXPECT_FALSE(fs::exists(dir.file("installed/showcase.tga")));
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
                 {"23", "RenderMan", "out.rib"}, {"24", "Vrml", "out.wrl"},    {"38", "vrml2", "out.wrl"},
                 {"34", "Wavefront", "out.OBJ"}};
    for (const Type& t : types) {
        for (const char* type : {t.id, t.name}) {
            SCOPED_TRACE(type);
            fs::remove(dir.file(t.file));
            EXPECT_EQ(kalvex({"--export", "showcase.cad", "out", "--type", type}, output).exitCode, 0) << output;
            EXPECT_NE(output.find("Exported: " + dir.file(t.file)), std::string::npos) << output;
            EXPECT_GT(fs::exists(dir.file(t.file)) ? fs::file_size(dir.file(t.file)) : 0u, 100u);
        }
    }
    EXPECT_EQ(kalvex({"--export", "missing.cad", "x.pov"}, output).exitCode, 1);
    EXPECT_NE(output.find("no such scene"), std::string::npos);
    EXPECT_EQ(kalvex({"--render"}, output).exitCode, 2);
    EXPECT_NE(output.find("usage: kalvex"), std::string::npos);
}

// A file that would grow past the user's size limit is not written: the job
// fails and says so, and the file it would have replaced stays whole.
TEST_F(CliRenderTest, AFileSizeLimitFailsTheWriteAndKeepsTheOldFile) {
    std::ofstream(dir.file("kept.pov")) << "the user's own\n";
    std::string output;
    const kx::platform::RunResult r = run({"/usr/bin/prlimit", "--fsize=2048", KALVEX_PROGRAM, "--export",
                                           "showcase.cad", "kept.pov"},
                                          output);
    EXPECT_EQ(r.exitCode, 1) << output;
    EXPECT_NE(output.find("File too large"), std::string::npos) << output;
    std::ifstream kept(dir.file("kept.pov"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), "the user's own\n");
}

// A scene that was not read whole is neither exported nor rendered as if it
// were; warnings alone keep the job going.
TEST_F(CliRenderTest, DamagedScenesFailTheJobWarningsDoNot) {
    struct Case {
        const char* name;
        const char* text;
        int exitCode;
        const char* said;
    } cases[] = {
        {"cut.cad", "version 2.0\r\nSphere { Name a }\r\nBox { Name b size 1", 1, "Error unexpected end of file"},
        {"nan.cad", "version 2.0\r\nSphere { Name a position 0 6 NaN }\r\n", 1, "Error reading file"},
        {"newer.cad", "version 2.0\r\nSphere { Name a }\r\nWidget { Name w }\r\nBox { Name b }\r\n", 0,
         "Unknown entity Widget in Kalvex file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(dir.file(c.name), std::ios::binary) << c.text;
        std::ofstream(dir.file("out.pov")) << "the previous export";
        std::string output;
        EXPECT_EQ(kalvex({"--export", c.name, "out.pov", "--type", "Povray3"}, output).exitCode, c.exitCode) << output;
        EXPECT_NE(output.find(c.said), std::string::npos) << output;
        std::ifstream in(dir.file("out.pov"));
        const std::string written((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(written == "the previous export", c.exitCode != 0);
        EXPECT_EQ(written.find("nan"), std::string::npos);
    }
}

// Every step of the road uses the one name made from the whole scene name, and
// no part of a name ever becomes an option or reaches a shell.
TEST_F(CliRenderTest, NamesWithDotsBlanksAndShellWordsRender) {
    fs::create_directory(dir.path() / "My Scenes");
    struct Case {
        std::string scene;  // relative to the test folder
        std::string image;
    } cases[] = {
        {"My Scenes/house.v2.cad", "My Scenes/house.v2.tga"},
        {"My Scenes/my scene.cad", "My Scenes/my scene.tga"},
        {"My Scenes/a $(touch pwned) b.cad", "My Scenes/a $(touch pwned) b.tga"},
    };
    std::ofstream(dir.file("My Scenes/house.pov")) << "// written by hand\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene);
        fs::copy_file(dir.path() / "showcase.cad", dir.path() / c.scene);
        fs::copy_file(dir.path() / "hills.pgm", dir.path() / "My Scenes" / "hills.pgm",
                      fs::copy_options::skip_existing);
        std::string output;
        EXPECT_EQ(kalvex({"--render", c.scene, "--width", "32", "--height", "24"}, output).exitCode, 0) << output;
        EXPECT_TRUE(fs::exists(dir.path() / c.image)) << output;
    }
    std::ifstream hand(dir.file("My Scenes/house.pov"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(hand)), {}), "// written by hand\n");
    EXPECT_FALSE(fs::exists(dir.path() / "My Scenes" / "pwned"));
    EXPECT_FALSE(fs::exists(dir.path() / "pwned"));

    // A line end in a folder name would make the rest an option of its own.
    const fs::path hostile = dir.path() / "x\n+Oinjected";
    fs::create_directory(hostile);
    fs::copy_file(dir.path() / "showcase.cad", hostile / "s.cad");
    std::string output;
    EXPECT_EQ(kalvex({"--render", (hostile / "s.cad").string(), "--width", "32", "--height", "24"}, output).exitCode, 1);
    EXPECT_NE(output.find("holds a line end or another control character"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir.path() / "injected"));
    EXPECT_FALSE(fs::exists(hostile / "injected"));
    // A double quote cannot be carried to the renderer: said, not attempted.
    fs::copy_file(dir.path() / "showcase.cad", dir.path() / "say \"hi\".cad");
    EXPECT_EQ(kalvex({"--render", "say \"hi\".cad", "--width", "32", "--height", "24"}, output).exitCode, 1);
    EXPECT_NE(output.find("holds a double quote"), std::string::npos) << output;
}

// The pixels of a 32 x 24 frame image.
std::vector<uint32_t> pixels(const std::string& path) { return kxtest::imagePixels(path, 32, 24); }

TEST_F(CliRenderTest, RendersEveryFrameOfAnAnimation) {
    std::string output;
    kx::platform::RunResult r =
        kalvex({"--render", "rolling_ball.cad", "--frames", "all", "--width", "32", "--height", "24"}, output);
    ASSERT_EQ(r.exitCode, 0) << output;
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const std::string image = dir.file("Rolling" + std::to_string(f) + ".tga");
        EXPECT_NE(output.find("Frame " + std::to_string(f) + ": " + image + "\n"), std::string::npos) << output;
    }
    const std::vector<uint32_t> first = pixels(dir.file("Rolling0.tga"));
    const std::vector<uint32_t> last = pixels(dir.file("Rolling2.tga"));
    ASSERT_EQ(first.size(), 32u * 24u);
    ASSERT_EQ(last.size(), first.size());
    size_t differing = 0;
    for (size_t i = 0; i < first.size(); ++i) differing += first[i] != last[i];
    // The ball moved from the left to the right; the floor and the sky stayed.
    EXPECT_GT(differing, 10u);
    EXPECT_LT(differing, first.size() / 2);
    EXPECT_FALSE(fs::exists(dir.file("rolling_ball.tga")));
}

TEST_F(CliRenderTest, FramesThatCannotBeRendered) {
    std::string output;
    EXPECT_EQ(kalvex({"--render", "rolling_ball.cad", "--frames", "3"}, output).exitCode, 2);
    EXPECT_NE(output.find("outside 0-2"), std::string::npos) << output;
    EXPECT_EQ(kalvex({"--render", "showcase.cad", "--frames", "all"}, output).exitCode, 2);
    EXPECT_NE(output.find("has no animation"), std::string::npos) << output;

    // A renderer that fails on frame 1 (its clock option says which frame it renders).
    fakeRenderer("for a in \"$@\"; do case \"$a\" in +K1) exit 3;; esac; done");
    kx::platform::RunResult r = kalvex({"--render", "rolling_ball.cad", "--frames", "0-2", "--inside-out"}, output);
    EXPECT_EQ(r.exitCode, 1) << output;
    EXPECT_NE(output.find("kalvex: frame 1 failed"), std::string::npos) << output;
    EXPECT_NE(output.find("Frame 0: "), std::string::npos) << output;
    EXPECT_NE(output.find("Frame 2: "), std::string::npos) << output;
    EXPECT_LT(output.find("Frame 2: "), output.find("frame 1 failed")) << output;  // inside out: 0, 2, 1
}

TEST_F(CliRenderTest, ImportedFilesExportAndRender) {
    std::string output;
    for (const char* name : {"quads.obj", "scene.nff", "faces.dxf", "blocks.dxf"}) {
        SCOPED_TRACE(name);
        fs::copy_file(fs::path(KALVEX_IMPORT_SAMPLES) / name, dir.path() / name, fs::copy_options::overwrite_existing);
        const std::string out = fs::path(name).stem().string() + "_" + fs::path(name).extension().string().substr(1);
        ASSERT_EQ(kalvex({"--export", name, out + ".pov"}, output).exitCode, 0) << output;
        std::ifstream in(dir.file(out + ".pov"));
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("camera"), std::string::npos);
        EXPECT_NE(text.find("triangle"), std::string::npos) << text;
    }
    // A material named as one of the renderer's own words ("blue") renders in
    // its colour, written where it is used instead of declared.
    ASSERT_EQ(kalvex({"--render", "quads.obj", "--width", "64", "--height", "48"}, output).exitCode, 0) << output;
    const std::string quads = dir.read("quads.pov");
    EXPECT_EQ(quads.find("(blue)"), std::string::npos);
    EXPECT_NE(quads.find("texture { pigment { color rgb < 0, 0, 1 > } }"), std::string::npos) << quads;
    EXPECT_NE(quads.find("#ifndef (red_1)"), std::string::npos);  // a name of the scene's own stays one
    // An imported mesh renders with the default camera framing it.
    std::ofstream(dir.file("plain.obj")) << "v 0 0 0\nv 4 0 0\nv 4 4 0\nv 0 4 0\ng plate\nf 1 2 3 4\n";
    kx::platform::RunResult r = kalvex({"--render", "plain.obj", "--width", "64", "--height", "48"}, output);
    EXPECT_EQ(r.exitCode, 0) << output;
    EXPECT_TRUE(fs::exists(dir.file("plain.tga"))) << output;
    // A file the importer refuses: its message, exit 1, nothing written.
    std::ofstream(dir.file("bad.3ds")) << "not a 3D Studio file";
    EXPECT_EQ(kalvex({"--export", "bad.3ds", "bad.pov"}, output).exitCode, 1);
    EXPECT_NE(output.find("Error: Input file is not .3DS format"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir.file("bad.pov")));
    // Files that hold nothing to import fail, and the output stays as it was.
    std::ofstream(dir.file("empty.obj")) << "# nothing here\n";
    std::ofstream(dir.file("kept.pov")) << "the user's own\n";
    EXPECT_EQ(kalvex({"--export", "empty.obj", "kept.pov"}, output).exitCode, 1);
    EXPECT_NE(output.find("Unable to import"), std::string::npos) << output;
    EXPECT_NE(output.find("no geometry"), std::string::npos) << output;
    std::ifstream kept(dir.file("kept.pov"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), "the user's own\n");
}

// The include files a render scene names in its mesh cache.
std::vector<std::string> includedMeshes(const std::string& pov) {
    std::vector<std::string> out;
    std::istringstream lines(pov);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("#include \"", 0) == 0 && line.find(".kxmesh/") != std::string::npos)
            out.push_back(line.substr(10, line.find('"', 10) - 10));
    return out;
}

// Re-renders write only what changed: each mesh stands in an include file
// named by its content beside the render's scene, written when it is not
// there whole; files no scene names any more go once they are old.
TEST_F(CliRenderTest, ReRendersWriteOnlyTheMeshesThatChanged) {
    auto writeMesh = [&](double lift) {
        std::ofstream(dir.file("tri.obj")) << "v 0 0 0\nv 4 0 0\nv 0 4 " << lift << "\nv 4 4 0\nf 1 2 3\nf 2 4 3\n";
    };
    auto render = [&] {
        std::string output;
        EXPECT_EQ(kalvex({"--render", "tri.obj", "--width", "64", "--height", "48"}, output).exitCode, 0) << output;
        const std::vector<std::string> inc = includedMeshes(dir.read("tri.pov"));
        EXPECT_EQ(inc.size(), 1u);
        EXPECT_TRUE(fs::exists(dir.file("tri.tga")));
        return inc.empty() ? std::string() : inc[0];
    };
    auto inode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    writeMesh(0);
    const std::string first = render();
    ASSERT_TRUE(fs::exists(first));
    EXPECT_EQ(fs::path(first).parent_path(), fs::path(dir.file("tri.kxmesh")));
    const auto written = inode(first);
    // The same mesh again: its include is not written again.
    EXPECT_EQ(render(), first);
    EXPECT_EQ(inode(first), written);
    // A changed mesh writes exactly one new include; the old one stays while it is young.
    writeMesh(1);
    const std::string second = render();
    EXPECT_NE(second, first);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("tri.kxmesh")), fs::directory_iterator()), 2);
    fs::last_write_time(first, fs::file_time_type::clock::now() - std::chrono::minutes(5));
    EXPECT_EQ(render(), second);
    EXPECT_FALSE(fs::exists(first));
    // An include cut short by hand is written again whole.
    const auto size = fs::file_size(second);
    fs::resize_file(second, size / 2);
    EXPECT_EQ(render(), second);
    EXPECT_EQ(fs::file_size(second), size);
}

// A farm renders the frames of one scene in processes of their own, all at
// once: they share the animation's mesh cache, and however their writes of the
// same include interleave, the one file there is whole and nothing half
// written is left beside it.
TEST_F(CliRenderTest, FramesRenderedAtOnceShareOneWholeMeshInclude) {
    std::ofstream(dir.file("farm.cad")) << "version 2.0\nCamera\n{\tName _camera0\n\tPosition 0 4 14\n\tLookAt 0 0 0\n"
                                           "\tUp 0 1 0\n\tRight -1.33 0 1\n}\nLight\n{\n\tName sun\n\tsize 1 1 1\n"
                                           "\tscale 1 1 1\n\tposition -20 35 34\n}\nPolygon\n{\n\tName tri\npoints tri\n3\n"
                                           "F -2 -2 -0.5 2 -2 -0.5 -2 2 0.5\nF 2 -2 -0.5 2 2 -0.5 -2 2 0.5\nend\n"
                                           "\tsize 0 0 0\n\tscale 1 1 1\n}\nSphere\n{\n\tName ball\n\tsize 1 1 1\n"
                                           "\tscale 1 1 1\n\tposition -4 0 0\n}\nanimate Roll\nmaxframes 4\n"
                                           "objectname ball\nframe 0\nobject 0\n  key\n  move -4 0 0\nframe 3\nobject 0\n"
                                           "  key\n  move 4 0 0\nend\n";
    constexpr int kFrames = 4;
    std::vector<std::unique_ptr<kx::platform::CommandRunner>> tasks;
    for (int frame = 0; frame < kFrames; ++frame) {
        tasks.push_back(std::make_unique<kx::platform::CommandRunner>());
        ASSERT_TRUE(tasks.back()->start({KALVEX_PROGRAM, "--render", "farm.cad", "--frames", std::to_string(frame),
                                         "--width", "32", "--height", "24"},
                                        dir.path().string(), true, {}));
    }
    for (auto& task : tasks) EXPECT_EQ(task->wait().exitCode, 0) << task->output();
    std::vector<fs::path> cached;
    for (const auto& entry : fs::directory_iterator(dir.file("Roll.kxmesh"))) cached.push_back(entry.path());
    ASSERT_EQ(cached.size(), 1u) << "one mesh, one include, no temporary files";
    EXPECT_EQ(cached[0].extension(), ".inc");
    const std::string include = dir.read("Roll.kxmesh/" + cached[0].filename().string());
    const size_t trailer = include.rfind("// kxmesh ");
    ASSERT_NE(trailer, std::string::npos);
    EXPECT_EQ(std::stoull(include.substr(include.find(' ', trailer + 10) + 1)), trailer);
}

// The render road writes meshes as mesh2, which POV-Ray parses many times
// faster, and they render as the lists of triangles an export keeps do; the
// setting turns it off, and --export keeps its own bytes.
TEST_F(CliRenderTest, MeshesRenderAsMesh2UnlessTheSettingSaysNo) {
    // Flat faces of 3 to 8 corners in a row, and a curved grid of quads with
    // a normal and a texture coordinate at each corner.
    std::ofstream polygons(dir.file("corners.obj"));
    for (int n = 3, first = 1; n <= 8; first += n, ++n) {
        for (int k = 0; k < n; ++k)
            polygons << "v " << 14 * (n - 3) + 6 * std::cos(6.2831853 * k / n) << " "
                     << 6 * std::sin(6.2831853 * k / n) << " 0\n";
        polygons << "f";
        for (int k = 0; k < n; ++k) polygons << " " << first + k;
        polygons << "\n";
    }
    polygons.close();
    std::ofstream grid(dir.file("smooth.obj"));
    constexpr int kSide = 8;
    for (int j = 0; j <= kSide; ++j)
        for (int i = 0; i <= kSide; ++i) {
            const double a = 0.35 * (i - kSide / 2.0), b = 0.35 * (j - kSide / 2.0);
            grid << "v " << 40 * std::sin(a) << " " << 40 * std::sin(b) << " " << 40 * std::cos(a) * std::cos(b) << "\n"
                 << "vn " << std::sin(a) << " " << std::sin(b) << " " << std::cos(a) * std::cos(b) << "\n"
                 << "vt " << double(i) / kSide << " " << double(j) / kSide << "\n";
        }
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const int c = j * (kSide + 1) + i + 1;
            grid << "f";
            for (int corner : {c, c + 1, c + kSide + 2, c + kSide + 1}) grid << " " << corner << "/" << corner << "/" << corner;
            grid << "\n";
        }
    grid.close();
    const fs::path settings = dir.path() / ".config/Velmora/Kalvex.ini";
    for (const char* name : {"corners", "smooth"}) {
        SCOPED_TRACE(name);
        const std::string obj = std::string(name) + ".obj";
        kxtest::Mask pictures[2];
        for (int mesh2 = 1; mesh2 >= 0; --mesh2) {
            fs::create_directories(settings.parent_path());
            std::ofstream(settings) << "[Render]\nMesh2=" << mesh2 << "\n";
            std::string output;
            ASSERT_EQ(kalvex({"--render", obj, "--width", "160", "--height", "120"}, output).exitCode, 0) << output;
            std::string text = dir.read(std::string(name) + ".pov");
            // The meshes of the render road stand in include files of their own.
            for (const std::string& inc : includedMeshes(text)) {
                std::ifstream in(inc, std::ios::binary);
                text.append(std::istreambuf_iterator<char>(in), {});
            }
            EXPECT_EQ(text.find("mesh2 {") != std::string::npos, mesh2 == 1) << text.substr(0, 2000);
            EXPECT_EQ(text.find("mesh { ") != std::string::npos, mesh2 == 0);
            ASSERT_TRUE(kxtest::readMask(dir.file(std::string(name) + ".tga"), pictures[mesh2]));
        }
        EXPECT_GT(pictures[1].covered(), 160 * 120 / 100);
        EXPECT_GE(kxtest::silhouetteAgreement(pictures[0], pictures[1]), 0.99);
        // An export for keeping writes the triangles, whatever the render road does.
        fs::remove(settings);
        std::string output;
        ASSERT_EQ(kalvex({"--export", obj, "kept.pov"}, output).exitCode, 0) << output;
        EXPECT_EQ(dir.read("kept.pov").find("mesh2"), std::string::npos);
    }
}

// A 3D Studio file from another program's writer, with two materials,
// converted headless and rendered: both colours reach the image.
TEST_F(CliRenderTest, AThirdPartyThreeDsRendersInItsColours) {
    if (!fs::exists("/usr/bin/assimp")) GTEST_SKIP() << "scripts/setup-deps.sh installs assimp-utils";
    std::ofstream(dir.file("two.mtl")) << "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";
    // Quads in the file's y-z plane: 3D Studio's z is the scene's y.
    std::ofstream(dir.file("two.obj")) << "mtllib two.mtl\n"
                                          "v 0 -40 -20\nv 0 0 -20\nv 0 0 20\nv 0 -40 20\n"
                                          "v 0 0 -20\nv 0 40 -20\nv 0 40 20\nv 0 0 20\n"
                                          "g left\nusemtl red\nf 1 2 3 4\ng right\nusemtl blue\nf 5 6 7 8\n";
    kx::platform::CommandRunner assimp;
    ASSERT_TRUE(assimp.start({"/usr/bin/assimp", "export", "two.obj", "two.3ds"}, dir.path().string(), true, {}));
    ASSERT_EQ(assimp.wait().exitCode, 0) << assimp.output();

    std::string output;
    ASSERT_EQ(kalvex({"--export", "two.3ds", "two.pov"}, output).exitCode, 0) << output;
    kx::platform::CommandRunner povray;
    ASSERT_TRUE(povray.start({"/usr/bin/povray", "-D", "+FT", "-UA", "+W160", "+H120", "+Itwo.pov", "+Otwo.tga"},
                             dir.path().string(), true, {}));
    ASSERT_EQ(povray.wait().exitCode, 0) << povray.output();
    static int owner;
    pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");
    ASSERT_NE(pxDisplayImageEx(reinterpret_cast<HWND>(&owner), dir.file("two.tga").c_str(), 1), 0);
    bool red = false, blue = false;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const uint32_t c = pxGetPixelRGB(nullptr, x, y);  // red in the low byte
            const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            red = red || (r > 100 && g < 40 && b < 40);
            blue = blue || (b > 100 && r < 40 && g < 40);
        }
    pxUnRegisterApplication();
    EXPECT_TRUE(red);
    EXPECT_TRUE(blue);
}

// A preview the renderer fails once, as one renderer among several at once
// now and then does, is tried again on its own; one that fails again is
// reported and the job fails.
TEST_F(CliRenderTest, AFailedPreviewIsTriedOnceMoreOnItsOwn) {
    struct Case {
        const char* name;
        const char* renderer;
        int exitCode;
        const char* said;
    } cases[] = {
        {"fails once", "case \"$out\" in *tex001*) [ -e \"$HOME/failed\" ] || { touch \"$HOME/failed\"; exit 1; };; esac",
         0, "Preview tex001: Red\n"},
        {"fails every time", "case \"$out\" in *tex001*) exit 1;; esac", 1, "Preview tex001: Red failed (exit code 1)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.file(".local/share/kalvex/textures"));
        fakeRenderer(c.renderer);
        std::string output;
        const kx::platform::RunResult r = kalvex({"--texture-previews", "--jobs", "4"}, output);
        EXPECT_EQ(r.exitCode, c.exitCode) << output;
        EXPECT_NE(output.find(c.said), std::string::npos) << output;
        // Told once, at the end.
        size_t told = 0;
        for (size_t at = output.find("Preview tex001:"); at != std::string::npos; at = output.find("Preview tex001:", at + 1))
            ++told;
        EXPECT_EQ(told, 1u) << output;
    }
}

// On a fresh user folder every shipped texture gets its swatch; a second run
// finds nothing missing and renders nothing.
TEST_F(CliRenderTest, TexturePreviewsRenderOnceOnAFreshFolder) {
    std::string output;
    kx::platform::RunResult r = kalvex({"--texture-previews", "--jobs", "8"}, output);
    ASSERT_EQ(r.exitCode, 0) << output;
    const std::string textures = dir.file(".local/share/kalvex/textures");
    EXPECT_NE(output.find("Preview tex001: Red\n"), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(textures + "/tex001.tga"));
    EXPECT_TRUE(fs::exists(textures + "/TEXTURES.sh"));
    // The colours now come from the swatches and are saved with the library.
    std::ifstream library(dir.file(".local/share/kalvex/KALVEX.TEX"), std::ios::binary);
    std::string first;
    std::getline(library, first);
    EXPECT_EQ(first.rfind("1,0,Red,tex001,,,", 0), 0u) << first;

    r = kalvex({"--texture-previews"}, output);
    ASSERT_EQ(r.exitCode, 0) << output;
    EXPECT_EQ(output.find("Preview "), std::string::npos) << output;

    EXPECT_EQ(kalvex({"--texture-previews", "--jobs", "0"}, output).exitCode, 2);
    EXPECT_EQ(kalvex({"--render", "x.cad", "--jobs", "2"}, output).exitCode, 2);
}

// A renderer that talks without end into a pipe nobody reads: Ctrl-C still
// ends the job, with the status of a stop, and the renderer with it.
TEST_F(CliRenderTest, CtrlCEndsTheJobWhileNobodyReadsItsOutput) {
    fakeRenderer("yes 'Rendering line 1 of 200'");
    int output[2];
    ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
    const pid_t child = startOutsideAnySupervisor({"--render", "showcase.cad"}, output[1]);
    ASSERT_GT(child, 0);
    ::close(output[1]);
    // Long enough for the pipe to fill and stay full.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_EQ(::kill(child, SIGINT), 0);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 200 && ended == 0; ++i) {
        ended = ::waitpid(child, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ::close(output[0]);
    ASSERT_EQ(ended, child) << "the job went on for 10 s after Ctrl-C";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
}

}  // namespace
