// The decoders behind the exported readers. Each reads one image from `in`
// into the current image; `name` is the file name used in messages. They
// return 1 on success and 0 after reporting a failure.
#pragma once

#include "io/byte_reader.h"

namespace kx::image {

int decodeTga(io::ByteReader& in, const char* name);
int decodeGif(io::ByteReader& in, const char* name);
int decodePcx(io::ByteReader& in, const char* name);
int decodeBmp(io::ByteReader& in, const char* name);
int decodeIlbm(io::ByteReader& in, const char* name);

// Prepares the current image for a file of this size, unless initialisation
// is disabled (then only the size is checked). False after a report.
bool setUpImage(int64_t width, int64_t height, bool trueColour);

}  // namespace kx::image
