// JPEG pictures for the preview: decoded by the system's JPEG library into
// RGB rows, top row first, after their size is checked against the largest
// map. The library reports a damaged picture by calling back, and the
// callback jumps back here: the functions that call setjmp hold only plain
// data, so nothing with a destructor is passed over by the jump.
// The JPEG library's header needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>

#include "preview/image_map.h"

namespace kx::app {

namespace {

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    Errors* errors = reinterpret_cast<Errors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (a picture cut short, extra bytes) leave what could be read.
void ignoreWarning(j_common_ptr, int) {}

// Without `rgb`, the picture's size from its header; with it, the rows into
// `rgb`, which has room for a picture of that size. False when the library
// gave up (its message in `message`) or the size is not the one given.
bool decode(const unsigned char* data, size_t size, unsigned char* rgb, JDIMENSION& width, JDIMENSION& height,
            char* message) {
    jpeg_decompress_struct info;
    Errors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    errors.manager.emit_message = ignoreWarning;
    errors.message[0] = '\0';
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!rgb) {
        width = info.image_width;
        height = info.image_height;
        jpeg_destroy_decompress(&info);
        return true;
    }
    if (info.image_width != width || info.image_height != height) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb + size_t{info.output_scanline} * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

bool isJpegMap(const unsigned char* data, size_t size) {
    return data && size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJpegMap(const unsigned char* data, size_t size, ImageMapPixels& out, std::string& error) {
    char message[JMSG_LENGTH_MAX] = "";
    JDIMENSION width = 0, height = 0;
    if (!isJpegMap(data, size) || !decode(data, size, nullptr, width, height, message) || width == 0 || height == 0 ||
        width > kMaxImageMapSide || height > kMaxImageMapSide) {
        error = "Unknown Image Map File";
        return false;
    }
    out.rgb.assign(size_t{width} * height * 3, 0);
    if (!decode(data, size, out.rgb.data(), width, height, message)) {
        out.rgb.clear();
        error = std::string("Error Reading JPEG Image Bits") + (message[0] ? std::string(": ") + message : "");
        return false;
    }
    out.width = width;
    out.height = height;
    return true;
}

}  // namespace kx::app
