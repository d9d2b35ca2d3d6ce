// Writers shared inside the library.
#pragma once

#include "io/output_file.h"
#include "surface.h"

namespace kx::image {

// The surface as an uncompressed 24-bit Targa, bottom row first.
bool writeTarga(io::OutputFile& out, const Surface& surface, bool topFirst = false);

}  // namespace kx::image
