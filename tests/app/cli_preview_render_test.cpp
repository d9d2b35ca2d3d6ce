// Every kind of object, turned and off the picture's centre, seen by three
// cameras: kalvex --preview and the real renderer through kalvex --render
// cover the same pixels in the same hue.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "targa_mask.h"

namespace {

namespace fs = std::filesystem;

struct Kind {
    const char* block;
    const char* fields;  // the block's own lines before its placement
    const char* colour;
    bool empty = false;  // neither picture shows anything
    const char* scale = "1 1 1";
};

struct Camera {
    const char* name;
    const char* lines;
};

// One in front and a little above, one below the objects looking up, one
// from the side with a wider picture than the image's.
const Camera kCameras[] = {
    {"front", "\tPosition 0 2 -12\n\tLookAt 0 0 0\n\tUp 0 1 0\n\tRight -1.33 0 1\n"},
    {"below", "\tPosition 2 -6 -9\n\tLookAt 0 0.5 0\n\tUp 0 1 0\n\tRight -1.33 0 1\n"},
    {"side", "\tPosition 12 3 2\n\tLookAt 0 0 0\n\tUp 0 1 0\n\tRight -2 0 1\n"},
};

// Off the centre to one side and turned one way, then to the other.
const char* const kPlacements[] = {"\trotate 25 35 15\n\tposition 1.2 0.4 0.5\n",
                                   "\trotate -30 60 -20\n\tposition -1 -0.3 0\n"};

std::string raisedPatch() {
    std::ostringstream net;
    net << "\tPatchData [ 16\n";
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            net << "< " << -1.5 + c << ' ' << ((r == 1 || r == 2) && (c == 1 || c == 2) ? 1 : 0) << ' ' << -1.5 + r
                << " >\n";
    net << " ]\n\tsize 3 0 3\n";
    return net.str();
}
const std::string kPatch = raisedPatch();

const Kind kKinds[] = {
    {"Sphere", "\tsize 1 1 1\n", "Red"},
    {"Ellipsoid", "\tsize 1 1 1\n", "Green"},
    {"Box", "\tsize 2 1 1.5\n", "Blue"},
    {"Cylinder", "\tsize 1 2 1\n", "Red"},
    {"Cone", "\tsize 1 2 1\n\textra 0.4 0 0\n", "Green"},
    {"Disc", "\tsize 1.5 0 1.5\n", "Blue"},
    {"Torus", "\tsize 1.5 0.5 0\n", "Red"},
    {"Blob", "\tsize 1 1 1\n\textra 0.5 1 1\n", "Green"},
    // Threshold and strength equal: the field never reaches the surface.
    {"Blob", "\tsize 1 1 1\n\textra 1 1 1\n", "Green", true},
    // Scaled unevenly and turned: an ellipsoid in both pictures.
    {"Blob", "\tsize 1 1 1\n\textra 0.5 1 1\n", "Green", false, "0.5 1.4 0.8"},
    {"Patch", kPatch.c_str(), "Blue"},
    {"Text", "\tTextString \"Kx\"\n\tsize 1 1 1\n", "Red"},
    {"Plane", "\tsize 8 0 8\n", "Green"},
    {"Heightfield", "\tHeightfieldFile \"hill.pgm\"\n\tsize 3 1 3\n", "Blue"},
    // The renderer's own shapes, with parameters that tell their axes apart.
    {"Superellipsoid", "\tExponents [ 2  0.3 0.8 ]\n\tsize 1.2 0.8 1\n", "Red"},
    {"Lathe", "\tSplineType 2\n\tProfile [ 6\n< 0 -1.2 0 >\n< 0.6 -1 0 >\n< 1 -0.3 0 >\n< 0.5 0.4 0 >\n< 0.7 1 0 >\n"
              "< 0.8 1.2 0 >\n ]\n\tsize 1 1 1\n", "Green"},
    {"Lathe", "\tSplineType 1\n\tProfile [ 5\n< 0 -1 0 >\n< 0.9 -1 0 >\n< 1 0 0 >\n< 0.4 0.6 0 >\n< 0.6 1 0 >\n ]\n"
              "\tsize 1 1 1\n", "Blue"},
    {"Sor", "\tProfile [ 6\n< 0.2 -1.2 0 >\n< 0.7 -1 0 >\n< 1 -0.3 0 >\n< 0.5 0.5 0 >\n< 0.7 1 0 >\n< 0.9 1.2 0 >\n ]\n"
            "\tsize 1 1 1\n", "Red"},
    {"Prism", "\tSweepHeights [ 2  -0.5 0.8 ]\n\tProfile [ 5\n< 0 0 1.2 >\n< 1 0 0.2 >\n< 0.5 0 -1 >\n< -0.6 0 -0.8 >\n"
              "< -1 0 0.4 >\n ]\n\tsize 1 1 1\n", "Green"},
    {"Prism", "\tSplineType 2\n\tConic 1\n\tSweepHeights [ 2  0.2 1.5 ]\n\tProfile [ 4\n< 0 0 1 >\n< 1 0 0 >\n"
              "< 0 0 -0.6 >\n< -1 0 0 >\n ]\n\tsize 1 1 1\n", "Blue"},
    {"SphereSweep", "\tProfile [ 3\n< -1.2 -0.3 0 >\n< 0 0.6 0.3 >\n< 1.2 -0.3 0 >\n ]\n\tRadii [ 3  0.35 0.2 0.3 ]\n"
                    "\tsize 1 1 1\n", "Red"},
    {"SphereSweep", "\tSplineType 2\n\tProfile [ 5\n< -1.8 0 0 >\n< -1 0.5 0 >\n< 0 -0.3 0.3 >\n< 1 0.5 0 >\n"
                    "< 1.8 0 0 >\n ]\n\tRadii [ 5  0.3 0.3 0.25 0.35 0.3 ]\n\tsize 1 1 1\n", "Green"},
    {"SphereSweep", "\tSplineType 1\n\tProfile [ 5\n< -1.8 0 0 >\n< -1 0.8 0 >\n< 0 -0.6 0.3 >\n< 1 0.8 0 >\n"
                    "< 1.8 0 0 >\n ]\n\tRadii [ 5  0.3 0.3 0.25 0.35 0.3 ]\n\tsize 1 1 1\n", "Blue"},
    {"Isosurface", "\tFunction \"f_torus(x, y, z, 0.9, 0.3) + 0.1 * x\"\n\tsize 1.3 1.3 1.3\n", "Red"},
    {"Isosurface", "\tFunction \"max(abs(x) - 0.8, abs(y) - 0.4, abs(z) - 0.6)\"\n\tContainer 1\n\tsize 0.95 1 1\n",
     "Green"},
    {"JuliaFractal", "\tsize 1 1 1\n", "Blue"},
};

// A round hill off the image's centre, so that a field turned or mirrored
// does not cover the same pixels.
std::string hillImage() {
    constexpr int kSide = 32;
    std::string pgm = "P5\n32 32\n255\n";
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double d = std::hypot(x - 12, y - 18) / 20;
            pgm += static_cast<char>(d < 1 ? static_cast<int>(255 * std::cos(d * M_PI / 2)) : 0);
        }
    return pgm;
}

class PreviewAgainstRender : public kxtest::ProgramTest, public testing::WithParamInterface<int> {};

TEST_P(PreviewAgainstRender, CoverTheSamePixelsInTheSameHue) {
    if (!fs::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    const Kind& kind = kKinds[GetParam()];
    std::ofstream(dir.file("hill.pgm"), std::ios::binary) << hillImage();
    for (const Camera& camera : kCameras)
        for (const char* placement : kPlacements) {
            SCOPED_TRACE(testing::Message() << kind.block << " seen from " << camera.name << " placed " << placement);
            std::ofstream(dir.file("one.cad")) << "version 2.0\nCamera\n{\tName _camera0\n"
                                               << camera.lines
                                               << "}\nLight\n{\n\tName _light0\n\tsize 1 1 1\n\tscale 1 1 1\n"
                                                  "\tposition -10 10 -20\n}\n"
                                               << kind.block << "\n{\n\tName shape\n"
                                               << kind.fields << "\tscale " << kind.scale << "\n"
                                               << placement << "  color " << kind.colour << "\n}\n";
            std::string output;
            ASSERT_EQ(kalvex({"--render", "one.cad", "--width", "160", "--height", "120"}, output).exitCode, 0)
                << output;
            ASSERT_EQ(kalvex({"--preview", "one.cad", "drawn.tga", "--width", "160", "--height", "120"}, output)
                          .exitCode,
                      0)
                << output;
            kxtest::Mask rendered, drawn;
            ASSERT_TRUE(kxtest::readMask(dir.file("one.tga"), rendered));
            ASSERT_TRUE(kxtest::readMask(dir.file("drawn.tga"), drawn));
            ASSERT_EQ(rendered.on.size(), drawn.on.size());
            if (kind.empty) {
                EXPECT_EQ(rendered.covered(), 0);
                EXPECT_EQ(drawn.covered(), 0);
                continue;
            }
            EXPECT_GT(rendered.covered(), 20);
            EXPECT_GE(kxtest::silhouetteAgreement(rendered, drawn), 0.9);
            EXPECT_EQ(kxtest::dominantChannel(rendered), kxtest::dominantChannel(drawn));
        }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PreviewAgainstRender, testing::Range(0, static_cast<int>(std::size(kKinds))),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(kKinds[info.param].block) + std::to_string(info.param);
                         });

}  // namespace
