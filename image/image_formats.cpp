#include "image_formats.h"

#include <string_view>

#include "io/file_names.h"

namespace kx::image {
namespace {

int readGif(HWND, const char* name, int) { return ReadGIF(name); }
int readBmp(HWND, const char* name, int) { return ReadBMP(name); }
int readPcx(HWND, const char* name, int) { return ReadPCX(name); }
int readTga(HWND, const char* name, int) { return ReadTGA(name); }
int readIlbm(HWND, const char* name, int) { return ReadILBM(name); }
// Displaying always reads a JPEG quietly.
int readJpeg(HWND window, const char* name, int) { return ReadJpegEx(window, name, 1); }

constexpr ImageFormat kFormats[] = {
    {".GIF", PX_IMAGE_GIF, readGif, nullptr},   {".BMP", PX_IMAGE_BMP, readBmp, WriteBMP24},
    {".PCX", PX_IMAGE_PCX, readPcx, nullptr},   {".TGA", PX_IMAGE_TGA, readTga, WriteTGA},
    {".RAW", PX_IMAGE_RAW, nullptr, nullptr},   {".RGB", PX_IMAGE_RGB, nullptr, nullptr},
    {".COM", PX_IMAGE_COM, nullptr, nullptr},   {".RAS", PX_IMAGE_RAS, nullptr, nullptr},
    {".ILB", PX_IMAGE_ILBM, readIlbm, nullptr}, {".HAM", PX_IMAGE_ILBM, readIlbm, nullptr},
    {".CRD", PX_IMAGE_CRD, nullptr, nullptr},   {".JPG", PX_IMAGE_JPG, readJpeg, WriteJpeg},
};

}  // namespace

const ImageFormat* imageFormatOf(const char* name) {
    if (!name) return nullptr;
    std::string_view ext = io::extensionOf(name);
    for (const ImageFormat& f : kFormats)
        if (io::equalNoCase(ext, f.extension)) return &f;
    return nullptr;
}

}  // namespace kx::image
