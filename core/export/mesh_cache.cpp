// Mesh2 include files named by their content: a re-render after the camera,
// a light or a texture moved writes only the small scene file, and frames of
// one animation share the meshes that did not change. Each file ends with a
// line naming its digest and the bytes before that line, so that a file cut
// short or changed by hand is told from a whole one and written again.
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core_state.h"
#include "export/export_internal.h"

namespace kx::exporter {
namespace {

// Bumped whenever the mesh2 text written for the same geometry changes.
constexpr uint64_t kMeshTextVersion = 1;

std::string keyOf(CadObject* obj) {
    const bool normals = obj->points && obj->points->normals && !kx::core().settings.noNormalsInExport;
    const bool uvs = !imageMapOf(obj).empty();
    const uint64_t key = GetGeometryDigest(obj) ^ (kMeshTextVersion << 1) ^ (normals ? 1 : 0) ^ (uvs ? 1ull << 63 : 0);
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, key);
    return text;
}

// "// kxmesh KEY BYTES" as the last line, BYTES the size of all before it.
bool wholeInclude(const std::string& path, const std::string& key) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size < 32) return false;
    std::ifstream in(path, std::ios::binary);
    const uintmax_t tailSize = std::min<uintmax_t>(size, 96);
    in.seekg(static_cast<std::streamoff>(size - tailSize));
    std::string tail(static_cast<size_t>(tailSize), '\0');
    if (!in.read(tail.data(), static_cast<std::streamsize>(tailSize))) return false;
    size_t end = tail.size();
    while (end > 0 && (tail[end - 1] == '\n' || tail[end - 1] == '\r')) --end;
    const size_t start = end > 0 ? tail.rfind('\n', end - 1) : std::string::npos;
    if (start == std::string::npos) return false;
    const std::string line = tail.substr(start + 1, end - start - 1);
    char name[17] = {};
    unsigned long long before = 0;
    if (std::sscanf(line.c_str(), "// kxmesh %16s %llu", name, &before) != 2) return false;
    return key == name && before == size - tailSize + start + 1;
}

}  // namespace

bool includeCachedMesh(StandardFile* f, CadObject* obj) {
    const std::string& folder = kx::core().settings.exportMeshCache;
    // The scene file names the include in quotes.
    if (folder.empty() || folder.find('"') != std::string::npos) return false;
    const std::string key = keyOf(obj);
    const std::string path = folder + "/" + key + ".inc";
    if (!wholeInclude(path, key)) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        // Written under a temporary name and moved into place whole, so that
        // two renders sharing the folder never read half a file.
        StandardFile* inc = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
        if (!inc) return false;
        inc->type = KX_FILETYPE_POVRAY3;
        exportMesh2(inc, obj);
        const off_t before = ::lseek(static_cast<int>(StdGetFileHandle(inc)), 0, SEEK_CUR);
        StdPutLine(inc, "// kxmesh %s %lld\n", key.c_str(), static_cast<long long>(before));
        if (before < 0 || !StdCloseFile(inc)) return false;
    }
    StdPutLine(f, "#include \"%s\"\n", path.c_str());
    return true;
}

}  // namespace kx::exporter

void SetExportMeshCache(const char* folder) { kx::core().settings.exportMeshCache = folder ? folder : ""; }

const char* GetExportMeshCache() { return kx::core().settings.exportMeshCache.c_str(); }
