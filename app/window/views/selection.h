// Picking objects by their screen rectangles: the hit test, click selection
// with its smallest-rectangle tie-break, and band selection. Rectangles and
// points are in canvas coordinates; the rectangles are the ones the views
// stored in the objects when they last drew them.
#pragma once

#include "kxcore.h"

namespace kx::app {

// What a point hits: 0 nothing, 1 an unselected object, 2 an object that is
// already selected (decided as soon as one is found).
int hitTest(POINT canvas);

// Selects what lies under the point. Without toggle a click on nothing
// unselects everything (result 0), a click on the selection leaves it as it is
// (result 1, so that a drag can start), and a click elsewhere selects the
// object with the smallest rectangle under the point, with every other one of
// that same area. With toggle the chosen objects flip and the rest of the
// selection stays. Returns 1 when something is under the point.
int clickSelect(POINT canvas, bool toggle);

// Selects every object whose rectangle lies inside the band (edges may touch)
// and unselects the others. The band is in client coordinates and is moved
// by the canvas offset; it may have been dragged in any direction. A band
// whose corners coincide changes nothing; returns false then.
bool bandSelect(RECT clientBand, POINT canvasOffset);

// The rectangle with left <= right and top <= bottom.
RECT normalisedRect(RECT r);
// Left and top edges inside, right and bottom edges outside.
bool rectContains(const RECT& r, POINT p);
// The union of the rectangles of the selected drawable objects (type above 7);
// false when there is none.
bool selectionRect(RECT& out);

// True for an object the views draw and picking considers.
bool isPickable(const CadObject* obj);

}  // namespace kx::app
