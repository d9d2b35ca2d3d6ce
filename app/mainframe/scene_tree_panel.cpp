#include "mainframe/scene_tree_panel.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

#include "document/kalvex_doc.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "preview/scene_lock.h"
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
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    root_ = new QTreeWidgetItem(tree_, QStringList(doc_->title()));
    root_->setFlags(Qt::ItemIsEnabled);
    root_->setExpanded(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &SceneTreePanel::selectFromTree);
    connect(tree_, &QTreeWidget::itemChanged, this, &SceneTreePanel::renamed);
    connect(doc_, &CKalvexDoc::selectionUpdated, this, &SceneTreePanel::selectFromScene);
    connect(doc_, &CKalvexDoc::geometryUpdated, this, &SceneTreePanel::selectFromScene);
    connect(doc_, &CKalvexDoc::sceneReplaced, this, &SceneTreePanel::selectFromScene);
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

void SceneTreePanel::selectFromTree() {
    if (syncing_) return;
    syncing_ = true;
    SetObjectsUnSelected();
    for (QTreeWidgetItem* item : tree_->selectedItems())
        if (CadObject* obj = objectOf(item)) AddSelectedObject(obj);
    doc_->selectionChanged();
    syncing_ = false;
}

void SceneTreePanel::selectFromScene() {
    if (syncing_) return;
    syncing_ = true;
    const QSignalBlocker quiet(tree_);
    forEachItem(tree_->invisibleRootItem(), [](QTreeWidgetItem* item) {
        if (CadObject* obj = objectOf(item)) item->setSelected(obj->selected != 0);
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
    if (kx::app::renameObject(doc_->history(), obj, name.toStdString())) doc_->edited(CKalvexDoc::Edited::Selection);
}
