// JPEG reading through the codec library: the file becomes a temporary Targa
// file, which is then read like any other.
#include <dlfcn.h>
#include <string>

#include "image_state.h"
#include "io/file_names.h"
#include "io/temp_file.h"
#include "io/unique_fd.h"
#include "jpeg_codec.h"
#include "kxplatform/c_locale.h"
#include "wait_cursor.h"

int ReadJpegEx(HWND, const char* name, int quiet) {
    kx::image::WaitCursor cursor(!quiet);
    void* codec = kx::image::jpegCodec();
    if (!codec) return 0;
    auto decompress = reinterpret_cast<kx::image::JpegConvert>(dlsym(codec, "JPEGDecompress"));
    if (!decompress) {
        ErrorMessage("Could not load Jpeg Deccompress function");
        return 0;
    }
    auto options = reinterpret_cast<kx::image::JpegOptions>(dlsym(codec, "JPEGSetDecompressOpt"));
    if (!options) {
        ErrorMessage("Could not load Jpeg Deccompress Options function");
        return 0;
    }
    if (!options(0, 0)) {
        ErrorMessage("Jpeg Decompressed Option failed");
        return 0;
    }
    kx::io::TempFile targa;
    if (!targa.create(".TGA")) {
        ErrorMessage("Unable to create temporary Jpeg file");
        return 0;
    }
    // Opened here so that a name in another case is found; the codec reads
    // the very file through its descriptor.
    kx::io::UniqueFd source(kx::io::openForReading(name ? name : ""));
    std::string sourcePath = kx::platform::formatC("/proc/self/fd/%d", source.get());
    if (!source || !decompress(sourcePath.c_str(), targa.path().c_str())) {
        ErrorMessage("Unable to Decompress Jpeg Image");
        return 0;
    }
    return ReadTGA(targa.path().c_str());
}
