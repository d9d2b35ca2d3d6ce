#include "plugins/host_state.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace kx::plugins {
namespace {

void releaseHook(CadObject* obj, int whole) {
    HandleTable& t = hostState().handles;
    if (whole) {
        t.objectReleased(obj);
    } else {
        t.pointsReleased(obj);
    }
}

}  // namespace

HostState& hostState() {
    static HostState state;
    return state;
}

DocumentPort& document() {
    HostState& s = hostState();
    if (!s.document) s.document = makeHeadlessDocument();
    return *s.document;
}

void attachHandleTable() {
    hostState().handles.clear();
    SetObjectReleaseHook(releaseHook);
}

void detachHandleTable() {
    SetObjectReleaseHook(nullptr);
    HostState& s = hostState();
    s.handles.clear();
    for (StandardFile*& f : s.files) {
        if (f) StdCloseFile(f);
        f = nullptr;
    }
    s.files.clear();
}

int logFailure(int result, const char* text) {
    LogMessage(1, "%s", text);
    return result;
}

bool storableNumber(double value) { return std::isfinite(value) && std::fabs(value) <= FLT_MAX; }

bool storableNumbers(const float* values, unsigned count) {
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

}  // namespace kx::plugins
