#include "cli/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kxplatform/files.h"

namespace kx::app {

namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// libpng reports a failure by a long jump back here; nothing between the
// setjmp and the jump owns anything a destructor would have to free.
bool encode(std::FILE* file, const std::vector<png_byte>& rgb, int width, int height) {
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!writer.png) return false;
    writer.info = png_create_info_struct(writer.png);
    if (!writer.info) return false;
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[y] = const_cast<png_bytep>(rgb.data()) + static_cast<size_t>(y) * width * 3;
    if (setjmp(png_jmpbuf(writer.png))) return false;
    png_init_io(writer.png, file);
    png_set_IHDR(writer.png, writer.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(writer.png, writer.info, rows.data());
    png_write_png(writer.png, writer.info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

bool writePngFile(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height,
                  std::string& error) {
    if (width < 1 || height < 1 || pixels.size() != static_cast<size_t>(width) * height) {
        error = "the picture is empty";
        return false;
    }
    std::vector<png_byte> rgb(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        rgb[i * 3] = (pixels[i] >> 16) & 0xFF;
        rgb[i * 3 + 1] = (pixels[i] >> 8) & 0xFF;
        rgb[i * 3 + 2] = pixels[i] & 0xFF;
    }
    std::string temporary = path + ".kxtmp-XXXXXX";
    platform::UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) {
        error = std::strerror(errno);
        return false;
    }
    // A new picture gets the mode any new file of the user's would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.get(), 0666 & ~mask);
    std::FILE* file = ::fdopen(fd.get(), "wb");
    if (!file) {
        error = std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    fd.release();
    errno = 0;
    bool written = encode(file, rgb, width, height) && std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    const int writeError = errno;
    written = std::fclose(file) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(writeError != 0 ? writeError : errno != 0 ? errno : EIO);
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace kx::app
