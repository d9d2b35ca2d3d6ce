// Every change a user makes to the scene, as one function each. Windows,
// panels and views only collect what the user wants and call these; each
// function makes the change through the core's functions under the scene
// lock and records it as one undo step in the history it is given. They
// return true when the scene changed (and a step was recorded or merged).
//
// A merge key makes consecutive calls one step: a drag passes one key for all
// its movements, a panel field one key per field, and the history is sealed
// when the drag or the typing ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/edit_history.h"
#include "kxcore.h"

namespace kx::app {

// The field a vector property id names in an object; null for other ids.
Point3d* vectorField(CadObject* obj, int propertyId);

// A vector property (KX_PROP_SIZE, _EXTRA, _SCALE, _ROTATE, _TRANSLATE) of
// every object given: one axis (0..2) set to value.x, or all three (axis -1).
// A camera object's rows are the camera's vectors. Meshes and groups are
// scaled, turned and moved as they stand.
bool setVectorProperty(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId, int axis,
                       const Point3d& value, const std::string& mergeKey = {});
bool renameObject(EditHistory& history, CadObject* object, const std::string& name);
bool setObjectFlag(EditHistory& history, const std::vector<CadObject*>& objects, uint32_t flag, bool on);
// kind 0: no texture; else a texture list entry's kind and name. The step is
// called stepName ("Apply Texture" from the texture browser).
bool setObjectTexture(EditHistory& history, const std::vector<CadObject*>& objects, const std::string& name, int kind,
                      const std::string& stepName = "Change Texture");
bool setObjectColour(EditHistory& history, const std::vector<CadObject*>& objects, unsigned red, unsigned green,
                     unsigned blue);
// A height field's image file (the caller has checked that it can be read).
bool setHeightFieldImage(EditHistory& history, CadObject* object, const std::string& file);
// The text of text objects, keeping each one's font.
bool setObjectText(EditHistory& history, const std::vector<CadObject*>& objects, const std::string& text);

bool moveSelection(EditHistory& history, const Point3d& offset, const std::string& mergeKey = {});
bool scaleSelection(EditHistory& history, const Point3d& factors);
bool rotateSelection(EditHistory& history, const Point3d& angles);
// Moves the selection so that one coordinate (0 x, 1 y, 2 z) equals the first selected object's.
bool alignSelection(EditHistory& history, int axis);
bool centreSelection(EditHistory& history);
bool smoothSelection(EditHistory& history, bool smooth);
// Turns selected point objects about the y axis into surfaces (facets) or point rings.
bool latheSelection(EditHistory& history, unsigned steps, double angle, bool facets);

// A default object of a type at a place; the new object is selected. A height
// field takes the image file given, when there is one.
bool createObject(EditHistory& history, unsigned type, const Point3d& at, const std::string& image = {});
// Appends a point to the selected point object, or to a new one.
bool placePoint(EditHistory& history, const Point3d& at);
// The step is named by the verb and the count ("Delete 3 Objects", "Cut Object").
bool deleteSelection(EditHistory& history, const char* verb = "Delete");
bool duplicateSelection(EditHistory& history);
bool groupSelection(EditHistory& history);
bool ungroupSelection(EditHistory& history);

// Gives the camera the location, look-at point, up and right vectors of a
// record (its other fields stay) as one step called name ("Orbit", "Pan",
// "Zoom", "Camera"). Views moving the camera with the mouse pass a merge key
// and seal at the button's release.
bool changeCamera(EditHistory& history, const CameraInfo& camera, const std::string& name,
                  const std::string& mergeKey = {});

enum class OutsideChange {
    Unchanged,   // the scene is as it was: no step
    Recorded,    // one step called by the name given
    Unrecorded,  // changed beyond what a step can take back: the history is dropped
};

// Runs change, code that alters the scene in ways of its own (a plug-in, a
// macro), as one step called name. Anything may happen in it: objects made,
// deleted, renamed, regrouped or reshaped, the camera moved. It is recorded
// by a journal (EditRecorder::keepJournal), so the step holds only what the
// run changed, at any scene size. The whole run is one change of the scene
// model; change returns false when what it did must not be a step (it
// replaced the whole scene). The scene settings it changes are part of the
// step. Unrecorded, with the history dropped, when change touched what the
// history does not keep (the scene block, view distances, grid, animation)
// or reshaped an object in place without telling the journal.
OutsideChange recordOutsideChange(EditHistory& history, const std::string& name, const std::function<bool()>& change);

}  // namespace kx::app
