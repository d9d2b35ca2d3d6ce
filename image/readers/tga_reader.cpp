// Targa reading: raw and run-length true-colour images of 16, 24 and 32 bits.
#include <cstring>
#include <string>
#include <vector>

#include "current_image.h"
#include "image_state.h"
#include "io/file_names.h"
#include "io/unique_fd.h"
#include "readers/readers.h"

namespace kx::image {
namespace {

constexpr const char* kHeaderError = "Error Reading TrueVision Header";
constexpr const char* kDataError = "Error Reading TrueVision Image";

struct TgaHeader {
    uint8_t idLength, mapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

bool readHeader(io::ByteReader& in, TgaHeader& h) {
    uint8_t b[18];
    if (!in.read(b, sizeof b)) return false;
    auto u16 = [&](int at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); };
    h = TgaHeader{b[0], b[1], b[2], u16(3), u16(5), b[7], u16(12), u16(14), b[16], b[17]};
    return true;
}

// A header as the format defines it: an image type that has pixels, a colour
// map of a real entry size when there is one, and a depth the type allows.
// Anything else is another kind of file, or a damaged one. (The size is
// checked where the image is set up.)
bool plausibleHeader(const TgaHeader& h) {
    const bool mapped = h.imageType == 1 || h.imageType == 9;
    const bool grey = h.imageType == 3 || h.imageType == 11;
    const bool trueColour = h.imageType == 2 || h.imageType == 10;
    if (!mapped && !grey && !trueColour) return false;
    if (h.mapType > 1) return false;
    if (h.mapType == 1) {
        const uint8_t bits = h.mapEntryBits;
        if (h.mapLength == 0 || (bits != 15 && bits != 16 && bits != 24 && bits != 32)) return false;
    }
    if (mapped && h.depth != 8 && h.depth != 16) return false;
    if (grey && h.depth != 8) return false;
    if (trueColour && h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32) return false;
    return (h.descriptor & 0xC0) == 0 && (h.descriptor & 0x0F) <= h.depth;
}

// The image id and the colour map lie between the header and the pixels; the
// map holds `mapLength` entries whatever its first index says.
bool skipToPixels(io::ByteReader& in, const TgaHeader& h) {
    uint64_t map = h.mapType == 1 ? uint64_t{h.mapLength} * ((h.mapEntryBits + 7u) / 8u) : 0;
    return in.skip(h.idLength + map);
}

// One row of raw pixels; `raw` holds width * bytes.
bool readRawRow(io::ByteReader& in, uint8_t* raw, size_t bytes) { return in.read(raw, bytes); }

// One row of run-length packets. A packet never fills past the row: a run stops
// at its end and the surplus of a literal packet is read and dropped, so the
// next packet header is found where the file has it.
bool readRleRow(io::ByteReader& in, uint8_t* raw, int width, int bpp) {
    int filled = 0;
    uint8_t pixel[4];
    while (filled < width) {
        uint8_t header;
        if (!in.readByte(header)) return false;
        int count = (header & 0x7F) + 1;
        int keep = count < width - filled ? count : width - filled;
        uint8_t* out = raw + static_cast<size_t>(filled) * bpp;
        if (header & 0x80) {
            if (!in.read(pixel, static_cast<size_t>(bpp))) return false;
            for (int i = 0; i < keep; ++i, out += bpp) std::memcpy(out, pixel, static_cast<size_t>(bpp));
        } else {
            if (!in.read(out, static_cast<size_t>(keep) * bpp)) return false;
            if (!in.skip(static_cast<uint64_t>(count - keep) * bpp)) return false;
        }
        filled += keep;
    }
    return true;
}

void toBgr(const uint8_t* raw, uint8_t* bgr, int width, int bpp) {
    if (bpp == 4) {
        for (int x = 0; x < width; ++x, raw += 4, bgr += 3) std::memcpy(bgr, raw, 3);
    } else if (bpp == 2) {
        for (int x = 0; x < width; ++x, raw += 2, bgr += 3) {
            unsigned v = raw[0] | (raw[1] << 8);
            bgr[0] = static_cast<uint8_t>((v << 3) & 0xF8);
            bgr[1] = static_cast<uint8_t>((v >> 2) & 0xF8);
            bgr[2] = static_cast<uint8_t>((v >> 7) & 0xF8);
        }
    }
}

int decodePixels(io::ByteReader& in, const TgaHeader& h) {
    int bpp = h.depth == 15 || h.depth == 16 ? 2 : h.depth == 24 ? 3 : h.depth == 32 ? 4 : 0;
    if (bpp == 0) return 1;  // no pixels for depths we cannot unpack
    bool rle = h.imageType >= 9 && h.imageType <= 11;
    bool topDown = (h.descriptor & 0x20) != 0;
    int width = h.width, height = h.height;
    std::vector<uint8_t> raw(static_cast<size_t>(width) * bpp);
    std::vector<uint8_t> converted(bpp == 3 ? 0 : static_cast<size_t>(width) * 3);
    uint8_t* bgr = bpp == 3 ? raw.data() : converted.data();
    for (int i = 0; i < height; ++i) {
        bool ok = rle ? readRleRow(in, raw.data(), width, bpp) : readRawRow(in, raw.data(), raw.size());
        if (!ok) {
            ErrorMessage("%s", kDataError);
            return 0;
        }
        toBgr(raw.data(), bgr, width, bpp);
        if (!out_line24(topDown ? i : height - 1 - i, bgr, width)) return 0;
    }
    return 1;
}

// The fewest bytes that can hold the id, the colour map and the pixels: a
// header claiming more than the file holds is refused before any buffer is
// sized from it.
uint64_t leastFileBytes(const TgaHeader& h) {
    uint64_t map = h.mapType == 1 ? uint64_t{h.mapLength} * ((h.mapEntryBits + 7u) / 8u) : 0;
    uint64_t bpp = h.depth == 8 || h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32
                       ? (h.depth + 7u) / 8u
                       : 0;
    uint64_t pixels = uint64_t{h.width} * h.height;
    bool rle = h.imageType >= 9 && h.imageType <= 11;
    // A run-length packet covers at most 128 pixels with one header and one value.
    uint64_t data = rle ? (pixels + 127) / 128 * (1 + bpp) : pixels * bpp;
    return h.idLength + map + (h.depth == 8 ? 0 : data);
}

}  // namespace

int decodeTga(io::ByteReader& in, const char*) {
    TgaHeader h;
    if (!readHeader(in, h) || !plausibleHeader(h)) {
        ErrorMessage("%s", kHeaderError);
        return 0;
    }
    if (leastFileBytes(h) > in.remaining()) {
        ErrorMessage("%s", kDataError);
        return 0;
    }
    if (!setUpImage(h.width, h.height, true)) return 0;
    recordSource(h.width, h.height, h.depth);
    if (!skipToPixels(in, h)) {
        ErrorMessage("%s", kDataError);
        return 0;
    }
    if (h.depth == 8) {
        // The call still succeeds: the image is there, only empty.
        ErrorMessage("Unable to Decode 8 Bit Targa Images");
        return 1;
    }
    return decodePixels(in, h);
}

}  // namespace kx::image

int ReadTGA(const char* name) {
    std::string path = kx::io::forceExtension(name ? name : "", ".TGA");
    kx::io::UniqueFd fd(kx::io::openForReading(path));
    if (!fd) return 0;
    kx::io::ByteReader in(fd.get());
    return kx::image::decodeTga(in, path.c_str());
}

int ReadInfoTGA(int fd, PxFileInfo* info) {
    if (!info) return 0;
    off_t start = ::lseek(fd, 0, SEEK_CUR);
    kx::io::ByteReader in(fd);
    kx::image::TgaHeader h;
    if (start < 0 || !kx::image::readHeader(in, h) || !kx::image::plausibleHeader(h)) {
        ErrorMessage("Error Reading TrueVision Header");
        return 0;
    }
    *info = PxFileInfo{h.width, h.height, h.depth, PX_IMAGE_TGA};
    uint64_t map = h.mapType == 1 ? uint64_t{h.mapLength} * ((h.mapEntryBits + 7u) / 8u) : 0;
    // The reader reads ahead; put the descriptor where the pixels start.
    return ::lseek(fd, start + 18 + h.idLength + static_cast<off_t>(map), SEEK_SET) < 0 ? 0 : 1;
}
