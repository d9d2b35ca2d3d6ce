// The image formats the library knows: one row per file extension with the
// kind it names and the reader and writer of that kind, so that finding the
// kind of a file, displaying it and saving a viewport walk the same table.
#pragma once

#include "pixmo.h"

namespace kx::image {

struct ImageFormat {
    const char* extension;                   // with its dot, compared without regard to case
    int kind;                                // PX_IMAGE_*
    int (*read)(HWND window, const char* name, int quiet);  // null: not read
    int (*write)(HDC surface, const char* name);             // null: not written
};

// The row of a file name's extension; null for an extension not listed.
const ImageFormat* imageFormatOf(const char* name);

}  // namespace kx::image
