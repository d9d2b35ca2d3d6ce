// The Textures menu: the rebuild tells where its script is, and the missing
// previews render in the background while the window goes on.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QSignalSpy>
#include <QTest>
#include <QImage>
#include <QPixmap>
#include <filesystem>
#include <functional>
#include <memory>
#include <fstream>
#include <iterator>

#include "kxcore.h"
#include "texbuild/element_editor.h"
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

// The selected textures render as one layered swatch, in list order.
TEST_F(TextureMenuTest, TheBrowserPreviewsSelectedTexturesAsLayers) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray"));
    if (TextureInfo* first = GetTexture(nullptr)) ClearTexture(first);
    SetFirstTexture(nullptr);
    kx::app::TextureDatabase& db = session->core().textures();
    ASSERT_NE(db.addTextureRecord("Jade", 2, 0xFFFFFF), nullptr);
    ASSERT_NE(db.addTextureRecord("Gold_Metal", 2, 0xFFFFFF), nullptr);
    TextureBrowserDialog browser(db, frame->textureCommands(), doc());
    ASSERT_EQ(browser.list()->count(), 2);
    EXPECT_FALSE(browser.previewLayers());  // nothing selected
    browser.list()->item(1)->setSelected(true);
    browser.list()->item(0)->setSelected(true);
    QSignalSpy each(frame->textureCommands(), &TextureCommands::previewFinished);
    ASSERT_TRUE(browser.previewLayers());
    ASSERT_TRUE(each.wait(30000));
    EXPECT_EQ(each[0][0].toString(), QStringLiteral("Jade+Gold_Metal"));
    EXPECT_TRUE(each[0][2].toBool());
    std::ifstream in(db.texturesFolder() + "/Layers$.pov", std::ios::binary);
    const std::string scene{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(scene.find(" texture { Jade }\r\n texture { Gold_Metal }\r\n"), std::string::npos) << scene;
    auto* swatch = browser.findChild<QLabel*>(QStringLiteral("layersSwatch"));
    ASSERT_NE(swatch, nullptr);
    EXPECT_FALSE(swatch->pixmap().isNull());
}

// An element edited in its row is set in the current texture; an image map
// is opened by the desktop only when the element names a file that exists.
TEST_F(TextureMenuTest, TheBuilderEditsElementsAndOpensImageMaps) {
    TextureBuilderDialog builder(*session);
    auto* elements = builder.findChild<ElementEditor*>();
    ASSERT_NE(elements, nullptr);
    const QList<QTreeWidgetItem*> rows =
        elements->findItems(QStringLiteral("*image"), Qt::MatchExactly | Qt::MatchRecursive, 0);
    ASSERT_EQ(rows.size(), 1);
    QWidget* editor = elements->itemWidget(rows[0], 1);
    ASSERT_NE(editor, nullptr);
    auto* edit = editor->findChild<QPushButton*>(QStringLiteral("imageMapEdit"));
    auto* line = editor->findChild<QLineEdit*>();
    ASSERT_TRUE(edit && line);
    std::vector<QString> opened;
    elements->setOpener([&opened](const QString& path) {
        opened.push_back(path);
        return true;
    });
    std::string path = "/pigment/image_map/*image";
    TexItem* image = FindTexItem(path.data());
    ASSERT_NE(image, nullptr);

    const std::string folder = session->core().textures().texturesFolder();
    struct Step {
        const char* name;        // typed into the row; null: none typed
        bool makeFile;           // the file exists (in another letter case)
        std::vector<std::string> messages;
        bool opens;
    } steps[] = {
        {nullptr, false, {"Image map file not specified"}, false},
        {"Stones.tga", false, {folder + "/Stones.tga: No such file or directory"}, false},
        {"Stones.tga", true, {}, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name ? s.name : "(none)");
        boxes.clear();
        opened.clear();
        if (s.name) {
            line->setText(QString::fromUtf8(s.name));
            emit line->editingFinished();
            EXPECT_EQ(rows[0]->checkState(0), Qt::Checked);
            EXPECT_EQ(image->set, 1);
            EXPECT_STREQ(image->text, s.name);
        }
        if (s.makeFile) std::ofstream(folder + "/stones.TGA") << "x";
        edit->click();
        EXPECT_EQ(messageTexts(), s.messages);
        EXPECT_EQ(opened, s.opens ? std::vector<QString>{QString::fromStdString(folder + "/stones.TGA")}
                                  : std::vector<QString>{});
    }
    // Unticked, the element is no longer written; its value waits in the row.
    rows[0]->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(image->set, 0);
    EXPECT_STREQ(image->text, "Stones.tga");
}

// The builder shows the text its texture is written as, kept up with each
// edit of the name, the parent and the elements.
TEST_F(TextureMenuTest, TheBuilderShowsTheTextureAsWrittenWhileItIsEdited) {
    TextureBuilderDialog builder(*session);
    auto* shown = builder.findChild<QPlainTextEdit*>(QStringLiteral("textureSceneText"));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isReadOnly());
    auto* name = builder.findChildren<QLineEdit*>().value(0);
    auto* parent = builder.findChildren<QLineEdit*>().value(1);
    ASSERT_TRUE(name && parent);
    auto* elements = builder.findChild<ElementEditor*>();
    const QList<QTreeWidgetItem*> rows =
        elements->findItems(QStringLiteral("*image"), Qt::MatchExactly | Qt::MatchRecursive, 0);
    ASSERT_EQ(rows.size(), 1);
    auto* imageLine = elements->itemWidget(rows[0], 1)->findChild<QLineEdit*>();
    ASSERT_NE(imageLine, nullptr);
    struct Step {
        std::function<void()> edit;
        const char* shows;   // in the text, or
        const char* absent;  // not in it
    } steps[] = {
        {[&] {
             name->selectAll();
             QTest::keyClicks(name, QStringLiteral("Shiny"));
         },
         "#declare Shiny = \ntexture {\n", nullptr},
        {[&] { QTest::keyClicks(parent, QStringLiteral("Gold_Metal")); }, "texture {\n Gold_Metal\n", nullptr},
        {[&] {
             imageLine->setText(QStringLiteral("stones.tga"));
             emit imageLine->editingFinished();
         },
         "tga \"stones.tga\"", nullptr},
        {[&] { rows[0]->setCheckState(0, Qt::Unchecked); }, nullptr, "stones.tga"},
        {[&] {
             name->selectAll();
             QTest::keyClicks(name, QStringLiteral("two words"));
         },
         "the name must be", "#declare"},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        steps[i].edit();
        const std::string text = shown->toPlainText().toStdString();
        if (steps[i].shows) {
            EXPECT_NE(text.find(steps[i].shows), std::string::npos) << text;
        }
        if (steps[i].absent) {
            EXPECT_EQ(text.find(steps[i].absent), std::string::npos) << text;
        }
    }
}

// Every colour button of the element editor shows its whole label, even
// three side by side.
TEST_F(TextureMenuTest, TheBuildersColourButtonsAreNotCut) {
    TextureBuilderDialog builder(*session);
    builder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&builder));
    auto* elements = builder.findChild<ElementEditor*>();
    ASSERT_NE(elements, nullptr);
    int buttons = 0;
    for (QPushButton* b : elements->findChildren<QPushButton*>()) {
        if (!b->text().startsWith(QStringLiteral("Colour "))) continue;
        ++buttons;
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();
        // The value column holds the whole editor.
        EXPECT_LE(b->mapTo(elements->viewport(), QPoint(b->width(), 0)).x(),
                  elements->header()->sectionPosition(1) + elements->header()->sectionSize(1));
    }
    EXPECT_GT(buttons, 2);
}

// A swatch not rendered yet shows the texture's colour, marked in its corner
// in a shade that stands out from that colour.
TEST(SwatchIconTest, AMissingSwatchShowsTheTexturesColourWithAMark) {
    const QColor colours[] = {QColor(200, 30, 30), QColor(10, 20, 90), QColor(Qt::white), QColor(Qt::black)};
    for (const QColor& base : colours) {
        SCOPED_TRACE(base.name().toStdString());
        const QImage icon = swatchIcon("/nowhere/missing.tga", 64, base).pixmap(64, 64).toImage();
        EXPECT_EQ(icon.pixelColor(32, 32), base);
        EXPECT_EQ(icon.pixelColor(4, 60), base);
        const QColor mark = icon.pixelColor(63, 20);
        EXPECT_GT(std::abs(mark.lightness() - base.lightness()), 100) << mark.name().toStdString();
    }
}

// A saved texture previewed with changes that were then thrown away gets its
// saved swatch back when the builder closes.
TEST_F(TextureMenuTest, ClosingTheBuilderRendersTheSavedSwatchAgain) {
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/povray"));
    TextureCommands* commands = frame->textureCommands();
    auto builder = std::make_unique<TextureBuilderDialog>(*session, nullptr, commands);
    builder->findChild<QCheckBox*>()->setChecked(false);  // previews only when asked
    QSignalSpy shown(builder.get(), &TextureBuilderDialog::previewShown);
    builder->findChild<QLineEdit*>()->setText(QStringLiteral("Lemon"));
    auto* text = builder->findChild<QPlainTextEdit*>();
    text->setPlainText(QStringLiteral("pigment { color rgb <1, 1, 0> }"));
    ASSERT_EQ(builder->save(), 1) << messageTexts().back();
    text->setPlainText(QStringLiteral("pigment { color rgb <0, 0, 1> }"));
    ASSERT_TRUE(builder->preview());
    ASSERT_TRUE(shown.wait(30000));
    auto centre = [this] {
        const std::string swatch = session->core().textures().previewImagePath("Lemon");
        return swatchIcon(swatch, 64).pixmap(64, 64).toImage().pixelColor(32, 32);
    };
    const QColor unsaved = centre();
    EXPECT_GT(unsaved.blue(), unsaved.red());

    QSignalSpy rendered(commands, &TextureCommands::previewFinished);
    builder->reject();
    ASSERT_TRUE(rendered.wait(30000));
    EXPECT_EQ(rendered[0][0].toString(), QStringLiteral("Lemon"));
    EXPECT_TRUE(rendered[0][2].toBool());
    const QColor saved = centre();
    EXPECT_GT(saved.red(), saved.blue());
    EXPECT_GT(saved.green(), saved.blue());
}

}  // namespace
