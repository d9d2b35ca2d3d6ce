// What the host functions share: the handle table, the auto-free switch, the
// files plug-ins opened, the document they work on and the plug-in manager.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kxcore.h"
#include "plugins/document_port.h"
#include "plugins/handle_table.h"

namespace kx::plugins {

class PluginManager;

// What one plug-in call or script run may add to the scene, in vertices (an
// object counting as kObjectVertices), so that a runaway run fails its calls
// with a message instead of taking all the machine's memory.
struct GrowthBudget {
    std::uint64_t limit = 50000000;  // "Script"/"MaxVertices"
    std::uint64_t used = 0;
    int runs = 0;  // plug-in calls and script runs under way, nested ones too
    bool told = false;
};
inline constexpr std::uint64_t kObjectVertices = 64;

struct HostState {
    HandleTable handles;
    GrowthBudget growth;
    bool autoFree = false;
    bool sceneRedrawOff = false;
    // Files opened through OpenFile: handle n is files[n - 1]; closed ones are null.
    std::vector<StandardFile*> files;
    std::unique_ptr<DocumentPort> document;
    PluginManager* manager = nullptr;
    Point3d cursor{};
    // A SCREEN item is painting a view: functions that change the scene fail.
    bool painting = false;
};

HostState& hostState();
// The document host functions work on (the headless one until a window sets its own).
DocumentPort& document();
// Installs the core's release hook so handles never outlive objects; clears the table.
void attachHandleTable();
void detachHandleTable();
// Counts `vertices` against the budget of the run under way (outside any run
// nothing is counted); false, with one message a run, when it would pass it.
bool takeFromGrowthBudget(std::uint64_t vertices);
// Held for a plug-in call or a script run: the outermost one counts afresh.
class GrowthRun {
public:
    GrowthRun();
    ~GrowthRun();
    GrowthRun(const GrowthRun&) = delete;
    GrowthRun& operator=(const GrowthRun&) = delete;
};

// Logs through the core's log and returns result.
int logFailure(int result, const char* text);

// Scenes hold single-precision numbers: a value beyond their range would be an
// infinity once stored, and a scene saved from it would not open again. The
// host refuses such values from plug-ins and scripts with a failure result.
bool storableNumber(double value);
bool storableNumbers(const float* values, unsigned count);

}  // namespace kx::plugins
