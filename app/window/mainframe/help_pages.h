// The Help menu's pages: the user guide shipped with the program, the list of
// keyboard shortcuts read from the window's own actions, and the script
// reference written from the script host's method table, so that none of them
// can disagree with what the program does.
#pragma once

#include <QString>
#include <vector>

class QAction;
class QDialog;
class QMenuBar;
class QWidget;

namespace kx::app {

// The user guide's file, or empty when the program's data holds none.
QString manualPath();

struct ShortcutEntry {
    QString where;  // the menu path, "Edit > Undo"
    QString keys;   // every shortcut of the action, "Ctrl+Shift+Z, Ctrl+Y"
};
// Every action of the menu bar (submenus too) and of `others` that has a
// shortcut, each once, in menu order.
std::vector<ShortcutEntry> shortcutEntries(const QMenuBar* bar, const std::vector<QAction*>& others);
QString shortcutsHtml(const std::vector<ShortcutEntry>& entries);

// Every script method with its arguments and result, and the object type
// numbers the methods take.
QString scriptReferenceHtml();

// A window of its own showing a page; it is deleted when closed.
QDialog* showHelpPage(QWidget* parent, const QString& objectName, const QString& title, const QString& html,
                      const QString& baseFile = {});

}  // namespace kx::app
