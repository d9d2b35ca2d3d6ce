// Windows and OS/2 bitmap reading: uncompressed 1, 4, 8 and 24 bits per pixel.
#include <array>
#include <cstdlib>
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

constexpr const char* kReadError = "Error reading BMP image";

struct BmpHeader {
    uint32_t pixelOffset = 0;
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // always positive; topDown tells the row order
    bool topDown = false;
    uint16_t planes = 0;
    uint16_t bits = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
};

// Reads both headers; null on success, else the message to report.
const char* readHeaders(io::ByteReader& in, BmpHeader& h) {
    uint8_t file[14];
    if (!in.read(file, sizeof file)) return kReadError;
    if (file[0] != 'B' || file[1] != 'M') return "Not a Valid Windows Bitmap";
    h.pixelOffset = file[10] | (uint32_t{file[11]} << 8) | (uint32_t{file[12]} << 16) |
                    (uint32_t{file[13]} << 24);
    if (!in.readU32le(h.headerSize)) return kReadError;
    if (h.headerSize == 12) {
        uint16_t w, ht;
        if (!in.readU16le(w) || !in.readU16le(ht) || !in.readU16le(h.planes) ||
            !in.readU16le(h.bits))
            return kReadError;
        h.width = w;
        h.height = ht;
    } else if (h.headerSize == 40) {
        uint32_t w, ht, skip[3];
        if (!in.readU32le(w) || !in.readU32le(ht) || !in.readU16le(h.planes) ||
            !in.readU16le(h.bits) || !in.readU32le(h.compression) || !in.read(skip, sizeof skip) ||
            !in.readU32le(h.coloursUsed) || !in.skip(4))
            return kReadError;
        h.width = static_cast<int32_t>(w);
        // A negative height stores the rows top-down.
        h.height = static_cast<int32_t>(ht);
        h.topDown = h.height < 0;
        h.height = std::llabs(h.height);
    } else {
        return "Unknown Windows Bitmap Type";
    }
    if (h.planes != 1) return "Unable to View Multi-Plane Bitmaps";
    if (h.compression != 0) return "Unable to View Compressed Bitmaps";
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24) return "Unknown Pixel Size";
    if (h.width > 1024 && h.bits != 1) return "Image too wide for Viewer";
    return nullptr;
}

bool readPalette(io::ByteReader& in, const BmpHeader& h, std::array<uint8_t, 768>& rgb) {
    uint32_t count = h.coloursUsed ? h.coloursUsed : (1u << h.bits);
    if (count > 256) count = 256;
    size_t entry = h.headerSize == 12 ? 3 : 4;
    uint8_t quad[4];
    for (uint32_t i = 0; i < count; ++i) {
        if (!in.read(quad, entry)) return false;
        rgb[3 * i] = quad[2];
        rgb[3 * i + 1] = quad[1];
        rgb[3 * i + 2] = quad[0];
    }
    return true;
}

void unpack(const uint8_t* row, uint8_t* indices, int width, int bits) {
    if (bits == 8) {
        std::memcpy(indices, row, static_cast<size_t>(width));
        return;
    }
    int perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x)
        indices[x] = static_cast<uint8_t>((row[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask);
}

int readPixels(io::ByteReader& in, const BmpHeader& h) {
    int width = static_cast<int>(h.width), height = static_cast<int>(h.height);
    size_t stride = (static_cast<size_t>(width) * h.bits + 31) / 32 * 4;
    std::vector<uint8_t> row(stride), indices(h.bits == 24 ? 0 : static_cast<size_t>(width));
    for (int i = 0; i < height; ++i) {
        if (!in.read(row.data(), stride)) {
            ErrorMessage("%s", kReadError);
            return 0;
        }
        int y = h.topDown ? i : height - 1 - i;
        int ok;
        if (h.bits == 24) {
            ok = out_line24(y, row.data(), width);
        } else {
            unpack(row.data(), indices.data(), width, h.bits);
            ok = out_line(y, indices.data(), width);
        }
        if (!ok) return 0;
    }
    return 1;
}

}  // namespace

int decodeBmp(io::ByteReader& in, const char*) {
    BmpHeader h;
    if (const char* error = readHeaders(in, h)) {
        ErrorMessage("%s", error);
        return 0;
    }
    std::array<uint8_t, 768> rgb{};
    if (h.bits <= 8 && !readPalette(in, h, rgb)) {
        ErrorMessage("%s", kReadError);
        return 0;
    }
    // The pixels start where the header says; an offset pointing back into the
    // headers (some writers leave it 0) means right after the palette.
    if (h.pixelOffset >= in.tell() && !in.seek(h.pixelOffset)) {
        ErrorMessage("%s", kReadError);
        return 0;
    }
    uint64_t stride = (static_cast<uint64_t>(h.width > 0 ? h.width : 0) * h.bits + 31) / 32 * 4;
    if (stride * static_cast<uint64_t>(h.height) > in.remaining()) {
        ErrorMessage("%s", kReadError);
        return 0;
    }
    if (!setUpImage(h.width, h.height, h.bits == 24)) return 0;
    recordSource(static_cast<uint32_t>(h.width), static_cast<uint32_t>(h.height), h.bits);
    if (h.bits <= 8) {
        pxCreatePalette(256, rgb.data());
        if (!pxInitPalette(256)) return 0;
    }
    return readPixels(in, h);
}

}  // namespace kx::image

int ReadBMP(const char* name) {
    std::string path = kx::io::forceExtension(name ? name : "", ".BMP");
    kx::io::UniqueFd fd(kx::io::openForReading(path));
    if (!fd) return 0;
    kx::io::ByteReader in(fd.get());
    return kx::image::decodeBmp(in, path.c_str());
}

int ReadInfoBMP(int fd, PxFileInfo* info) {
    if (!info) return 0;
    off_t start = ::lseek(fd, 0, SEEK_CUR);
    kx::io::ByteReader in(fd);
    kx::image::BmpHeader h;
    const char* error = start < 0 ? kx::image::kReadError : kx::image::readHeaders(in, h);
    if (error) {
        ErrorMessage("%s", error);
        return 0;
    }
    *info = PxFileInfo{static_cast<uint32_t>(h.width), static_cast<uint32_t>(h.height), h.bits,
                       PX_IMAGE_BMP};
    return ::lseek(fd, start + h.pixelOffset, SEEK_SET) < 0 ? 0 : 1;
}
