#include "preview/image_map.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "kxplatform/files.h"

namespace kx::app {

namespace {

constexpr char kOpenError[] = "Unable to Open Targa File (Error %d) \n";
constexpr char kHeaderError[] = "Error reading Targa Image Header\n";
constexpr char kUnknown[] = "Unknown Image Map File";
constexpr char kBitsError[] = "Error Reading Targa Image Bits";

constexpr size_t kHeaderSize = 18;
constexpr unsigned kTrueColour = 2;
constexpr unsigned kTrueColourRle = 10;
// Run-length data never needs more than 4 bytes a pixel; anything beyond
// header, colour map and that is not read.
constexpr size_t kMaxFileSize =
    kHeaderSize + 255 + 65535 * 4 + size_t{kMaxImageMapSide} * kMaxImageMapSide * 4;

unsigned word(const unsigned char* p) { return p[0] | (p[1] << 8); }

}  // namespace

bool decodeTargaMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error) {
    if (!data || size < kHeaderSize) {
        error = kHeaderError;
        return false;
    }
    const unsigned idLength = data[0], mapType = data[1], imageType = data[2];
    const unsigned mapLength = word(data + 5), mapBits = data[7];
    const uint32_t width = word(data + 12), height = word(data + 14);
    const unsigned bits = data[16], descriptor = data[17];
    if ((imageType != kTrueColour && imageType != kTrueColourRle) || bits != 24 || mapType > 1 || width == 0 ||
        height == 0 || width > kMaxImageMapSide || height > kMaxImageMapSide) {
        error = kUnknown;
        return false;
    }
    // A colour map beside true-colour pixels is skipped.
    size_t at = kHeaderSize + idLength + (mapType ? size_t{mapLength} * ((mapBits + 7) / 8) : 0);
    if (at > size) {
        error = kHeaderError;
        return false;
    }
    const size_t pixels = size_t{width} * height;
    std::vector<unsigned char> bgr(pixels * 3);
    if (imageType == kTrueColour) {
        if (size - at < bgr.size()) {
            error = kBitsError;
            return false;
        }
        std::memcpy(bgr.data(), data + at, bgr.size());
    } else {
        size_t done = 0;
        while (done < pixels) {
            if (at >= size) {
                error = kBitsError;
                return false;
            }
            const unsigned packet = data[at++];
            const size_t count = std::min<size_t>((packet & 0x7F) + 1, pixels - done);
            const bool run = packet & 0x80;
            const size_t need = run ? 3 : count * 3;
            if (size - at < need) {
                error = kBitsError;
                return false;
            }
            for (size_t i = 0; i < count; ++i)
                std::memcpy(&bgr[(done + i) * 3], data + at + (run ? 0 : i * 3), 3);
            at += need;
            done += count;
        }
    }
    // Rows are stored bottom first unless the top-left origin bit is set; a
    // right-to-left bit mirrors each row.
    const bool topFirst = descriptor & 0x20, rightToLeft = descriptor & 0x10;
    out.rgb.assign(pixels * 3, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t row = topFirst ? y : height - 1 - y;
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t column = rightToLeft ? width - 1 - x : x;
            const unsigned char* s = &bgr[(size_t{row} * width + column) * 3];
            unsigned char* d = &out.rgb[(size_t{y} * width + x) * 3];
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    out.width = width;
    out.height = height;
    return true;
}

bool readImageMap(const std::string& path, ImageMapPixels& out, std::string& error) {
    const std::string found = kx::platform::findExisting(path);
    auto openFailed = [&](int code) {
        char text[96];
        std::snprintf(text, sizeof text, kOpenError, code);
        error = text;
        return false;
    };
    std::string bytes;
    const int code = kx::platform::readWholeFile(found.empty() ? path : found, bytes, kMaxFileSize);
    // More than any accepted map needs is no map.
    if (code == EFBIG) {
        error = kBitsError;
        return false;
    }
    if (code != 0) return openFailed(code);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (isPngMap(data, bytes.size())) return decodePngMap(data, bytes.size(), out, error);
    if (isJpegMap(data, bytes.size())) return decodeJpegMap(data, bytes.size(), out, error);
    return decodeTargaMap(data, bytes.size(), out, error);
}

std::string imageMapFile(const TextureInfo& texture) {
    const std::string name(texture.shortText2, strnlen(texture.shortText2, sizeof texture.shortText2));
    if (name.empty() || strcasecmp(name.c_str(), "NULL") == 0) return {};
    return name;
}

bool holdsImageMap(const TextureInfo& texture) {
    return texture.text && texture.reserved1 > 0 && texture.reserved2 > 0 &&
           texture.reserved1 <= kMaxImageMapSide && texture.reserved2 <= kMaxImageMapSide;
}

bool installImageMap(TextureInfo& texture, const ImageMapPixels& pixels) {
    // The record frees its block with free(): it must come from malloc.
    char* block = static_cast<char*>(std::malloc(pixels.rgb.size()));
    if (!block) return false;
    std::memcpy(block, pixels.rgb.data(), pixels.rgb.size());
    std::free(texture.text);
    texture.text = block;
    texture.reserved1 = pixels.width;
    texture.reserved2 = pixels.height;
    return true;
}

int LoadImageMap(TextureInfo* texture) {
    if (!texture) return 0;
    if (holdsImageMap(*texture)) return 1;
    const std::string file = imageMapFile(*texture);
    if (file.empty()) return 0;
    ImageMapPixels pixels;
    std::string error;
    if (!readImageMap(file, pixels, error)) {
        ErrorMessage("%s", error.c_str());
        return 0;
    }
    return installImageMap(*texture, pixels) ? 1 : 0;
}

}  // namespace kx::app
