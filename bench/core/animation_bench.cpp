// An animation of 1,000 spheres over 1,000 frames, every frame a key frame:
// filling in-between frames, showing one frame, and the animation block of the
// scene file, each beside the plain loop it is measured against.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "kxcore.h"

namespace {

constexpr unsigned kObjects = 1000;
constexpr unsigned kFrames = 1000;

void buildAnimation() {
    InitScene();
    CreateAnimation("Bench", kFrames);
    for (unsigned i = 0; i < kObjects; ++i) {
        Point3d at{static_cast<float>(i % 40), static_cast<float>(i / 40), 0};
        CadObject* obj = CreateDefaultObjectEx(nullptr, KX_SPHERE, &at);
        AddObjectToAni(obj, 0);
    }
    for (unsigned i = 0; i < kObjects; ++i) {
        AnimObject* e = GetAniObject(i);
        for (unsigned f = 0; f < kFrames; ++f) {
            AnimFrame& fr = e->frames[f];
            fr.key = 1;
            fr.move = Point3d{static_cast<float>(f) * 0.01f, static_cast<float>(i) * 0.5f, 1.25f};
            fr.rotate = Point3d{0, static_cast<float>(f % 360), 0};
        }
    }
    SetObjectsUnSelected();
}

std::string scratchPath(const char* name) {
    char dir[] = "/tmp/kalvex-bench-XXXXXX";
    return std::string(mkdtemp(dir)) + "/" + name;
}

long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

void writeBlock(const std::string& path) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
    WriteAnimate(f);
    StdCloseFile(f);
}

void BM_InterpFramesAllEntries(benchmark::State& state) {
    buildAnimation();
    for (auto _ : state)
        for (unsigned i = 0; i < kObjects; ++i) benchmark::DoNotOptimize(InterpFrames(i, 0, kFrames - 1));
    ClearScene(GetCurrentScene());
}
BENCHMARK(BM_InterpFramesAllEntries)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SetObjectsToFrame(benchmark::State& state) {
    buildAnimation();
    unsigned f = 0;
    for (auto _ : state) benchmark::DoNotOptimize(SetObjectsToFrame(f++ % kFrames));
    ClearScene(GetCurrentScene());
}
BENCHMARK(BM_SetObjectsToFrame)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WriteAnimate(benchmark::State& state) {
    buildAnimation();
    const std::string path = scratchPath("anim.txt");
    for (auto _ : state) writeBlock(path);
    state.counters["MB"] = static_cast<double>(fileSize(path)) / 1e6;
    ClearScene(GetCurrentScene());
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteAnimate)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same bytes written by a bare fprintf loop.
void BM_WriteAnimatePlainLoop(benchmark::State& state) {
    buildAnimation();
    const std::string path = scratchPath("plain.txt");
    for (auto _ : state) {
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fprintf(out, "animate Bench\r\nmaxframes %u\r\n", kFrames);
        for (unsigned i = 0; i < kObjects; ++i) std::fprintf(out, "objectname %s\r\n", GetAniObject(i)->object->name);
        for (unsigned f = 0; f < kFrames; ++f) {
            std::fprintf(out, "frame %u\r\n", f);
            for (unsigned i = 0; i < kObjects; ++i) {
                const AnimFrame& fr = GetAniObject(i)->frames[f];
                std::fprintf(out, "object %u\r\n  key\r\n", i);
                if (fr.rotate.y != 0) std::fprintf(out, "  rotate %g %g %g\r\n", 0.0, double(fr.rotate.y), 0.0);
                std::fprintf(out, "  move %g %g %g\r\n", double(fr.move.x), double(fr.move.y), double(fr.move.z));
            }
        }
        std::fprintf(out, "end\r\n");
        std::fclose(out);
    }
    state.counters["MB"] = static_cast<double>(fileSize(path)) / 1e6;
    ClearScene(GetCurrentScene());
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteAnimatePlainLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadAnimate(benchmark::State& state) {
    buildAnimation();
    const std::string path = scratchPath("anim.txt");
    writeBlock(path);
    for (auto _ : state) {
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
        StdGetNextArg(f);
        StdGetNextArg(f);
        benchmark::DoNotOptimize(ReadAnimate(f, "Bench"));
        StdCloseFile(f);
    }
    state.counters["MB"] = static_cast<double>(fileSize(path)) / 1e6;
    ClearScene(GetCurrentScene());
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadAnimate)->Unit(benchmark::kMillisecond)->Iterations(3);

// Only the tokenizer over the same file.
void BM_ReadAnimateTokensOnly(benchmark::State& state) {
    buildAnimation();
    const std::string path = scratchPath("anim.txt");
    writeBlock(path);
    for (auto _ : state) {
        StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
        long tokens = 0;
        while (StdGetNextArg(f)) ++tokens;
        benchmark::DoNotOptimize(tokens);
        StdCloseFile(f);
    }
    ClearScene(GetCurrentScene());
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadAnimateTokensOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
