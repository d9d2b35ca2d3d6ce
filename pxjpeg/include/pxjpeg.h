// The JPEG codec library: converts between JPEG files and 24-bit Targa files,
// both given by path. Loaded by the image library on first use. Every entry
// returns non-zero on success.
#pragma once

#define PXJPEG_API __attribute__((visibility("default")))

extern "C" {

// Decompresses a JPEG file into an uncompressed 24-bit Targa file (top row
// first). Images larger than 4096 pixels either way are refused unwritten.
PXJPEG_API int JPEGDecompress(const char* jpegFile, const char* targaFile);
// scale: 0 full size, 1 half, 2 quarter, 3 eighth; greyscale: 0 colour, 1 grey.
PXJPEG_API int JPEGSetDecompressOpt(int scale, int greyscale);
// Compresses an uncompressed 24- or 32-bit Targa file into a JPEG file.
PXJPEG_API int JPEGCompress(const char* targaFile, const char* jpegFile);
// level: 0 (best quality) to 10 (smallest file), quality 100 - 5 * level;
// progressive: 0 baseline, 1 progressive.
PXJPEG_API int JPEGSetCompressOpt(int level, int progressive);

}  // extern "C"
