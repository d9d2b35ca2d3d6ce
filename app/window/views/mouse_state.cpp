#include "views/mouse_state.h"

namespace kx::app {

const char* mouseStateName(MouseState state) {
    switch (state) {
        case kMouseSelect: return "Select";
        case kMousePlace: return "Place";
        case kMouseBand: return "Band select";
        case kMouseDrag: return "Drag";
        case kMouseDragSnap: return "Drag on grid";
        case kMouseWaitUp: return "Drag ready";
        case kMouseEditPoints: return "Edit points (drag a point; Ctrl+click an edge adds one, Shift+click removes one)";
        case kMouseTrack: return "Track cursor";
        case kMouseProfile: return "Draw profile (Enter ends, Backspace takes back, Esc cancels)";
    }
    return "";
}

}  // namespace kx::app
