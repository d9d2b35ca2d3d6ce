// Start and end of the library and its plain settings.
#include <string>

#include "core_state.h"
#include "kxplatform/c_locale.h"

using kx::core;

int InitCore(HINSTANCE instance, const char* title) {
    kx::CoreSettings& s = core().settings;
    s = kx::CoreSettings{};
    s.instance = instance;
    // The title is a caption: keep it within the 259 characters the record had room for.
    s.title = std::string(title ? title : "").substr(0, 259);
    LogMessage(2, "InitCore: %s", s.title.c_str());
    ReleaseSelectList();
    InitAni();
    return 1;
}

int ExitCore() {
    LogMessage(2, "ExitCore");
    ReleaseSelectList();
    return 1;
}

void SetCoreParamInt(unsigned id, unsigned value) {
    kx::CoreSettings& s = core().settings;
    int v = static_cast<int>(value);
    switch (id) {
        case KX_COREPARAM_NO_NORMALS_IN_EXPORT: s.noNormalsInExport = v; break;
        case KX_COREPARAM_NO_UV_IN_EXPORT: s.noUvInExport = v; break;
        case KX_COREPARAM_EXPORT_SELECTED: s.exportSelected = v; break;
        case KX_COREPARAM_TEXT_MESHES: s.textMeshes = v; break;
        case KX_COREPARAM_TESSELLATE_PRIMITIVES: s.tessellatePrimitives = v; break;
        case KX_COREPARAM_RIB_SCENE_CAMERA: s.ribSceneCamera = v; break;
        default: break;
    }
}

void KxSetUiCallbacks(const KxUiCallbacks* table) { kx::platform::setUi(table); }

void SetViewSide(int side) { core().settings.viewSide = side; }
int GetViewSide() { return core().settings.viewSide; }
void SetShowCamera(int show) { core().settings.showCamera = show; }
int GetShowCamera() { return core().settings.showCamera; }
void SetShowSpotLights(int show) { core().settings.showSpotLights = show; }
int GetShowSpotLights() { return core().settings.showSpotLights; }
void SetExtrude(int extrude) { core().settings.extrude = extrude; }
int GetExtrude() { return core().settings.extrude; }
void SetExportComma(int comma) { core().settings.exportComma = comma; }
int GetExportComma() { return core().settings.exportComma; }
void SetExportSelected(int selected) { core().settings.exportSelected = selected; }
int GetExportSelected() { return core().settings.exportSelected; }

void SetMousePos3D(Point3d* p) {
    if (p) core().settings.mousePos3D = *p;
}

void SetSceneChanged(int changed) { core().settings.sceneChanged = changed; }
void ReDrawAllChangeEx(int changed) { SetSceneChanged(changed); }

int GetSceneChanged() {
    int changed = core().settings.sceneChanged;
    core().settings.sceneChanged = 0;
    return changed;
}

void SetProgramPath(const char* path) { core().settings.programPath = path ? path : ""; }

void SetSnapGrid(double step, int enabled) {
    core().settings.snapStep = step;
    core().settings.snapEnabled = enabled;
}

int GetSnapGrid(double* step) {
    const kx::CoreSettings& s = core().settings;
    if (step) *step = s.snapStep;
    return (s.snapEnabled && s.snapStep > 0) ? 1 : 0;
}

int SetGridInterval(double interval, int extent) {
    core().settings.gridInterval = interval;
    core().settings.gridExtent = extent;
    return 1;
}

double GetGridInterval() { return core().settings.gridInterval; }
double GetGridExtent() { return core().settings.gridExtent; }

const char* GetProgramFileName(const char* file) {
    std::string& result = core().results.programFile;
    result = core().settings.programPath + "/" + (file ? file : "");
    return result.c_str();
}
