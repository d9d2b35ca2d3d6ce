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

// The include files a scene file names in the folder: lines that begin with
// the include of a file there. Every .pov file beside the cache is read on
// each render, some of them the size of a mesh, so the text is searched a
// megabyte at a time, not split into lines.
void namedIn(const std::filesystem::path& scene, const std::string& folder, std::set<std::string>& names) {
    std::ifstream in(scene, std::ios::binary);
    const std::string prefix = "#include \"" + folder + "/";
    // A line longer than this is no include line, even if it begins as one.
    const size_t longestLine = prefix.size() + 256;
    std::vector<char> chunk(size_t{1} << 20);
    std::string text;       // the last partial line of the chunk before, then this chunk
    bool midLine = false;   // text begins inside a line that began before it
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const size_t got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        text.append(chunk.data(), got);
        for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
            if (at == 0 ? midLine : text[at - 1] != '\n') continue;
            const size_t quote = text.find('"', at + prefix.size());
            const size_t lineEnd = text.find('\n', at);
            if (quote == std::string::npos || quote > lineEnd) continue;
            names.insert(text.substr(at + prefix.size(), quote - at - prefix.size()));
        }
        const size_t lastBreak = text.rfind('\n');
        if (lastBreak != std::string::npos) {
            text.erase(0, lastBreak + 1);
            midLine = false;
        }
        if (text.size() > longestLine) {
            text.clear();
            midLine = true;
        }
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
