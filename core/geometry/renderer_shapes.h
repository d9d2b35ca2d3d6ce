// The proxy meshes of the renderer's own shapes.
#pragma once

#include "kxcore.h"

namespace kx::geometry {

// Replaces the shape's mesh by its proxy in local coordinates (the caller
// places it); a shape that cannot be drawn as itself gets its container.
// 0 for an object that is not such a shape.
int buildRendererShape(CadObject* obj);

}  // namespace kx::geometry
