// Drawing a profile with the mouse in the flat views: a click adds a point
// on the grid, Backspace takes the last one back, Enter or a double click
// ends it (a line ends by itself at its second point), Esc takes the whole
// drawing back. The document's mouse editor holds the drawing's state.
#pragma once

#include "document/profile_edits.h"
#include "kxcore.h"

class CKalvexDoc;

namespace kx::app {

// Starts drawing a profile of a kind: the next click in a flat view places its first point.
void startProfile(CKalvexDoc* doc, ProfileKind kind);
// Adds a point; true while the drawing goes on.
bool addProfilePointAt(CKalvexDoc* doc, const Point3d& at);
void takeBackProfilePoint(CKalvexDoc* doc);
// Ends the drawing; a spline is made smooth. A profile of fewer than two
// points is taken back. The profile stays selected, ready for Lathe.
void finishProfile(CKalvexDoc* doc);
void cancelProfile(CKalvexDoc* doc);
// The profile being drawn when it is still in the scene (an undo may have taken it).
CadObject* profileBeingDrawn(CKalvexDoc* doc);

}  // namespace kx::app
