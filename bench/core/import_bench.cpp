// Importing a 1M-triangle mesh, beside a general-purpose import library
// reading the same file in the same run. Each benchmark times both sides and
// reports "anchor_over_ours" (the goal for OBJ and 3DS: at least 2; for STL,
// PLY and glTF at least 3) and the
// peak resident memory our import adds against what the imported scene keeps.
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

#include "kxcore.h"

namespace {

constexpr unsigned kSide = 708;  // 2 x 707 x 707 = 999,698 triangles

double wave(unsigned i, unsigned j) { return std::sin(i * 0.1) * std::cos(j * 0.1); }

// The folder of the generated files, removed with everything in it when the
// program ends: the three grids take a few hundred MB.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        char dir[] = "/tmp/kalvex-import-bench-XXXXXX";
        if (mkdtemp(dir)) path = dir;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

const std::string& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path;
}

// The grid as an indexed OBJ with a normal per vertex.
const std::string& gridObj() {
    static const std::string path = [] {
        const std::string p = scratchFolder() + "/grid.obj";
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fprintf(f, "o grid\n");
        for (unsigned i = 0; i < kSide; ++i)
            for (unsigned j = 0; j < kSide; ++j) std::fprintf(f, "v %g %g %g\n", i * 0.01, wave(i, j), j * 0.01);
        for (unsigned i = 0; i < kSide; ++i)
            for (unsigned j = 0; j < kSide; ++j) {
                const double nx = -std::cos(i * 0.1) * 0.1 * std::cos(j * 0.1), nz = std::sin(i * 0.1) * std::sin(j * 0.1) * 0.1;
                const double len = std::sqrt(nx * nx + 1e-4 + nz * nz);
                std::fprintf(f, "vn %g %g %g\n", nx / len, 0.01 / len, nz / len);
            }
        auto at = [](unsigned i, unsigned j) { return i * kSide + j + 1; };
        for (unsigned i = 0; i + 1 < kSide; ++i)
            for (unsigned j = 0; j + 1 < kSide; ++j) {
                const unsigned a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
                std::fprintf(f, "f %u//%u %u//%u %u//%u\nf %u//%u %u//%u %u//%u\n", a, a, b, b, c, c, b, b, d, d, c, c);
            }
        std::fclose(f);
        return p;
    }();
    return path;
}

// The grid as the anchor library's own exporter writes it in a format.
std::string gridAs(const char* format, const char* extension) {
    const std::string p = scratchFolder() + "/grid" + extension;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(gridObj(), 0);
    Assimp::Exporter exporter;
    if (!scene || exporter.Export(scene, format, p) != AI_SUCCESS) std::fprintf(stderr, "no %s grid\n", format);
    return p;
}
const std::string& grid3ds() {
    static const std::string path = gridAs("3ds", ".3ds");
    return path;
}
const std::string& gridStl() {
    static const std::string path = gridAs("stlb", ".stl");
    return path;
}
const std::string& gridPly() {
    static const std::string path = gridAs("plyb", ".ply");
    return path;
}
const std::string& gridGlb() {
    static const std::string path = gridAs("glb2", ".glb");
    return path;
}

// The grid as 3DFACE entities.
const std::string& gridDxf() {
    static const std::string path = [] {
        const std::string p = scratchFolder() + "/grid.dxf";
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fprintf(f, "0\nSECTION\n2\nENTITIES\n");
        auto corner = [f](int code, unsigned i, unsigned j) {
            std::fprintf(f, "%d\n%g\n%d\n%g\n%d\n%g\n", 10 + code, i * 0.01, 20 + code, j * 0.01, 30 + code, wave(i, j));
        };
        for (unsigned i = 0; i + 1 < kSide; ++i)
            for (unsigned j = 0; j + 1 < kSide; ++j) {
                const unsigned quads[2][3][2] = {{{i, j}, {i + 1, j}, {i, j + 1}}, {{i + 1, j}, {i + 1, j + 1}, {i, j + 1}}};
                for (const auto& q : quads) {
                    std::fprintf(f, "0\n3DFACE\n8\n0\n");
                    corner(0, q[0][0], q[0][1]);
                    corner(1, q[1][0], q[1][1]);
                    corner(2, q[2][0], q[2][1]);
                    corner(3, q[2][0], q[2][1]);
                }
            }
        std::fprintf(f, "0\nENDSEC\n0\nEOF\n");
        std::fclose(f);
        return p;
    }();
    return path;
}

// Resident memory now and at its peak since the last reset, in bytes.
long statusField(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size())) * 1024;
    return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

size_t sceneTriangles() {
    size_t n = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) n += o->count;
    return n;
}

// Each side's best run of the benchmark's iterations: the first run of a
// process also pays for growing its heap, which neither side should be
// measured by.
void compare(benchmark::State& state, const std::string& path, int (*read)(const char*) noexcept) {
    double ours = 1e300, anchor = 1e300;
    long added = 0, kept = 0;
    size_t triangles = 0;
    for (auto _ : state) {
        InitScene();
        // Freed memory goes back to the system first, so that resident
        // memory measures what is in use.
        malloc_trim(0);
        const long before = statusField("VmRSS:");
        resetPeak();
        auto start = std::chrono::steady_clock::now();
        read(path.c_str());
        ours = std::min(ours, seconds(std::chrono::steady_clock::now() - start));
        added = statusField("VmHWM:") - before;
        malloc_trim(0);
        kept = statusField("VmRSS:") - before;
        triangles = sceneTriangles();
        ClearScene(GetCurrentScene());

        start = std::chrono::steady_clock::now();
        {
            Assimp::Importer importer;
            benchmark::DoNotOptimize(importer.ReadFile(path, 0));
        }
        anchor = std::min(anchor, seconds(std::chrono::steady_clock::now() - start));
    }
    state.counters["ours_s"] = ours;
    state.counters["anchor_s"] = anchor;
    state.counters["anchor_over_ours"] = anchor / ours;
    state.counters["peak_over_kept"] = kept > 0 ? static_cast<double>(added) / kept : 0;
    state.counters["triangles"] = static_cast<double>(triangles);
}

void BM_ImportObj(benchmark::State& state) { compare(state, gridObj(), ReadOBJ); }
void BM_Import3ds(benchmark::State& state) { compare(state, grid3ds(), Read3DS); }
void BM_ImportDxf(benchmark::State& state) { compare(state, gridDxf(), ReadDXF); }
void BM_ImportStl(benchmark::State& state) { compare(state, gridStl(), ReadSTL); }
void BM_ImportPly(benchmark::State& state) { compare(state, gridPly(), ReadPLY); }
void BM_ImportGlb(benchmark::State& state) { compare(state, gridGlb(), ReadGLTF); }

BENCHMARK(BM_ImportObj)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Import3ds)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportDxf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportStl)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportPly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImportGlb)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
