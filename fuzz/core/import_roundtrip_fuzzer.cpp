// Import, export as OBJ, import again: the first byte picks the reader (3DS,
// NFF, OBJ or DXF) of the rest. The OBJ written holds one face per triangle of
// the first import that has three distinct corners (the facet writer leaves
// out the others), and reading it back gives exactly those faces.
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "export/export_internal.h"
#include "files/formats_internal.h"
#include "fuzz_input_file.h"
#include "model/model_internal.h"

namespace {

struct Reader {
    const char* extension;
    int (*read)(const char*) noexcept;
};
const Reader kReaders[] = {{".3ds", Read3DS}, {".nff", ReadNFF}, {".obj", ReadOBJ}, {".dxf", ReadDXF}};

using kx::exporter::inObjFile;

size_t writableTriangles() {
    size_t n = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (inObjFile(o)) kx::files::forEachTriangle(o, [&n](const kx::files::Triangle&) { ++n; });
    return n;
}

// Every triangle held, three distinct corners or not.
size_t heldTriangles() {
    size_t n = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (!inObjFile(o) || !o->points) continue;
        if (o->polygons) {
            n += kx::model::triangleCount(o);
            continue;
        }
        for (const ListEntry* node = o->points; node; node = node->next)
            if (node->count >= 3) n += (node->count > 8 ? 8 : node->count) - 2;
    }
    return n;
}

size_t faceLines(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return 0;
    size_t n = 0;
    char line[512];
    bool lineStart = true;
    while (std::fgets(line, sizeof line, in)) {
        if (lineStart && line[0] == 'f' && line[1] == ' ') ++n;
        lineStart = std::strchr(line, '\n') != nullptr;
    }
    std::fclose(in);
    return n;
}

// The scratch file under the name of a reader's extension, linked once.
std::string inputAs(const std::string& scratch, const char* extension) {
    const std::string named = scratch + extension;
    if (::access(named.c_str(), F_OK) != 0 && ::symlink(scratch.c_str(), named.c_str()) != 0) std::abort();
    return named;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    kxfuzz::quietCore();
    const Reader& reader = kReaders[data[0] % 4];
    const std::string& scratch = kxfuzz::writeInput(data + 1, size - 1);
    InitScene();
    reader.read(inputAs(scratch, reader.extension).c_str());
    const size_t writable = writableTriangles();
    const std::string out = scratch + "-out.obj";
    if (!WriteOBJ(out.c_str())) {
        ClearScene(GetCurrentScene());
        return 0;
    }
    const size_t written = faceLines(out);
    if (written != writable) {
        std::fprintf(stderr, "export wrote %zu faces of %zu writable triangles\n", written, writable);
        std::abort();
    }
    ClearScene(GetCurrentScene());
    InitScene();
    ReadOBJ(out.c_str());
    const size_t back = heldTriangles();
    if (back != written) {
        std::fprintf(stderr, "read back %zu triangles of %zu faces written\n", back, written);
        std::abort();
    }
    ClearScene(GetCurrentScene());
    return 0;
}
