// Host functions on point lists, transformations and the 3D cursor.
#include <cstring>
#include <string>

#include "document/edit_history.h"
#include "kxcore.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"

namespace kx::plugins::host {
namespace {

HandleTable& handles() { return hostState().handles; }

Point3d toPoint(const float* p) { return Point3d{p[0], p[1], p[2]}; }

// After a successful transformation of the selection.
int changed(int result) {
    if (result) {
        SetFrameChange(1);
        if (!hostState().sceneRedrawOff) document().redraw();
    }
    return result;
}

void refresh() {
    if (!hostState().sceneRedrawOff) document().redraw();
}

int flipMode;
int flipEach(CadObject* obj, unsigned mode) { return FlipPoints(obj, mode); }
int sortEach(CadObject* obj, unsigned descending) { return SortPoints(obj, descending); }
int normalizeEach(CadObject* obj, long how) { return NormalizeObject(obj, how); }

// The transformations of the selection change its objects' points in place:
// a run's undo step keeps what they were first.
int transformSelection(int (*transform)(Point3d*), Point3d value) {
    kx::app::journalSelection();
    return changed(transform(&value));
}

void journalEveryObject() {
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) kx::app::journalReshaping(o);
}

}  // namespace

int DeleteGeometry(int handle) {
    HandleEntry* e = handles().entry(handle);
    if (e == nullptr) return 0;
    if (e->object == nullptr) return logFailure(0, "DeleteGeometry: Invalid Object Pointer\n");
    CadObject* obj = e->object;
    kx::app::journalReshaping(obj);
    // The release hook clears every cursor into this list.
    kx::plugins::hostState().handles.pointsReleased(obj);
    return SetObjectPoints(obj, nullptr);
}

int GetGeometry(int handle, int flags, float* points) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr || points == nullptr) return 0;
    HandleEntry* e = handles().entry(handle);
    ListEntry* node = (flags & 1) != 0 || e->cursor == nullptr ? ((flags & 1) != 0 ? obj->points : nullptr)
                                                                 : e->cursor->next;
    if (node == nullptr) return 0;
    e->cursor = node;
    const unsigned n = node->count > 8 ? 8 : node->count;
    std::memcpy(points, node->points, n * sizeof(Point3d));
    return 1;
}

int PutGeometry(int handle, int n, float* points) {
    HandleTable& t = handles();
    if (!t.inRange(handle)) {
        t.lastError = "invalid object handle";
        return 0;
    }
    HandleEntry* e = t.entry(handle);
    if (e->object == nullptr) {
        t.lastError = "null object handle";
        LogMessage(1, "PutGeometry: Error %s: Line %d\n", t.lastError.c_str(), __LINE__);
        return 0;
    }
    const unsigned count = n < 0 ? static_cast<unsigned>(n) & 15u : static_cast<unsigned>(n);
    if (points == nullptr || count < 1 || count > 8) {
        t.lastError = "add point failed";
        return 0;
    }
    // Corners, and the normals after them for a smooth node.
    if (!storableNumbers(points, count * (n < 0 ? 6u : 3u))) {
        t.lastError = "value out of range";
        return logFailure(0, "PutGeometry: value out of range\n");
    }
    if (!takeFromGrowthBudget(n < 0 ? 2u * count : count)) {
        t.lastError = "scene growth limit reached";
        return 0;
    }
    CadObject* obj = e->object;
    kx::app::journalReshaping(obj);
    // Append after the cursor, or after the list's last node when there is none.
    const auto* pts = reinterpret_cast<const Point3d*>(points);
    ListEntry* node = AppendObjectPoints(obj, e->cursor, count, pts, n < 0 ? pts + count : nullptr);
    if (node == nullptr) {
        t.lastError = "add point failed";
        return 0;
    }
    e->cursor = node;
    return 1;
}

int Smooth(int handle, int undo) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    kx::app::journalReshaping(obj);
    return undo != 0 ? UnSmoothObject(obj) : SmoothObject(obj);
}

int Size(int handle, float* p) { return SetObjectPropPnt(handle, "Size", p); }

int Move(int, float* p) {
    if (p == nullptr) return 0;
    if (!storableNumbers(p, 3)) return logFailure(0, "value out of range\n");
    return transformSelection(TranslateObjectsEx, toPoint(p));
}

int Scale(int, float* p) {
    if (p == nullptr) return 0;
    if (!storableNumbers(p, 3)) return logFailure(0, "value out of range\n");
    Point3d s = toPoint(p);
    if (IsZero(&s)) return 1;
    return transformSelection(ScaleObjectsEx, s);
}

int ScaleAbout(int, float* p, float* about) {
    if (p == nullptr || about == nullptr) return 0;
    if (!storableNumbers(p, 3) || !storableNumbers(about, 3)) return logFailure(0, "value out of range\n");
    Point3d s = toPoint(p);
    Point3d c = toPoint(about);
    kx::app::journalSelection();
    return changed(TransformObjectsAbout(KX_TRANSFORM_SCALE, &s, nullptr, nullptr, &c));
}

int Rotate(int, float* p) {
    if (p == nullptr) return 0;
    if (!storableNumbers(p, 3)) return logFailure(0, "value out of range\n");
    return transformSelection(RotateObjectsEx, toPoint(p));
}

int RotateAbout(int, float* p, float* about) {
    if (p == nullptr || about == nullptr) return 0;
    if (!storableNumbers(p, 3) || !storableNumbers(about, 3)) return logFailure(0, "value out of range\n");
    Point3d r = toPoint(p);
    Point3d c = toPoint(about);
    kx::app::journalSelection();
    return changed(TransformObjectsAbout(KX_TRANSFORM_ROTATE, nullptr, &r, nullptr, &c));
}

int SetCursor(float* p) {
    if (p == nullptr) return 0;
    if (!storableNumbers(p, 3)) return logFailure(0, "value out of range\n");
    hostState().cursor = toPoint(p);
    document().showCursor(hostState().cursor);
    return 1;
}

// The double-taking forms check before narrowing: a double beyond the
// range of a float has no float value.
static bool storableTriple(double x, double y, double z) {
    return storableNumber(x) && storableNumber(y) && storableNumber(z);
}

int MoveF(double x, double y, double z) {
    if (!storableTriple(x, y, z)) return logFailure(0, "value out of range\n");
    float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    return Move(-1, p);
}

int ScaleF(double x, double y, double z) {
    if (!storableTriple(x, y, z)) return logFailure(0, "value out of range\n");
    return transformSelection(ScaleObjectsEx, Point3d{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
}

int RotateF(double x, double y, double z) {
    if (!storableTriple(x, y, z)) return logFailure(0, "value out of range\n");
    float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    return Rotate(-1, p);
}

int RotateAboutF(double x, double y, double z, double ax, double ay, double az) {
    if (!storableTriple(x, y, z) || !storableTriple(ax, ay, az)) return logFailure(0, "value out of range\n");
    float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    float c[3] = {static_cast<float>(ax), static_cast<float>(ay), static_cast<float>(az)};
    return RotateAbout(-1, p, c);
}

int SetCursorF(double x, double y, double z) {
    if (!storableTriple(x, y, z)) return logFailure(0, "value out of range\n");
    float p[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    return SetCursor(p);
}

int Transform(int handle, const char* operation) {
    if (operation == nullptr) return 0;
    const std::string op = operation;
    // Flipping, sorting and orienting act on the selection (as scaling
    // does, through Scale); centring, normalising and smoothing on every object.
    const bool onSelection = op.rfind("flip.", 0) == 0 || op.rfind("sort.", 0) == 0 || op == "fixorientation";
    if (onSelection) kx::app::journalSelection();
    else if (op == "center" || op == "normalize" || op == "smooth") journalEveryObject();
    if (op == "enlarge") {
        float p[3] = {2, 2, 2};
        Scale(handle, p);
    } else if (op == "reduce") {
        float p[3] = {0.5f, 0.5f, 0.5f};
        Scale(handle, p);
    } else if (op == "flip.yz" || op == "flip.xy" || op == "flip.xz") {
        flipMode = op == "flip.yz" ? 0 : op == "flip.xy" ? 1 : 2;
        EnumCadObjects(flipEach, static_cast<unsigned>(flipMode));
    } else if (op == "sort.acend" || op == "sort.decend") {
        EnumCadObjects(sortEach, op == "sort.acend" ? 0u : 1u);
    } else if (op == "center") {
        CentreObjects();
    } else if (op == "fixorientation") {
        FixOrientationEx();
    } else if (op == "normalize") {
        EnumAllCadObjects(normalizeEach, handle == -3 ? 3 : 1);
    } else if (op == "smooth") {
        SmoothObjectsEx();
    } else {
        return 0;
    }
    refresh();
    return 1;
}

int Rebuild() { return RebuildObjects(0); }

int Update() { return Rebuild(); }

int RebuildObject(int handle, int a) {
    CadObject* obj = handles().object(handle);
    if (obj == nullptr) return 0;
    kx::app::journalReshaping(obj);
    const int result = RebuildObjectEx(obj, static_cast<unsigned>(a));
    if (result) refresh();
    return result;
}

}  // namespace kx::plugins::host
