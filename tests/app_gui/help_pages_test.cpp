// The Help menu: the user guide, the shortcut list read from the actions and
// the script reference written from the method table open and say what the
// program does.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTextBrowser>

#include "mainframe/help_pages.h"
#include "script/script_methods.h"
#include "window_fixture.h"

namespace {

using HelpPagesTest = kxtest::WindowTest;

QString openedPage(const QString& objectName) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == objectName && w->isVisible())
            if (auto* text = w->findChild<QTextBrowser*>(QStringLiteral("helpText"))) return text->toPlainText();
    return {};
}

TEST_F(HelpPagesTest, EachPageOpensFromTheMenuAndHoldsWhatItIsAbout) {
    struct Case {
        const char* action;
        const char* page;
        std::vector<QString> holds;
    };
    std::vector<QString> methods;
    for (const kx::script::Method& m : kx::script::methods()) methods.push_back(QStringLiteral("Scene:%1(").arg(m.name));
    methods.push_back(QStringLiteral("13 Sphere"));
    const Case cases[] = {
        {"helpManual", "helpManualPage", {"The views and the mouse", "Groups and CSG", "Group as Difference", "Lights",
                                          "Animation", "The command line", "Plug-ins", "Scripts"}},
        {"helpShortcuts", "helpShortcutsPage", {"Edit > Undo", "File > Render", "Edit > Group", "Arrow keys"}},
        {"helpScriptReference", "helpScriptPage", methods},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        QAction* a = frame->action(QString::fromLatin1(c.action));
        ASSERT_NE(a, nullptr);
        a->trigger();
        const QString text = openedPage(QString::fromLatin1(c.page));
        ASSERT_FALSE(text.isEmpty());
        for (const QString& wanted : c.holds) EXPECT_TRUE(text.contains(wanted)) << wanted.toStdString();
    }
}

TEST_F(HelpPagesTest, ShortcutsComeFromTheActionsEachOnceWithAllTheirKeys) {
    std::vector<QAction*> none;
    const std::vector<kx::app::ShortcutEntry> entries = kx::app::shortcutEntries(frame->menuBar(), none);
    auto find = [&](const QString& where) -> const kx::app::ShortcutEntry* {
        for (const auto& e : entries)
            if (e.where == where) return &e;
        return nullptr;
    };
    const kx::app::ShortcutEntry* redo = find(QStringLiteral("Edit > Redo"));
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(redo->keys.toStdString(), "Ctrl+Shift+Z, Ctrl+Y");
    // F5 stands in two menus; one action is listed once, where it is met first.
    int renders = 0;
    for (const auto& e : entries) renders += e.keys == QStringLiteral("F5");
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(find(QStringLiteral("Modify > CSG > Group as Difference")), nullptr);  // no shortcut: not listed
    // A changed shortcut shows at once: the list is read, not written down.
    QAction* group = frame->action(QStringLiteral("editGroup"));
    group->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_U));
    const auto again = kx::app::shortcutEntries(frame->menuBar(), none);
    bool shown = false;
    for (const auto& e : again) shown = shown || (e.where == "Edit > Group" && e.keys == "Ctrl+Alt+U");
    EXPECT_TRUE(shown);
}

}  // namespace
