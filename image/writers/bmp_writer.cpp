// Windows bitmap writing: 24 bits per pixel, rows bottom-up padded to 4 bytes.
#include <string>
#include <vector>

#include "image_state.h"
#include "io/file_names.h"
#include "writers/writers.h"

namespace {

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

}  // namespace

int WriteBMP24(HDC surface, const char* name) {
    kx::image::Surface* s = kx::image::Surface::fromDc(surface);
    if (!s || !name) return 0;
    uint32_t stride = (static_cast<uint32_t>(s->width()) * 3 + 3) & ~3u;
    uint8_t h[54] = {'B', 'M'};
    put32(h + 2, 54 + stride * static_cast<uint32_t>(s->height()));
    put32(h + 10, 54);
    put32(h + 14, 40);
    put32(h + 18, static_cast<uint32_t>(s->width()));
    put32(h + 22, static_cast<uint32_t>(s->height()));
    put16(h + 26, 1);
    put16(h + 28, 24);
    kx::io::OutputFile out;
    if (!out.create(kx::io::addExtension(name, ".BMP")) || !out.write(h, sizeof h)) return 0;
    std::vector<uint8_t> row(stride, 0);
    for (int y = s->height() - 1; y >= 0; --y) {
        const uint32_t* px = s->row(y);
        uint8_t* p = row.data();
        for (int x = 0; x < s->width(); ++x, p += 3) {
            p[0] = static_cast<uint8_t>(px[x]);
            p[1] = static_cast<uint8_t>(px[x] >> 8);
            p[2] = static_cast<uint8_t>(px[x] >> 16);
        }
        if (!out.write(row.data(), row.size())) return 0;
    }
    return out.commit() ? 1 : 0;
}

int WriteBMP(HDC surface, const char* name) { return WriteBMP24(surface, name); }
