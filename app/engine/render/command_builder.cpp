#include "render/command_builder.h"

#include <cstring>

#include "kxcore.h"
#include "kxplatform/process.h"

namespace kx::app {

Placeholders::Placeholders() { values_.fill(" "); }

void Placeholders::set(char key, const std::string& value) {
    for (size_t i = 0; i < kKeys.size(); ++i)
        if (kKeys[i] == key) values_[i] = value;
}

const std::string* Placeholders::get(char key) const {
    for (size_t i = 0; i < kKeys.size(); ++i)
        if (kKeys[i] == key) return &values_[i];
    return nullptr;
}

std::string commandLinePath(const std::string& path) { return platform::quoteArgument(path); }

std::string expandTemplate(const std::string& programPath, const std::string& commandTemplate,
                           const Placeholders& values) {
    std::string out = commandLinePath(programPath) + " ";
    std::string prefix;
    bool collecting = false;
    for (size_t i = 0; i < commandTemplate.size(); ++i) {
        char c = commandTemplate[i];
        if (c == '$') {
            if (i + 1 >= commandTemplate.size()) {
                // A "$" at the very end names nothing: one space, and done.
                out += ' ';
                break;
            }
            const std::string* value = values.get(commandTemplate[++i]);
            if (value && !value->empty()) {
                if (prefix.size() >= 3) out += prefix.substr(1);
                out += *value;
            } else {
                out += ' ';
            }
            prefix.clear();
            collecting = false;
            continue;
        }
        if (c == '[') {
            prefix.assign(1, '[');
            collecting = true;
            continue;
        }
        if (collecting) prefix += c;
        else out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string extensionOfType(int type) {
    return GetCadFileExtension(static_cast<unsigned>(type));
}

namespace {

// A name goes into the renderer's options as one word. A line end or another
// control character in it would become an option of its own, and a double
// quote cannot be carried inside the quotes the renderer reads.
bool safeForRenderer(const std::string& path, const char* what) {
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F) {
            ErrorMessage("The %s %s holds a line end or another control character and cannot be rendered",
                         what, path.c_str());
            return false;
        }
        if (c == '"') {
            ErrorMessage("The %s %s holds a double quote, which the renderer cannot take", what, path.c_str());
            return false;
        }
    }
    return true;
}

std::string withoutExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

}  // namespace

BuiltCommand buildRenderCommand(const RendererDefinition& renderer, const Settings& settings,
                                const RenderRequest& request) {
    BuiltCommand built;
    const std::string& program = settings.directories.render;
    if (renderer.type == 0 || program.empty()) {
        ErrorMessage("External renderer not defined\r\n\r\nCheck that the selected external renderer\r\n"
                     "path and name are configured");
        return built;
    }
    if (request.scene.empty()) {
        ErrorMessage("Scene name not defined");
        return built;
    }
    if (!safeForRenderer(request.scene, "scene") || !safeForRenderer(settings.directories.include, "include folder") ||
        !safeForRenderer(settings.directories.program, "program folder"))
        return built;
    std::string tmpl = renderer.commandTemplate;
    if (tmpl.empty() || tmpl.find('$') == std::string::npos) {
        ErrorMessage("Invalid command line template");
        return built;
    }
    const RenderSettings& r = settings.render;
    const std::string stem = withoutExtension(request.scene);
    Placeholders values;
    values.set('E', ".cad");
    values.set('F', commandLinePath(request.scene));
    built.outputPath = stem + extensionOfType(renderer.type);
    built.imagePath = stem + ".tga";
    values.set('O', commandLinePath(built.outputPath));
    values.set('I', commandLinePath(built.imagePath));
    values.set('H', std::to_string(request.height));
    values.set('W', std::to_string(request.width));
    if (!settings.directories.include.empty()) values.set('L', commandLinePath(settings.directories.include));
    if (r.antiAlias && renderer.antiAlias[0]) values.set('A', renderer.antiAlias);
    values.set('Q', "");
    if (request.quality != 0 && tmpl.find("$Q") != std::string::npos) values.set('Q', std::to_string(request.quality));
    if (r.userBreak && renderer.userBreak[0]) values.set('K', renderer.userBreak);
    if (tmpl.find("$<") != std::string::npos)
        values.set('<', commandLinePath(settings.directories.program + "/render.err"));
    if (r.renderShow && renderer.displayImage[0]) values.set('V', renderer.displayImage);
    if (renderer.frameOption[0] && renderer.frame)
        values.set('C', std::string(renderer.frameOption) + std::to_string(renderer.frame));
    if (r.renderFlags.size() > 1) values.set('U', " " + r.renderFlags);
    built.text = expandTemplate(program, tmpl, values);
    built.argv = platform::splitCommandLine(built.text);
    if (!request.recordImage) built.imagePath.clear();
    built.ok = !built.argv.empty();
    return built;
}

}  // namespace kx::app
