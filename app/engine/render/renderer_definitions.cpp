#include "render/renderer_definitions.h"

#include <cstring>

#include "kxcore.h"

namespace kx::app {
namespace {

RendererDefinition builtIn() {
    RendererDefinition d{};
    std::strcpy(d.infoFile, "$INTERNAL");
    std::strcpy(d.description, "Preview Only");
    return d;
}

template <size_t N>
void setField(char (&field)[N], const std::string& text, const char* what) {
    copyRendererField(field, N, text, what);
}

// Reads the "render_settings" section of one renderer file into d.
bool readRendererFile(const std::string& path, RendererDefinition& d, int currentType, RendererList& list,
                      bool isCurrentCandidate) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "render information", path.c_str());
        return false;
    }
    if (!SkipToSection(f, "render_settings")) {
        StdCloseFile(f);
        return false;
    }
    d.type = 0;
    for (;;) {
        const char* keyToken = StdGetNextArg(f);
        if (!keyToken || std::strcmp(keyToken, "#end") == 0) break;
        std::string key = keyToken;
        const char* valueToken = StdGetNextArg(f);
        if (!valueToken) break;
        std::string value = valueToken;
        auto is = [&key](const char* word) { return key.size() == std::strlen(word) && kxc_strcmpi(key.c_str(), word) == 0; };
        if (is("Description")) setField(d.description, value, "Description");
        else if (is("Type")) d.type = std::atoi(value.c_str());
        else if (is("EnumQuality")) setField(d.quality, value, "EnumQuality");
        else if (is("EnumOutputType") || is("SetOutputType") || is("SetDefault") || is("SetCommmand"))
            setField(d.commandTemplate, value, "command template");
        else if (is("SetExit")) setField(d.userBreak, value, "SetExit");
        else if (is("SetAntiAlias")) setField(d.antiAlias, value, "SetAntiAlias");
        else if (is("SetDisplayImage")) setField(d.displayImage, value, "SetDisplayImage");
        else if (is("Frame")) setField(d.frameOption, value, "Frame");
        else if (is("DefaultProgramPath")) {
            if (isCurrentCandidate && d.type == currentType) list.defaultProgramPath = value;
        } else if (is("DefaultIncludePath")) {
            if (isCurrentCandidate && d.type == currentType) list.defaultIncludePath = value;
        }
    }
    StdCloseFile(f);
    return true;
}

}  // namespace

void copyRendererField(char* field, size_t size, const std::string& text, const char* what) {
    if (text.size() >= size) LogMessage(1, "Renderer %s cut to %zu characters", what, size - 1);
    size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

const RendererDefinition& RendererList::current(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= entries.size()) return entries.front();
    return entries[static_cast<size_t>(index)];
}

RendererList loadRendererDefinitions(const std::string& programFolder, int currentIndex) {
    RendererList list;
    list.entries.push_back(builtIn());
    std::string infPath = programFolder + "/KALVEX.INF";
    StandardFile* f = StdOpenFile(infPath.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "render information", infPath.c_str());
        return list;
    }
    std::vector<std::string> files;
    if (SkipToSection(f, "render_info")) {
        while (files.size() < kMaxRendererFiles) {
            const char* token = StdGetNextArg(f);
            if (!token || std::strcmp(token, "#end") == 0) break;
            files.push_back(token);
        }
    }
    StdCloseFile(f);
    for (const std::string& name : files) {
        RendererDefinition d{};
        setField(d.infoFile, name, "information file name");
        if (name.empty() || name[0] == '$') {
            list.entries.push_back(d);
            continue;
        }
        size_t index = list.entries.size();
        if (!readRendererFile(programFolder + "/" + name, d, 0, list, false)) continue;
        list.entries.push_back(d);
        // A definition may name where its program lives; the settings may lack it.
        if (static_cast<int>(index) == currentIndex) {
            RendererDefinition again = d;
            readRendererFile(programFolder + "/" + name, again, again.type, list, true);
        }
    }
    return list;
}

}  // namespace kx::app
