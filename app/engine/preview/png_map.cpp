// PNG pictures for the preview: decoded whole by the PNG library into RGB
// rows, top row first, after their size is checked against the largest map.
#include <png.h>

#include <cstring>

#include "preview/image_map.h"

namespace kx::app {

bool isPngMap(const unsigned char* data, size_t size) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data && size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

bool decodePngMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!isPngMap(data, size) || !png_image_begin_read_from_memory(&image, data, size)) {
        png_image_free(&image);
        error = "Unknown Image Map File";
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageMapSide || image.height > kMaxImageMapSide) {
        png_image_free(&image);
        error = "Unknown Image Map File";
        return false;
    }
    // Transparency is laid over black, as the renderer shows a map without its alpha.
    image.format = PNG_FORMAT_RGB;
    out.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        out.rgb.clear();
        error = "Error Reading PNG Image Bits";
        return false;
    }
    out.width = image.width;
    out.height = image.height;
    return true;
}

}  // namespace kx::app
