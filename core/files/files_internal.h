// What the file subsystem keeps beside a StandardFile record; not exported.
#pragma once

#include <string>
#include <vector>

#include "core_state.h"
#include "geometry/mesh_builder.h"

struct StdFileInternals {
    std::string target;     // the name the caller opened
    std::string temporary;  // where a replacing write goes until the close
    std::vector<char> pending;  // written bytes not yet handed to the system
    unsigned long facetsInFile = 0;  // facets the facet writer put into this file
};

namespace kx::files {

// The existing file a stored name refers to: the name itself, else with "\"
// taken as "/", else a case-insensitive match in its folder. Empty when none.
std::string findExisting(const std::string& name);

// While a scene file is read, new objects are not snapped to the grid: they
// keep the positions the file gives.
using ReadingScope = kx::geometry::SnapSuspension;

}  // namespace kx::files
