// The scene tree: one item per object, kept by the core through the object
// selector it was registered as; a group's members are shown inside its item.
// Selecting items selects the objects in the views and back (a group's item
// selects the group with its members); F2 or a double click renames an item's
// object.
#pragma once

#include <QWidget>

class CKalvexDoc;
class QTreeWidget;
class QTreeWidgetItem;

class SceneTreePanel : public QWidget {
    Q_OBJECT
public:
    explicit SceneTreePanel(CKalvexDoc* doc, QWidget* parent = nullptr);
    ~SceneTreePanel() override;

    // Makes this tree the core's object selector; new objects appear in it.
    void registerSelector();
    // Lets go of the core before the tree goes.
    void unregisterSelector();

    QTreeWidget* tree() const { return tree_; }

signals:
    // The Delete key was pressed in the tree: the objects are deleted as the
    // Delete command does.
    void deleteAsked();

public:
    // The item of an object, or null.
    QTreeWidgetItem* itemOf(const void* object) const;

    // Puts every member's item inside its group's item, and every other
    // object's item at the top, as the scene's group links say.
    void nestGroups();
    // Each group's row shows its CSG operation as an icon and a tip.
    void showOperations();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectFromTree();
    void selectFromScene();
    void renamed(QTreeWidgetItem* item, int column);

    CKalvexDoc* doc_;
    QTreeWidget* tree_;
    QTreeWidgetItem* root_;
    bool syncing_ = false;
    bool registered_ = false;
};
