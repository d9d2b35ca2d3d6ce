// The JPEG codec library, loaded from beside this library on first use.
#pragma once

#include <string>

namespace kx::image {

// The loaded codec, or null after reporting "Jpeg image support not loaded".
void* jpegCodec();
// Where the codec is looked for: beside libpixmo32.so, unless tests set a folder.
std::string jpegCodecPath();
void setJpegCodecDirectory(const std::string& folder);

using JpegConvert = int (*)(const char* from, const char* to);
using JpegOptions = int (*)(int, int);

}  // namespace kx::image
