// Painting a surface into a target: the library's own surfaces are drawn here,
// anything else goes to the program's drawing table.
#pragma once

#include "pixmo/types.h"

namespace kx::image {

// Natural size at (left, top) when scale is 0, else stretched into the rectangle.
int paintBits(HDC target, const PxBits& image, int scale, int left, int top, int right,
              int bottom);

}  // namespace kx::image
