// The right-click menus of the views and of the scene tree, and the arrow
// keys of the flat views. The menus hold the window's own Edit, Modify and
// Create commands, so a command does the same whichever way it is reached;
// a right click on an unselected object selects it first, so that the
// commands apply to what is under the pointer.
#pragma once

#include <QObject>
#include <QPointer>

#include "kxcore.h"

class CKalvexView;
class FrameServices;
class QMenu;
class QPoint;
class SceneTreePanel;

class ContextMenus : public QObject {
    Q_OBJECT
public:
    explicit ContextMenus(FrameServices* frame);

    // Gives a view its menu and its arrow keys.
    void attachView(CKalvexView* view);
    void attachTree(SceneTreePanel* tree);

    // Opens the menu of a view at a client point; returns it.
    QMenu* openViewMenu(CKalvexView* view, const QPoint& client);
    // Opens the menu of the scene tree at a point of its item area.
    QMenu* openTreeMenu(const QPoint& viewportPoint);
    // The menu opened last while it is open.
    QMenu* lastMenu() const { return last_; }

    // The scene offset an arrow key moves the selection by in a flat view:
    // one grid step along the view's axis that runs that way on the screen,
    // ten with Shift. False for any other key or view.
    static bool nudgeOffset(CKalvexView* view, int key, bool tenSteps, Point3d& out);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMenu* newMenu();
    // The object commands that fit the selection.
    void addObjectCommands(QMenu* menu);
    void addSceneCommands(QMenu* menu);
    void show(QMenu* menu, const QPoint& global);

    FrameServices* frame_;
    SceneTreePanel* tree_ = nullptr;
    QPointer<QMenu> last_;
};
