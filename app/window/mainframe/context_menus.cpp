#include "mainframe/context_menus.h"

#include <QContextMenuEvent>
#include <QDockWidget>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>
#include <cmath>

#include "document/csg_edits.h"
#include "document/kalvex_doc.h"
#include "mainframe/edit_commands.h"
#include "mainframe/frame_services.h"
#include "mainframe/qt_ui_table.h"
#include "mainframe/scene_tree_panel.h"
#include "views/kalvex_view.h"
#include "views/selection.h"

using namespace kx::app;

namespace {

struct Selection {
    bool any = false;
    bool group = false;
    bool member = false;  // an object that belongs to a group
};

Selection describeSelection() {
    Selection s;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj)) {
        s.any = true;
        s.group = s.group || obj->type == KX_GROUP;
        s.member = s.member || obj->groupId != 0;
    }
    return s;
}

double gridStep() {
    double step = 0;
    if (!GetSnapGrid(&step)) step = GetGridInterval();
    return step > 0 && std::isfinite(step) ? step : 1.0;
}

}  // namespace

ContextMenus::ContextMenus(FrameServices* frame) : QObject(frame->frameWidget()), frame_(frame) {}

void ContextMenus::attachView(CKalvexView* view) {
    view->installEventFilter(this);
}

void ContextMenus::attachTree(SceneTreePanel* tree) {
    tree_ = tree;
    tree->tree()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree->tree(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { openTreeMenu(at); });
}

bool ContextMenus::eventFilter(QObject* watched, QEvent* event) {
    auto* view = qobject_cast<CKalvexView*>(watched);
    if (!view) return false;
    if (event->type() == QEvent::ContextMenu) {
        openViewMenu(view, static_cast<QContextMenuEvent*>(event)->pos());
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        Point3d offset{};
        if (!nudgeOffset(view, key->key(), key->modifiers() & Qt::ShiftModifier, offset)) return false;
        frame_->editCommands()->nudge(offset);
        return true;
    }
    return false;
}

bool ContextMenus::nudgeOffset(CKalvexView* view, int key, bool tenSteps, Point3d& out) {
    if (!view || view->kind() == kPerspective) return false;
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    if (!horizontal && key != Qt::Key_Up && key != Qt::Key_Down) return false;
    // The axis that runs across (or up) the screen in this view, and which
    // way: read from the view's own projection, not from a table of views.
    const QPoint origin = view->sceneToClient(Point3d{0, 0, 0});
    const Point3d units[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    int axis = -1;
    int along = 0;
    for (int i = 0; i < 3; ++i) {
        const QPoint d = view->sceneToClient(units[i]) - origin;
        const int move = horizontal ? d.x() : -d.y();  // screen y grows downwards
        if (std::abs(move) > std::abs(along)) {
            along = move;
            axis = i;
        }
    }
    // Far zoomed out, one unit may not reach a pixel: a longer probe finds the axis.
    if (axis < 0) {
        for (int i = 0; i < 3; ++i) {
            const Point3d far{units[i].x * 1e4f, units[i].y * 1e4f, units[i].z * 1e4f};
            const QPoint d = view->sceneToClient(far) - origin;
            const int move = horizontal ? d.x() : -d.y();
            if (std::abs(move) > std::abs(along)) {
                along = move;
                axis = i;
            }
        }
    }
    if (axis < 0) return false;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Up;
    const float step = static_cast<float>(gridStep() * (tenSteps ? 10 : 1)) * ((along > 0) == forward ? 1 : -1);
    out = Point3d{};
    float* parts[3] = {&out.x, &out.y, &out.z};
    *parts[axis] = step;
    return true;
}

QMenu* ContextMenus::newMenu() {
    auto* menu = new QMenu(frame_->frameWidget());
    menu->setObjectName(QStringLiteral("contextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    last_ = menu;
    return menu;
}

void ContextMenus::addObjectCommands(QMenu* menu) {
    const Selection s = describeSelection();
    if (!s.any) return;
    QAction* properties = menu->addAction(tr("&Properties"));
    properties->setObjectName(QStringLiteral("contextProperties"));
    connect(properties, &QAction::triggered, frame_->frameWidget(),
            [frame = frame_] { frame->showDock(FrameServices::Dock::Properties); });
    menu->addSeparator();
    auto add = [this, menu](const char* name) {
        if (QAction* a = frame_->action(QString::fromLatin1(name))) menu->addAction(a);
    };
    add("editCut");
    add("editCopy");
    add("editDelete");
    add("editDuplicate");
    add("editGroup");
    if (s.group || s.member) add("editUngroup");
    QMenu* csg = menu->addMenu(tr("&CSG"));
    csg->setObjectName(QStringLiteral("contextCsg"));
    for (const CsgOperationName& op : kCsgOperations)
        if (QAction* a = frame_->action(QStringLiteral("modifyCsg") + QString::fromLatin1(op.label))) csg->addAction(a);
    menu->addSeparator();
    for (const char* name : {"modifyMove", "modifyScale", "modifyRotate", "modifyAlign", "modifyCentre"}) add(name);
    menu->addSeparator();
}

void ContextMenus::addSceneCommands(QMenu* menu) {
    QMenu* create = menu->addMenu(tr("&Create"));
    create->setObjectName(QStringLiteral("contextCreate"));
    for (QAction* a : frame_->createActions()) create->addAction(a);
    for (const char* name : {"editPaste", "editSelectAll", "editSelectNone"})
        if (QAction* a = frame_->action(QString::fromLatin1(name))) menu->addAction(a);
}

void ContextMenus::show(QMenu* menu, const QPoint& global) {
    menu->popup(global);
}

QMenu* ContextMenus::openViewMenu(CKalvexView* view, const QPoint& client) {
    // The object under the pointer becomes the selection unless it is in it
    // already; a click on nothing keeps the selection for the commands.
    view->prepareForPicking();
    const QPoint canvas = client + view->canvasOffset();
    const POINT p{canvas.x(), canvas.y()};
    if (hitTest(p) == 1) {
        clickSelect(p, false);
        frame_->document()->selectionChanged();
    }
    QMenu* menu = newMenu();
    addObjectCommands(menu);
    addSceneCommands(menu);
    if (QAction* fit = frame_->action(QStringLiteral("viewZoomFit"))) {
        menu->addSeparator();
        QAction* own = menu->addAction(fit->text());
        own->setObjectName(QStringLiteral("contextZoomFit"));
        connect(own, &QAction::triggered, view, [v = QPointer<CKalvexView>(view)] {
            if (v) v->fitScene();
        });
    }
    show(menu, view->mapToGlobal(client));
    return menu;
}

QMenu* ContextMenus::openTreeMenu(const QPoint& viewportPoint) {
    if (!tree_) return nullptr;
    QTreeWidget* tree = tree_->tree();
    QTreeWidgetItem* item = tree->itemAt(viewportPoint);
    const bool object = item && item->data(0, kObjectRole).value<quintptr>() != 0;
    if (object && !item->isSelected()) {
        tree->clearSelection();
        item->setSelected(true);
        tree->setCurrentItem(item);
    }
    QMenu* menu = newMenu();
    if (object) {
        QAction* rename = menu->addAction(tr("Re&name"));
        rename->setObjectName(QStringLiteral("contextRename"));
        rename->setShortcut(QKeySequence(Qt::Key_F2));
        connect(rename, &QAction::triggered, tree, [tree, index = QPersistentModelIndex(tree->indexAt(viewportPoint))] {
            if (index.isValid()) tree->edit(index);
        });
    }
    addObjectCommands(menu);
    addSceneCommands(menu);
    show(menu, tree->viewport()->mapToGlobal(viewportPoint));
    return menu;
}
