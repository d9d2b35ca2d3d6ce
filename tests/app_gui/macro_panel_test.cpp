// The Macro panel in the window: running the editor's text on the open
// document, errors in the editor, Stop, .lua files, and a scene's start-up
// scripts when the document opens the scene.
#include <QApplication>
#include <QDialog>
#include <QDockWidget>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "kxcore.h"
#include "script/code_editor.h"
#include "script/macro_doc.h"
#include "window_fixture.h"

namespace {

class MacroPanelTest : public kxtest::WindowTest {
protected:
    CMacroDoc* panel() const { return frame->findChild<CMacroDoc*>(QStringLiteral("macroPanel")); }
    kx::script::RunResult runText(const QString& text) {
        panel()->editor()->setPlainText(text);
        return panel()->run();
    }
};

TEST_F(MacroPanelTest, RunChangesTheDocumentAndPrintsToTheOutput) {
    ASSERT_NE(panel(), nullptr);
    ASSERT_NE(frame->findChild<QDockWidget*>(QStringLiteral("macroDock")), nullptr);
    doc()->setModified(false);
    const auto r = runText("function main()\n  local h = Scene:CreateObject('Made', 13)\n  print('made', h > 0)\nend\n");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.changed);
    EXPECT_NE(GetCadObjectByName("Made"), nullptr);
    EXPECT_TRUE(doc()->isModified());
    EXPECT_EQ(panel()->output()->toPlainText(), QStringLiteral("made\ttrue"));
    EXPECT_TRUE(messageTexts().empty());
}

TEST_F(MacroPanelTest, AnErrorPutsTheCursorOnItsLine) {
    const auto r = runText("x = 1\ny = 2\nerror('third')\n");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(panel()->editor()->textCursor().blockNumber(), 2);
    EXPECT_TRUE(panel()->output()->toPlainText().contains(QStringLiteral("'third'")));
    ASSERT_FALSE(messageTexts().empty());
    EXPECT_EQ(messageTexts().back(), "Error loading script");
}

TEST_F(MacroPanelTest, StopInTheRunningDialogEndsALoop) {
    // Press Stop once the dialog has come up.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [this] {
        if (QDialog* d = panel()->runningDialog()) {
            if (auto* stop = d->findChild<QPushButton*>(QStringLiteral("stopScript"))) stop->click();
        }
    });
    poll.start();
    const auto r = runText("while true do end");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Script stopped"), std::string::npos) << r.message;
    EXPECT_FALSE(panel()->running());
}

TEST_F(MacroPanelTest, SendKeysTypesIntoTheProgramsOwnWindows) {
    QPlainTextEdit target;
    target.setWindowTitle(QStringLiteral("Typing target"));
    target.show();
    const auto r = runText("local w = Scene:FindWindow('', 'Typing target')\nassert(w > 0)\n"
                           "Scene:SendKeys(w, 'hi')\nassert(Scene:FindWindow('NoSuchClass', '') == 0)");
    ASSERT_TRUE(r.ok) << r.message;
    QApplication::processEvents();
    EXPECT_EQ(target.toPlainText(), QStringLiteral("hi"));
}

TEST_F(MacroPanelTest, MacrosSaveAndOpenAsLuaFiles) {
    const std::string path = dir->file("macro.lua");
    panel()->editor()->setPlainText(QStringLiteral("print('saved')"));
    ASSERT_TRUE(panel()->saveMacro(QString::fromStdString(path)));
    panel()->newMacro();
    EXPECT_TRUE(panel()->editor()->toPlainText().isEmpty());
    ASSERT_TRUE(panel()->openMacro(QString::fromStdString(path)));
    EXPECT_EQ(panel()->editor()->toPlainText(), QStringLiteral("print('saved')"));
    EXPECT_FALSE(panel()->openMacro(QString::fromStdString(dir->file("missing.lua"))));
}

TEST_F(MacroPanelTest, OpeningASceneRunsItsStartUpScriptOnceOnly) {
    const std::string a = dir->file("a.cad");
    const std::string b = dir->file("b.cad");
    std::ofstream(a) << "version 2.0\nSphere\n{\n\tName first\n}\n"
                        "Script Add SceneCreate \"Scene:CreateObject('FromScript', 13)\"\n";
    std::ofstream(b) << "version 2.0\nSphere\n{\n\tName second\n}\n";
    ASSERT_TRUE(doc()->open(QString::fromStdString(a)));
    EXPECT_NE(GetCadObjectByName("FromScript"), nullptr);
    EXPECT_FALSE(doc()->isModified());
    // What the script made belongs to the scene as opened: nothing to undo.
    EXPECT_FALSE(doc()->history().canUndo());
    ASSERT_TRUE(doc()->open(QString::fromStdString(b)));
    EXPECT_EQ(GetCadObjectByName("FromScript"), nullptr) << "the first scene's script stays with it";
    EXPECT_NE(GetCadObjectByName("second"), nullptr);
}

}  // namespace
