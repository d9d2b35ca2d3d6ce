#include "mainframe/scene_tree_panel.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "document/csg_edits.h"
#include "document/kalvex_doc.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "mainframe/csg_icons.h"
#include "mainframe/qt_ui_table.h"

using kx::app::kObjectRole;

namespace {

CadObject* objectOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<CadObject*>(item->data(0, kObjectRole).value<quintptr>()) : nullptr;
}

void forEachItem(QTreeWidgetItem* item, const std::function<void(QTreeWidgetItem*)>& fn) {
    for (int i = 0; i < item->childCount(); ++i) {
        fn(item->child(i));
        forEachItem(item->child(i), fn);
    }
}

}  // namespace

SceneTreePanel::SceneTreePanel(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("sceneTree"));
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Renaming only when asked for: a click on a selected item that opened the
    // editor made the Delete key eat the name instead of deleting the object.
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    tree_->setExpandsOnDoubleClick(false);
    tree_->installEventFilter(this);
    root_ = new QTreeWidgetItem(tree_, QStringList(doc_->title()));
    root_->setFlags(Qt::ItemIsEnabled);
    root_->setExpanded(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &SceneTreePanel::selectFromTree);
    connect(tree_, &QTreeWidget::itemChanged, this, &SceneTreePanel::renamed);
    connect(doc_, &CKalvexDoc::selectionUpdated, this, &SceneTreePanel::selectFromScene);
    auto restructure = [this] {
        nestGroups();
        selectFromScene();
    };
    connect(doc_, &CKalvexDoc::geometryUpdated, this, restructure);
    connect(doc_, &CKalvexDoc::sceneReplaced, this, restructure);
    connect(doc_, &CKalvexDoc::titleChanged, this, [this] { root_->setText(0, doc_->title()); });
}

SceneTreePanel::~SceneTreePanel() { unregisterSelector(); }

void SceneTreePanel::registerSelector() {
    RegisterObjectSelector(reinterpret_cast<HWND>(tree_));
    RegisterLastObjectSelector(reinterpret_cast<HTREEITEM>(root_));
    registered_ = true;
}

void SceneTreePanel::unregisterSelector() {
    if (!registered_) return;
    RegisterObjectSelector(nullptr);
    RegisterLastObjectSelector(nullptr);
    registered_ = false;
}

QTreeWidgetItem* SceneTreePanel::itemOf(const void* object) const {
    QTreeWidgetItem* found = nullptr;
    forEachItem(tree_->invisibleRootItem(), [&](QTreeWidgetItem* item) {
        if (!found && objectOf(item) == object) found = item;
    });
    return found;
}

void SceneTreePanel::nestGroups() {
    std::unordered_map<const CadObject*, QTreeWidgetItem*> items;
    forEachItem(tree_->invisibleRootItem(), [&](QTreeWidgetItem* item) {
        if (CadObject* obj = objectOf(item)) items.emplace(obj, item);
    });
    auto itemFor = [&](const CadObject* obj) -> QTreeWidgetItem* {
        auto found = obj ? items.find(obj) : items.end();
        return found == items.end() ? nullptr : found->second;
    };
    const QSignalBlocker quiet(tree_);
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        QTreeWidgetItem* item = itemFor(obj);
        if (!item) continue;
        QTreeWidgetItem* wanted = obj->parent && obj->parent->type == KX_GROUP ? itemFor(obj->parent) : nullptr;
        // Links that would put an item inside itself are shown flat.
        for (QTreeWidgetItem* up = wanted; up; up = up->parent())
            if (up == item) wanted = nullptr;
        if (!wanted) wanted = root_;
        if (item->parent() == wanted) continue;
        QTreeWidgetItem* from = item->parent() ? item->parent() : tree_->invisibleRootItem();
        from->removeChild(item);
        // A group just formed is shown open, with its members in view.
        const bool first = wanted != root_ && wanted->childCount() == 0;
        // Leaving a group for the level the group stands on, a member is
        // shown right after it, not at the end of the scene.
        const int besideGroup = from->parent() == wanted ? wanted->indexOfChild(from) : -1;
        if (besideGroup >= 0) wanted->insertChild(besideGroup + 1, item);
        else wanted->addChild(item);
        if (first) wanted->setExpanded(true);
    }
    showOperations();
}

void SceneTreePanel::showOperations() {
    const QSignalBlocker quiet(tree_);
    forEachItem(tree_->invisibleRootItem(), [](QTreeWidgetItem* item) {
        CadObject* obj = objectOf(item);
        if (!obj || obj->type != KX_GROUP) return;
        const kx::app::CsgOperation op = kx::app::csgOperationOf(obj);
        const QString label = tr(kx::app::csgOperationName(op).label);
        if (item->toolTip(0) == label) return;
        item->setIcon(0, kx::app::csgIcon(op));
        item->setToolTip(0, label);
    });
}

bool SceneTreePanel::eventFilter(QObject* watched, QEvent* event) {
    // Delete always deletes objects here, as it does in the views; a name is
    // edited only in the editor F2 or a double click opens, which takes the
    // keys itself while it is open.
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
        emit deleteAsked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SceneTreePanel::selectFromTree() {
    if (syncing_) return;
    syncing_ = true;
    SetObjectsUnSelected();
    for (QTreeWidgetItem* item : tree_->selectedItems()) {
        CadObject* obj = objectOf(item);
        if (!obj) continue;
        AddSelectedObject(obj);
        // A group is picked with its members, so that they move together.
        if (obj->type == KX_GROUP) SelectCadGroup(obj, obj->groupId, 1);
    }
    doc_->selectionChanged();
    syncing_ = false;
    // The members the group brought in are shown selected too.
    selectFromScene();
}

void SceneTreePanel::selectFromScene() {
    if (syncing_) return;
    syncing_ = true;
    const QSignalBlocker quiet(tree_);
    // A group picked with its members shows as its own row: the members are
    // selected with it so that they move with it, not because they were picked.
    std::unordered_set<const CadObject*> shown;
    for (CadObject* obj : kx::app::outermostSelected()) shown.insert(obj);
    forEachItem(tree_->invisibleRootItem(), [&shown](QTreeWidgetItem* item) {
        if (CadObject* obj = objectOf(item)) item->setSelected(shown.count(obj) != 0);
    });
    tree_->viewport()->update();
    syncing_ = false;
}

void SceneTreePanel::renamed(QTreeWidgetItem* item, int) {
    CadObject* obj = objectOf(item);
    if (!obj || syncing_) return;
    // Names are at most 31 bytes; the core writes the name it kept back into the item.
    QByteArray name = item->text(0).toUtf8().left(31);
    if (name.isEmpty() || name == obj->name) {
        const QSignalBlocker quiet(tree_);
        item->setText(0, kx::app::sceneText(obj->name));
        return;
    }
    kx::app::renameObject(doc_->history(), obj, name.toStdString());
}
