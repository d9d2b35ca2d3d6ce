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
#include "every_kind_battery.h"
#include "targa_mask.h"

namespace {

namespace fs = std::filesystem;

class PreviewAgainstRender : public kxtest::ProgramTest, public testing::WithParamInterface<int> {};

TEST_P(PreviewAgainstRender, CoverTheSamePixelsInTheSameHue) {
    if (!fs::exists("/usr/bin/povray")) GTEST_SKIP() << "scripts/setup-deps.sh installs povray";
    const kxtest::Kind& kind = kxtest::kKinds[GetParam()];
    std::ofstream(dir.file("hill.pgm"), std::ios::binary) << kxtest::hillImage();
    for (const kxtest::Camera& camera : kxtest::kCameras)
        for (const char* placement : kxtest::kPlacements) {
            SCOPED_TRACE(testing::Message() << kind.block << " seen from " << camera.name << " placed " << placement);
            std::ofstream(dir.file("one.cad")) << kxtest::batteryScene(kind, camera, placement);
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

INSTANTIATE_TEST_SUITE_P(EveryKind, PreviewAgainstRender, testing::Range(0, static_cast<int>(std::size(kxtest::kKinds))),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(kxtest::kKinds[info.param].block) + std::to_string(info.param);
                         });

}  // namespace
