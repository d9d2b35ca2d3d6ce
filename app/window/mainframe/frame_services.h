// What a group of commands may ask of the main window. The main frame hands
// each group (animation, plug-ins, context menus) this narrow view of itself
// rather than its whole type, so that a group never looks widgets up by name.
#pragma once

#include <QString>
#include <Qt>
#include <vector>

class CKalvexDoc;
class CKalvexView;
class EditCommands;
class QAction;
class QDockWidget;
class QMdiArea;
class QMenu;
class QToolBar;
class QWidget;
class RenderController;
class RenderOutputPanel;

class FrameServices {
public:
    enum class Dock { SceneTree, Properties, RenderOutput };

    virtual ~FrameServices() = default;

    // The main window, as the parent of dialogs, menus and actions.
    virtual QWidget* frameWidget() = 0;
    virtual CKalvexDoc* document() const = 0;
    // Shows a dock and brings it to the front.
    virtual void showDock(Dock dock) = 0;
    // A message in the status bar, for that long (0: until the next one).
    virtual void showStatus(const QString& text, int milliseconds = 0) = 0;
    // Puts a menu into the menu bar before its last menu.
    virtual void insertMenu(QMenu* menu) = 0;
    virtual QToolBar* addTools(const QString& title) = 0;
    virtual void addDock(Qt::DockWidgetArea area, QDockWidget* dock) = 0;
    // A menu command by its name ("fileSave", "editDelete", ...); null when none.
    virtual QAction* action(const QString& name) const = 0;
    // Makes a group's own command known by its object name.
    virtual void registerAction(QAction* action) = 0;
    // The commands that place an object of each type, in menu order.
    virtual std::vector<QAction*> createActions() const = 0;
    virtual RenderOutputPanel* renderOutput() const = 0;
    virtual RenderController* renderer() const = 0;
    virtual void showRenderView() = 0;
    virtual EditCommands* editCommands() const = 0;
    // The area holding the views and the rendered image.
    virtual QMdiArea* viewArea() const = 0;
    // The views open now.
    virtual std::vector<CKalvexView*> openViews() const = 0;
};
