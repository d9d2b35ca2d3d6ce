// Texture image maps, Targa, PNG and JPEG alike (told apart by their first bytes,
// as the loader does): any bytes must decode into a picture whose size
// matches its pixel block, or be refused with a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "preview/image_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kx::app::ImageMapPixels pixels;
    std::string error;
    const bool decoded = kx::app::isPngMap(data, size)    ? kx::app::decodePngMap(data, size, pixels, error)
                         : kx::app::isJpegMap(data, size) ? kx::app::decodeJpegMap(data, size, pixels, error)
                                                          : kx::app::decodeTargaMap(data, size, pixels, error);
    if (decoded) {
        if (pixels.rgb.size() != size_t{pixels.width} * pixels.height * 3 || pixels.width == 0 ||
            pixels.width > kx::app::kMaxImageMapSide || pixels.height > kx::app::kMaxImageMapSide)
            std::abort();
    } else if (error.empty()) {
        std::abort();
    }
    return 0;
}
