// The program's command-line jobs, which run without any display:
//   kalvex --export SCENE OUT [--type ID|NAME]
//   kalvex --render SCENE [--width W] [--height H] [--quality Q] [--network]
//   kalvex --render SCENE --frames A-B|N|all [--inside-out] [--width W] ...
//   kalvex --render SCENE --frames A-B|all --jobs N [--sshloginfile FILE
//          [--transfer]] [--worker PATH] [--resume] ...   (frames through GNU parallel)
//   kalvex --render SCENE --frames A-B|all --emit-jobs [--worker PATH] [--resume] ...
//   kalvex --plugin NAME [--set PROP=VALUE]... [SCENE] OUT
//   kalvex --list-plugins          (--no-plugins anywhere: no plug-ins are loaded)
//   kalvex --preview SCENE OUT.tga [--width W] [--height H] [--textured]
//   kalvex --texture-previews [--jobs N]
//   kalvex --thumbnail SCENE OUT.png [--size N]
//   kalvex --script FILE [SCENE] [--save OUT]   (--max-instructions N bounds every script run)
// Every option is a row of the option table (cli/option_table.h).
// A SCENE whose extension names a 3D Studio, NFF, OBJ or DXF file is imported
// into a new scene (a camera and two lights when new scenes get them).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/option_table.h"
#include "kxcore.h"
#include "document/write_scene.h"
#include "settings/settings.h"

namespace kx::app {

struct CommandLine {
    enum class Job { None, Help, Version, Export, Render, Preview, Thumbnail, Open, ListPlugins, Plugin, TexturePreviews, Script } job = Job::None;
    std::string scene;
    std::vector<std::string> moreScenes;  // the window opens these beside the first
    std::string output;
    std::string type;  // a file-type id or name; empty: from the output's extension
    std::optional<int> width, height, quality;
    bool network = false;  // render on the configured render server
    std::string frames;    // animation frames to render: "A-B", "N" or "all"; empty: one image
    bool insideOut = false;  // frames in coarse-to-fine order
    std::optional<int> jobs;   // frames at once per machine, through GNU parallel
    std::string sshLoginFile;  // the machines parallel hands frames to
    std::string worker;        // the program the workers run; empty: this one
    bool transfer = false;     // the scene travels to the workers instead of a shared folder
    bool emitJobs = false;     // print one shell line per frame instead of rendering
    bool resume = false;       // only frames whose image is missing or unreadable
    bool noPlugins = false;  // --no-plugins: the plug-ins stay unloaded
    std::string plugin;      // --plugin: the function's description or export name
    std::vector<std::pair<std::string, std::string>> sets;  // --set PROP=VALUE, in order
    bool textured = false;   // the preview samples image maps
    std::optional<int> size; // the side of a thumbnail
    std::string script;      // --script: the script file
    std::optional<unsigned long long> maxInstructions;  // bound of every script run of the job
    std::string macro;     // --macro: a script the window runs on the scene once it is open
    bool recover = false;  // --recover: the window opens the newest work left unsaved, unasked
    std::string error;  // set when the arguments are wrong
};

// The most frames one machine renders at once.
inline constexpr int kMaxJobs = 1024;
// The largest thumbnail, as large as the desktop's largest thumbnails.
inline constexpr int kMaxThumbnailSize = 1024;
inline constexpr int kDefaultThumbnailSize = 128;
// The most previews rendered at once.
inline constexpr int kMaxPreviewJobs = 64;

CommandLine parseCommandLine(const std::vector<std::string>& args);


// The file-type id of a number or of a type's name ("Povray3", "Kalvex"...);
// 0 when it is neither.
unsigned fileTypeFromText(const std::string& text);
inline constexpr KxFileTypeName kCommandLineOnlyTypes[] = {
    {"Vrml2", KX_FILETYPE_VRML2}, {"Stl", KX_FILETYPE_STL},     {"Ply", KX_FILETYPE_PLY},
    {"Gltf", KX_FILETYPE_GLTF},   {"Kalvex1.5", kStatementFormScene}};

// Other names users know a type by.
inline constexpr KxFileTypeName kTypeAliases[] = {{"RIB", KX_FILETYPE_RENDERMAN}};
// The types --export can write, by name: "Kalvex, Raw, ..."; with ids,
// "Kalvex (1), ..., RenderMan (13, also RIB), ...".
std::string writableTypeList(bool withIds);

// The frames "A-B", "N" or "all" name within an animation of maxFrames
// frames; false when the text is none of these or the range leaves 0..maxFrames-1.
bool frameRange(const std::string& text, unsigned maxFrames, unsigned& first, unsigned& last);

// Runs a command-line job; returns the process exit status.
int runExport(const CommandLine& cl);
int runRender(const CommandLine& cl);
// Prints every plug-in item: kind, description and export name, tab separated.
int runListPlugins(const CommandLine& cl);
// Runs one plug-in function on SCENE (or the default scene) and saves OUT;
// 0 only when the function succeeded and OUT was written.
int runPlugin(const CommandLine& cl);
int runPreview(const CommandLine& cl);
// Writes a square PNG picture of SCENE through its camera; the scene's
// scripts are not run and no plug-in is loaded (file managers run this on
// every scene they list, received ones too).
int runThumbnail(const CommandLine& cl);
// The picture a thumbnail of `size` is cut from: the render's shape with its
// shorter side `size` (the longer one at most the preview's largest side),
// and where the square's top-left corner lies in it.
struct ThumbnailShape {
    int width, height, left, top;
};
ThumbnailShape thumbnailShape(int size, int renderWidth, int renderHeight);

struct Settings;
// Reads a scene (or imports another program's file) into the empty scene and
// runs its start-up scripts unless told not to; false, with the reason
// reported, when it was not read whole.
enum class SceneScripts { Run, Skip };
bool loadSceneForJob(const std::string& path, const Settings& settings, SceneScripts scripts = SceneScripts::Run);
// Renders every missing texture preview; 0 when every preview exists after.
int runTexturePreviews(const CommandLine& cl);

// Runs a script on SCENE (or the default scene) and saves OUT when given by
// its extension's type; print goes to standard output. 0 only when the
// script ran without an error and OUT (when given) was written.
int runScriptJob(const CommandLine& cl);
// Runs the "SceneCreate" scripts of the scene a job just read, as event
// scripts bounded by the job's options, else by `startupInstructions` (0: no
// bound); Ctrl-C ends the whole job. False when one failed.
bool runSceneScriptsForJob(std::uint64_t startupInstructions);

}  // namespace kx::app
