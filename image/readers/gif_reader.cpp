// GIF reading: the first image of a file with a global colour table, not interlaced.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "current_image.h"
#include "image_state.h"
#include "io/file_names.h"
#include "io/unique_fd.h"
#include "readers/readers.h"

namespace kx::image {
namespace {

// Error numbers of the reader; 0 means "already reported", 1 success.
enum GifResult : int {
    kOk = 1,
    kReported = 0,
    kReadError = -1,
    kWriteError = -2,
    kOpenError = -3,
    kCreateError = -4,
    kOutOfMemory = -10,
    kBadCodeSize = -20,
    kBadCode = -21,
    kNoHeader = -64,
    kNoColourMap = -65,
    kInterlaced = -66,
    kNoSeparator = -67,
};

void report(int code, const char* name) {
    switch (code) {
    case kNoSeparator: ErrorMessage("error: %s missing GIF seperator", name); break;
    case kInterlaced: ErrorMessage("error: unable to decode interlace GIF"); break;
    case kNoColourMap: ErrorMessage("error: %s must have Global Color Map to decode GIF", name); break;
    case kNoHeader: ErrorMessage("error: %s GIF header not found!", name); break;
    case kBadCodeSize: ErrorMessage("error: bad code size"); break;
    case kOutOfMemory: ErrorMessage("error: out of memory"); break;
    case kCreateError: ErrorMessage("error: %s create error", name); break;
    case kOpenError: ErrorMessage("error: %s open error", name); break;
    case kWriteError: ErrorMessage("error: write error"); break;
    case kReadError: ErrorMessage("error: read error"); break;
    default: ErrorMessage("error: unknown GIF error #%d ", code); break;
    }
}

// The image data: variable-width codes, least significant bit first, packed
// into length-prefixed sub-blocks.
class CodeReader {
public:
    static constexpr int kEnd = -1;
    static constexpr int kFailed = -2;

    explicit CodeReader(io::ByteReader& in) : in_(in) {}
    // The next code, kEnd at the end of the data, kFailed on a read failure.
    int next(int width) {
        while (bitCount_ < width) {
            if (pos_ == len_) {
                if (ended_) return kEnd;
                uint8_t n;
                if (!in_.readByte(n)) return kFailed;
                if (n == 0) {
                    ended_ = true;
                    return kEnd;
                }
                if (!in_.read(block_, n)) return kFailed;
                len_ = n;
                pos_ = 0;
            }
            bits_ |= uint32_t{block_[pos_++]} << bitCount_;
            bitCount_ += 8;
        }
        int code = static_cast<int>(bits_ & ((1u << width) - 1));
        bits_ >>= width;
        bitCount_ -= width;
        return code;
    }

private:
    io::ByteReader& in_;
    uint8_t block_[255];
    int len_ = 0, pos_ = 0;
    bool ended_ = false;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
};

// Collects decoded indices into rows of the stored width and hands the rows
// that fall inside the image to line output.
class RowSink {
public:
    RowSink(int storedWidth, int storedHeight, int width, int height)
        : row_(static_cast<size_t>(storedWidth)), storedHeight_(storedHeight), width_(width),
          height_(height) {}
    bool done() const { return y_ >= storedHeight_; }
    bool failed() const { return failed_; }
    void put(uint8_t index) {
        row_[x_++] = index;
        if (x_ < row_.size()) return;
        if (y_ < height_ && !out_line(y_, row_.data(), width_)) failed_ = true;
        ++y_;
        x_ = 0;
    }

private:
    std::vector<uint8_t> row_;
    size_t x_ = 0;
    int y_ = 0;
    int storedHeight_, width_, height_;
    bool failed_ = false;
};

constexpr int kTableSize = 4096;

int decodeLzw(io::ByteReader& in, int minCodeSize, RowSink& sink) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::vector<uint16_t> prefix(kTableSize);
    std::vector<uint8_t> suffix(kTableSize), stack(kTableSize + 1);
    int codeSize = minCodeSize + 1, nextFree = clear + 2, prev = -1;
    CodeReader codes(in);
    while (!sink.done() && !sink.failed()) {
        int code = codes.next(codeSize);
        if (code == CodeReader::kFailed) return kReadError;
        if (code == CodeReader::kEnd || code == end) break;  // a short stream keeps the rows it gave
        if (code == clear) {
            codeSize = minCodeSize + 1;
            nextFree = clear + 2;
            prev = -1;
            continue;
        }
        if (code > nextFree || (prev < 0 && code >= clear)) return kBadCode;
        if (prev < 0) {
            sink.put(static_cast<uint8_t>(code));
            prev = code;
            continue;
        }
        // code == nextFree is the string of prev followed by its own first byte.
        int c = code == nextFree ? prev : code;
        size_t sp = 0;
        while (c >= clear) {
            if (sp >= kTableSize || c >= nextFree) return kBadCode;
            stack[sp++] = suffix[c];
            c = prefix[c];
        }
        uint8_t first = static_cast<uint8_t>(c);
        stack[sp++] = first;
        while (sp > 0) sink.put(stack[--sp]);
        if (code == nextFree) sink.put(first);
        if (nextFree < kTableSize) {
            prefix[nextFree] = static_cast<uint16_t>(prev);
            suffix[nextFree] = first;
            ++nextFree;
            if (nextFree == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        prev = code;
    }
    return sink.failed() ? kReported : kOk;
}

// Extensions and stray bytes up to the image separator.
int findImage(io::ByteReader& in) {
    int stray = 0;
    for (;;) {
        uint8_t b;
        if (!in.readByte(b)) return kReadError;
        if (b == 0x2C) return kOk;
        if (b == 0x21) {
            uint8_t label, n;
            if (!in.readByte(label)) return kReadError;
            // Sub-blocks are skipped by their lengths: their data may hold zeros.
            do {
                if (!in.readByte(n) || !in.skip(n)) return kReadError;
            } while (n != 0);
            continue;
        }
        if (++stray > 32) return kNoSeparator;
    }
}

int readGif(io::ByteReader& in) {
    uint8_t header[13];
    if (!in.read(header, 6)) return kReadError;
    if (std::memcmp(header, "GIF", 3) != 0) return kNoHeader;
    if (!in.read(header + 6, 7)) return kReadError;
    int screenWidth = header[6] | (header[7] << 8);
    int screenHeight = header[8] | (header[9] << 8);
    uint8_t packed = header[10];
    if (!(packed & 0x80)) return kNoColourMap;
    int bits = (packed & 7) + 1;
    std::array<uint8_t, 768> table{};
    if (!in.read(table.data(), (size_t{1} << bits) * 3)) return kReadError;

    int r = findImage(in);
    if (r != kOk) return r;
    uint8_t d[9];
    if (!in.read(d, sizeof d)) return kReadError;
    int imageWidth = d[4] | (d[5] << 8);
    int imageHeight = d[6] | (d[7] << 8);
    if (d[8] & 0x40) return kInterlaced;
    if (d[8] & 0x80) {
        // The image's own table replaces the global one for its indices.
        bits = (d[8] & 7) + 1;
        if (!in.read(table.data(), (size_t{1} << bits) * 3)) return kReadError;
    }
    int width = std::min(screenWidth, imageWidth);
    int height = std::min(screenHeight, imageHeight);
    if (!setUpImage(width, height, false)) return kReported;
    recordSource(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                 static_cast<uint32_t>(bits));
    pxCreatePalette(1 << bits, table.data());
    if (!pxInitPalette(1 << bits)) return kReported;

    uint8_t minCodeSize;
    if (!in.readByte(minCodeSize)) return kReadError;
    if (minCodeSize < 2 || minCodeSize > 9) return kBadCodeSize;
    RowSink sink(imageWidth, imageHeight, width, height);
    return decodeLzw(in, minCodeSize, sink);
}

}  // namespace

int decodeGif(io::ByteReader& in, const char* name) {
    int r = readGif(in);
    if (r < 0) report(r, name ? name : "");
    return r == kOk ? 1 : 0;
}

}  // namespace kx::image

int ReadGIF(const char* name) {
    std::string path = kx::io::forceExtension(name ? name : "", ".GIF");
    kx::io::UniqueFd fd(kx::io::openForReading(path));
    if (!fd) {
        ErrorMessage("error: %s open error", path.c_str());
        return 0;
    }
    kx::io::ByteReader in(fd.get());
    return kx::image::decodeGif(in, path.c_str());
}
