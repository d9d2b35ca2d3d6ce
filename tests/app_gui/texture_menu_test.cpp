// The Textures menu: the rebuild tells where its script is, and the missing
// previews render in the background while the window goes on.
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>
#include <filesystem>

#include "kxcore.h"
#include "texbuild/texture_commands.h"
#include "window_fixture.h"

namespace {

class TextureMenuTest : public kxtest::WindowTest {};

TEST_F(TextureMenuTest, RebuildAndRenderMissingPreviews) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray"));
    // A small library of its own, so that the test renders two swatches.
    if (TextureInfo* first = GetTexture(nullptr)) ClearTexture(first);
    SetFirstTexture(nullptr);
    kx::app::TextureDatabase& db = session->core().textures();
    ASSERT_NE(db.addTextureRecord("Red", 1, 0x0000FF), nullptr);
    ASSERT_NE(db.addTextureRecord("Jade", 2, 0xFFFFFF), nullptr);
    const std::string folder = db.texturesFolder();

    frame->action(QStringLiteral("texturesRebuild"))->trigger();
    const std::vector<std::string> texts = messageTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Run the " + folder + "/TEXTURES.sh batch file to render missing texture images");

    QSignalSpy done(frame->textureCommands(), &TextureCommands::allFinished);
    QSignalSpy each(frame->textureCommands(), &TextureCommands::previewFinished);
    frame->action(QStringLiteral("texturesRenderMissing"))->trigger();
    EXPECT_TRUE(frame->textureCommands()->rendering() || !done.isEmpty());
    ASSERT_TRUE(done.count() > 0 || done.wait(60000));
    EXPECT_EQ(done.takeFirst(), (QList<QVariant>{2, 0}));
    EXPECT_EQ(each.count(), 2);
    const std::string red = GetTexture(nullptr)->shortText1;
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + red + ".tga"));

    // Nothing is missing now: a second run starts nothing and says so at once.
    frame->action(QStringLiteral("texturesRenderMissing"))->trigger();
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done.takeFirst(), (QList<QVariant>{0, 0}));
}

}  // namespace
