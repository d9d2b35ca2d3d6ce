#include "settings/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "kxcore.h"

namespace kx::app {
namespace {

using platform::IniStore;

int readInt(const IniStore& s, const char* section, const char* name, int fallback) {
    long long v = s.getInt(section, name, fallback);
    if (v < -2147483648LL || v > 2147483647LL) return fallback;
    return static_cast<int>(v);
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    return path;
}

// A stored folder shorter than 2 characters means "not set": take the derived one.
std::string folder(const IniStore& s, const char* name, const std::string& derived, bool trim) {
    std::string text = s.getString("Directories", name);
    if (text.size() < 2) text = derived;
    return trim ? withoutTrailingSlash(text) : text;
}

void readToolbox(const IniStore& s, const char* section, ToolboxSettings& box, int width, int height) {
    box.active = readInt(s, section, "Active", 0);
    std::string pos = s.getString(section, "Position", "0,0");
    int x = 0, y = 0;
    if (std::sscanf(pos.c_str(), "%d,%d", &x, &y) != 2) x = y = 0;
    // A toolbox placed outside the screen comes back at its edge.
    if (x < 0 || (width > 0 && x > width)) x = 0;
    if (y < 0 || (height > 0 && y > height)) y = 0;
    box.x = x;
    box.y = y;
}

// The plain whole-number values: one table serves reading and writing. A
// value the file does not hold keeps the default the settings struct gives it.
struct IntValue {
    const char* section;
    const char* name;
    int& (*field)(Settings&);
};

const IntValue kIntValues[] = {
    {"Desktop", "Maximize", [](Settings& s) -> int& { return s.desktop.maximize; }},
    {"Desktop", "LoadPlugins", [](Settings& s) -> int& { return s.desktop.loadPlugins; }},
    {"Desktop", "ExecuteAllPlugins", [](Settings& s) -> int& { return s.desktop.executeAllPlugins; }},
    {"Desktop", "PlaceMultiple", [](Settings& s) -> int& { return s.desktop.placeMultiple; }},
    {"Desktop", "UndoDepth", [](Settings& s) -> int& { return s.desktop.undoDepth; }},
    {"Desktop", "AutoRedraw", [](Settings& s) -> int& { return s.desktop.autoRedraw; }},
    {"Desktop", "EnableGL", [](Settings& s) -> int& { return s.desktop.enableGL; }},
    {"Desktop", "DisableSplash", [](Settings& s) -> int& { return s.desktop.disableSplash; }},
    {"Desktop", "ToolboxSelect", [](Settings& s) -> int& { return s.desktop.toolboxSelect; }},
    {"Desktop", "ToolboxAnimate", [](Settings& s) -> int& { return s.desktop.toolboxAnimate; }},
    {"Desktop", "Views", [](Settings& s) -> int& { return s.desktop.views; }},
    {"Desktop", "ShowIso", [](Settings& s) -> int& { return s.desktop.showIso; }},
    {"Desktop", "ShowFront", [](Settings& s) -> int& { return s.desktop.showFront; }},
    {"Desktop", "ShowSide", [](Settings& s) -> int& { return s.desktop.showSide; }},
    {"Desktop", "ShowPlan", [](Settings& s) -> int& { return s.desktop.showPlan; }},
    {"Desktop", "PreviewRender", [](Settings& s) -> int& { return s.desktop.previewRender; }},
    {"Desktop", "BlackBack", [](Settings& s) -> int& { return s.desktop.blackBack; }},
    {"Desktop", "AutoTile", [](Settings& s) -> int& { return s.desktop.autoTile; }},
    {"Desktop", "Log", [](Settings& s) -> int& { return s.desktop.log; }},
    {"Animate", "PlayRate", [](Settings& s) -> int& { return s.playRate; }},
    {"Render", "Type", [](Settings& s) -> int& { return s.render.type; }},
    {"Render", "Quality", [](Settings& s) -> int& { return s.render.quality; }},
    {"Render", "Resize", [](Settings& s) -> int& { return s.render.resize; }},
    {"Render", "RenderX", [](Settings& s) -> int& { return s.render.renderX; }},
    {"Render", "RenderY", [](Settings& s) -> int& { return s.render.renderY; }},
    {"Render", "AntiAlias", [](Settings& s) -> int& { return s.render.antiAlias; }},
    {"Render", "UserBreak", [](Settings& s) -> int& { return s.render.userBreak; }},
    {"Render", "ShortFileNames", [](Settings& s) -> int& { return s.render.shortFileNames; }},
    {"Render", "WaitForExit", [](Settings& s) -> int& { return s.render.waitForExit; }},
    {"Render", "RenderShow", [](Settings& s) -> int& { return s.render.renderShow; }},
    {"Export", "SaveCurves", [](Settings& s) -> int& { return s.exports.saveCurves; }},
    {"Export", "RenderBatch", [](Settings& s) -> int& { return s.exports.renderBatch; }},
    {"Export", "AutoSave", [](Settings& s) -> int& { return s.exports.autoSave; }},
    {"Export", "UseDefaults", [](Settings& s) -> int& { return s.exports.useDefaults; }},
    {"Export", "Commas", [](Settings& s) -> int& { return s.exports.commas; }},
    {"Export", "Selected", [](Settings& s) -> int& { return s.exports.selected; }},
    {"Export", "Mesh2", [](Settings& s) -> int& { return s.exports.mesh2; }},
    {"View", "Bounds", [](Settings& s) -> int& { return s.view.bounds; }},
    {"View", "SpotLights", [](Settings& s) -> int& { return s.view.spotLights; }},
    {"View", "ViewLeft", [](Settings& s) -> int& { return s.view.viewLeft; }},
    {"View", "ShowCamera", [](Settings& s) -> int& { return s.view.showCamera; }},
    {"View", "SeparateCamera", [](Settings& s) -> int& { return s.view.separateCamera; }},
};

}  // namespace

std::array<uint32_t, 4> standardColours() { return {0xFFFFFF, 0xC0C0C0, 0x000000, 0x0000C0}; }
std::array<uint32_t, 4> greyColours() { return {0xC0C0C0, 0x808080, 0xFFFFFF, 0x0000C0}; }

std::string userDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::string(xdg) + "/kalvex";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/share/kalvex";
    return "./kalvex";
}

bool parseRect(const std::string& text, StoredRect& rect) {
    std::istringstream in(text);
    StoredRect r;
    if (!(in >> r.left >> r.top >> r.width >> r.height)) return false;
    rect = r;
    return true;
}

std::string formatRect(const StoredRect& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.width) + " " +
           std::to_string(r.height);
}

// "SX SY SW SH FX FY FW FH M" a screen, screens apart by ";". A place that
// does not read as nine whole numbers, or names an empty screen or window,
// is passed over.
std::vector<ScreenPlace> parseScreenPlaces(const std::string& text) {
    std::vector<ScreenPlace> places;
    std::istringstream entries(text);
    std::string entry;
    while (places.size() < kMaxScreenPlaces && std::getline(entries, entry, ';')) {
        std::istringstream in(entry);
        ScreenPlace p;
        std::string rest;
        if (!(in >> p.screen.left >> p.screen.top >> p.screen.width >> p.screen.height >> p.frame.left >>
              p.frame.top >> p.frame.width >> p.frame.height >> p.maximize) ||
            (in >> rest) || p.screen.width <= 0 || p.screen.height <= 0 || p.frame.width <= 0 || p.frame.height <= 0)
            continue;
        places.push_back(p);
    }
    return places;
}

std::string formatScreenPlaces(const std::vector<ScreenPlace>& places) {
    std::string text;
    for (const ScreenPlace& p : places) {
        if (!text.empty()) text += ';';
        text += formatRect(p.screen) + ' ' + formatRect(p.frame) + ' ' + std::to_string(p.maximize ? 1 : 0);
    }
    return text;
}

Settings loadSettings(const IniStore& s, int screenWidth, int screenHeight) {
    Settings st;
    for (const IntValue& value : kIntValues) {
        int& field = value.field(st);
        field = readInt(s, value.section, value.name, field);
    }
    st.desktop.autosaveSeconds = std::clamp(readInt(s, "Desktop", "AutosaveSeconds", st.desktop.autosaveSeconds), 0,
                                            24 * 3600);
    st.desktop.backupCount = std::clamp(readInt(s, "Desktop", "BackupCount", st.desktop.backupCount), 0, 9);
    st.exports.tessellatePrimitives = readInt(s, "Export", "TessellatePrimitives", 0) != 0;
    if (const long long n = s.getInt("Script", "StartupInstructions", -1); n >= 0)
        st.script.startupInstructions = static_cast<std::uint64_t>(n);
    if (const long long n = s.getInt("Script", "MaxVertices", -1); n >= 0)
        st.script.maxVertices = static_cast<std::uint64_t>(n);
    st.exports.textMeshes = readInt(s, "Export", "TextMeshes", 0) != 0;
    st.render.mesh2 = readInt(s, "Render", "Mesh2", 1) != 0;
    st.render.meshCacheMB = std::max(0, readInt(s, "Render", "MeshCacheMB", RenderSettings{}.meshCacheMB));
    st.render.swatchStage = readInt(s, "Render", "SwatchStage", 0) != 0;
    st.exports.ribSceneCamera = readInt(s, "Export", "RibSceneCamera", 0) != 0;
    DesktopSettings& d = st.desktop;
    parseRect(s.getString("Desktop", "FramePos", "0 0 0 0"), d.framePos);
    d.framePlaces = parseScreenPlaces(s.getString("Desktop", "FramePlaces"));
    parseRect(s.getString("Desktop", "PerspPos", "0 0 0 0"), d.perspPos);
    parseRect(s.getString("Desktop", "FrontPos", "0 0 0 0"), d.frontPos);
    parseRect(s.getString("Desktop", "PlanPos", "0 0 0 0"), d.planPos);
    parseRect(s.getString("Desktop", "SidePos", "0 0 0 0"), d.sidePos);
    d.renderPos = s.getString("Desktop", "RenderPos");

    // The program's own folder is the user's data folder; the others derive from it.
    const std::string base = userDataFolder();
    DirectorySettings& dir = st.directories;
    dir.program = folder(s, "Program", base, true);
    dir.textures = folder(s, "Textures", base + "/textures", true);
    dir.defaultDir = s.getString("Directories", "Default");
    dir.render = withoutTrailingSlash(s.getString("Directories", "Render"));
    dir.include = withoutTrailingSlash(s.getString("Directories", "Include"));
    dir.plugin = folder(s, "Plugin", base + "/plugins", false);
    dir.viewer = withoutTrailingSlash(s.getString("Directories", "Viewer"));

    RenderSettings& r = st.render;
    r.renderFlags = s.getString("Render", "RenderFlags");

    ExportSettings& e = st.exports;
    e.disableSmoothExport = readInt(s, "Export", "DisableSmoothExport", 0);
    e.disableUvExport = readInt(s, "Export", "DisableUvExport", 0);

    ViewSettings& v = st.view;
    v.defaultCameraPosition = s.getString("View", "DefaultCameraPosition");
    v.defaultCameraTarget = s.getString("View", "DefaultCameraTarget");

    ColourScheme& c = st.scheme;
    c.scheme = readInt(s, "Scheme", "Scheme", 0);
    c.colours = c.scheme == 1 ? greyColours() : standardColours();
    if (c.scheme > 1 && readInt(s, "Scheme", "Elements", 0) == 4)
        for (int i = 0; i < 4; ++i)
            c.colours[static_cast<size_t>(i)] =
                static_cast<uint32_t>(s.getInt("Scheme", "Element" + std::to_string(i), c.colours[static_cast<size_t>(i)])) & 0xFFFFFF;

    readToolbox(s, "Select", st.selectToolbox, screenWidth, screenHeight);
    readToolbox(s, "Animate", st.animateToolbox, screenWidth, screenHeight);
    return st;
}

void saveSettings(const Settings& st, IniStore& s) {
    // The table's accessors only read here.
    Settings& values = const_cast<Settings&>(st);
    for (const IntValue& value : kIntValues) s.setInt(value.section, value.name, value.field(values));
    // Written only when chosen, so that a settings file holds what it held before.
    if (st.desktop.autosaveSeconds != DesktopSettings{}.autosaveSeconds)
        s.setInt("Desktop", "AutosaveSeconds", st.desktop.autosaveSeconds);
    if (st.desktop.backupCount != DesktopSettings{}.backupCount)
        s.setInt("Desktop", "BackupCount", st.desktop.backupCount);
    if (st.exports.tessellatePrimitives) s.setInt("Export", "TessellatePrimitives", 1);
    if (st.exports.textMeshes) s.setInt("Export", "TextMeshes", 1);
    if (!st.render.mesh2) s.setInt("Render", "Mesh2", 0);
    if (st.render.meshCacheMB != RenderSettings{}.meshCacheMB) s.setInt("Render", "MeshCacheMB", st.render.meshCacheMB);
    if (st.render.swatchStage) s.setInt("Render", "SwatchStage", 1);
    if (st.exports.ribSceneCamera) s.setInt("Export", "RibSceneCamera", 1);
    if (st.script.startupInstructions != ScriptSettings{}.startupInstructions)
        s.setInt("Script", "StartupInstructions", static_cast<long long>(st.script.startupInstructions));
    if (st.script.maxVertices != ScriptSettings{}.maxVertices)
        s.setInt("Script", "MaxVertices", static_cast<long long>(st.script.maxVertices));
    const DesktopSettings& d = st.desktop;
    s.set("Desktop", "FramePos", formatRect(d.framePos));
    if (!d.framePlaces.empty()) s.set("Desktop", "FramePlaces", formatScreenPlaces(d.framePlaces));
    s.set("Desktop", "PerspPos", formatRect(d.perspPos));
    s.set("Desktop", "FrontPos", formatRect(d.frontPos));
    s.set("Desktop", "PlanPos", formatRect(d.planPos));
    s.set("Desktop", "SidePos", formatRect(d.sidePos));
    if (!d.renderPos.empty()) s.set("Desktop", "RenderPos", d.renderPos);

    const DirectorySettings& dir = st.directories;
    s.set("Directories", "Program", dir.program);
    s.set("Directories", "Textures", dir.textures);
    s.set("Directories", "Default", dir.defaultDir);
    s.set("Directories", "Render", dir.render);
    s.set("Directories", "Include", dir.include);
    s.set("Directories", "Plugin", dir.plugin);
    s.set("Directories", "Viewer", dir.viewer);

    const RenderSettings& r = st.render;
    if (r.renderFlags.size() < 2) s.remove("Render", "RenderFlags");
    else s.set("Render", "RenderFlags", r.renderFlags);

    const ViewSettings& v = st.view;
    if (!v.defaultCameraPosition.empty()) s.set("View", "DefaultCameraPosition", v.defaultCameraPosition);
    if (!v.defaultCameraTarget.empty()) s.set("View", "DefaultCameraTarget", v.defaultCameraTarget);

    s.setInt("Scheme", "Scheme", st.scheme.scheme);
    if (st.scheme.scheme == 2) {
        s.setInt("Scheme", "Elements", 4);
        for (int i = 0; i < 4; ++i)
            s.setInt("Scheme", "Element" + std::to_string(i), st.scheme.colours[static_cast<size_t>(i)]);
    }
    auto writeToolbox = [&s](const char* section, const ToolboxSettings& box) {
        s.setInt(section, "Active", box.active);
        if (box.active) s.set(section, "Position", std::to_string(box.x) + "," + std::to_string(box.y));
    };
    writeToolbox("Select", st.selectToolbox);
    writeToolbox("Animate", st.animateToolbox);
}

void applyToCore(const Settings& st) {
    // 0 keeps the log off; a value above 0 is the most detailed level written.
    EnableLogMessage(st.desktop.log > 0 ? st.desktop.log : -1);
    SetExportComma(st.exports.commas);
    SetExportSelected(st.exports.selected);
    SetExportMesh2(st.exports.mesh2);
    if (st.exports.disableSmoothExport) SetCoreParamInt(KX_COREPARAM_NO_NORMALS_IN_EXPORT, 1);
    if (st.exports.disableUvExport) SetCoreParamInt(KX_COREPARAM_NO_UV_IN_EXPORT, 1);
    SetCoreParamInt(KX_COREPARAM_TESSELLATE_PRIMITIVES, st.exports.tessellatePrimitives ? 1 : 0);
    SetCoreParamInt(KX_COREPARAM_RIB_SCENE_CAMERA, st.exports.ribSceneCamera ? 1 : 0);
    SetCoreParamInt(KX_COREPARAM_TEXT_MESHES, st.exports.textMeshes ? 1 : 0);
    SetShowSpotLights(st.view.spotLights);
    SetViewSide(st.view.viewLeft);
    SetShowCamera(st.view.showCamera);
    if (!st.view.defaultCameraPosition.empty()) SetCameraDefault(st.view.defaultCameraPosition.c_str(), 0);
    if (!st.view.defaultCameraTarget.empty()) SetCameraDefault(st.view.defaultCameraTarget.c_str(), 1);
    SetProgramPath(st.directories.program.c_str());
}

}  // namespace kx::app
