// The plug-ins in the window: the Plug-ins menu (the manager dialog, then the
// UTIL items), the Tools menu and toolbar (the built-in builders, then the
// BUILD items), and the SCREEN items painting over the views.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class FrameServices;
class ToolParametersDialog;
struct ToolField;
class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace kx::app {
class AppSession;
}

class PluginCommands : public QObject {
    Q_OBJECT
public:
    PluginCommands(kx::app::AppSession& session, FrameServices* frame);

    QMenu* pluginsMenu() const { return plugins_; }
    QMenu* toolsMenu() const { return tools_; }
    QToolBar* toolBar() const { return toolBar_; }
    // Fills the menus and the toolbar again from the manager's enabled items.
    void rebuild();
    // Runs item i with reason 1 and shows what it changed; its result. A
    // builder that lists its number properties asks for them first.
    int runItem(size_t i);
    // Runs a built-in builder by name; its result. A tool that cannot act on
    // the selection says why in the status bar; a tool with parameters asks
    // for them first (remembered per tool), and nothing runs on Cancel.
    int runBuiltIn(const QString& name);
    // Shows a tool's parameter dialog; true when accepted (tests answer it).
    std::function<bool(ToolParametersDialog&)> askParameters;
    // The plug-in manager dialog; true when accepted.
    bool showManager();
    // The icon file a BUILD item names for the toolbar (reason 1024), beside
    // its plug-in; empty when it names none.
    QString iconFile(size_t i);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a plug-in call as one undo step named for the plug-in; returns its result.
    int runRecorded(const QString& name, const std::function<int()>& call);
    // Asks for a tool's values (the last ones given to it first) and keeps
    // them; false when cancelled. No fields: true without asking.
    bool askValues(const QString& tool, std::vector<ToolField>& fields);
    void attachScreenPainters();

    kx::app::AppSession& session_;
    FrameServices* frame_;
    QMenu* plugins_ = nullptr;
    QMenu* tools_ = nullptr;
    QToolBar* toolBar_ = nullptr;
};
