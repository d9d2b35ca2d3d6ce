// Targa writing: uncompressed 24-bit, bottom-left origin, or top-left for the
// pictures handed to other programs (some of which ignore the origin bit).
#include <string>
#include <vector>

#include "image_state.h"
#include "io/file_names.h"
#include "writers/writers.h"

namespace kx::image {

bool writeTarga(io::OutputFile& out, const Surface& s, bool topFirst) {
    uint8_t h[18] = {};
    h[2] = 2;  // uncompressed true colour
    h[12] = static_cast<uint8_t>(s.width());
    h[13] = static_cast<uint8_t>(s.width() >> 8);
    h[14] = static_cast<uint8_t>(s.height());
    h[15] = static_cast<uint8_t>(s.height() >> 8);
    h[16] = 24;
    h[17] = topFirst ? 0x20 : 0;
    if (!out.write(h, sizeof h)) return false;
    std::vector<uint8_t> row(static_cast<size_t>(s.width()) * 3);
    for (int i = 0; i < s.height(); ++i) {
        const uint32_t* px = s.row(topFirst ? i : s.height() - 1 - i);
        uint8_t* p = row.data();
        for (int x = 0; x < s.width(); ++x, p += 3) {
            p[0] = static_cast<uint8_t>(px[x]);
            p[1] = static_cast<uint8_t>(px[x] >> 8);
            p[2] = static_cast<uint8_t>(px[x] >> 16);
        }
        if (!out.write(row.data(), row.size())) return false;
    }
    return true;
}

}  // namespace kx::image

namespace {

int writeTargaFile(HDC surface, const char* name, bool topFirst) {
    kx::image::Surface* s = kx::image::Surface::fromDc(surface);
    if (!s || !name) return 0;
    kx::io::OutputFile out;
    if (!out.create(kx::io::addExtension(name, ".TGA"))) return 0;
    return kx::image::writeTarga(out, *s, topFirst) && out.commit() ? 1 : 0;
}

}  // namespace

int WriteTGA(HDC surface, const char* name) { return writeTargaFile(surface, name, false); }

int WriteTGATopFirst(HDC surface, const char* name) { return writeTargaFile(surface, name, true); }
