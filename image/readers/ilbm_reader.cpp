// IFF ILBM reading: 1 to 8 bit-planes, uncompressed or ByteRun1, merged into
// palette indices.
#include <array>
#include <cstdio>
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

struct Bmhd {
    uint16_t width = 0, height = 0;
    uint8_t planes = 0, masking = 0, compression = 0;
};

constexpr uint8_t kMaskPlane = 1;  // masking 1 stores a mask plane after each row's planes
constexpr uint32_t kCamgHalfBrite = 0x80;

bool isChunk(const uint8_t* id, const char* name) { return std::memcmp(id, name, 4) == 0; }

// Expands one ByteRun1 row of `size` bytes. Null on success, else the message.
const char* unpackRow(io::ByteReader& in, uint64_t& left, uint8_t* out, size_t size,
                      char* detail, size_t detailSize) {
    size_t i = 0;
    while (i < size) {
        uint8_t control;
        if (left == 0 || !in.readByte(control)) return "Bad run/dump count";
        --left;
        int n = static_cast<int8_t>(control);
        if (n == -128) continue;
        size_t count = n >= 0 ? static_cast<size_t>(n) + 1 : static_cast<size_t>(-n) + 1;
        if (count > size - i) {
            std::snprintf(detail, detailSize, "Bad run/dump count, Count %d",
                          n >= 0 ? n + 1 : -n + 1);
            return detail;
        }
        if (n >= 0) {
            if (left < count || !in.read(out + i, count)) return "Bad run/dump count";
            left -= count;
        } else {
            uint8_t value;
            if (left == 0 || !in.readByte(value)) return "Bad run/dump count";
            --left;
            std::memset(out + i, value, count);
        }
        i += count;
    }
    return nullptr;
}

// Whether the body can hold the rows at all; a byte-run pair expands to at most 128 bytes.
bool bodyCanHold(uint64_t length, const Bmhd& h) {
    uint64_t rows = (uint64_t{h.width} + 15) / 16 * 2 * (h.planes + (h.masking == kMaskPlane)) * h.height;
    return length >= (h.compression == 0 ? rows : rows / 64);
}

int readBody(io::ByteReader& in, uint64_t length, const Bmhd& h) {
    size_t rowBytes = (size_t{h.width} + 15) / 16 * 2;
    int planesStored = h.planes + (h.masking == kMaskPlane ? 1 : 0);
    std::vector<uint8_t> planes(rowBytes * planesStored);
    std::vector<uint8_t> indices(h.width);
    char detail[64];
    uint64_t left = length;
    for (int y = 0; y < h.height; ++y) {
        for (int p = 0; p < planesStored; ++p) {
            uint8_t* plane = planes.data() + rowBytes * p;
            if (h.compression == 0) {
                if (!in.read(plane, rowBytes)) {
                    ErrorMessage("Bad BODY Length");
                    return 0;
                }
            } else if (const char* e = unpackRow(in, left, plane, rowBytes, detail, sizeof detail)) {
                ErrorMessage("%s", e);
                return 0;
            }
        }
        std::memset(indices.data(), 0, indices.size());
        for (int p = 0; p < h.planes; ++p) {
            const uint8_t* plane = planes.data() + rowBytes * p;
            for (int x = 0; x < h.width; ++x)
                indices[x] |= static_cast<uint8_t>(((plane[x >> 3] >> (7 - (x & 7))) & 1) << p);
        }
        if (!out_line(y, indices.data(), h.width)) return 0;
    }
    return 1;
}

struct Chunks {
    bool haveBmhd = false, haveCmap = false;
    Bmhd bmhd;
    uint32_t camg = 0;
    int colours = 0;
    std::array<uint8_t, 768> rgb{};
};

// Handles one chunk before the body; null to go on, else the message.
const char* readChunk(io::ByteReader& in, const uint8_t* id, uint32_t length, Chunks& c) {
    if (isChunk(id, "BMHD")) {
        uint8_t b[20];
        if (length != 20) return "Bad BMHD length";
        if (!in.read(b, sizeof b)) return "No BMHD";
        c.bmhd.width = static_cast<uint16_t>((b[0] << 8) | b[1]);
        c.bmhd.height = static_cast<uint16_t>((b[2] << 8) | b[3]);
        c.bmhd.planes = b[8];
        c.bmhd.masking = b[9];
        c.bmhd.compression = b[10];
        if (c.bmhd.compression > 1) return "Unknown Compression Technique";
        if (c.bmhd.planes < 1 || c.bmhd.planes > 8) return "Bad depth!!";
        c.haveBmhd = true;
    } else if (isChunk(id, "CAMG")) {
        if (length != 4) return "Bad CAMG length";
        if (!in.readU32be(c.camg)) return "Bad CAMG length";
    } else if (isChunk(id, "CMAP")) {
        if (length < 3 || length > in.remaining()) return "Bad CMAP Length";
        // Entries past 256 have no index that could use them.
        uint32_t keep = length / 3 > 256 ? 768 : length / 3 * 3;
        if (!in.read(c.rgb.data(), keep) || !in.skip(length - keep))
            return "Can't Read In Color Table";
        c.colours = static_cast<int>(keep / 3);
        c.haveCmap = true;
    } else if (!in.skip(length)) {
        return "No BODY";
    }
    // Chunks of odd length are followed by a pad byte.
    if ((length & 1) && !in.skip(1)) return "No BODY";
    return nullptr;
}

int readIlbm(io::ByteReader& in) {
    uint8_t id[4];
    uint32_t length;
    if (!in.read(id, 4) || !isChunk(id, "FORM")) return ErrorMessage("No FORM Identifier"), 0;
    if (!in.readU32be(length) || !in.read(id, 4) || !isChunk(id, "ILBM"))
        return ErrorMessage("No ILBM Identifier"), 0;
    Chunks c;
    for (;;) {
        if (!in.read(id, 4) || !in.readU32be(length)) {
            ErrorMessage(c.haveBmhd ? "No BODY" : "No BMHD");
            return 0;
        }
        if (isChunk(id, "BODY")) break;
        if (const char* e = readChunk(in, id, length, c)) {
            ErrorMessage("%s", e);
            return 0;
        }
    }
    if (!c.haveBmhd) return ErrorMessage("No BMHD"), 0;
    if (!c.haveCmap) return ErrorMessage("No CMAP"), 0;
    if (length > in.remaining() || !bodyCanHold(length, c.bmhd)) return ErrorMessage("Bad BODY Length"), 0;
    const Bmhd& h = c.bmhd;
    // Extra half-brite: the upper 32 colours are the lower 32 at half intensity.
    if ((c.camg & kCamgHalfBrite) && h.planes == 6 && c.colours <= 32) {
        for (int i = 0; i < 96; ++i) c.rgb[96 + i] = static_cast<uint8_t>(c.rgb[i] >> 1);
        c.colours = 64;
    }
    if (!setUpImage(h.width, h.height, false)) return 0;
    recordSource(h.width, h.height, h.planes);
    pxCreatePalette(256, c.rgb.data());
    if (!pxInitPalette(256)) return 0;
    return readBody(in, length, h);
}

}  // namespace

int decodeIlbm(io::ByteReader& in, const char*) { return readIlbm(in); }

}  // namespace kx::image

int ReadILBM(const char* name) {
    // The format goes by several extensions (".ILB", ".HAM", ".IFF", ".LBM"): the name is kept.
    std::string path(name ? name : "");
    kx::io::UniqueFd fd(kx::io::openForReading(path));
    if (!fd) return 0;
    kx::io::ByteReader in(fd.get());
    return kx::image::decodeIlbm(in, path.c_str());
}
