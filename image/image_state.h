// The image library's process-wide state: one aggregate, one accessor.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pixmo.h"

namespace kx::image {

class Surface;

// Every live surface by its two handles.
struct SurfaceTable {
    std::unordered_map<HDC, Surface*> byDc;
    std::unordered_map<HBITMAP, Surface*> byBitmap;
};

// The buffer that line output fills before it is copied to the surface in one
// block. Rows are stored bottom-up; true-colour rows hold blue, green, red.
struct Scratch {
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;  // 3 or 1; 0 while there is no buffer
};

struct CurrentImage {
    HWND owner = nullptr;
    std::unique_ptr<Surface> surface;
    int width = 0;
    int height = 0;
    int xOffset = 0;
    int yOffset = 0;
    bool trueColour = false;
    bool hiColour = true;
    bool greyScale = false;
    bool copyBits = false;
    bool initEnabled = true;
    bool valid = false;
    bool abort = false;
    Scratch scratch;
    // Palette indices of a palette image, kept so it can be written as PCX.
    std::vector<uint8_t> indices;
    PxImageInfo info{};
};

struct PaletteState {
    std::array<uint8_t, 768> rgb{};
    std::array<uint8_t, 768> realised{};  // what the display last received
};

struct MessageState {
    char last[256] = {};
    bool display = true;
    std::string applicationName = "Pixmo Library";
    int registrations = 0;
};

struct ViewportRecord;

struct CodecState {
    void* library = nullptr;
    std::string directoryOverride;  // tests: where libpxjpeg32.so is looked for
};

struct CommandLine {
    std::vector<std::string> args;
};

// What AddExt and AddNewExt hand back: each stays valid until the next call
// of the same function.
struct NameResults {
    std::string withExtension;
    std::string newExtension;
};

struct ImageState {
    SurfaceTable surfaces;
    CurrentImage image;
    PaletteState palette;
    MessageState messages;
    std::vector<std::unique_ptr<ViewportRecord>> viewports;
    CodecState codec;
    CommandLine commandLine;
    NameResults names;
    PxDrawCallbacks draw{};
};

// The single state of the library, initialised on first use.
ImageState& state();

// Back to the state of a freshly loaded library (tests): frees every surface.
void resetImageForTests();

}  // namespace kx::image
