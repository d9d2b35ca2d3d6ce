// Turning a renderer's command template into the command that runs it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

// The sixteen placeholders and their values for one build. A value that is
// not filled holds one space.
class Placeholders {
public:
    static constexpr std::array<char, 16> kKeys = {'P', 'N', 'E', 'F', 'O', 'I', 'H', 'W',
                                                   'L', 'A', 'Q', 'K', '<', 'V', 'C', 'U'};
    Placeholders();
    void set(char key, const std::string& value);
    // The value of a key; null for a letter that is no key.
    const std::string* get(char key) const;

private:
    std::array<std::string, 16> values_;
};

// Expands a template: "$X" gives X's value (after a pending "[" prefix when the
// value is filled), or one space when it is not; "[" starts a prefix that runs
// to the next "$"; a trailing "$" gives one space; trailing spaces are removed.
std::string expandTemplate(const std::string& programPath, const std::string& commandTemplate,
                           const Placeholders& values);

// A file name as it must stand on a command line (quoted when it has blanks).
std::string commandLinePath(const std::string& path);

// What a command build needs besides the renderer.
struct RenderRequest {
    std::string scene;     // the scene path without extension, or with any
    int width = 640;
    int height = 480;
    int quality = 0;
    bool recordImage = true;
};

struct BuiltCommand {
    bool ok = false;
    std::string text;             // the expanded command
    std::vector<std::string> argv;
    std::string imagePath;        // the "$I" image, recorded when asked
    std::string outputPath;       // the exported scene ("$O")
};

// Builds the command of the current renderer for a scene; shows the specified
// message and returns ok = false when something is missing.
BuiltCommand buildRenderCommand(const RendererDefinition& renderer, const Settings& settings,
                                const RenderRequest& request);

// The extension of a file type's files, as its exporter writes it.
std::string extensionOfType(int type);

}  // namespace kx::app
