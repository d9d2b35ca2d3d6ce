// JPEG writing through the codec library, from a temporary Targa file.
#include <dlfcn.h>
#include <string>

#include "image_state.h"
#include "io/file_names.h"
#include "io/output_file.h"
#include "io/temp_file.h"
#include "jpeg_codec.h"
#include "writers/writers.h"

int WriteJpeg(HDC surface, const char* name) {
    kx::image::Surface* s = kx::image::Surface::fromDc(surface);
    if (!s || !name) return 0;
    void* codec = kx::image::jpegCodec();
    if (!codec) return 0;
    kx::io::TempFile targa;
    bool written = targa.create(".TGA");
    if (written) {
        kx::io::OutputFile out;
        out.adopt(targa.release());
        written = kx::image::writeTarga(out, *s) && out.commit();
    }
    if (!written) {
        ErrorMessage("Unable to create temporary Jpeg file");
        return 0;
    }
    auto compress = reinterpret_cast<kx::image::JpegConvert>(dlsym(codec, "JPEGCompress"));
    if (!compress) {
        ErrorMessage("Could not load Jpeg Compress function");
        return 0;
    }
    auto options = reinterpret_cast<kx::image::JpegOptions>(dlsym(codec, "JPEGSetCompressOpt"));
    if (!options) {
        ErrorMessage("Could not load Jpeg Compress Options function");
        return 0;
    }
    if (!options(5, 0)) {
        ErrorMessage("Jpeg Compressed Option failed");
        return 0;
    }
    std::string target = kx::io::addExtension(name, ".JPG");
    if (!compress(targa.path().c_str(), target.c_str())) {
        ErrorMessage("Unable to Compress Jpeg Image");
        return 0;
    }
    return 1;
}
