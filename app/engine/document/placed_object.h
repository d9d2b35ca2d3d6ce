// What a placed object needs beyond the core's defaults before the user sees
// it: a height field takes the image chosen for it, and a text is scaled to
// the height of a new sphere, so that it is neither lost in nor hiding the
// objects about it; a blob gets a threshold below its strength, so that it
// has a surface to render.
#pragma once

#include <string>

#include "kxcore.h"

namespace kx::app {

// Height of a new default sphere: its size is its radius.
inline constexpr float kNewObjectHeight = 2.0f;
// Half the default strength: a lone new blob renders as the ball the views show.
inline constexpr float kNewBlobThreshold = 0.5f;

// Called inside the change that created the object; image is the file
// a height field takes (empty: the core's default).
void finishPlacedObject(CadObject* obj, const std::string& image);

}  // namespace kx::app
