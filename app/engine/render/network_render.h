// Rendering on another machine: the scene is exported into a folder the server
// sees, and a command the server runs starts the renderer there.
#pragma once

#include <string>

#include "kxplatform/ini_store.h"
#include "render/renderer_definitions.h"
#include "settings/settings.h"

namespace kx::app {

struct NetworkServer {
    std::string name;
    std::string renderCmd;  // the renderer on the server
    std::string renderInc;  // its include folder
    std::string destDir;    // where the scene is written
    std::string execCmd;    // what starts a program on the server
    std::string localDir;   // the folder under which the server sees the scene
};

// Reads server `number` when network rendering is enabled ("NetRender"/"Enable").
// Shows the first missing value's message and returns false.
bool readNetworkServer(const platform::IniStore& store, int number, NetworkServer& server);
// Writes the record; an empty name clears the server's entry.
void writeNetworkServer(platform::IniStore& store, int number, const NetworkServer& server);

// The command text that runs the render on the server (the ExecCmd wrapping
// the renderer's command), for a document written into the server's folder.
// Empty when the command could not be built (the reason has been shown).
std::string buildNetworkCommand(const RendererDefinition& renderer, Settings settings,
                                const NetworkServer& server, const std::string& document);

// Exports the scene into the server's folder and starts the network command
// without waiting. False when anything failed (shown).
bool startNetworkRender(const RendererDefinition& renderer, const Settings& settings,
                        const NetworkServer& server, const std::string& document);

}  // namespace kx::app
