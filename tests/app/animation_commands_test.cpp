#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "animation/animation_edit.h"
#include "animation/animation_render.h"
#include "animation/sequence_files.h"
#include "render/command_builder.h"
#include "core_fixture.h"
#include "kxplatform/batch.h"
#include "kxplatform/ini_store.h"
#include "settings/settings.h"

namespace {

using namespace kx::app;

// A 4 x 2 Targa, true colour, every pixel red, written to the file "$img".
const char* const kWriteRedTarga =
    "printf '\\000\\000\\002\\000\\000\\000\\000\\000\\000\\000\\000\\000\\004\\000\\002\\000\\030\\040' > \"$img\"; "
    "for i in 1 2 3 4 5 6 7 8; do printf '\\000\\000\\377' >> \"$img\"; done";

class AnimationCommandsTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
        settings.directories.program = dir.path().string();
        settings.directories.include = dir.path().string();
        settings.render.type = 1;
        settings.render.renderX = 4;
        settings.render.renderY = 2;
        RendererDefinition preview{};
        std::strcpy(preview.infoFile, "$INTERNAL");
        RendererDefinition fake{};
        std::strcpy(fake.infoFile, "fake.inf");
        std::strcpy(fake.commandTemplate, "$O $I $W $H $C");
        std::strcpy(fake.frameOption, "+K");
        fake.type = KX_FILETYPE_KALVEX;
        renderers.entries = {preview, fake};
    }
    void useScript(const std::string& body) {
        const std::string path = dir.file("fake renderer.sh");
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        settings.directories.render = path;
    }
    // A 5-frame animation of one sphere moving from x 0 in frame 0 to x 4 in frame 4.
    CadObject* movingBall() {
        EXPECT_TRUE(applyAnimationSetup({"Movie1", 5, true, ""}));
        Point3d at{0, 0, 0};
        CadObject* ball = CreateDefaultObjectEx("Ball", KX_SPHERE, &at);
        EXPECT_EQ(addSelectedToAnimation(), 1);
        EXPECT_TRUE(showAnimationFrame(4));
        ball->translate = Point3d{4, 0, 0};
        EXPECT_TRUE(storeAnimationFrame());
        EXPECT_TRUE(showAnimationFrame(0));
        return ball;
    }
    Settings settings;
    RendererList renderers;
};

TEST_F(AnimationCommandsTest, SetupRefusesAndKeepsWhatTheUserSet) {
    struct Case {
        AnimationSetup setup;
        const char* refusal;
    } cases[] = {
        {{"Movie1", 100, true, ""}, ""},
        {{"Movie1", 0, true, ""}, "No frames in animation"},
        {{"", 10, true, ""}, "Untitled animation"},
        {{"  ", 10, true, ""}, "Untitled animation"},
        {{"", 0, true, ""}, "No frames in animation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup.name + "/" + std::to_string(c.setup.frames));
        EXPECT_EQ(checkAnimationSetup(c.setup), c.refusal);
        EXPECT_EQ(applyAnimationSetup(c.setup), std::string(c.refusal).empty());
    }
    // A new frame count makes the frames again but keeps name, folder and copy switch.
    ASSERT_TRUE(applyAnimationSetup({"Walk", 10, false, "frames"}));
    CreateDefaultSphere();
    ASSERT_EQ(addSelectedToAnimation(), 1);
    const AnimationSetup longer{"Walk", 20, false, "frames"};
    EXPECT_TRUE(setupDiscardsFrames(longer));
    EXPECT_FALSE(setupDiscardsFrames({"Run", 10, true, ""}));
    ASSERT_TRUE(applyAnimationSetup(longer));
    const AniSettings* s = GetAniSettings(nullptr);
    EXPECT_STREQ(s->name, "Walk");
    EXPECT_STREQ(s->dir, "frames");
    EXPECT_EQ(s->copyForward, 0u);
    EXPECT_EQ(s->maxFrames, 20u);
    EXPECT_EQ(currentAnimationSetup().frames, 20u);
}

TEST_F(AnimationCommandsTest, TweenFillsOnlyValidRanges) {
    struct Case {
        unsigned from, to;
        bool all;
        bool selected;
        int filled;
        double x2;  // frame 2's x afterwards (frames 1..4 copied forward from frame 0 before)
    } cases[] = {
        {1, 5, false, true, 1, 2.0},
        {1, 5, true, false, 1, 2.0},
        {1, 5, false, false, 0, 0.0},
        {5, 1, true, true, 0, 0.0},
        {3, 3, true, true, 0, 0.0},
        {0, 5, true, true, 0, 0.0},
        {1, 6, true, true, 0, 0.0},
        {1, 3, true, true, 1, 0.0},  // frame 2 is the midpoint of 0 and the copied-forward 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + "-" + std::to_string(c.to));
        DestroyAni();
        ClearScene(GetCurrentScene());
        InitScene();
        CadObject* ball = movingBall();
        if (!c.selected) SetObjectsUnSelected();
        EXPECT_EQ(tweenAnimation(c.from, c.to, c.all), c.filled);
        EXPECT_DOUBLE_EQ(GetAniObject(0)->frames[2].move.x, c.x2);
        EXPECT_EQ(GetCurrentFrame(), 0u);
        EXPECT_DOUBLE_EQ(ball->translate.x, 0.0);
    }
}

// Tween moves evenly over any span, not only over powers of two.
TEST_F(AnimationCommandsTest, TweenStepsEvenlyOverAnySpan) {
    for (const unsigned frames : {12u, 7u, 5u}) {
        SCOPED_TRACE(frames);
        DestroyAni();
        ClearScene(GetCurrentScene());
        InitScene();
        ASSERT_TRUE(applyAnimationSetup({"Movie1", frames, true, ""}));
        Point3d at{0, 0, 0};
        CadObject* ball = CreateDefaultObjectEx("Ball", KX_SPHERE, &at);
        ASSERT_EQ(addSelectedToAnimation(), 1);
        ASSERT_TRUE(showAnimationFrame(frames - 1));
        ball->translate = Point3d{static_cast<float>(frames - 1), 2, 0};
        ASSERT_TRUE(storeAnimationFrame());
        ASSERT_TRUE(showAnimationFrame(0));
        ASSERT_EQ(tweenAnimation(1, frames, true), 1);
        for (unsigned k = 0; k < frames; ++k) {
            EXPECT_NEAR(GetAniObject(0)->frames[k].move.x, static_cast<double>(k), 1e-5) << k;
            EXPECT_NEAR(GetAniObject(0)->frames[k].move.y, 2.0 * k / (frames - 1), 1e-5) << k;
            EXPECT_EQ(GetAniObject(0)->frames[k].key, 1u) << k;
        }
    }
}

TEST_F(AnimationCommandsTest, FrameCommandsOnTheCurrentFrame) {
    CadObject* ball = movingBall();
    ASSERT_TRUE(showAnimationFrame(4));
    EXPECT_DOUBLE_EQ(ball->translate.x, 4.0);
    EXPECT_FALSE(showAnimationFrame(5));
    ASSERT_TRUE(showAnimationFrame(2));
    EXPECT_TRUE(setAnimationKey(true));
    EXPECT_EQ(GetAniObject(0)->frames[2].key, 1u);
    EXPECT_TRUE(setAnimationKey(false));
    EXPECT_EQ(GetAniObject(0)->frames[2].key, 0u);
    EXPECT_TRUE(setAnimationHidden(true));
    EXPECT_EQ(ball->type, 0u);
    EXPECT_TRUE(setAnimationHidden(false));
    EXPECT_EQ(ball->type, static_cast<unsigned>(KX_SPHERE));
    EXPECT_TRUE(selectionIsAnimated());
    EXPECT_EQ(removeSelectedFromAnimation(), 1);
    EXPECT_FALSE(selectionIsAnimated());
    EXPECT_EQ(GetAniObjectCount(), 0);
}

TEST_F(AnimationCommandsTest, PlayLoopsAndRatesStayInBounds) {
    struct Case {
        unsigned frame, max, next;
    } frames[] = {{0, 5, 1}, {3, 5, 4}, {4, 5, 0}, {0, 1, 0}, {7, 5, 0}, {0, 0, 0}};
    for (const Case& c : frames) {
        SCOPED_TRACE(std::to_string(c.frame) + " of " + std::to_string(c.max));
        EXPECT_EQ(nextPlayFrame(c.frame, c.max), c.next);
    }
    struct Rate {
        int stored, used;
    } rates[] = {{25, 25}, {0, 1}, {-3, 1}, {1000, 100}, {60, 60}};
    for (const Rate& r : rates) {
        SCOPED_TRACE(r.stored);
        EXPECT_EQ(clampPlayRate(r.stored), r.used);
    }
}

TEST_F(AnimationCommandsTest, PlayRateIsKeptUnderAnimate) {
    struct Case {
        const char* stored;  // null: not in the file
        int rate;
    } cases[] = {{nullptr, 25}, {"12", 12}, {"0x10", 16}, {"fast", 25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        kx::platform::IniStore store;
        if (c.stored) store.set("Animate", "PlayRate", c.stored);
        Settings loaded = loadSettings(store);
        EXPECT_EQ(loaded.playRate, c.rate);
        loaded.playRate = 40;
        kx::platform::IniStore saved;
        saveSettings(loaded, saved);
        EXPECT_EQ(saved.getString("animate", "playrate"), "40");
    }
}

TEST_F(AnimationCommandsTest, RenderAnimationGivesEveryFrameItsNumber) {
    movingBall();
    // Frame 1 fails; the others write their image and record the frame option.
    useScript("img=\"$2\"; echo \"[$5]\" >> \"" + dir.file("frames.log") +
              "\"; test \"$5\" = +K1 && exit 1; " + kWriteRedTarga);
    AnimationRender render(settings, renderers);
    std::string error;
    ASSERT_TRUE(render.prepare({dir.file("scene.cad"), 0, 3, false}, error)) << error;
    EXPECT_EQ(render.frameCount(), 4u);
    std::vector<std::string> progress;
    while (render.startNext({})) {
        progress.push_back(render.progressText());
        render.finishFrame();
    }
    EXPECT_EQ(progress, (std::vector<std::string>{"Frame 1 of 4", "Frame 2 of 4", "Frame 3 of 4", "Frame 4 of 4"}));
    EXPECT_EQ(render.failedFrames(), std::vector<unsigned>{1});
    EXPECT_EQ(render.images(),
              (std::vector<std::string>{dir.file("Movie10.tga"), dir.file("Movie12.tga"), dir.file("Movie13.tga")}));
    // Frame 0 has no frame option: the same clock as a single render.
    EXPECT_EQ(dir.read("frames.log"), "[]\n[+K1]\n[+K2]\n[+K3]\n");
    ASSERT_TRUE(render.writeFrameList());
    EXPECT_EQ(dir.read("Movie1.LST"), "Movie10.tga\r\nMovie11.tga\r\nMovie12.tga\r\nMovie13.tga\r\n");
    // Each frame's export shows the ball where that frame has it.
    const std::string ext = extensionOfType(KX_FILETYPE_KALVEX);
    EXPECT_NE(dir.read("Movie12" + ext), dir.read("Movie10" + ext));

    struct Refused {
        unsigned first, last;
    } refused[] = {{3, 2}, {0, 5}, {5, 5}};
    for (const Refused& r : refused) {
        SCOPED_TRACE(std::to_string(r.first) + "-" + std::to_string(r.last));
        AnimationRender again(settings, renderers);
        EXPECT_FALSE(again.prepare({dir.file("scene.cad"), r.first, r.last, false}, error));
    }
}

// Resuming passes over the frames whose image reads back whole; a damaged
// image is rendered again.
TEST_F(AnimationCommandsTest, ResumeRendersOnlyTheFramesStillMissing) {
    movingBall();
    useScript("img=\"$2\"; echo \"[$5]\" >> \"" + dir.file("frames.log") + "\"; " + kWriteRedTarga);
    auto renderAll = [this](bool resume) {
        AnimationRender render(settings, renderers);
        AnimationRenderRequest request{dir.file("scene.cad"), 0, 3, false};
        request.resume = resume;
        std::string error;
        EXPECT_TRUE(render.prepare(request, error)) << error;
        while (render.startNext({})) render.finishFrame();
        return render.images();
    };
    EXPECT_EQ(renderAll(false).size(), 4u);
    std::filesystem::resize_file(dir.file("Movie12.tga"), 20);  // cut short
    std::filesystem::remove(dir.file("Movie13.tga"));
    std::filesystem::remove(dir.file("frames.log"));
    EXPECT_EQ(renderAll(true), (std::vector<std::string>{dir.file("Movie12.tga"), dir.file("Movie13.tga")}));
    EXPECT_EQ(dir.read("frames.log"), "[+K2]\n[+K3]\n");
}

TEST_F(AnimationCommandsTest, SequenceWriteThenRunRendersEveryFrame) {
    movingBall();
    ASSERT_TRUE(showAnimationFrame(3));
    // The render batch calls the renderer as "<program> %1 %2 %3 +l... +w.. +h.. +i<scene> +o<image>".
    useScript("echo \"$1 $2\" >> \"" + dir.file("options.log") +
              "\"; for a; do case \"$a\" in +o*) img=\"${a#+o}\";; esac; done; " + kWriteRedTarga);
    SequenceFiles written;
    std::string error;
    ASSERT_TRUE(writeSequenceFiles(settings, renderers, dir.file("scene.cad"), false, written, error)) << error;
    EXPECT_EQ(GetCurrentFrame(), 3u);
    EXPECT_EQ(written.sequence, dir.file("Movie1.BAT"));
    EXPECT_EQ(sequenceFilePath(dir.file("scene.cad")), written.sequence);
    EXPECT_EQ(dir.read("Movie1.BAT"),
              "Movie10 -D +FT\r\nMovie11 -D +FT\r\nMovie12 -D +FT\r\nMovie13 -D +FT\r\nMovie14 -D +FT\r\n");
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(std::filesystem::exists(dir.file("Movie1" + std::to_string(f) + ".BAT")));
        EXPECT_TRUE(std::filesystem::exists(dir.file("Movie1" + std::to_string(f) + extensionOfType(KX_FILETYPE_KALVEX))));
    }
    kx::platform::BatchRunner runner;
    const kx::platform::BatchResult r = runner.run(written.sequence, {}, {});
    EXPECT_TRUE(r.ok);
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(std::filesystem::file_size(dir.file("Movie1" + std::to_string(f) + ".tga")), 42u);
    }
    EXPECT_EQ(dir.read("options.log"), "-D +FT\n-D +FT\n-D +FT\n-D +FT\n-D +FT\n");

    // Inside out, the sequence runs coarse to fine.
    ASSERT_TRUE(writeSequenceFiles(settings, renderers, dir.file("scene.cad"), true, written, error)) << error;
    EXPECT_EQ(dir.read("Movie1.BAT"),
              "Movie10 -D +FT\r\nMovie14 -D +FT\r\nMovie12 -D +FT\r\nMovie11 -D +FT\r\nMovie13 -D +FT\r\n");
}

}  // namespace
