#include "model/height_field_surface.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "kxplatform/files.h"
#include "preview/image_map.h"

namespace kx::app {

namespace {

constexpr int kMostSide = 8192;
constexpr size_t kMostFileBytes = size_t{256} << 20;

// A PGM header's next number, after blanks and # comments.
bool pgmNumber(const std::string& b, size_t& at, long& value) {
    while (at < b.size()) {
        if (b[at] == '#') {
            while (at < b.size() && b[at] != '\n') ++at;
        } else if (std::isspace(static_cast<unsigned char>(b[at]))) {
            ++at;
        } else {
            break;
        }
    }
    if (at >= b.size() || !std::isdigit(static_cast<unsigned char>(b[at]))) return false;
    value = 0;
    while (at < b.size() && std::isdigit(static_cast<unsigned char>(b[at]))) {
        value = value * 10 + (b[at++] - '0');
        if (value > 1 << 24) return false;
    }
    return true;
}

bool decodePgm(const std::string& b, HeightSamples& out) {
    const bool binary = b[1] == '5';
    size_t at = 2;
    long w = 0, h = 0, most = 0;
    if (!pgmNumber(b, at, w) || !pgmNumber(b, at, h) || !pgmNumber(b, at, most)) return false;
    if (w < 2 || h < 2 || w > kMostSide || h > kMostSide || most < 1 || most > 65535) return false;
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    out.width = static_cast<int>(w), out.height = static_cast<int>(h);
    out.values.resize(n);
    if (binary) {
        ++at;  // the one blank after the maximum
        const size_t bytesEach = most > 255 ? 2 : 1;
        if (at > b.size() || b.size() - at < n * bytesEach) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(b.data() + at);
        for (size_t i = 0; i < n; ++i) {
            const unsigned v = bytesEach == 2 ? (p[2 * i] << 8) | p[2 * i + 1] : p[i];
            out.values[i] = std::min(1.0f, static_cast<float>(v) / static_cast<float>(most));
        }
        return true;
    }
    for (size_t i = 0; i < n; ++i) {
        long v = 0;
        if (!pgmNumber(b, at, v)) return false;
        out.values[i] = std::min(1.0f, static_cast<float>(v) / static_cast<float>(most));
    }
    return true;
}

bool decodeTarga(const std::string& b, HeightSamples& out) {
    const auto* d = reinterpret_cast<const unsigned char*>(b.data());
    const bool grey = d[2] == 3;
    if (grey) {
        // Uncompressed 8-bit grey: each byte a level.
        const int w = d[12] | (d[13] << 8), h = d[14] | (d[15] << 8);
        const size_t start = 18 + static_cast<size_t>(d[0]);
        if (d[16] != 8 || w < 2 || h < 2 || w > kMostSide || h > kMostSide) return false;
        const size_t n = static_cast<size_t>(w) * h;
        if (b.size() < start || b.size() - start < n) return false;
        const bool topFirst = d[17] & 0x20;
        out.width = w, out.height = h;
        out.values.resize(n);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t from = start + static_cast<size_t>(topFirst ? y : h - 1 - y) * w + x;
                out.values[static_cast<size_t>(y) * w + x] = d[from] / 255.0f;
            }
        return true;
    }
    ImageMapPixels pixels;
    std::string error;
    if (!decodeTargaMap(d, b.size(), pixels, error)) return false;
    if (pixels.width < 2 || pixels.height < 2) return false;
    out.width = static_cast<int>(pixels.width), out.height = static_cast<int>(pixels.height);
    out.values.resize(static_cast<size_t>(out.width) * out.height);
    for (size_t i = 0; i < out.values.size(); ++i)
        out.values[i] = static_cast<float>(pixels.rgb[3 * i] * 256 + pixels.rgb[3 * i + 1]) / 65535.0f;
    return true;
}

// The frame the preview pyramid was placed in: its base corners (-1,-1,-1),
// (1,-1,-1), (-1,-1,1) and apex (0,1,0) in half sizes, as the first and third
// facets hold them.
struct Frame {
    double origin[3], x[3], y[3], z[3];
};

bool placedFrame(const CadObject& field, Frame& f) {
    Point3d corners[3][3];
    int held = 0;
    if (field.polygons && (field.polygonCount ? field.polygonCount : field.count) >= 3) {
        for (; held < 3; ++held) std::copy_n(field.polygons[held].vertex, 3, corners[held]);
    } else {
        for (const ListEntry* n = field.points; n && held < 3; n = n->next, ++held) {
            if (n->count != 3 || !n->points) return false;
            std::copy_n(n->points, 3, corners[held]);
        }
    }
    if (held != 3) return false;
    // Facet 0: (-1,-1,1) (-1,-1,-1) (1,-1,-1); facet 2: (-1,-1,1) (0,1,0) (1,-1,1).
    const Point3d &low = corners[0][1], &alongX = corners[0][2], &alongZ = corners[0][0], &apex = corners[2][1];
    const double a[3] = {low.x, low.y, low.z}, b[3] = {alongX.x, alongX.y, alongX.z},
                 c[3] = {alongZ.x, alongZ.y, alongZ.z}, d[3] = {apex.x, apex.y, apex.z};
    for (int k = 0; k < 3; ++k) {
        f.x[k] = (b[k] - a[k]) / 2;
        f.z[k] = (c[k] - a[k]) / 2;
        const double base = a[k] + f.x[k] + f.z[k];
        f.y[k] = (d[k] - base) / 2;
        f.origin[k] = base + f.y[k];
    }
    return true;
}

}  // namespace

bool decodeHeightSamples(const std::string& bytes, HeightSamples& out) {
    out = {};
    if (bytes.size() >= 3 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '2')) return decodePgm(bytes, out);
    if (bytes.size() >= 18) return decodeTarga(bytes, out);
    return false;
}

bool heightFieldSurface(const CadObject& field, std::vector<TriPolygon>& out, int mostCells) {
    char name[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(const_cast<CadObject*>(&field), KX_PROP_HEIGHTFIELDFILE, name) || !name[0]) return false;
    Frame frame;
    if (!placedFrame(field, frame)) return false;
    std::string bytes;
    if (platform::readWholeFile(name, bytes, kMostFileBytes) != 0) return false;
    HeightSamples samples;
    if (!decodeHeightSamples(bytes, samples)) return false;
    mostCells = std::max(1, mostCells);
    const int columns = std::min(samples.width - 1, mostCells), rows = std::min(samples.height - 1, mostCells);
    // The unit cube's point (u, v, w) centred, in the frame's half sizes.
    auto at = [&](int row, int column) {
        const int sx = static_cast<int>(static_cast<long>(column) * (samples.width - 1) / columns);
        const int sy = static_cast<int>(static_cast<long>(row) * (samples.height - 1) / rows);
        const double u = static_cast<double>(sx) / (samples.width - 1);
        const double w = 1.0 - static_cast<double>(sy) / (samples.height - 1);
        const double v = samples.values[static_cast<size_t>(sy) * samples.width + sx];
        const double local[3] = {2 * u - 1, 2 * v - 1, 2 * w - 1};
        double p[3];
        for (int k = 0; k < 3; ++k)
            p[k] = frame.origin[k] + frame.x[k] * local[0] + frame.y[k] * local[1] + frame.z[k] * local[2];
        return MakePoint(p[0], p[1], p[2]);
    };
    out.clear();
    out.reserve(static_cast<size_t>(2) * rows * columns);
    std::vector<Point3d> above(columns + 1), below(columns + 1);
    for (int j = 0; j <= columns; ++j) above[j] = at(0, j);
    for (int i = 1; i <= rows; ++i) {
        for (int j = 0; j <= columns; ++j) below[j] = at(i, j);
        for (int j = 0; j < columns; ++j) {
            TriPolygon first{}, second{};
            first.vertex[0] = above[j], first.vertex[1] = below[j], first.vertex[2] = above[j + 1];
            second.vertex[0] = below[j], second.vertex[1] = below[j + 1], second.vertex[2] = above[j + 1];
            out.push_back(first);
            out.push_back(second);
        }
        std::swap(above, below);
    }
    return !out.empty();
}

}  // namespace kx::app
