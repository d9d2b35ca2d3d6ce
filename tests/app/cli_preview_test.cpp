// kalvex --preview end to end, and its projection against the real renderer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "png_picture.h"
#include "program_fixture.h"
#include "targa_mask.h"
#include "kxplatform/process.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

using kxtest::Mask;
using kxtest::readMask;
using kxtest::readPng;

class CliPreviewTest : public kxtest::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fs::copy_file(fs::path(KALVEX_EXAMPLES_DIR) / "showcase.cad", dir.path() / "showcase.cad");
    }
};

TEST_F(CliPreviewTest, DrawsTheExampleSceneIntoATargaFile) {
    for (bool textured : {false, true}) {
        SCOPED_TRACE(textured ? "textured" : "shaded");
        std::string output;
        std::vector<std::string> args = {"--preview", "showcase.cad", "shaded.tga", "--width", "96", "--height", "72"};
        if (textured) args.push_back("--textured");
        const kx::platform::RunResult r = kalvex(args, output);
        ASSERT_EQ(r.exitCode, 0) << output;
        Mask m;
        ASSERT_TRUE(readMask(dir.file("shaded.tga"), m));
        EXPECT_EQ(m.width, 96);
        EXPECT_EQ(m.height, 72);
        int covered = 0;
        for (bool b : m.on) covered += b;
        EXPECT_GT(covered, 96 * 72 / 10);
        fs::remove(dir.file("shaded.tga"));
    }
}

TEST_F(CliPreviewTest, WritesNothingAndFailsWithoutAScene) {
    std::string output;
    const kx::platform::RunResult r = kalvex({"--preview", "absent.cad", "out.tga"}, output);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(fs::exists(dir.file("out.tga")));
    EXPECT_NE(kalvex({"--preview", "showcase.cad"}, output).exitCode, 0);  // no output named
}

// A thumbnail is the middle square of the preview at the render's shape,
// drawn without running anything of the scene.
TEST_F(CliPreviewTest, ThumbnailIsTheMiddleOfThePreviewAndRunsNothingOfTheScene) {
    std::string output;
    ASSERT_EQ(kalvex({"--thumbnail", "showcase.cad", "thumb.png", "--size", "72"}, output).exitCode, 0) << output;
    ASSERT_EQ(kalvex({"--preview", "showcase.cad", "wide.tga", "--width", "96", "--height", "72"}, output).exitCode, 0)
        << output;
    int width = 0, height = 0;
    const std::vector<uint32_t> thumb = readPng(dir.file("thumb.png"), width, height);
    ASSERT_EQ(width, 72);
    ASSERT_EQ(height, 72);
    Mask wide;
    ASSERT_TRUE(readMask(dir.file("wide.tga"), wide));
    int differing = 0;
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 72; ++x) differing += thumb[static_cast<size_t>(y) * 72 + x] != wide.colour(x + 12, y);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(wide.covered(), 96 * 72 / 10);

    // A start-up script paints the floor red: the thumbnail is the picture
    // of the scene without its script, not the one with it.
    std::ifstream example(fs::path(KALVEX_EXAMPLES_DIR) / "event-script.cad", std::ios::binary);
    std::string line, quiet;
    while (std::getline(example, line))
        if (line.rfind("Script ", 0) != 0) quiet += line + "\n";
    std::ofstream(dir.file("quiet.cad"), std::ios::binary) << quiet;
    std::ofstream(dir.file("event.cad"), std::ios::binary)
        << quiet << "Script Paint SceneCreate \"local h = Scene:FindObject('floor'); Scene:SetColor(h, 'Rgb.255.0.0'); "
                    "Scene:RebuildObject(h)\"\r\n";
    ASSERT_EQ(kalvex({"--thumbnail", "event.cad", "event.png"}, output).exitCode, 0) << output;
    const std::vector<uint32_t> eventThumb = readPng(dir.file("event.png"), width, height);
    ASSERT_EQ(eventThumb.size(), 128u * 128u);
    auto middleDiffers = [&](const char* scene) {
        Mask m;
        EXPECT_EQ(kalvex({"--preview", scene, "event.tga", "--width", "171", "--height", "128"}, output).exitCode, 0);
        EXPECT_TRUE(readMask(dir.file("event.tga"), m)) << output;
        int n = 0;
        for (int y = 0; m.width == 171 && y < 128; ++y)
            for (int x = 0; x < 128; ++x) n += eventThumb[static_cast<size_t>(y) * 128 + x] != m.colour(x + 21, y);
        return n;
    };
    EXPECT_EQ(middleDiffers("quiet.cad"), 0);
    EXPECT_GT(middleDiffers("event.cad"), 50);

    // A scene that cannot be read leaves the picture that stood there.
    EXPECT_EQ(kalvex({"--thumbnail", "absent.cad", "thumb.png", "--size", "16"}, output).exitCode, 1);
    EXPECT_EQ(readPng(dir.file("thumb.png"), width, height), thumb);
}

// The renderer and the preview see the same sphere in the same place.
TEST_F(CliPreviewTest, SilhouetteMatchesTheRenderersPicture) {
    if (!fs::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    std::ofstream(dir.file("ball.cad")) << "version 2.0\r\n"
                                           "Camera\r\n{\tName _camera0\r\n\tPosition 0 0 -10\r\n\tLookAt 0 0 0\r\n"
                                           "\tUp 0 1 0\r\n\tRight -1.33 0 1\r\n}\r\n"
                                           "Light\r\n{\r\n\tName _light0\r\n\tsize 1 1 1\r\n\tscale 1 1 1\r\n"
                                           "\tposition -10 10 -20\r\n}\r\n"
                                           "Sphere\r\n{\r\n\tName _sphere0\r\n\tsize 2 2 2\r\n\tscale 1 1 1\r\n"
                                           "\tposition 3 1 0\r\n  color Red\r\n}\r\n";
    std::string output;
    ASSERT_EQ(kalvex({"--render", "ball.cad", "--width", "160", "--height", "120"}, output).exitCode, 0) << output;
    ASSERT_EQ(kalvex({"--preview", "ball.cad", "preview.tga", "--width", "160", "--height", "120"}, output).exitCode,
              0)
        << output;
    Mask rendered, drawn;
    ASSERT_TRUE(readMask(dir.file("ball.tga"), rendered));
    ASSERT_TRUE(readMask(dir.file("preview.tga"), drawn));
    ASSERT_EQ(rendered.width, 160);
    ASSERT_EQ(drawn.width, 160);
    ASSERT_EQ(rendered.height, drawn.height);
    auto agreement = [&](auto mapX, auto mapY) {
        int same = 0;
        for (int y = 0; y < drawn.height; ++y)
            for (int x = 0; x < drawn.width; ++x) same += rendered.at(x, y) == drawn.at(mapX(x), mapY(y));
        return static_cast<double>(same) / (drawn.width * drawn.height);
    };
    const auto keep = [](int v) { return v; };
    EXPECT_GE(agreement(keep, keep), 0.95);
    RecordProperty("agreement", std::to_string(agreement(keep, keep)));
    // The comparison is sharp enough to catch a mirrored or stretched picture.
    EXPECT_LT(agreement([&](int x) { return drawn.width - 1 - x; }, keep), 0.95);
    // Stretched: drawn at the wrong aspect, a third wider about the centre.
    EXPECT_LT(agreement([&](int x) { return std::clamp(80 + (x - 80) * 3 / 4, 0, drawn.width - 1); }, keep), 0.95);
}

}  // namespace
