#include "codec_options.h"
#include "pxjpeg.h"

namespace kx::jpeg {

Options& options() {
    static Options o;
    return o;
}

bool decompressFile(const char* jpegFile, const char* targaFile);
bool compressFile(const char* targaFile, const char* jpegFile);

}  // namespace kx::jpeg

int JPEGSetDecompressOpt(int scale, int greyscale) {
    if (scale < 0 || scale > 3 || greyscale < 0 || greyscale > 1) return 0;
    kx::jpeg::options().scale = scale;
    kx::jpeg::options().greyscale = greyscale != 0;
    return 1;
}

int JPEGSetCompressOpt(int level, int progressive) {
    if (level < 0 || level > 10 || progressive < 0 || progressive > 1) return 0;
    kx::jpeg::options().quality = 100 - 5 * level;
    kx::jpeg::options().progressive = progressive != 0;
    return 1;
}

int JPEGDecompress(const char* jpegFile, const char* targaFile) {
    if (!jpegFile || !targaFile) return 0;
    return kx::jpeg::decompressFile(jpegFile, targaFile) ? 1 : 0;
}

int JPEGCompress(const char* targaFile, const char* jpegFile) {
    if (!jpegFile || !targaFile) return 0;
    return kx::jpeg::compressFile(targaFile, jpegFile) ? 1 : 0;
}
