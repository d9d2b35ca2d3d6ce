// A Targa picture as the tests compare them: which pixels hold something,
// and their colours, rows top first whatever the file's origin.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kxtest {

struct Mask {
    int width = 0, height = 0;
    std::vector<bool> on;
    std::vector<uint32_t> rgb;  // 0xRRGGBB a pixel
    bool at(int x, int y) const { return on[static_cast<size_t>(y) * width + x]; }
    uint32_t colour(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    int covered() const {
        int n = 0;
        for (bool b : on) n += b;
        return n;
    }
};

// Reads a 24- or 32-bit uncompressed Targa file; a pixel is "on" when a
// channel is above 8.
inline bool readMask(const std::string& path, Mask& m) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (d.size() < 18 || d[2] != 2 || (d[16] != 24 && d[16] != 32)) return false;
    m.width = d[12] | (d[13] << 8);
    m.height = d[14] | (d[15] << 8);
    const size_t bpp = d[16] / 8, start = 18 + d[0];
    if (d.size() < start + static_cast<size_t>(m.width) * m.height * bpp) return false;
    const bool topFirst = d[17] & 0x20;
    m.on.assign(static_cast<size_t>(m.width) * m.height, false);
    m.rgb.assign(m.on.size(), 0);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            const unsigned char* p = &d[start + (static_cast<size_t>(y) * m.width + x) * bpp];
            const size_t at = static_cast<size_t>(topFirst ? y : m.height - 1 - y) * m.width + x;
            m.on[at] = p[0] > 8 || p[1] > 8 || p[2] > 8;
            m.rgb[at] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
    return true;
}

// Intersection over union of two pictures' covered pixels (1 when both are empty).
inline double silhouetteAgreement(const Mask& a, const Mask& b) {
    int both = 0, either = 0;
    for (size_t i = 0; i < a.on.size() && i < b.on.size(); ++i) {
        both += a.on[i] && b.on[i];
        either += a.on[i] || b.on[i];
    }
    return either ? static_cast<double>(both) / either : 1.0;
}

// The strongest channel summed over the covered pixels: 0 red, 1 green, 2 blue.
inline int dominantChannel(const Mask& m) {
    double sum[3] = {0, 0, 0};
    for (size_t i = 0; i < m.on.size(); ++i)
        if (m.on[i])
            for (int c = 0; c < 3; ++c) sum[c] += (m.rgb[i] >> (16 - 8 * c)) & 0xFF;
    return sum[1] > sum[0] ? (sum[2] > sum[1] ? 2 : 1) : (sum[2] > sum[0] ? 2 : 0);
}

}  // namespace kxtest
