// The roads through a large mesh, each timed beside its anchor in the same run:
// absolute times on a shared machine wander, the ratio to work of the same
// size done the plainest way does not. Every case reports "ratio" (road time
// over anchor time) and "anchor_ms"; the benchmark's own time is the road's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#include "grid_mesh.h"
#include "resident_memory.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A file in a folder of its own; removeScratch takes both away again.
std::string scratch(const char* leaf) {
    char dir[] = "/tmp/kalvex-ratio-XXXXXX";
    return std::string(mkdtemp(dir)) + "/" + leaf;
}
void removeScratch(const std::string& path) {
    std::remove(path.c_str());
    rmdir(path.substr(0, path.rfind('/')).c_str());
}

// Where a loaded mesh's bytes go, per triangle: the list nodes as the heap
// holds them (each block with its header and rounding) and the triangle array.
struct MeshBytes {
    double nodes = 0, array = 0;
    size_t triangles = 0;
};
MeshBytes meshBytes() {
    MeshBytes b;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        for (ListEntry* node = o->points; node; node = node->next)
            b.nodes += static_cast<double>(malloc_usable_size(node) + sizeof(size_t));
        b.array += static_cast<double>(o->polygonCount) * sizeof(TriPolygon);
        b.triangles += o->polygonCount;
    }
    return b;
}

long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

// Times the road by hand so that its anchor can run in the same iteration.
template <class Road, class Anchor>
void timeSideBySide(benchmark::State& state, Road road, Anchor anchor) {
    double roadTotal = 0, anchorTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        road();
        double r = secondsSince(start);
        start = Clock::now();
        anchor();
        anchorTotal += secondsSince(start);
        roadTotal += r;
        state.SetIterationTime(r);
    }
    state.counters["anchor_ms"] = anchorTotal * 1e3 / state.iterations();
    state.counters["ratio"] = anchorTotal > 0 ? roadTotal / anchorTotal : 0;
}

// The corners of every triangle of the mesh object, in list order.
std::vector<float> cornerNumbers(const CadObject* obj, bool withNormals) {
    std::vector<float> numbers;
    for (const ListEntry* node = obj->points; node; node = node->next)
        for (unsigned k = 0; k < node->count; ++k) {
            const Point3d& p = node->points[k];
            numbers.insert(numbers.end(), {p.x, p.y, p.z});
            if (withNormals && node->normals) {
                const Point3d& n = node->normals[k];
                numbers.insert(numbers.end(), {n.x, n.y, n.z});
            }
        }
    return numbers;
}

// The anchor of writing: the numbers formatted with to_chars into one buffer
// (a blank after each, a line end after every third) and written at once.
void formatAndWrite(const std::vector<float>& numbers, const std::string& path, bool fixed) {
    std::string buffer(numbers.size() * 16 + 64, '\0');
    char* at = buffer.data();
    char* end = at + buffer.size();
    for (size_t k = 0; k < numbers.size(); ++k) {
        const double v = numbers[k];
        at = fixed ? std::to_chars(at, end, v, std::chars_format::fixed, 4).ptr
                   : std::to_chars(at, end, v, std::chars_format::general, 6).ptr;
        *at++ = k % 3 == 2 ? '\n' : ' ';
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(buffer.data(), 1, static_cast<size_t>(at - buffer.data()), f);
    std::fclose(f);
}

// The anchor of reading: the whole file read and every number in it
// converted with from_chars.
double readAndConvert(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    double sum = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
        const char* word = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
        double v;
        if (std::from_chars(word, p, v).ec == std::errc()) sum += v;
    }
    return sum;
}

// The grid scene saved in a scratch folder, the scene emptied again.
std::string savedGridScene(unsigned triangles) {
    EnableLogMessage(-1);
    kxbench::gridMeshScene(triangles);
    const std::string path = scratch("mesh.cad");
    SaveScene2(GetCurrentScene(), path.c_str());
    DeleteAllCadObjects();
    return path;
}

void loadScene(const std::string& path) {
    DeleteAllCadObjects();
    benchmark::DoNotOptimize(LoadScene(GetCurrentScene(), path.c_str()));
}

void BM_RatioLoadNative(benchmark::State& state) {
    const std::string path = savedGridScene(static_cast<unsigned>(state.range(0)));
    timeSideBySide(
        state, [&] { loadScene(path); }, [&] { benchmark::DoNotOptimize(readAndConvert(path)); });
    state.counters["MB"] = fileSize(path) / 1e6;
    // Peak memory against the bytes of the triangles themselves (three
    // corners of three floats); run this case alone for a clean figure.
    state.counters["peak_rss_MB"] = kxbench::peakResidentMB();
    // The load on its own: what its peak adds to the resident memory before
    // it (freed memory given back first), and what the loaded scene keeps.
    DeleteAllCadObjects();
    malloc_trim(0);
    const double before = kxbench::residentMB();
    kxbench::resetPeak();
    LoadScene(GetCurrentScene(), path.c_str());
    const double added = kxbench::peakResidentMB() - before;
    malloc_trim(0);
    const MeshBytes bytes = meshBytes();
    const double triangleMB = static_cast<double>(bytes.triangles) * 3 * sizeof(Point3d) / 1e6;
    state.counters["triangle_MB"] = triangleMB;
    state.counters["load_peak_MB"] = added;
    state.counters["load_kept_MB"] = kxbench::residentMB() - before;
    state.counters["load_peak_over_triangles"] = triangleMB > 0 ? added / triangleMB : 0;
    if (bytes.triangles > 0) {
        const double n = static_cast<double>(bytes.triangles);
        state.counters["node_bytes_per_triangle"] = bytes.nodes / n;
        state.counters["array_bytes_per_triangle"] = bytes.array / n;
    }
    DeleteAllCadObjects();
    removeScratch(path);
}
BENCHMARK(BM_RatioLoadNative)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RatioSaveNative(benchmark::State& state) {
    EnableLogMessage(-1);
    CadObject* mesh = kxbench::gridMeshScene(static_cast<unsigned>(state.range(0)));
    const std::vector<float> numbers = cornerNumbers(mesh, false);
    const std::string path = scratch("mesh.cad");
    const std::string anchorPath = scratch("anchor.txt");
    timeSideBySide(
        state, [&] { benchmark::DoNotOptimize(SaveScene2(GetCurrentScene(), path.c_str())); },
        [&] { formatAndWrite(numbers, anchorPath, false); });
    state.counters["MB"] = fileSize(path) / 1e6;
    DeleteAllCadObjects();
    removeScratch(path);
    removeScratch(anchorPath);
}
BENCHMARK(BM_RatioSaveNative)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// POV-Ray 3 of the mesh, plain (argument 1: 0) or as smooth triangles (1).
// The anchor writes the same numbers in the export's fixed notation; the
// ratio is per byte, as the export writes more text around each number.
void BM_RatioExportPovray3(benchmark::State& state) {
    EnableLogMessage(-1);
    CadObject* mesh = kxbench::gridMeshScene(static_cast<unsigned>(state.range(0)));
    const bool smooth = state.range(1) != 0;
    if (smooth) SmoothObject(mesh);
    CreateDefaultLight();
    const std::vector<float> numbers = cornerNumbers(mesh, smooth);
    const std::string path = scratch("mesh.pov");
    const std::string anchorPath = scratch("anchor.txt");
    double roadTotal = 0, anchorTotal = 0, cpuTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        std::clock_t cpu = std::clock();
        benchmark::DoNotOptimize(WriteExportFile(GetCurrentScene(), path.c_str(), KX_FILETYPE_POVRAY3));
        cpuTotal += static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        double r = secondsSince(start);
        start = Clock::now();
        formatAndWrite(numbers, anchorPath, true);
        anchorTotal += secondsSince(start);
        roadTotal += r;
        state.SetIterationTime(r);
    }
    const double roadBytes = static_cast<double>(fileSize(path));
    const double anchorBytes = static_cast<double>(fileSize(anchorPath));
    state.counters["MB"] = roadBytes / 1e6;
    state.counters["cpu_ms"] = cpuTotal * 1e3 / state.iterations();
    state.counters["anchor_ms"] = anchorTotal * 1e3 / state.iterations();
    state.counters["ratio"] = anchorTotal > 0 && roadBytes > 0 ? (roadTotal / roadBytes) / (anchorTotal / anchorBytes) : 0;
    DeleteAllCadObjects();
    removeScratch(path);
    removeScratch(anchorPath);
}
BENCHMARK(BM_RatioExportPovray3)->Args({1000000, 0})->Args({1000000, 1})->UseManualTime()
    ->Unit(benchmark::kMillisecond)->Iterations(2);

// The anchor of smoothing: a plain hashed weld of the same triangle soup,
// exact coordinates as keys, -0 as 0, NaN never welded.
struct SoupKey {
    uint32_t bits[3];
    bool operator==(const SoupKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};
struct SoupHash {
    size_t operator()(const SoupKey& k) const {
        return (static_cast<size_t>(k.bits[0]) * 73856093u) ^ (static_cast<size_t>(k.bits[1]) * 19349663u) ^
               (static_cast<size_t>(k.bits[2]) * 83492791u);
    }
};

size_t plainWeld(const ListEntry* list, std::vector<unsigned>& ids) {
    std::unordered_map<SoupKey, unsigned, SoupHash> index;
    size_t corners = 0;
    for (const ListEntry* node = list; node; node = node->next) corners += 3;
    index.reserve(corners);
    ids.clear();
    ids.reserve(corners);
    for (const ListEntry* node = list; node; node = node->next)
        for (unsigned k = 0; k < 3; ++k) {
            const Point3d& p = node->points[k];
            const float v[3] = {p.x == 0 ? 0.0f : p.x, p.y == 0 ? 0.0f : p.y, p.z == 0 ? 0.0f : p.z};
            SoupKey key;
            std::memcpy(key.bits, v, sizeof key.bits);
            ids.push_back(index.try_emplace(key, static_cast<unsigned>(index.size())).first->second);
        }
    return index.size();
}

void BM_RatioSmooth(benchmark::State& state) {
    ListEntry* mesh = kxbench::gridMesh(static_cast<unsigned>(state.range(0)));
    std::vector<unsigned> ids;
    timeSideBySide(
        state, [&] { benchmark::DoNotOptimize(smooth(mesh)); },
        [&] { benchmark::DoNotOptimize(plainWeld(mesh, ids)); });
    smooth(nullptr);
    ClearEntry(mesh);
}
BENCHMARK(BM_RatioSmooth)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The plainer yardsticks, each side's best of three runs in one run: the
// best is the run a shared machine disturbed least.
template <class Road, class Anchor>
void bestOfThree(benchmark::State& state, Road road, Anchor anchor) {
    double roadBest = 1e30, anchorBest = 1e30;
    for (auto _ : state) {
        for (int run = 0; run < 3; ++run) {
            auto start = Clock::now();
            road();
            roadBest = std::min(roadBest, secondsSince(start));
            start = Clock::now();
            anchor();
            anchorBest = std::min(anchorBest, secondsSince(start));
        }
        state.SetIterationTime(roadBest);
    }
    state.counters["best_ms"] = roadBest * 1e3;
    state.counters["anchor_best_ms"] = anchorBest * 1e3;
    state.counters["ratio"] = roadBest / anchorBest;
}

// One pass of from_chars over every number-like token of the text (one
// starting with a digit, a sign or a point), after one read of the file.
double numberPass(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        text.resize(static_cast<size_t>(fileSize(path)));
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
    }
    double sum = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (p < end) {
        while (p < end && blank(*p)) ++p;
        const char* word = p;
        while (p < end && !blank(*p)) ++p;
        const char c = *word;
        if (word == p || !((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')) continue;
        double v;
        if (std::from_chars(word + (c == '+'), p, v).ec == std::errc()) sum += v;
    }
    return sum;
}

void BM_RatioLoadNativeToNumberPass(benchmark::State& state) {
    const std::string path = savedGridScene(static_cast<unsigned>(state.range(0)));
    bestOfThree(
        state, [&] { loadScene(path); }, [&] { benchmark::DoNotOptimize(numberPass(path)); });
    DeleteAllCadObjects();
    removeScratch(path);
}
BENCHMARK(BM_RatioLoadNativeToNumberPass)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A weld by exact position through one unordered_map, with each triangle's
// area-weighted normal added to its corners in double: smoothing's work
// written the plainest way.
size_t weldWithNormals(const ListEntry* list, std::vector<unsigned>& ids, std::vector<double>& normals) {
    const size_t corners = plainWeld(list, ids);
    normals.assign(3 * corners, 0.0);
    size_t at = 0;
    for (const ListEntry* node = list; node; node = node->next, at += 3) {
        const Point3d* p = node->points;
        const double a[3] = {double{p[1].x} - p[0].x, double{p[1].y} - p[0].y, double{p[1].z} - p[0].z};
        const double b[3] = {double{p[2].x} - p[0].x, double{p[2].y} - p[0].y, double{p[2].z} - p[0].z};
        const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
        for (unsigned k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c) normals[3 * size_t{ids[at + k]} + c] += n[c];
    }
    return corners;
}

void BM_RatioSmoothToWeldAndNormals(benchmark::State& state) {
    ListEntry* mesh = kxbench::gridMesh(static_cast<unsigned>(state.range(0)));
    bestOfThree(
        state, [&] { benchmark::DoNotOptimize(smooth(mesh)); },
        [&] {
            // Its results made afresh each run, as smoothing makes its own.
            std::vector<unsigned> ids;
            std::vector<double> normals;
            benchmark::DoNotOptimize(weldWithNormals(mesh, ids, normals));
        });
    smooth(nullptr);
    ClearEntry(mesh);
}
BENCHMARK(BM_RatioSmoothToWeldAndNormals)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Creating objects must stay linear: n objects against n / 10 in the same
// run; the ratio is 10 for linear growth and 100 for quadratic. A shared
// machine preempts a run of a few milliseconds at random, so both sides are
// timed in this thread's processor time, and the small side runs ten times
// for each large run so that both cover as many creations. "wall_ratio" is
// the same in elapsed time, for comparison.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_RatioCreateObjects(benchmark::State& state) {
    const unsigned n = static_cast<unsigned>(state.range(0));
    auto create = [](unsigned count) {
        InitScene();
        for (unsigned i = 0; i < count; ++i) AddDefaultCadAtom("_box", KX_BOX);
        DeleteAllCadObjects();
    };
    constexpr int kSmallRuns = 10;
    create(n);  // the heap's first growth is paid by neither side
    double roadCpu = 0, anchorCpu = 0, roadWall = 0, anchorWall = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpu = threadSeconds();
        create(n);
        roadCpu += threadSeconds() - cpu;
        const double r = secondsSince(start);
        roadWall += r;
        start = Clock::now();
        cpu = threadSeconds();
        for (int k = 0; k < kSmallRuns; ++k) create(n / 10);
        anchorCpu += (threadSeconds() - cpu) / kSmallRuns;
        anchorWall += secondsSince(start) / kSmallRuns;
        state.SetIterationTime(r);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = roadCpu * 1e3 / runs;
    state.counters["anchor_ms"] = anchorCpu * 1e3 / runs;
    state.counters["ratio"] = anchorCpu > 0 ? roadCpu / anchorCpu : 0;
    state.counters["wall_ratio"] = anchorWall > 0 ? roadWall / anchorWall : 0;
}
BENCHMARK(BM_RatioCreateObjects)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Creating n objects beside what deselecting by walking the list costs: the
// same creations, each followed by a walk that clears every object's flag
// (what each creation did before the selection kept track of its flags).
void BM_RatioCreateObjectsToListWalk(benchmark::State& state) {
    const unsigned n = static_cast<unsigned>(state.range(0));
    auto create = [n](bool walk) {
        InitScene();
        for (unsigned i = 0; i < n; ++i) {
            CadObject* made = AddDefaultCadAtom("_box", KX_BOX);
            if (!walk) continue;
            for (CadObject* o = GetCadObject(nullptr); o; o = o->next) o->selected = 0;
            made->selected = 1;
        }
        DeleteAllCadObjects();
    };
    timeSideBySide(state, [&] { create(false); }, [&] { create(true); });
}
BENCHMARK(BM_RatioCreateObjectsToListWalk)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
