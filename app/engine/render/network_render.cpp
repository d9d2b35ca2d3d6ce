#include "render/network_render.h"

#include "kxcore.h"
#include "kxplatform/process.h"
#include "render/command_builder.h"
#include "render/render_road.h"

namespace kx::app {
namespace {

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

}  // namespace

bool readNetworkServer(const platform::IniStore& store, int number, NetworkServer& server) {
    if (store.getInt("NetRender", "Enable", 0) == 0) return false;
    server = NetworkServer{};
    server.name = store.getString("NetRender", "Server" + std::to_string(number));
    struct Value {
        const char* key;
        std::string NetworkServer::*field;
        const char* missing;
    } values[] = {
        {"RenderCmd", &NetworkServer::renderCmd, "Unknown network render command"},
        {"RenderInc", &NetworkServer::renderInc, "Unknown network include directory"},
        {"DestDir", &NetworkServer::destDir, "Unknown network destination directory"},
        {"ExecCmd", &NetworkServer::execCmd, "Unknown network exec rendering command"},
        {"LocalDir", &NetworkServer::localDir, "Unknown network local directory"},
    };
    for (const Value& v : values) {
        server.*v.field = server.name.empty() ? std::string() : store.getString(server.name, v.key);
        if ((server.*v.field).empty()) {
            ErrorMessage("%s", v.missing);
            return false;
        }
    }
    return true;
}

void writeNetworkServer(platform::IniStore& store, int number, const NetworkServer& server) {
    std::string key = "Server" + std::to_string(number);
    if (server.name.empty()) {
        store.remove("NetRender", key);
        return;
    }
    store.set("NetRender", key, server.name);
    store.set(server.name, "RenderCmd", server.renderCmd);
    store.set(server.name, "RenderInc", server.renderInc);
    store.set(server.name, "DestDir", server.destDir);
    store.set(server.name, "ExecCmd", server.execCmd);
    store.set(server.name, "LocalDir", server.localDir);
}

std::string buildNetworkCommand(const RendererDefinition& renderer, Settings settings,
                                const NetworkServer& server, const std::string& document) {
    // On the server, its own renderer and include folder are used, and the
    // scene is where the server sees the destination folder.
    settings.directories.render = server.renderCmd;
    settings.directories.include = server.renderInc;
    RenderRequest request;
    request.scene = joined(server.localDir, baseName(document));
    request.width = settings.render.renderX;
    request.height = settings.render.renderY;
    request.quality = settings.render.quality;
    BuiltCommand built = buildRenderCommand(renderer, settings, request);
    if (!built.ok) return {};
    if (server.execCmd.empty()) return built.text;
    // The whole command is one argument of the server's start command.
    std::string quoted = "\"";
    for (char c : built.text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return server.execCmd + " " + quoted + "\"";
}

bool startNetworkRender(const RendererDefinition& renderer, const Settings& settings,
                        const NetworkServer& server, const std::string& document) {
    std::string exported = joined(server.destDir, baseName(document));
    std::string command = buildNetworkCommand(renderer, settings, server, document);
    if (command.empty()) return false;
    std::string target = exported.substr(0, exported.find_last_of('.') == std::string::npos ? exported.size()
                                                                                           : exported.find_last_of('.'));
    {
        const RenderRoadExport road(renderer, settings);
        if (!WriteExportFile(GetCurrentScene(), (target + extensionOfType(renderer.type)).c_str(),
                             static_cast<unsigned>(renderer.type)))
            return false;
    }
    int rc = platform::startDetached(platform::splitCommandLine(command), {});
    if (rc != 0) {
        char text[256];
        GetSystemErrorMessage(static_cast<unsigned long>(rc), text, sizeof text);
        ErrorMessage("%s : %s (%d)", "Executing Network Render", text, rc);
        return false;
    }
    return true;
}

}  // namespace kx::app
