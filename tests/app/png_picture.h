// A PNG picture as the tests compare them: 0xRRGGBB a pixel, rows top first.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kxtest {

// Empty when the file is not a whole PNG picture.
inline std::vector<uint32_t> readPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    for (uint32_t& p : pixels) p &= 0xFFFFFFu;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return pixels;
}

}  // namespace kxtest
