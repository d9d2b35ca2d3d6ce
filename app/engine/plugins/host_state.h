// What the host functions share: the handle table, the auto-free switch, the
// files plug-ins opened, the document they work on and the plug-in manager.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kxcore.h"
#include "plugins/document_port.h"
#include "plugins/handle_table.h"

namespace kx::plugins {

class PluginManager;

struct HostState {
    HandleTable handles;
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
// Logs through the core's log and returns result.
int logFailure(int result, const char* text);

// Scenes hold single-precision numbers: a value beyond their range would be an
// infinity once stored, and a scene saved from it would not open again. The
// host refuses such values from plug-ins and scripts with a failure result.
bool storableNumber(double value);
bool storableNumbers(const float* values, unsigned count);

}  // namespace kx::plugins
