// What the legacy scene format, the point and facet files and the file-type
// dispatch share; not exported.
#pragma once

#include <string>

#include "files/files_internal.h"

namespace kx::files {

// The writers of the export formats; tests may stand in for them. While one is
// missing, its formats report "Unsupported export type".
struct ExportHooks {
    int (*exportObjects)(StandardFile*) = ExportObjects;  // the common export driver
    void (*resetLightCounter)() = nullptr;          // numbers the lights of one file
    int (*writeObj)(const char*) = nullptr;
    int (*writeDxfPoints)(CadObject*, StandardFile*) = nullptr;  // one polyline per object
};
ExportHooks& exportHooks();

// name, with ext appended when its last path component has no dot (a dotted
// folder does not count as an extension).
std::string withDefaultExtension(const char* name, const char* ext);

}  // namespace kx::files
