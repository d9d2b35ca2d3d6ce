// PCX writing: the current image's palette indices, 8 bits, one plane,
// run-length encoded, with the 256-colour palette at the end.
#include <algorithm>
#include <string>
#include <vector>

#include "image_state.h"
#include "io/file_names.h"
#include "writers/writers.h"

namespace {

constexpr int kMaxRun = 63;

void put16(uint8_t* p, int v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Runs never cross a row; a single byte below 0xC0 stands for itself.
void encodeRow(const uint8_t* row, int width, std::vector<uint8_t>& out) {
    out.clear();
    for (int x = 0; x < width;) {
        int run = 1;
        while (x + run < width && run < kMaxRun && row[x + run] == row[x]) ++run;
        if (run == 1 && row[x] < 0xC0) {
            out.push_back(row[x]);
        } else {
            out.push_back(static_cast<uint8_t>(0xC0 | run));
            out.push_back(row[x]);
        }
        x += run;
    }
}

}  // namespace

int SavePCX(const char* name) {
    kx::image::Surface* s = kx::image::state().image.surface.get();
    std::string path = kx::io::forceExtension(name ? name : "", ".PCX");
    kx::io::OutputFile out;
    if (!s || !name || !out.create(path)) {
        ErrorMessage("Unable to Create PCX File");
        return 0;
    }
    int width = s->width(), height = s->height();
    uint8_t h[128] = {10, 5, 1, 8};
    put16(h + 8, width - 1);
    put16(h + 10, height - 1);
    put16(h + 12, 640);
    put16(h + 14, 480);
    h[65] = 1;
    put16(h + 66, width);
    put16(h + 68, 1);
    put16(h + 70, width);
    put16(h + 72, height);
    bool ok = out.write(h, sizeof h);
    std::vector<uint8_t> row(static_cast<size_t>(width)), encoded;
    encoded.reserve(row.size() * 2);
    for (int y = 0; ok && y < height; ++y) {
        for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(pxLoadViewPortEx(x, y));
        encodeRow(row.data(), width, encoded);
        ok = out.write(encoded.data(), encoded.size());
    }
    ok = ok && out.putByte(12) && out.write(pxGetImagePalette(), 768);
    if (!ok || !out.commit()) {
        ErrorMessage("Unable to Create PCX File");
        return 0;
    }
    return 1;
}
