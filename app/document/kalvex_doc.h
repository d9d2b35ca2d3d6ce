// One scene document. The core keeps a single scene for the whole process, so
// the program has one document at a time: New and Open replace it. The
// document knows its file, whether it changed since it was saved, and tells
// its views, the scene tree and the property panel what changed.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "kxcore.h"
#include "settings/settings.h"
#include "views/mouse_state.h"

class CKalvexDoc : public QObject {
    Q_OBJECT
public:
    explicit CKalvexDoc(const kx::app::Settings& settings, QObject* parent = nullptr);

    // The file name without its folder, or "Untitled".
    QString title() const;
    // The scene file, empty until the scene was opened or saved natively.
    QString path() const { return path_; }
    bool isModified() const { return modified_; }
    void setModified(bool modified);
    // The scene stays, but is no longer tied to its file (Save asks for a name).
    void forgetPath();

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

    // What the editing commands report after they changed the scene.
    void geometryChanged();                               // objects made, deleted or reshaped
    void objectsMoved(const std::vector<CadObject*>& objects);  // only these moved
    void selectionChanged();
    void cameraChanged();                                 // the camera moved: aim the perspective again
    void viewOptionsChanged();                            // grid, colours, camera display...
    void framesShown();                                   // the objects show another frame: the file is unchanged
    // The views draw afresh (options or the camera's display changed); the scene is unchanged.
    void reaim();
    // Gives the scene's camera the location, look-at point, up and right
    // vectors of a camera record (its object follows), as one edit named for
    // the user ("Orbit", "Pan", "Zoom", "Zoom to Fit"). Every camera move
    // made in the views comes through here. False when the scene is busy.
    bool changeCamera(const CameraInfo& camera, const QString& editName);
    // The name of the last edit made through the document's edit functions.
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

private:
    void setPath(const QString& path);

    const kx::app::Settings& settings_;
    QString path_;
    bool modified_ = false;
    bool incomplete_ = false;
    unsigned cameraGeneration_ = 0;
    QString lastEditName_;
    kx::app::MouseEditor mouseEditor_;
};
