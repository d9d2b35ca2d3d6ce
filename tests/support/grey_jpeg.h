// A JPEG file of one grey, written by the system's JPEG library at full
// quality: it decodes to exactly that grey, so tests can compare bytes.
#pragma once

// The JPEG library's header needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace kxtest {

inline std::vector<unsigned char> greyJpeg(unsigned width, unsigned height, unsigned char grey) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(width, grey);
    while (info.next_scanline < height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace kxtest
