// PCX reading: one plane of 1, 2, 4 or 8 bits per pixel, run-length encoded.
#include <array>
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

constexpr const char* kUnreadable = "Fatal Error: Unable To Open/Read Picture File \"%s\" ";

struct PcxHeader {
    uint8_t manufacturer, version, encoding, bits, planes;
    int width, height, bytesPerLine;
    uint8_t egaPalette[48];
};

PcxHeader parseHeader(const uint8_t* h) {
    auto u16 = [&](int at) { return h[at] | (h[at + 1] << 8); };
    PcxHeader p{};
    p.manufacturer = h[0];
    p.version = h[1];
    p.encoding = h[2];
    p.bits = h[3];
    // The window is what every writer fills in; the screen and resolution
    // fields often hold 0 or dots per inch.
    p.width = u16(8) - u16(4) + 1;
    p.height = u16(10) - u16(6) + 1;
    std::memcpy(p.egaPalette, h + 16, sizeof p.egaPalette);
    p.planes = h[65];
    p.bytesPerLine = u16(66);
    return p;
}

// Decodes runs into whole lines of bytesPerLine bytes. A run may cross the end
// of a line; its excess starts the next one.
class RunDecoder {
public:
    RunDecoder(io::ByteReader& in, bool encoded) : in_(in), encoded_(encoded) {}
    bool line(uint8_t* out, size_t size) {
        size_t i = 0;
        while (i < size) {
            if (pending_ > 0) {
                size_t n = pending_ < size - i ? pending_ : size - i;
                std::memset(out + i, value_, n);
                i += n;
                pending_ -= n;
                continue;
            }
            uint8_t b;
            if (!in_.readByte(b)) return false;
            if (encoded_ && (b & 0xC0) == 0xC0) {
                pending_ = b & 0x3F;
                if (!in_.readByte(value_)) return false;
            } else {
                out[i++] = b;
            }
        }
        return true;
    }

private:
    io::ByteReader& in_;
    bool encoded_;
    size_t pending_ = 0;
    uint8_t value_ = 0;
};

void unpack(const uint8_t* line, uint8_t* indices, int width, int bits) {
    if (bits == 8) {
        std::memcpy(indices, line, static_cast<size_t>(width));
        return;
    }
    int perByte = 8 / bits, mask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x) {
        int shift = 8 - bits * (x % perByte + 1);
        int v = (line[x / perByte] >> shift) & mask;
        indices[x] = static_cast<uint8_t>(bits == 1 ? (v ? 255 : 0) : v);
    }
}

// The palette for the header's depth; false when an 8-bit file lacks its own.
bool loadPalette(io::ByteReader& in, const PcxHeader& h, std::array<uint8_t, 768>& rgb) {
    if (h.bits == 1) {
        rgb[765] = rgb[766] = rgb[767] = 255;
        return true;
    }
    if (h.bits < 8) {
        std::memcpy(rgb.data(), h.egaPalette, sizeof h.egaPalette);
        return true;
    }
    if (h.version < 5) {
        for (int i = 0; i < 256; ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = static_cast<uint8_t>(i);
        return true;
    }
    uint8_t marker;
    uint64_t here = in.tell();
    if (in.size() < here + 769 || !in.seek(in.size() - 769) || !in.readByte(marker) ||
        marker != 12 || !in.read(rgb.data(), rgb.size()) || !in.seek(here))
        return false;
    return true;
}

}  // namespace

int decodePcx(io::ByteReader& in, const char* name) {
    uint8_t raw[128];
    if (!in.read(raw, sizeof raw)) {
        ErrorMessage(kUnreadable, name);
        return 0;
    }
    PcxHeader h = parseHeader(raw);
    // More than one plane is how 16- and 24-bit colour files are laid out.
    if (h.bits > 8 || h.planes != 1) {
        ErrorMessage("Error PCX Image more than 256 Colours");
        return 0;
    }
    int needed = (h.width * h.bits + 7) / 8;
    if (h.manufacturer != 10 || (h.bits != 1 && h.bits != 2 && h.bits != 4 && h.bits != 8) ||
        h.width < 1 || h.height < 1 || h.bytesPerLine < needed) {
        ErrorMessage("Error Unknown PCX Image Type");
        return 0;
    }
    std::array<uint8_t, 768> rgb{};
    if (!loadPalette(in, h, rgb)) {
        ErrorMessage("Error Reading PCX Palette");
        return 0;
    }
    // Two bytes of a run stand for at most 63: fewer than that cannot be the image.
    uint64_t lines = uint64_t(h.bytesPerLine) * h.height;
    if (lines > in.remaining() * (h.encoding == 1 ? 32 : 1)) {
        ErrorMessage(kUnreadable, name);
        return 0;
    }
    if (!setUpImage(h.width, h.height, false)) return 0;
    recordSource(static_cast<uint32_t>(h.width), static_cast<uint32_t>(h.height), h.bits);
    pxCreatePalette(256, rgb.data());
    if (!pxInitPalette(256)) return 0;

    std::vector<uint8_t> line(static_cast<size_t>(h.bytesPerLine));
    std::vector<uint8_t> indices(static_cast<size_t>(h.width));
    RunDecoder runs(in, h.encoding == 1);
    for (int y = 0; y < h.height; ++y) {
        if (!runs.line(line.data(), line.size())) {
            ErrorMessage(kUnreadable, name);
            return 0;
        }
        unpack(line.data(), indices.data(), h.width, h.bits);
        if (!out_line(y, indices.data(), h.width)) return 0;
    }
    return 1;
}

}  // namespace kx::image

int ReadPCX(const char* name) {
    std::string path = kx::io::forceExtension(name ? name : "", ".PCX");
    kx::io::UniqueFd fd(kx::io::openForReading(path));
    if (!fd) {
        ErrorMessage(kx::image::kUnreadable, path.c_str());
        return 0;
    }
    kx::io::ByteReader in(fd.get());
    return kx::image::decodePcx(in, path.c_str());
}
