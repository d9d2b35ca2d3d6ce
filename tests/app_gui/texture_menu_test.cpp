// The Textures menu: the rebuild tells where its script is, and the missing
// previews render in the background while the window goes on.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <filesystem>

#include "kxcore.h"
#include "texbuild/texture_browser_dialog.h"
#include "texbuild/texture_builder_dialog.h"
#include "texbuild/texture_commands.h"
#include "window_fixture.h"

namespace {

class TextureMenuTest : public kxtest::WindowTest {
protected:
    // Records whose colour came from a swatch.
    static int list2Words() {
        int n = 0;
        for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) n += t->word1 == 1;
        return n;
    }
};

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

    // The swatches give the colours; an object wearing the texture takes it,
    // and the render view does not show the swatches that were read.
    CadObject* ball = addObject(KX_SPHERE, {0, 0, 0});
    SetObjectTextureEx(ball, 2, "Jade");
    EXPECT_EQ(ball->rgb, 0xFFFFFFu);
    frame->action(QStringLiteral("texturesUpdateColours"))->trigger();
    EXPECT_NE(ball->rgb, 0xFFFFFFu);
    const uint32_t jade = ball->rgb;
    EXPECT_GT((jade >> 8) & 0xFF, jade & 0xFF);  // greener than red
    EXPECT_EQ(list2Words(), 2);

    // The browser filters by name and kind and applies to the selection.
    TextureBrowserDialog browser(db, frame->textureCommands(), doc());
    EXPECT_EQ(browser.list()->count(), 2);
    browser.findChild<QComboBox*>()->setCurrentIndex(1);  // colours
    ASSERT_EQ(browser.list()->count(), 1);
    EXPECT_EQ(browser.list()->item(0)->text(), QStringLiteral("Red"));
    browser.findChild<QComboBox*>()->setCurrentIndex(0);
    browser.findChild<QLineEdit*>()->setText(QStringLiteral("ja"));
    ASSERT_EQ(browser.list()->count(), 1);
    browser.list()->setCurrentRow(0);
    ball->selected = 1;
    EXPECT_EQ(browser.applyCurrent(), 1);
    EXPECT_STREQ(ball->material, "Jade");
    EXPECT_EQ(ball->rgb, jade);
    ball->selected = 0;

    // Nothing is missing now: a second run starts nothing and says so at once.
    frame->action(QStringLiteral("texturesRenderMissing"))->trigger();
    ASSERT_EQ(done.count(), 1);
    EXPECT_EQ(done.takeFirst(), (QList<QVariant>{0, 0}));
}

}  // namespace

namespace {

TEST_F(TextureMenuTest, TheBuilderMakesPreviewsSavesAndDeletesAUserTexture) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray"));
    TextureBuilderDialog builder(*session);
    QSignalSpy shown(&builder, &TextureBuilderDialog::previewShown);
    auto* name = builder.findChild<QLineEdit*>();
    EXPECT_EQ(name->text().left(11), QStringLiteral("UserTexture"));
    name->setText(QStringLiteral("Lemon"));
    builder.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("pigment { color rgb <1, 1, 0> }"));
    ASSERT_TRUE(builder.preview()) << messageTexts().back();
    ASSERT_TRUE(shown.wait(30000));
    EXPECT_TRUE(shown.takeFirst().at(0).toBool());

    ASSERT_EQ(builder.save(), 1) << messageTexts().back();
    EXPECT_EQ(GetTextureTypeByName("Lemon"), 6u);
    EXPECT_GT(GetUserDbIndex("Lemon"), 0);
    ASSERT_EQ(LoadCustomTexture("Lemon"), 1);
    EXPECT_STREQ(GetCustomTexture(0)->freeForm, "pigment { color rgb <1, 1, 0> }");
    // Saved again under the same name, the texture is replaced, not doubled.
    ASSERT_TRUE(builder.editTexture(QStringLiteral("Lemon")));
    builder.findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("pigment { color rgb <1, 0.9, 0> }"));
    ASSERT_EQ(builder.save(), 1);
    EXPECT_EQ(GetTextureNameCount("Lemon"), 1u);

    ASSERT_EQ(builder.remove(), 1);
    EXPECT_EQ(GetTextureNameCount("Lemon"), 0u);
    EXPECT_EQ(GetUserDbIndex("Lemon"), 0);

    builder.findChild<QCheckBox*>()->setChecked(false);
    builder.reject();
    EXPECT_EQ(session->core().store().getInt("Texture", "ShowPreview", 1), 0);
}

}  // namespace
