// Undo and Redo in the window: the menu and its keys, step names, the
// modified mark, one drag as one step, the clipboard between two scenes, and
// panel edits on several objects.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>

#include <fstream>
#include <functional>
#include <sstream>

#include "animation/animation_commands.h"
#include "document/scene_clipboard.h"
#include "kxcore.h"
#include "mainframe/edit_commands.h"
#include "mainframe/property_panel.h"
#include "model/scene_model.h"
#include "plugins/plugin_commands.h"
#include "script/code_editor.h"
#include "script/macro_doc.h"
#include "texbuild/texture_browser_dialog.h"
#include "texbuild/texture_commands.h"
#include "texbuild/texture_database.h"
#include "window_fixture.h"

namespace {

class UndoWindowTest : public kxtest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        emptyScene();
        std::tie(a, b) = sphereAndBox({0, 0, 0}, {4, 0, 0});
        doc()->selectionChanged();
        doc()->setModified(false);
    }
    void press(const QKeySequence& keys) {
        QTest::keySequence(frame.get(), keys);
        QApplication::processEvents();
    }
    QString undoText() const { return frame->action("editUndo")->text(); }
    std::string sceneBytes() {
        const std::string path = dir->file("bytes.cad");
        EXPECT_TRUE(SaveScene2(GetCurrentScene(), path.c_str()));
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    EditCommands* edit() const { return frame->editCommands(); }
    CadObject* a = nullptr;
    CadObject* b = nullptr;
};

TEST_F(UndoWindowTest, KeysUndoAndRedoWithStepNamesAndTheModifiedMark) {
    EXPECT_FALSE(frame->action("editUndo")->isEnabled());
    edit()->selectAll();
    edit()->deleteSelection();
    EXPECT_EQ(GetCadObjectsCount(), 0u);
    EXPECT_EQ(undoText(), "&Undo Delete 2 Objects");
    EXPECT_TRUE(doc()->isModified());
    struct Keys {
        QKeySequence keys;
        unsigned objects;
    };
    const Keys table[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), 2},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), 0},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), 2},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), 0},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), 2},
    };
    for (const Keys& k : table) {
        SCOPED_TRACE(k.keys.toString().toStdString());
        press(k.keys);
        EXPECT_EQ(GetCadObjectsCount(), k.objects);
    }
    // Back at the saved position: unchanged.
    EXPECT_FALSE(doc()->isModified());
    EXPECT_EQ(frame->action("editRedo")->text(), "&Redo Delete 2 Objects");
    EXPECT_NE(GetCadObjectByName("_sphere0"), nullptr);
    EXPECT_NE(GetCadObjectByName("_box0"), nullptr);
}

TEST_F(UndoWindowTest, OneDragIsOneStep) {
    CKalvexView* front = openView(kx::app::kFront);
    const QPoint start = at(front, Point3d{0, 0, 0});
    drag(front, start, start + QPoint(40, 0));
    const float movedTo = GetCadObjectByName("_sphere0")->translate.x;
    ASSERT_NE(movedTo, 0.f);
    EXPECT_EQ(doc()->history().size(), 1u);
    EXPECT_EQ(undoText(), "&Undo Move");
    press(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(GetCadObjectByName("_sphere0")->translate.x, 0.f);
}

TEST_F(UndoWindowTest, ClipboardCarriesObjectsBetweenScenes) {
    SetObjectsUnSelected();
    AddSelectedObject(b);
    SetCadObjectProperty(b, KX_PROP_TEXTURE, "Jade");
    edit()->copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(kx::app::kSceneMimeType));
    EXPECT_TRUE(data->text().startsWith("version"));
    // Another document: a new scene in its place.
    doc()->newScene(false);
    ASSERT_EQ(GetCadObjectsCount(), 0u);
    press(QKeySequence(Qt::CTRL | Qt::Key_V));
    ASSERT_EQ(GetCadObjectsCount(), 1u);
    CadObject* pasted = GetCadObject(nullptr);
    EXPECT_EQ(pasted->type, static_cast<uint32_t>(KX_BOX));
    EXPECT_STREQ(pasted->material, "Jade");
    EXPECT_TRUE(pasted->selected);
    EXPECT_EQ(undoText(), "&Undo Paste Object");
    // Cut takes it away as one step.
    press(QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(GetCadObjectsCount(), 0u);
    EXPECT_EQ(undoText(), "&Undo Cut Object");
}

TEST_F(UndoWindowTest, PanelEditsEverySelectedObjectAsOneStep) {
    PropertyPanel* panel = frame->properties();
    AddSelectedObject(a);
    AddSelectedObject(b);
    doc()->selectionChanged();
    EXPECT_EQ(panel->countLabel()->text(), "2 objects");
    QDoubleSpinBox* x = panel->pointField(KX_PROP_TRANSLATE, 0);
    QDoubleSpinBox* y = panel->pointField(KX_PROP_TRANSLATE, 1);
    // The x values differ (0 and 4): a dash; the y values agree.
    EXPECT_EQ(x->text(), QString::fromUtf8("\u2014"));
    EXPECT_EQ(y->value(), 0.0);
    EXPECT_FALSE(panel->nameField()->isEnabled());
    y->setValue(2.5);
    EXPECT_FLOAT_EQ(a->translate.y, 2.5f);
    EXPECT_FLOAT_EQ(b->translate.y, 2.5f);
    EXPECT_FLOAT_EQ(a->translate.x, 0.f);
    EXPECT_FLOAT_EQ(b->translate.x, 4.f);
    y->setValue(3);
    EXPECT_EQ(doc()->history().size(), 1u);
    press(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_FLOAT_EQ(a->translate.y, 0.f);
    EXPECT_FLOAT_EQ(b->translate.y, 0.f);
    EXPECT_FALSE(doc()->isModified());
}

TEST_F(UndoWindowTest, PluginsMacrosAndTheTextureBrowserAreOneStepEach) {
    struct Case {
        const char* name;
        std::function<void()> run;
        const char* undoText;
    };
    const Case cases[] = {
        {"built-in plug-in",
         [this] { EXPECT_EQ(frame->findChild<PluginCommands*>()->runBuiltIn(QStringLiteral("Octahedron")), 1); },
         "&Undo Run Plug-in Octahedron"},
        {"macro",
         [this] {
             auto* panel = frame->findChild<CMacroDoc*>(QStringLiteral("macroPanel"));
             panel->editor()->setPlainText(QStringLiteral(
                 "function main()\n  Scene:CreateObject('Made', 13)\n  Scene:DeleteObject(Scene:FindObject('_box0'))\n"
                 "end\n"));
             EXPECT_TRUE(panel->run().ok);
         },
         "&Undo Run Macro"},
        {"texture browser",
         [this] {
             kx::app::TextureDatabase& db = session->core().textures();
             if (!GetTextureInfoByName("Jade")) db.addTextureRecord("Jade", 2, 0xFFFFFF);
             TextureBrowserDialog browser(db, frame->textureCommands(), doc());
             browser.findChild<QLineEdit*>()->setText(QStringLiteral("Jade"));
             ASSERT_GE(browser.list()->count(), 1);
             browser.list()->setCurrentRow(0);
             AddSelectedObject(a);
             EXPECT_EQ(browser.applyCurrent(), 1);
         },
         "&Undo Apply Texture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetObjectsUnSelected();
        doc()->setModified(false);
        const std::string before = sceneBytes();
        c.run();
        const std::string after = sceneBytes();
        EXPECT_NE(after, before);
        EXPECT_EQ(undoText(), c.undoText);
        EXPECT_TRUE(doc()->isModified());
        press(QKeySequence(Qt::CTRL | Qt::Key_Z));
        EXPECT_EQ(sceneBytes(), before);
        EXPECT_FALSE(doc()->isModified());
        press(QKeySequence(Qt::CTRL | Qt::Key_Y));
        EXPECT_EQ(sceneBytes(), after);
    }
}

// Animation commands are steps too: undo takes them back, and the steps
// before them stay.
TEST_F(UndoWindowTest, AnimationCommandsAreStepsOfTheHistory) {
    AddSelectedObject(a);
    edit()->deleteSelection();
    ASSERT_TRUE(frame->action("editUndo")->isEnabled());
    {
        kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Animation);
        ASSERT_NE(CreateAnimation("walk", 4), 0);
    }
    SetObjectsUnSelected();
    AddSelectedObject(b);
    frame->findChild<AnimationCommands*>()->addSelected();
    EXPECT_EQ(undoText(), "&Undo Add to Animation");
    EXPECT_TRUE(doc()->isModified());
    EXPECT_EQ(GetAniObjectCount(), 1);
    press(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(GetAniObjectCount(), 0);
    EXPECT_FALSE(b->flags & KX_FLAG_ANIMATED);
    EXPECT_EQ(undoText(), "&Undo Delete Object");
    press(QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_EQ(GetAniObjectCount(), 1);
}

}  // namespace
