// 24- or 32-bit uncompressed Targa file to JPEG file.
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <vector>

#include "codec_options.h"
#include "io/byte_reader.h"
#include "io/output_file.h"
#include "io/unique_fd.h"
#include "jpeg_errors.h"

namespace kx::jpeg {
namespace {

struct EncodeJob {
    std::vector<uint8_t> pixels;  // blue, green, red; top row first
    unsigned width = 0, height = 0;
    Options opt;
    unsigned char* encoded = nullptr;  // allocated by libjpeg with malloc
    unsigned long encodedSize = 0;

    ~EncodeJob() { std::free(encoded); }
};

bool loadTarga(const char* path, EncodeJob& job) {
    io::UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd) return false;
    io::ByteReader in(fd.get());
    uint8_t h[18];
    if (!in.read(h, sizeof h)) return false;
    unsigned width = h[12] | (h[13] << 8), height = h[14] | (h[15] << 8);
    unsigned bpp = h[16] / 8u;
    if (h[2] != 2 || (bpp != 3 && bpp != 4) || width == 0 || height == 0 || width > kMaxSide ||
        height > kMaxSide)
        return false;
    uint64_t map = h[1] == 1 ? uint64_t(h[5] | (h[6] << 8)) * ((h[7] + 7u) / 8u) : 0;
    if (!in.skip(h[0] + map)) return false;
    size_t rowBytes = size_t{width} * bpp;
    if (in.remaining() < rowBytes * height) return false;
    try {
        job.pixels.resize(size_t{width} * height * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    bool topDown = (h[17] & 0x20) != 0;
    std::vector<uint8_t> row(rowBytes);
    for (unsigned i = 0; i < height; ++i) {
        if (!in.read(row.data(), rowBytes)) return false;
        uint8_t* out = job.pixels.data() + size_t{topDown ? i : height - 1 - i} * width * 3;
        for (unsigned x = 0; x < width; ++x) {
            out[3 * x] = row[bpp * x];
            out[3 * x + 1] = row[bpp * x + 1];
            out[3 * x + 2] = row[bpp * x + 2];
        }
    }
    job.width = width;
    job.height = height;
    return true;
}

// Only plain data in this frame: libjpeg's errors jump back into it.
bool runEncode(EncodeJob* job) {
    jpeg_compress_struct info{};
    ErrorManager errors;
    info.err = installErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &job->encoded, &job->encodedSize);
    info.image_width = job->width;
    info.image_height = job->height;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job->opt.quality, TRUE);
    if (job->opt.progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = job->pixels.data() + size_t{info.next_scanline} * job->width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool compressFile(const char* targaFile, const char* jpegFile) {
    EncodeJob job;
    job.opt = options();
    if (!loadTarga(targaFile, job) || !runEncode(&job)) return false;
    io::OutputFile out;
    return out.create(jpegFile) && out.write(job.encoded, job.encodedSize) && out.commit();
}

}  // namespace kx::jpeg
