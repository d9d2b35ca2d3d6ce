// The renderers the program can run: entry 0 is the built-in preview, the
// others come from the render information files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::app {

// The renderer type of a RENDER plug-in: nothing is exported, the plug-ins draw.
inline constexpr int32_t kPluginRendererType = 42;

// One renderer definition, in the layout RENDER plug-ins fill.
struct RendererDefinition {
    char infoFile[32];        // "$INTERNAL" for entry 0
    char description[1024];
    char quality[260];        // the quality choices
    int32_t type;             // file-type id of the scene to export; 0 none; kPluginRendererType
    int32_t reserved;
    int32_t frame;            // frame number of an animation render (0 none)
    char commandTemplate[1024];
    char antiAlias[48];       // SetAntiAlias
    char userBreak[8];        // SetExit
    char displayImage[24];    // SetDisplayImage
    char frameOption[8];      // Frame
};
static_assert(sizeof(RendererDefinition) == 2440);

constexpr size_t kMaxRenderers = 9;
constexpr size_t kMaxRendererFiles = 7;

struct RendererList {
    std::vector<RendererDefinition> entries;  // at most kMaxRenderers
    // Paths a definition filled in because the settings had none.
    std::string defaultProgramPath;
    std::string defaultIncludePath;

    // The entry of a settings index: outside the list means entry 0.
    const RendererDefinition& current(int index) const;
};

// Reads "KALVEX.INF" and the renderer files it lists from the program folder.
// currentType is the type of the renderer chosen in the settings, so that its
// default paths can be taken over. Errors are reported and the list holds what
// could be read (at least entry 0).
RendererList loadRendererDefinitions(const std::string& programFolder, int currentIndex);

// Copies text into a fixed field, cut to its size (logged when cut).
void copyRendererField(char* field, size_t size, const std::string& text, const char* what);

}  // namespace kx::app
