// The core library's process-wide state: one aggregate, one accessor.
#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "kxcore.h"
#include "anim/anim_state.h"
#include "export/export_state.h"
#include "files/files_state.h"
#include "geometry/geometry_state.h"
#include "model/event_state.h"
#include "model/object_set.h"
#include "texture/texture_state.h"
#include "texture/user_texture_state.h"
#include "view/view_state.h"

namespace kx {

// Settings of the core (start, grid, snap, views, export switches).
struct CoreSettings {
    HINSTANCE instance = nullptr;
    std::string title = "Kalvex";
    std::string programPath;
    int sceneChanged = 0;
    double gridInterval = 1.0;
    double gridExtent = 32.0;
    int snapEnabled = 0;
    double snapStep = 0.0;
    int viewSide = 1;
    int showCamera = 0;
    int showSpotLights = 0;
    int extrude = 0;
    int exportComma = 0;
    int exportSelected = 0;
    int noNormalsInExport = 0;
    int noUvInExport = 0;
    int exportMesh2 = 0;  // POV-Ray 3 meshes as mesh2
    std::string exportMeshCache;  // a folder for mesh2 include files, see SetExportMeshCache
    int textMeshes = 0;   // STL and PLY as text
    int tessellatePrimitives = 0;  // DXF, NFF and VRML primitives as their triangles
    int ribSceneCamera = 0;        // RenderMan's camera from the scene's
    // Off, the scene reader reads the renderer's own shapes over as unknown
    // blocks, as a reader that predates them does.
    bool readRendererShapes = true;
    Point3d mousePos3D{0, 0, 0};
    Point3d cameraPosition{0, 4, 20};
    Point3d cameraLookAt{0, 0, 0};
    Point3d cameraUp{0, 1, 0};
    Point3d cameraRight{-1.33f, 0, 1};
};

// The log file: survives InitCore.
struct LogState {
    int threshold = -1;
    bool started = false;  // the first message of the process truncates the file
};

// The object list, the selection and the name counters.
struct ObjectManager {
    CadObject* head = nullptr;
    CadObject* tail = nullptr;
    unsigned liveCount = 0;
    kx::model::ObjectSet live;  // every object in the list
    // The length of every triangle array the core allocated, so that an array
    // attached by a caller without setting polygonCount is still used whole.
    std::unordered_map<const TriPolygon*, uint32_t> polygonArrays;
    std::vector<CadObject*> selection;
    std::array<unsigned, KX_TYPE_COUNT> counters{};
    HWND selectorTree = nullptr;
    HTREEITEM selectorParent = nullptr;
    CadObject* lastAtom = nullptr;
    CadScene scene{};
    std::vector<std::string> sceneSettings;  // by the settings table's order, "" where not set
    KxObjectReleaseHook releaseHook = nullptr;  // the program's, see SetObjectReleaseHook
};

// What the exports that hand back a pointer into the library point at: each
// result stays valid until the next call of the same function.
struct ResultBuffers {
    Point3d point{};                         // MakePointLP
    Point3d centre{};                        // GetCentrePoint
    CadObjectInfo cameraInfo{};              // CameraToInfo
    CadObject cameraObject{};                // CameraToObject
    TextureInfo textureRecord{};             // texture lookups of a name outside the list
    std::string number;                      // DoubleToString
    char strippedName[33] = {};              // StripObjectName
    char nextObjectName[32] = {};            // GetNextObjectNameEx
    char normalizedName[32] = {};            // NormalizeObjectName
    char textObject[KX_EXTRA_TEXT_MAX + 1] = {};  // SetTextObject
    std::string textField;                   // GetTextObject
    std::string quoted;                      // SetArgStringQuote
    std::string inQuotes;                    // SetArgString
    std::string shortest;                    // dtoa
    std::string withExtension;               // AddExt
    std::string newExtension;                // AddNewExt
    std::string programFile;                 // GetProgramFileName
    std::string heightField;                 // GetPovHeightField
    size_t randomPosition = 0;               // where rnd stands in its fixed cycle
};

struct CoreState {
    CoreSettings settings;
    LogState log;
    files::FilesState files;
    exporter::ExportRun exportRun;
    ObjectManager objects;
    ViewState view;
    EventState events;
    GeometryState geometry;
    TextureState textures;
    UserTextureState userTextures;
    CameraInfo camera{};
    AnimState anim;
    ResultBuffers results;
};

// The single state of the library, initialised on first use. Everything the
// library keeps between calls lives here and is reached only through this
// accessor. The library is not reentrant across threads: one thread at a time
// is inside it (the program holds its scene lock around every call from a
// second thread), so nothing here is guarded or kept per thread.
CoreState& core();

// True when obj is the object that shows the active camera.
inline bool isCameraObject(const CadObject* obj) { return obj && core().camera.object == obj; }

// obj is about to be freed: every subsystem that keeps a pointer into it
// (the picking rectangle, the camera, the animation) lets go of it, then the
// program's release hook is told.
void objectAboutToBeFreed(CadObject* obj);

// Back to the state of a freshly loaded library (tests): frees every object.
void resetCoreForTests();

}  // namespace kx
