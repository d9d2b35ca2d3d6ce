// JPEG file to 24-bit Targa file.
#include <cstdio>
#include <new>
#include <vector>

#include "codec_options.h"
#include "io/output_file.h"
#include "jpeg_errors.h"

namespace kx::jpeg {
namespace {

// Everything of one conversion that has a destructor.
struct DecodeJob {
    std::FILE* in = nullptr;
    io::OutputFile out;
    std::vector<uint8_t> row;
    std::vector<uint8_t> bgr;
    Options opt;

    bool begin(unsigned width, unsigned height, unsigned components) {
        try {
            row.resize(static_cast<size_t>(width) * components);
            bgr.resize(static_cast<size_t>(width) * 3);
        } catch (const std::bad_alloc&) {
            return false;
        }
        uint8_t h[18] = {};
        h[2] = 2;
        h[12] = static_cast<uint8_t>(width);
        h[13] = static_cast<uint8_t>(width >> 8);
        h[14] = static_cast<uint8_t>(height);
        h[15] = static_cast<uint8_t>(height >> 8);
        h[16] = 24;
        h[17] = 0x20;  // rows are written top row first, as they are decoded
        return out.write(h, sizeof h);
    }

    bool writeRow(unsigned components) {
        if (components == 3) return out.write(row.data(), row.size());
        for (size_t x = 0; x < row.size(); ++x) bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = row[x];
        return out.write(bgr.data(), bgr.size());
    }
};

// Only plain data in this frame: libjpeg's errors jump back into it.
bool runDecode(DecodeJob* job) {
    jpeg_decompress_struct info{};
    ErrorManager errors;
    info.err = installErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, job->in);
    jpeg_read_header(&info, TRUE);
    // Refused before anything is written: a huge image would become a huge file.
    if (info.image_width > kMaxSide || info.image_height > kMaxSide) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = job->opt.greyscale ? JCS_GRAYSCALE : JCS_EXT_BGR;
    info.scale_num = 1;
    info.scale_denom = 1u << job->opt.scale;
    jpeg_start_decompress(&info);
    unsigned components = static_cast<unsigned>(info.output_components);
    bool ok = job->begin(info.output_width, info.output_height, components);
    while (ok && info.output_scanline < info.output_height) {
        JSAMPROW row = job->row.data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1) ok = false;
        ok = ok && job->writeRow(components);
    }
    if (ok) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return ok;
}

}  // namespace

bool decompressFile(const char* jpegFile, const char* targaFile) {
    DecodeJob job;
    job.opt = options();
    job.in = std::fopen(jpegFile, "rbe");
    if (!job.in) return false;
    bool ok = job.out.create(targaFile) && runDecode(&job);
    std::fclose(job.in);
    return ok && job.out.commit();
}

}  // namespace kx::jpeg
