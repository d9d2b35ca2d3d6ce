// Fixture of the image library tests: fresh library state, captured messages,
// a registered application and a temporary current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image_state.h"
#include "pixmo.h"
#include "temp_dir.h"
#include "ui_capture.h"

namespace kxtest {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// A small picture in memory, row 0 at the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A picture of `colours` distinct colours (at most 256) in a pattern that
// tells rows and columns apart.
Picture makePicture(int width, int height, int colours);
// A smooth picture, for lossy round trips.
Picture makeGradient(int width, int height);
void writePpm(const std::string& path, const Picture& picture);
// Runs a shell command; true when it exits with 0.
bool run(const std::string& command);
bool haveTool(const char* tool);
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
// The colour 0x00BBGGRR of an Rgb.
uint32_t colorRef(Rgb c);

class PixmoTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the picture the current image (its own size, not rounded).
    void showPicture(const Picture& picture);
    // Expects the current image's top-left corner to show the picture.
    void expectImage(const Picture& picture);
    // The last message box's text ("" when none).
    std::string lastBox() const { return ui.lastMessage(); }

    static HWND window() { return reinterpret_cast<HWND>(0x10); }

    TempDir dir;
    UiCapture ui;
};

// Skips the test when a converter of the system is missing.
#define REQUIRE_TOOL(tool)                                   \
    do {                                                     \
        if (!::kxtest::haveTool(tool)) GTEST_SKIP() << tool; \
    } while (0)

}  // namespace kxtest
