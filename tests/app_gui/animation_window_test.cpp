// The Animation menu and toolbox driven in the window: the frame slider,
// Tween, Play, Setup's refusals and Render Animation with a fake renderer.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "animation/animation_commands.h"
#include "animation/animation_dialogs.h"
#include "animation/animation_edit.h"
#include "animation/animation_toolbox.h"
#include "cli/frame_farm.h"
#include "kxcore.h"
#include "model/scene_model.h"
#include "render/renderer_definitions.h"
#include "render_view/render_controller.h"
#include "render_view/render_output_panel.h"
#include "document/scene_edits.h"
#include "window_fixture.h"

namespace {

class AnimationWindowTest : public kxtest::WindowTest {
protected:
    AnimationCommands* anim() const { return frame->animation(); }
    // A 5-frame animation of one selected sphere at x 0 in frame 1 and x 4 in frame 5.
    CadObject* movingBall() {
        emptyScene();
        EXPECT_TRUE(kx::app::applyAnimationSetup({"Movie1", 5, true, ""}));
        anim()->refresh();
        CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
        SelectCadObjectByName(ball->name, 0);
        frame->action(QStringLiteral("animationAdd"))->trigger();
        EXPECT_EQ(GetAniObjectCount(), 1);
        anim()->toolbox()->spinBox()->setValue(5);
        EXPECT_EQ(GetCurrentFrame(), 4u);
        // An edit of an animated object: kept when the frame changes.
        EXPECT_TRUE(kx::app::moveSelection(doc()->history(), Point3d{4, 0, 0}));
        anim()->toolbox()->slider()->setValue(1);
        EXPECT_EQ(GetCurrentFrame(), 0u);
        return ball;
    }
    // Answers the next modal dialog of type T with `fill`, then accepts it.
    template <class T>
    void answerDialog(std::function<void(T*)> fill) {
        QTimer::singleShot(0, [fill] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fill(dialog);
        });
    }
};

TEST_F(AnimationWindowTest, SliderMovesTheAnimatedObject) {
    CadObject* ball = movingBall();
    struct Case {
        int slider;  // counted from 1
        double x;
    } cases[] = {{5, 4.0}, {1, 0.0}, {5, 4.0}, {3, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slider);
        anim()->toolbox()->slider()->setValue(c.slider);
        EXPECT_EQ(GetCurrentFrame(), static_cast<unsigned>(c.slider - 1));
        EXPECT_EQ(anim()->toolbox()->spinBox()->value(), c.slider);
        EXPECT_DOUBLE_EQ(ball->translate.x, c.x);
        EXPECT_NEAR(centreOf(ball).x, c.x, 1e-6);
    }
    // Moving frames is no change of the file.
    doc()->setModified(false);
    anim()->toolbox()->slider()->setValue(2);
    EXPECT_FALSE(doc()->isModified());
}

TEST_F(AnimationWindowTest, TweenDialogFillsTheFramesBetween) {
    CadObject* ball = movingBall();
    answerDialog<TweenDialog>([](TweenDialog* d) {
        EXPECT_EQ(d->findChild<QSpinBox*>(QStringLiteral("tweenFrom"))->value(), 1);
        EXPECT_EQ(d->findChild<QSpinBox*>(QStringLiteral("tweenTo"))->value(), 5);
        d->findChild<QCheckBox*>(QStringLiteral("tweenAll"))->setChecked(true);
        d->accept();
    });
    frame->action(QStringLiteral("animationTween"))->trigger();
    const double expected[] = {0, 1, 2, 3, 4};
    for (int f = 0; f < 5; ++f) {
        SCOPED_TRACE(f);
        anim()->toolbox()->slider()->setValue(f + 1);
        EXPECT_DOUBLE_EQ(ball->translate.x, expected[f]);
        EXPECT_EQ(GetAniObject(0)->frames[f].key, 1u);
    }
}

TEST_F(AnimationWindowTest, PlayLoopsThroughTheFramesAndStops) {
    movingBall();
    session->settings().playRate = 100;
    std::vector<int> seen;
    const QMetaObject::Connection watch = QObject::connect(anim()->toolbox()->slider(), &QSlider::valueChanged,
                                                           [&seen](int v) { seen.push_back(v); });
    QAction* play = frame->action(QStringLiteral("animationPlay"));
    play->trigger();
    EXPECT_TRUE(anim()->playing());
    EXPECT_EQ(play->text(), QStringLiteral("&Stop"));
    // Past the last frame it starts again at the first.
    QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 7, 5000);
    play->trigger();
    EXPECT_FALSE(anim()->playing());
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 7), (std::vector<int>{2, 3, 4, 5, 1, 2, 3}));
    const size_t stopped = seen.size();
    QTest::qWait(100);
    EXPECT_EQ(seen.size(), stopped);
    QObject::disconnect(watch);
}

TEST_F(AnimationWindowTest, SetupRefusesNoFramesAndNoName) {
    emptyScene();
    struct Case {
        const char* name;
        int frames;
        const char* refusal;  // null: accepted
    } cases[] = {{"Movie1", 0, "No frames in animation"}, {"", 10, "Untitled animation"}, {"Walk", 10, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        bool accepted = false;
        answerDialog<AnimationSetupDialog>([&c, &accepted](AnimationSetupDialog* d) {
            EXPECT_EQ(d->findChild<QLineEdit*>(QStringLiteral("setupName"))->text(), QStringLiteral("Movie1"));
            EXPECT_TRUE(d->findChild<QCheckBox*>(QStringLiteral("setupCopyForward"))->isChecked());
            d->findChild<QLineEdit*>(QStringLiteral("setupName"))->setText(QString::fromLatin1(c.name));
            d->findChild<QSpinBox*>(QStringLiteral("setupFrames"))->setValue(c.frames);
            d->accept();
            accepted = d->result() == QDialog::Accepted;
            if (!accepted) d->reject();
        });
        frame->action(QStringLiteral("animationSetup"))->trigger();
        EXPECT_EQ(accepted, c.refusal == nullptr);
        if (c.refusal) {
            EXPECT_EQ(messageTexts(), std::vector<std::string>{c.refusal});
            EXPECT_FALSE(IsAni());
        }
    }
    ASSERT_TRUE(IsAni());
    EXPECT_STREQ(GetAniSettings(nullptr)->name, "Walk");
    EXPECT_EQ(GetMaxFrame(), 10u);
    EXPECT_EQ(anim()->toolbox()->slider()->maximum(), 10);
}

TEST_F(AnimationWindowTest, RenderAnimationWithAFakeRenderer) {
    useFakeRenderer(std::string("echo \"frame option [$5]\"\n") + kxtest::kRedTarga, "$O $I $W $H $C", "+K");
    movingBall();
    anim()->toolbox()->slider()->setValue(4);
    QSignalSpy spy(anim(), &AnimationCommands::renderFinished);
    ASSERT_TRUE(anim()->renderAnimation(0, 2, false));
    EXPECT_FALSE(anim()->renderAnimation(0, 2, false));  // one at a time
    ASSERT_TRUE(spy.wait(20000));
    EXPECT_EQ(spy[0][0].toInt(), 3);
    EXPECT_EQ(spy[0][1].toInt(), 0);
    EXPECT_FALSE(spy[0][2].toBool());
    EXPECT_EQ(GetCurrentFrame(), 3u);  // the frame shown before
    const std::string folder = std::filesystem::path(frame->renderer()->scenePath()).parent_path().string();
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        EXPECT_EQ(std::filesystem::file_size(folder + "/Movie1" + std::to_string(f) + ".tga"), 42u);
    }
    EXPECT_TRUE(std::filesystem::exists(folder + "/Movie1.LST"));
    const QString output = frame->renderOutput()->text();
    EXPECT_TRUE(output.contains(QStringLiteral("Frame 3 of 3"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("frame option [+K2]"))) << output.toStdString();
    EXPECT_NE(frame->renderView(), nullptr);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(AnimationWindowTest, OpeningAnAnimatedSceneShowsItsFirstFrame) {
    CadObject* ball = movingBall();
    anim()->toolbox()->slider()->setValue(5);
    ASSERT_DOUBLE_EQ(ball->translate.x, 4.0);
    const QString path = QString::fromStdString(dir->file("moving.cad"));
    ASSERT_TRUE(doc()->save(path));
    ASSERT_TRUE(doc()->open(path));
    EXPECT_EQ(GetCurrentFrame(), 0u);
    CadObject* loaded = GetCadObjectByName(GetAniObject(0)->object->name);
    ASSERT_NE(loaded, nullptr);
    EXPECT_DOUBLE_EQ(loaded->translate.x, 0.0);
    EXPECT_EQ(anim()->toolbox()->slider()->value(), 1);
    EXPECT_EQ(anim()->toolbox()->slider()->maximum(), 5);
}

}  // namespace

namespace {

// Sequence Files with the shipped POV-Ray: Write, then Run through the batch
// runner, gives a readable image for every frame.
TEST_F(AnimationWindowTest, PovRaySequenceWriteThenRun) {
    const std::string example = std::string(KALVEX_SOURCE_DIR) + "/examples/rolling_ball.cad";
    if (!std::filesystem::exists("/usr/bin/povray")) GTEST_SKIP() << "POV-Ray is not installed";
    ASSERT_TRUE(std::filesystem::exists(example));
    ASSERT_GE(session->renderers().entries.size(), 2u);
    kx::app::Settings& s = session->settings();
    s.render.type = 1;
    session->reloadRenderers();
    if (s.directories.render.empty()) s.directories.render = "/usr/bin/povray";
    if (s.directories.include.empty()) s.directories.include = "/usr/share/povray-3.7/include";
    s.render.renderX = 32;
    s.render.renderY = 24;
    s.directories.defaultDir = dir->path().string();
    std::filesystem::copy_file(example, dir->file("rolling_ball.cad"));
    ASSERT_TRUE(frame->openFile(QString::fromStdString(dir->file("rolling_ball.cad"))));
    ASSERT_EQ(GetMaxFrame(), 3u);
    ASSERT_TRUE(anim()->writeSequence(false)) << (messageTexts().empty() ? "" : messageTexts().back());
    const std::string sequence = dir->file("Rolling.BAT");
    ASSERT_TRUE(std::filesystem::exists(sequence));
    QSignalSpy spy(anim(), &AnimationCommands::sequenceFinished);
    ASSERT_TRUE(anim()->runSequence(QString::fromStdString(sequence)));
    ASSERT_TRUE(spy.wait(120000));
    EXPECT_TRUE(spy[0][0].toBool()) << frame->renderOutput()->text().toStdString();
    std::string images[3];
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const std::string path = dir->file("Rolling" + std::to_string(f) + ".tga");
        EXPECT_TRUE(kx::app::frameImageReadsWhole(path));
        std::ifstream in(path, std::ios::binary);
        images[f].assign(std::istreambuf_iterator<char>(in), {});
        // 18 header bytes and 3 or 4 bytes a pixel of 32 x 24.
        EXPECT_GE(images[f].size(), 18u + 32 * 24 * 3);
    }
    EXPECT_NE(images[0], images[2]);  // the ball moved
}

}  // namespace

namespace {

TEST_F(AnimationWindowTest, CancelStopsRenderAnimation) {
    useFakeRenderer("echo started\nsleep 300");
    movingBall();
    QSignalSpy spy(anim(), &AnimationCommands::renderFinished);
    ASSERT_TRUE(anim()->renderAnimation(0, 4, false));
    QTRY_VERIFY_WITH_TIMEOUT(frame->renderOutput()->text().contains(QStringLiteral("started")), 10000);
    frame->cancel();  // Escape
    ASSERT_TRUE(spy.wait(10000));
    EXPECT_EQ(spy[0][0].toInt(), 0);
    EXPECT_TRUE(spy[0][2].toBool());
    EXPECT_FALSE(anim()->rendering());
    EXPECT_EQ(GetCurrentFrame(), 0u);
    // Nothing is left of the cancelled run: the next one may start.
    EXPECT_TRUE(frame->action(QStringLiteral("animationRender"))->isEnabled());
}

}  // namespace

namespace {

TEST_F(AnimationWindowTest, TemplatesSaveAndLoadAsTplFiles) {
    const std::string kept = GetSequenceTemplate();
    SequenceFilesDialog dialog(frame.get());
    auto* text = dialog.findChild<QPlainTextEdit*>(QStringLiteral("sequenceTemplateText"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText().toStdString(), kept);
    struct Case {
        const char* chosen;  // the name picked in the file dialog
        const char* file;    // the file written
    } cases[] = {{"render.TPL", "render.TPL"}, {"plain", "plain.TPL"}, {"lower.tpl", "lower.TPL"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        text->setPlainText(QStringLiteral("povray +I$N$F$E +W$W"));
        ASSERT_TRUE(dialog.sequenceTemplate()->save(QString::fromStdString(dir->file(c.chosen))));
        EXPECT_TRUE(std::filesystem::exists(dir->file(c.file)));
        EXPECT_STREQ(GetSequenceTemplate(), "povray +I$N$F$E +W$W");
        text->setPlainText(QStringLiteral("something else"));
        dialog.sequenceTemplate()->store();
        ASSERT_TRUE(dialog.sequenceTemplate()->load(QString::fromStdString(dir->file(c.file))));
        EXPECT_EQ(text->toPlainText(), QStringLiteral("povray +I$N$F$E +W$W"));
        EXPECT_STREQ(GetSequenceTemplate(), "povray +I$N$F$E +W$W");
    }
    std::strcpy(GetSequenceTemplate(), kept.c_str());
}

}  // namespace
