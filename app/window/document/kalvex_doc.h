// One scene document. The core keeps a single scene for the whole process, so
// the program has one document at a time: New and Open replace it. The
// document knows its file, whether it changed since it was saved, and tells
// its views, the scene tree and the property panel what changed.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "document/edit_history.h"
#include "model/scene_model.h"
#include "kxcore.h"
#include "settings/settings.h"
#include "views/mouse_state.h"

class CKalvexDoc : public QObject {
    Q_OBJECT
public:
    explicit CKalvexDoc(const kx::app::Settings& settings, QObject* parent = nullptr);
    ~CKalvexDoc() override;

    // The file name without its folder, or "Untitled".
    QString title() const;
    // The scene file, empty until the scene was opened or saved natively.
    QString path() const { return path_; }
    // Changed since the last save: by an edit the history does not hold, or
    // by the steps between the history's position and the saved one.
    bool isModified() const { return modified_ || history_.differsFromSaved(); }
    // true: changed in a way the history does not hold; false: saved.
    void setModified(bool modified);
    // The scene stays, but is no longer tied to its file (Save asks for a
    // name, offering `suggestion` when one is given).
    void forgetPath(const QString& suggestion = {});
    // The name Save As offers for a scene with no file of its own.
    QString suggestedPath() const { return suggested_; }

    // A fresh scene, with the default camera and lights when asked.
    void newScene(bool withDefaults);
    // Asked when a file could be read only in part: true opens that part.
    using PartialRead = std::function<bool(const QString& path)>;
    // Replaces the scene by a file's content (type 0: by extension). When the
    // file cannot be read whole, the scene stays as it was unless
    // acceptPartial takes the part that was read; false when nothing changed.
    bool open(const QString& path, unsigned type = 0, const PartialRead& acceptPartial = {});
    // The scene is the readable part of a damaged file: saving it over that
    // file would lose the rest.
    bool isIncomplete() const { return incomplete_; }
    // Reads a file into the scene as it is.
    bool import(const QString& path, unsigned type = 0);
    // Writes the scene by type; a native save makes the file the document's.
    bool save(const QString& path, unsigned type = 0);
    // Empties the scene; the document is then closed.
    void close();

    // Counts the times the perspective had to be aimed at the camera again.
    unsigned cameraGeneration() const { return cameraGeneration_; }

    // What code outside the scene edit functions (scripts, plug-ins) reports
    // after it changed the scene: the change is not undoable and the history
    // before it is dropped.
    void geometryChanged();                               // objects made, deleted or reshaped
    void selectionChanged();
    void viewOptionsChanged();                            // grid, colours, camera display...
    // The objects show another animation frame: the file is unchanged, but
    // the steps recorded at the frame before no longer fit the objects.
    void framesShown();
    // Outside code running as a recorded step (a plug-in) asks for a repaint.
    void redrawRequested();
    // Runs code that changes the scene in its own ways (a plug-in, a macro)
    // as one undo step called editName, one change of the scene model.
    // A run that opens or clears the scene is no step, nor is a run too large
    // to record: that drops the history and leaves the document modified.
    // Returns true when the scene changed.
    bool runRecorded(const QString& editName, const std::function<void()>& change);
    // Undo and Redo: the scene, the views and the panels follow the history.
    bool undo();
    bool redo();
    kx::app::EditHistory& history() { return history_; }

    // Gives the scene's camera the location, look-at point, up and right
    // vectors of a camera record (its object follows), as one edit named for
    // the user ("Orbit", "Pan", "Zoom", "Zoom to Fit"). Every camera move
    // made in the views comes through here; moves with one merge key (one
    // drag) are one undo step. False when the scene is busy or unchanged.
    bool changeCamera(const CameraInfo& camera, const QString& editName, const std::string& mergeKey = {});
    // The name of the last edit recorded in the scene model's history.
    QString lastEditName() const { return lastEditName_; }

    // The selected objects, in list order.
    static std::vector<CadObject*> selectedObjects();

    // What the mouse does in every view of this document: one editor for all
    // of them, so that a mode chosen in a menu holds in whichever view is used.
    kx::app::MouseEditor& mouseEditor() { return mouseEditor_; }

signals:
    // The objects of the scene are about to be freed: nothing may hold on to
    // them. A box shown while the next scene is read lets views repaint.
    void sceneClearing();
    void sceneReplaced();
    // Another scene took the document's place (New, Open, close): what was
    // shown of the old one (its rendered image, its render log) is stale.
    void documentReplaced();
    void geometryUpdated();
    void objectsMovedBy(const std::vector<CadObject*>& objects);
    void selectionUpdated();
    void viewOptionsUpdated();
    void titleChanged();
    // The history moved: the Undo and Redo commands show other step names.
    void historyChanged();

private:
    // The camera moved outside the history: the perspective is aimed again.
    void cameraChanged();
    // The views draw afresh (options or the camera's display changed); the scene is unchanged.
    void reaim();
    // What the scene model says it changed: a recorded edit tells the views,
    // the scene tree and the property panel, and the history moved.
    void sceneChanged(const kx::app::SceneDelta& delta);
    void setPath(const QString& path);
    // Another scene stands: its file (empty: none), and whether it is only
    // the readable part of one.
    void replaced(const QString& path, bool partial);
    // A new scene starts with no history and counts as saved.
    void resetHistory();
    void forgetHistory();
    void afterHistoryMove(bool moved);

    const kx::app::Settings& settings_;
    QString path_;
    QString suggested_;
    bool modified_ = false;
    bool incomplete_ = false;
    unsigned cameraGeneration_ = 0;
    // Counts the times the scene was replaced or emptied as a whole.
    unsigned replacements_ = 0;
    QString lastEditName_;
    kx::app::MouseEditor mouseEditor_;
    // The scene model's: it records the edits, the document tells the views.
    kx::app::EditHistory& history_;
    int subscription_ = 0;
};
