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

bool takeFromGrowthBudget(std::uint64_t vertices) {
    GrowthBudget& b = hostState().growth;
    if (b.runs == 0) return true;
    if (b.limit != 0 && vertices > b.limit - std::min(b.used, b.limit)) {
        if (!b.told) {
            b.told = true;
            ErrorMessage("The scene grew by more than %llu vertices in one run: what the run adds beyond them is "
                         "refused (Script/MaxVertices in the settings)",
                         static_cast<unsigned long long>(b.limit));
        }
        return false;
    }
    b.used += vertices;
    return true;
}

GrowthRun::GrowthRun() {
    GrowthBudget& b = hostState().growth;
    if (b.runs++ == 0) {
        b.used = 0;
        b.told = false;
    }
}

GrowthRun::~GrowthRun() { --hostState().growth.runs; }

bool storableNumber(double value) { return std::isfinite(value) && std::fabs(value) <= FLT_MAX; }

bool storableNumbers(const float* values, unsigned count) {
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

}  // namespace kx::plugins
