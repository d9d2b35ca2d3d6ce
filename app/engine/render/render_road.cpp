#include "render/render_road.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "kxcore.h"

namespace kx::app {

bool rendererReadsMesh2(const RendererDefinition& renderer) {
    if (renderer.type != static_cast<int32_t>(KX_FILETYPE_POVRAY3)) return false;
    // The first "major.minor" of the description is the renderer's version.
    const char* text = renderer.description;
    const size_t length = strnlen(text, sizeof renderer.description);
    for (size_t i = 0; i + 2 < length; ++i) {
        const bool startsNumber = std::isdigit(static_cast<unsigned char>(text[i])) &&
                                  (i == 0 || !std::isdigit(static_cast<unsigned char>(text[i - 1])));
        if (!startsNumber || text[i + 1] != '.' || !std::isdigit(static_cast<unsigned char>(text[i + 2]))) continue;
        const int major = text[i] - '0';
        const int minor = text[i + 2] - '0';
        return major > 3 || (major == 3 && minor >= 5);
    }
    return true;
}

RenderRoadExport::RenderRoadExport(const RendererDefinition& renderer, const Settings& settings,
                                   const std::string& scenePath, const std::string& cacheFolder)
    : before_(GetExportMesh2()), cacheBefore_(GetExportMeshCache()), scenePath_(scenePath) {
    if (!settings.render.mesh2 || !rendererReadsMesh2(renderer)) return;
    SetExportMesh2(1);
    if (cacheFolder.empty() || settings.render.meshCacheMB <= 0) return;
    folder_ = cacheFolder;
    capBytes_ = static_cast<uint64_t>(settings.render.meshCacheMB) << 20;
    SetExportMeshCache(folder_.c_str());
}

RenderRoadExport::~RenderRoadExport() {
    SetExportMesh2(before_);
    SetExportMeshCache(cacheBefore_.c_str());
    if (!folder_.empty()) cleanMeshCache(folder_, scenePath_, capBytes_);
}

std::string meshCacheFolder(const std::string& folder, const std::string& stem) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
    if (ec) p = folder;
    return (p.lexically_normal() / (stem + ".kxmesh")).string();
}

namespace {

// The include files a scene file names in the folder.
void namedIn(const std::filesystem::path& scene, const std::string& folder, std::set<std::string>& names) {
    std::ifstream in(scene, std::ios::binary);
    const std::string prefix = "#include \"" + folder + "/";
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        const size_t end = line.find('"', prefix.size());
        if (end != std::string::npos) names.insert(line.substr(prefix.size(), end - prefix.size()));
    }
}

}  // namespace

void cleanMeshCache(const std::string& folder, const std::string& scenePath, uint64_t capBytes, int keepSeconds) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::set<std::string> named, namedByScene;
    if (!scenePath.empty()) namedIn(scenePath, folder, namedByScene);
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(folder).parent_path(), ec))
        if (e.is_regular_file(ec) && e.path().extension() == ".pov") namedIn(e.path(), folder, named);
    struct Kept {
        fs::path path;
        fs::file_time_type written;
        uintmax_t size;
    };
    std::vector<Kept> kept;
    uint64_t total = 0;
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        if (!e.is_regular_file(ec) || e.path().extension() != ".inc") continue;
        const fs::file_time_type written = e.last_write_time(ec);
        const uintmax_t size = e.file_size(ec);
        const std::string name = e.path().filename().string();
        if (!named.count(name) && now - written > std::chrono::seconds(keepSeconds)) {
            fs::remove(e.path(), ec);
            continue;
        }
        kept.push_back({e.path(), written, size});
        total += size;
    }
    if (total <= capBytes) return;
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.written < b.written; });
    for (const Kept& k : kept) {
        if (total <= capBytes) break;
        if (namedByScene.count(k.path.filename().string())) continue;
        if (fs::remove(k.path, ec)) total -= k.size;
    }
}

}  // namespace kx::app
