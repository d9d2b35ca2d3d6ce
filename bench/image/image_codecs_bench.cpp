// Reading and writing a 4096 x 4096 true-colour image in each format, in
// megapixels per second. Reading includes the copy to the surface.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pixmo.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSide = 4096;
// Bitmaps wider than 1024 pixels are read only at one bit per pixel.
constexpr int kBmpReadWidth = 1024;

HWND window() { return reinterpret_cast<HWND>(0x1); }

// A folder of its own for the files, removed at exit.
const fs::path& folder() {
    static const fs::path path = [] {
        std::string pattern = (fs::temp_directory_path() / "pixmo-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return fs::path(pattern);
    }();
    return path;
}

struct Cleanup {
    ~Cleanup() {
        std::error_code ec;
        fs::remove_all(folder(), ec);
    }
} cleanup;

std::string file(const char* name) { return (folder() / name).string(); }

// Smooth areas, flat bands and edges, like a rendered scene.
void makeImage(int width, int height) {
    pxRegisterApplication(window(), "bench");
    pxSetErrorDisplayState(window(), 0);
    pxInitDisplay(width, height, 1);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool flat = (y / 256) % 2 == 0 && x > width / 2;
            row[3 * x] = static_cast<unsigned char>(flat ? 200 : x / 16);
            row[3 * x + 1] = static_cast<unsigned char>(flat ? 120 : y / 16);
            row[3 * x + 2] = static_cast<unsigned char>(flat ? 40 : (x + y) / 32);
        }
        out_line24(y, row.data(), width);
    }
    pxUpdateMemoryDC();
}

// A run-length Targa file of the current image, packets within rows.
void writeRleTarga(const std::string& path) {
    HDC dc = pxGetMemDC();
    PxBits bits{};
    pxGetSurfaceBits(dc, &bits);
    std::string out(18, '\0');
    out[2] = 10;
    out[12] = static_cast<char>(bits.width & 0xFF);
    out[13] = static_cast<char>(bits.width >> 8);
    out[14] = static_cast<char>(bits.height & 0xFF);
    out[15] = static_cast<char>(bits.height >> 8);
    out[16] = 24;
    out[17] = 0x20;
    auto bgr = [](uint32_t px) {
        return std::string{static_cast<char>(px), static_cast<char>(px >> 8), static_cast<char>(px >> 16)};
    };
    for (int y = 0; y < bits.height; ++y) {
        const uint32_t* row = bits.pixels + static_cast<size_t>(y) * bits.stride;
        for (int x = 0; x < bits.width;) {
            int run = 1;
            while (x + run < bits.width && run < 128 && row[x + run] == row[x]) ++run;
            if (run > 1) {
                out += static_cast<char>(0x80 | (run - 1));
                out += bgr(row[x]);
            } else {
                int n = 1;
                while (x + n < bits.width && n < 128 && row[x + n] != row[x + n - 1]) ++n;
                run = n;
                out += static_cast<char>(n - 1);
                for (int i = 0; i < n; ++i) out += bgr(row[x + i]);
            }
            x += run;
        }
    }
    FILE* f = std::fopen(path.c_str(), "wbe");
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
}

void setRate(benchmark::State& state, int width, int height) {
    state.counters["MP/s"] = benchmark::Counter(width * static_cast<double>(height) / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void writeBench(benchmark::State& state, int (*writer)(HDC, const char*), const char* name) {
    makeImage(kSide, kSide);
    std::string path = file(name);
    for (auto _ : state)
        if (!writer(pxGetMemDC(), path.c_str())) state.SkipWithError("write failed");
    setRate(state, kSide, kSide);
}

void readBench(benchmark::State& state, const char* name, int width) {
    std::string path = file(name);
    for (auto _ : state)
        if (!pxDisplayImageEx(window(), path.c_str(), 1)) state.SkipWithError("read failed");
    setRate(state, width, kSide);
}

void BM_WriteTarga(benchmark::State& s) { writeBench(s, WriteTGA, "plain.tga"); }
void BM_WriteBmp(benchmark::State& s) { writeBench(s, WriteBMP24, "out.bmp"); }
void BM_WriteJpeg(benchmark::State& s) { writeBench(s, WriteJpeg, "out.jpg"); }

void BM_ReadTarga(benchmark::State& s) {
    makeImage(kSide, kSide);
    WriteTGA(pxGetMemDC(), file("plain.tga").c_str());
    readBench(s, "plain.tga", kSide);
}

void BM_ReadTargaRle(benchmark::State& s) {
    makeImage(kSide, kSide);
    writeRleTarga(file("rle.tga"));
    readBench(s, "rle.tga", kSide);
}

void BM_ReadBmp(benchmark::State& s) {
    makeImage(kBmpReadWidth, kSide);
    WriteBMP24(pxGetMemDC(), file("in.bmp").c_str());
    readBench(s, "in.bmp", kBmpReadWidth);
}

void BM_ReadJpeg(benchmark::State& s) {
    makeImage(kSide, kSide);
    WriteJpeg(pxGetMemDC(), file("in.jpg").c_str());
    readBench(s, "in.jpg", kSide);
}

BENCHMARK(BM_WriteTarga)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTarga)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTargaRle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
