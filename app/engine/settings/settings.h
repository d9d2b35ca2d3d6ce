// The program's preferences: every value of every section with its default,
// read once at start from the settings file and written back at exit and when
// a settings dialog is confirmed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kxplatform/ini_store.h"

namespace kx::app {

// A window rectangle as stored: left, top, width, height.
struct StoredRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool empty() const { return width == 0 || height == 0; }
};

// Where the window stood on one screen: the screen's place on the desktop
// (in the window system's logical pixels, so a scale factor makes it
// another screen), the window's normal place and whether it was maximized.
struct ScreenPlace {
    StoredRect screen;
    StoredRect frame;
    int maximize = 0;
};

// The most screens whose window places are remembered.
inline constexpr size_t kMaxScreenPlaces = 8;

struct DesktopSettings {
    int maximize = 0;
    StoredRect framePos;
    // The window's place on each screen it was closed on, newest first
    // ("Desktop"/"FramePlaces"); FramePos keeps the last one as well.
    std::vector<ScreenPlace> framePlaces;
    int loadPlugins = 1;
    int executeAllPlugins = 1;
    int placeMultiple = 0;
    int undoDepth = 100;  // steps Undo can take back
    int autosaveSeconds = 120;  // between copies of unsaved work; 0: none
    int backupCount = 1;        // earlier versions a save keeps, up to 9
    int autoRedraw = 1;
    int enableGL = 1;
    int disableSplash = 0;
    int toolboxSelect = 0;
    int toolboxAnimate = 0;
    int views = 2;
    int showIso = 1;
    int showFront = 1;
    int showSide = 0;
    int showPlan = 0;
    int previewRender = 1;
    int blackBack = 1;
    int autoTile = 1;
    StoredRect perspPos, frontPos, planPos, sidePos;
    std::string renderPos;
    int log = 0;
};

struct DirectorySettings {
    std::string program;   // also where the program keeps its own files
    std::string textures;
    std::string defaultDir;  // working folder of scenes and renders ("Default")
    std::string render;    // the external renderer program
    std::string include;   // its include folder
    std::string plugin;
    std::string viewer;    // the image viewer program
};

// The largest image side and the highest quality a render can ask for, from
// the command line or the Render Settings dialog alike.
inline constexpr int kMaxImageSize = 16384;
inline constexpr int kMaxQuality = 11;

struct RenderSettings {
    std::string renderFlags;
    int type = 0;
    int quality = 0;
    int resize = 1;
    int renderX = 640;
    int renderY = 480;
    int antiAlias = 0;
    int userBreak = 1;
    int shortFileNames = 1;
    int waitForExit = 1;
    int renderShow = 0;
    // Meshes written as mesh2 for the renderers that read it ("Mesh2"); 0
    // writes them as lists of triangles, as an export for keeping does.
    int mesh2 = 1;
    // The most the meshes kept beside render scenes may take ("MeshCacheMB");
    // 0 writes every mesh into the scene file, as an export for keeping does.
    int meshCacheMB = 2048;
    // 1: texture swatches are rendered on a checkered floor under a sky
    // ("SwatchStage"), where white, clear and glass textures show; 0 before
    // the white wall they always had.
    int swatchStage = 0;
};

struct ExportSettings {
    int saveCurves = 0;
    int renderBatch = 0;
    int autoSave = 0;
    int useDefaults = 1;
    int commas = 1;
    int selected = 0;
    int mesh2 = 0;  // POV-Ray 3 meshes as mesh2
    int disableSmoothExport = 0;  // read only
    int disableUvExport = 0;      // read only
    // Spheres, cones and the other primitives written as their triangles in
    // the formats that have shapes of their own (DXF, NFF, VRML).
    int tessellatePrimitives = 0;
    int textMeshes = 0;  // STL and PLY written as text instead of binary
    int ribSceneCamera = 0;  // RenderMan's camera from the scene's instead of the fixed one
};

struct ViewSettings {
    int bounds = 0;
    int spotLights = 1;
    int viewLeft = 1;
    int showCamera = 1;
    // 1: orbit, pan and zoom in the perspective view move a camera of the
    // view's own and leave the scene's camera where it is.
    int separateCamera = 0;
    std::string defaultCameraPosition;
    std::string defaultCameraTarget;
};

// The four colours the views are drawn in, as 0x00BBGGRR.
struct ColourScheme {
    int scheme = 0;  // 0 standard, 1 grey, 2 custom
    std::array<uint32_t, 4> colours{0xFFFFFF, 0xC0C0C0, 0x000000, 0x0000C0};
    enum Element { Background = 0, Grid = 1, Object = 2, Selected = 3 };
};

struct ScriptSettings {
    // The instructions a scene's own start-up script may take in a job
    // without a window ("Script"/"StartupInstructions"); 0: no bound.
    std::uint64_t startupInstructions = 100000000;
    // The vertices one script run or plug-in call may add to the scene, an
    // object counting as 64 ("Script"/"MaxVertices"); 0: no bound.
    std::uint64_t maxVertices = 50000000;
};

struct ToolboxSettings {
    int active = 0;
    int x = 0, y = 0;
};

struct Settings {
    DesktopSettings desktop;
    DirectorySettings directories;
    RenderSettings render;
    ExportSettings exports;
    ViewSettings view;
    ColourScheme scheme;
    ScriptSettings script;
    ToolboxSettings selectToolbox, animateToolbox;
    int playRate = 25;  // frames a second of the animation's Play ("Animate"/"PlayRate")
};

// The standard and the grey colours of the views.
std::array<uint32_t, 4> standardColours();
std::array<uint32_t, 4> greyColours();

// The folder where the program keeps its own files for this user:
// $XDG_DATA_HOME/kalvex, else ~/.local/share/kalvex.
std::string userDataFolder();

// Reads every section; missing or broken values take their defaults. The
// screen size bounds the toolbox positions (0 for unknown).
Settings loadSettings(const platform::IniStore& store, int screenWidth = 0, int screenHeight = 0);

// Writes the sections the program writes (never the two read-only export switches).
void saveSettings(const Settings& settings, platform::IniStore& store);

// Hands the values the core library consumes to it (log, export switches,
// view side, camera and spot-light display, camera defaults).
void applyToCore(const Settings& settings);

// "%d %d %d %d" when all four numbers are there.
bool parseRect(const std::string& text, StoredRect& rect);
std::string formatRect(const StoredRect& rect);
// The "FramePlaces" text: at most kMaxScreenPlaces places, unreadable ones left out.
std::vector<ScreenPlace> parseScreenPlaces(const std::string& text);
std::string formatScreenPlaces(const std::vector<ScreenPlace>& places);

}  // namespace kx::app
