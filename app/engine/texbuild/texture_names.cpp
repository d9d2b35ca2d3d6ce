#include "texbuild/texture_names.h"

#include <cctype>
#include <cstdio>
#include <dirent.h>

#include "kxcore.h"
#include "kxplatform/files.h"

namespace kx::app {
namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The extensions a preview leaves behind: its images and its scenes.
constexpr const char* kPreviewExtensions[] = {".tga", ".gif", ".pov", ".pi"};

}  // namespace

bool isSafeShortName(std::string_view name) {
    if (name.empty() || name.size() > kShortNameMax) return false;
    for (char c : name)
        if (!isWordChar(c) && c != '$' && c != '-') return false;
    return true;
}

bool hasShortName(std::string_view name) { return !name.empty() && name != "NULL"; }

bool isSceneIdentifier(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) return false;
    for (char c : name)
        if (!isWordChar(c)) return false;
    return true;
}

bool isLayeredIdentifier(std::string_view name) {
    size_t start = 0;
    for (;;) {
        size_t plus = name.find('+', start);
        if (!isSceneIdentifier(name.substr(start, plus == std::string_view::npos ? plus : plus - start))) return false;
        if (plus == std::string_view::npos) return true;
        start = plus + 1;
    }
}

PreviewFolder::PreviewFolder(const std::string& texturesFolder) {
    DIR* dir = ::opendir(texturesFolder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = lowered(entry->d_name);
        size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        for (const char* ext : kPreviewExtensions)
            if (name.compare(dot, std::string::npos, ext) == 0) stems_.insert(name.substr(0, dot));
    }
    ::closedir(dir);
}

bool PreviewFolder::hasFiles(std::string_view shortName) const { return stems_.count(lowered(shortName)) != 0; }

std::string nextShortName(unsigned& cursor, const PreviewFolder& folder,
                          const std::function<bool(const std::string&)>& taken) {
    for (;;) {
        char name[24];
        std::snprintf(name, sizeof name, "tex%03u", cursor);
        ++cursor;
        if (!taken(name) && !folder.hasFiles(name)) return name;
    }
}

std::string newShortName(const std::string& texturesFolder) {
    std::unordered_set<std::string> used;
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) used.insert(lowered(t->shortText1));
    unsigned cursor = GetCustomTextureCount();
    PreviewFolder folder(texturesFolder);
    return nextShortName(cursor, folder, [&used](const std::string& name) { return used.count(name) != 0; });
}

std::string newUserTextureName() {
    unsigned n = GetCustomTextureCount() + 1;
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof name, "UserTexture%03u", n++);
        if (GetTextureNameCount(name) == 0) return name;
    }
}

std::string findPreviewImage(const std::string& texturesFolder, const std::string& shortName) {
    if (!isSafeShortName(shortName)) return {};
    for (const char* ext : {".TGA", ".GIF"}) {
        std::string found = platform::findExisting(texturesFolder + "/" + shortName + ext);
        if (!found.empty() && platform::isRegularFile(found)) return found;
    }
    return {};
}

}  // namespace kx::app
