// Image maps of textures: 24-bit Targa files (and PNG and JPEG pictures) decoded to
// RGB rows, top row first, and kept in the texture record (the pixels in its owned block, width
// and height in its two spare words). Decoding touches no shared state, so
// the preview thread decodes the maps its snapshots name on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kxcore.h"

namespace kx::app {

inline constexpr uint32_t kMaxImageMapSide = 4096;

struct ImageMapPixels {
    std::vector<unsigned char> rgb;  // width * height * 3 bytes, rows top first
    uint32_t width = 0;
    uint32_t height = 0;
};

// Decodes a Targa file held in memory. On failure returns false with the
// message to show in error.
bool decodeTargaMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error);
// Decodes a PNG file held in memory, its transparency laid over black. On
// failure returns false with the message to show in error.
bool decodePngMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error);
// True when the bytes start as a PNG file does.
bool isPngMap(const unsigned char* data, size_t size);
// Decodes a JPEG file held in memory. On failure returns false with the
// message to show in error.
bool decodeJpegMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error);
// True when the bytes start as a JPEG file does.
bool isJpegMap(const unsigned char* data, size_t size);
// Reads and decodes the file, a PNG, JPEG or Targa one by its first bytes;
// false with the message in error.
bool readImageMap(const std::string& path, ImageMapPixels& out, std::string& error);

// The image file a texture record names, empty when it names none ("NULL").
std::string imageMapFile(const TextureInfo& texture);
// Whether the record holds decoded pixels.
bool holdsImageMap(const TextureInfo& texture);
// Moves the pixels into the record's owned block; false when memory ran out.
bool installImageMap(TextureInfo& texture, const ImageMapPixels& pixels);

// Loads the record's image map on the user-interface thread, reporting a
// failure with ErrorMessage: 1 when the record holds the decoded image.
int LoadImageMap(TextureInfo* texture);

}  // namespace kx::app
