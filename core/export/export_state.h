// The state of the export run in progress; a member of the core's state.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "kxcore.h"

namespace kx::exporter {

// One export run at a time.
struct ExportRun {
    bool busy = false;
    int indentUnit = 4;
    int indentDepth = 0;
    bool grouped = false;
    unsigned firstGroup = 0, lastGroup = 0;
    std::unordered_set<const CadObject*> userInline;  // objects whose UserInline text waits
    std::unordered_set<const CadObject*> declared;    // grouped members given a declaration
    // The identifier each object got in this export, and those taken: two
    // names that read alike ("a" and "_a", "a b" and "a_b") never share one.
    std::unordered_map<const CadObject*, std::string> identifiers;
    std::unordered_set<std::string> identifiersTaken;
    // The threshold of the blob whose components are being written.
    double blobThreshold = 0;
    int ribLights = 0;  // RIB numbers its light sources from 0 in each export
};

}  // namespace kx::exporter
