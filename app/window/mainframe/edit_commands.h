// The Edit, Create and Modify commands: each asks what it needs and calls the
// scene edit function that changes the selection and records the undo step.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "document/csg_edits.h"
#include "document/profile_edits.h"
#include "kxcore.h"

class CKalvexDoc;
class LatheDialog;
class SweepDialog;
class QWidget;

class EditCommands : public QObject {
    Q_OBJECT
public:
    EditCommands(CKalvexDoc* doc, QWidget* window);

    void undo();
    void redo();
    // The selected objects through the system clipboard, as scene text under
    // the program's own type and as plain text.
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    // Every object but the camera and the lights: those are picked by a
    // click, so that Select All and Delete keeps the scene renderable.
    void selectAll();
    void selectNone();
    void group();
    void ungroup();
    // Groups the selection as one CSG operation, the first object selected
    // as the base; with a single group selected, gives it that operation.
    void groupAs(kx::app::CsgOperation operation);
    void duplicate();

    // The next click in a front, plan or side view places an object of this
    // type. A height field asks for its image first; cancelling places nothing.
    void startPlacing(unsigned type);
    // The next clicks in a flat view draw a profile of that kind (Enter ends it).
    void startProfile(kx::app::ProfileKind kind);
    // Edit Points: the selected profiles' points become handles in the flat views.
    void editPoints(bool on);
    // Moves the selection by an offset (the arrow keys of the flat views).
    void nudge(const Point3d& by);

    // Shows the lathe dialog; true when accepted (a test answers it instead).
    std::function<bool(LatheDialog&)> runLatheDialog;
    // Shows the sweep dialog; true when accepted (a test answers it instead).
    std::function<bool(SweepDialog&)> runSweepDialog;
    // What asks for a height field's image (a file dialog unless replaced).
    std::function<QString()> askHeightFieldImage;

    void move();
    void scale();
    void rotate();
    // Moves the selection so that one coordinate (0 x, 1 y, 2 z) equals the first selected object's.
    void align(int axis);
    void alignDialog();
    void centre();
    void smooth();
    void unsmooth();
    void lathe();
    // Sweeps the selected drawn outline into a prism between two heights,
    // shown in the views while the dialog is open; says why when it cannot.
    void sweep();
    // Makes the renderer's shape of `type` from the selected drawn profile;
    // says why when the profile cannot make one.
    void shapeFromProfile(unsigned type);
    // Turns snapping of the cursor, new objects and drags to the grid on or off.
    void snapToGrid(bool on);

signals:
    void mouseStateChanged();

private:
    bool haveSelection() const;

    CKalvexDoc* doc_;
    QWidget* window_;
};
