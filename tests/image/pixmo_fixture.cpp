#include "pixmo_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "jpeg_codec.h"

namespace kxtest {

Picture makePicture(int width, int height, int colours) {
    Picture p{width, height, {}};
    std::vector<Rgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.push_back({static_cast<uint8_t>(i * 37 + 11), static_cast<uint8_t>(255 - i * 13),
                           static_cast<uint8_t>((i * 91) ^ 0x5A)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.push_back(palette[static_cast<size_t>((x * 3 + y * 7 + (x * y) / 5) % colours)]);
    return p;
}

Picture makeGradient(int width, int height) {
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.pixels.push_back({static_cast<uint8_t>(x * 255 / std::max(1, width - 1)),
                                static_cast<uint8_t>(y * 255 / std::max(1, height - 1)),
                                static_cast<uint8_t>(128)});
    return p;
}

void writePpm(const std::string& path, const Picture& picture) {
    std::ostringstream out;
    out << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    for (const Rgb& c : picture.pixels) out << c.r << c.g << c.b;
    writeBytes(path, out.str());
}

bool run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

bool haveTool(const char* tool) {
    return run(std::string("command -v ") + tool + " >/dev/null");
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint32_t colorRef(Rgb c) { return c.r | (uint32_t{c.g} << 8) | (uint32_t{c.b} << 16); }

void PixmoTest::SetUp() {
    kx::image::resetImageForTests();
    pxSetUiCallbacks(ui.table());
    kx::image::setJpegCodecDirectory(KALVEX_PXJPEG_DIR);
    ASSERT_EQ(pxRegisterApplication(window(), "Kalvex"), 1);
}

void PixmoTest::TearDown() { kx::image::resetImageForTests(); }

void PixmoTest::showPicture(const Picture& picture) {
    ASSERT_EQ(pxSetNewBuffer(window(), picture.width, picture.height), 1);
    pxSetCopyBits(0);
    pxSetOffset(0, 0);
    std::vector<uint8_t> bgr(static_cast<size_t>(picture.width) * 3);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Rgb c = picture.at(x, y);
            bgr[3 * x] = c.b;
            bgr[3 * x + 1] = c.g;
            bgr[3 * x + 2] = c.r;
        }
        ASSERT_EQ(out_line24(y, bgr.data(), picture.width), 1);
    }
}

void PixmoTest::expectImage(const Picture& picture) {
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (pxGetPixelRGB(nullptr, x, y) != colorRef(picture.at(x, y)) && ++wrong <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                              << pxGetPixelRGB(nullptr, x, y) << " instead of "
                              << colorRef(picture.at(x, y));
    EXPECT_EQ(wrong, 0);
}

}  // namespace kxtest
