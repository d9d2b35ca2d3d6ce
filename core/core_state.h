// The core library's process-wide state: one aggregate, one accessor.
#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "kxcore.h"
#include "anim/anim_state.h"
#include "geometry/geometry_state.h"
#include "model/event_state.h"
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
    std::unordered_set<const CadObject*> live;  // every object in the list
    // The length of every triangle array the core allocated, so that an array
    // attached by a caller without setting polygonCount is still used whole.
    std::unordered_map<const TriPolygon*, uint32_t> polygonArrays;
    std::vector<CadObject*> selection;
    std::array<unsigned, KX_TYPE_COUNT> counters{};
    HWND selectorTree = nullptr;
    HTREEITEM selectorParent = nullptr;
    CadObject* lastAtom = nullptr;
    CadScene scene{};
};

// What the file readers tell each other while a file is read.
struct ReaderState {
    // Counts the files that ended inside a record; a reader compares the count
    // before and after a piece it handed on, to learn that its file was cut.
    unsigned endsInsideRecord = 0;
};

struct CoreState {
    CoreSettings settings;
    LogState log;
    ReaderState readers;
    ObjectManager objects;
    ViewState view;
    EventState events;
    GeometryState geometry;
    TextureState textures;
    UserTextureState userTextures;
    CameraInfo camera{};
    AnimState anim;
};

// The single state of the library, initialised on first use.
CoreState& core();

// Back to the state of a freshly loaded library (tests): frees every object.
void resetCoreForTests();

}  // namespace kx
