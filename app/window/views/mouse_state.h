// The mouse state the views of a document share, and its 3D cursor.
#pragma once

#include <string>
#include <vector>

#include "document/profile_edits.h"
#include "kxcore.h"

namespace kx::app {

enum MouseState : int {
    kMouseSelect = 0,
    kMousePlace = 1,       // a click places an object of the placing type
    kMouseBand = 2,        // a band is being dragged
    kMouseDrag = 3,        // the selection follows the mouse
    kMouseDragSnap = 4,    // the same in whole grid steps (Ctrl)
    kMouseWaitUp = 5,      // a drag starts once the button is up (or the mouse moves)
    kMouseEditPoints = 6,  // the selected profiles' points are handles to drag, add and remove
    kMouseTrack = 7,       // the cursor is tracked and put back when the button goes up
    kMouseProfile = 8,     // each click adds a point to the profile being drawn
};

struct MouseEditor {
    MouseState state = kMouseSelect;
    MouseState pending = kMouseDrag;  // what kMouseWaitUp turns into
    unsigned placeType = 0;     // object type placed in state 1
    std::string placeImage;     // the image a placed height field takes
    Point3d cursor{};           // the 3D cursor
    Point3d remembered{};       // the cursor put back after tracking
    Point3d dragCentre{};       // centre of the selection when its drag started
    RECT dragRect{};            // canvas rectangle of the selection when its drag started
    // The profile being drawn in state 8: its kind, its object (null before
    // the first click) and the merge key that makes the drawing one step.
    ProfileKind profileKind = ProfileKind::Polyline;
    CadObject* profile = nullptr;
    std::string profileKey;
    // Lines the views draw dashed over the scene: what a dialog will make
    // when it is accepted (the lathe's sweep). Empty when none.
    std::vector<OutlineSegment> outline;
    bool editPoints = false;  // Modify > Edit Points is on: a band select comes back to it
};

// What the status bar shows for a state, e.g. "Select" or "Place Sphere".
const char* mouseStateName(MouseState state);

}  // namespace kx::app
