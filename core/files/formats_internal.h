// What the legacy scene format, the point and facet files and the file-type
// dispatch share; not exported.
#pragma once

#include <functional>
#include <string>

#include "files/files_internal.h"

namespace kx::exporter {
void resetLightCounter();
int writeDxfPoints(CadObject* obj, StandardFile* f);
}  // namespace kx::exporter

namespace kx::files {

// The writers of the export formats; tests may stand in for them. While one is
// missing, its formats report "Unsupported export type".
struct ExportHooks {
    int (*exportObjects)(StandardFile*) = ExportObjects;  // the common export driver
    void (*resetLightCounter)() = kx::exporter::resetLightCounter;  // numbers the lights of one file
    int (*writeObj)(const char*) = WriteOBJ;
    int (*writeDxfPoints)(CadObject*, StandardFile*) = kx::exporter::writeDxfPoints;  // one polyline per object
};

// One triangle as the facet writer writes it: copies of its corners and their
// normals, its record or node position and the node corners it came from.
struct Triangle {
    Point3d point[3];
    Point3d normal[3];
    bool hasNormals;
    size_t index;
    unsigned corner[3];
};
// Every triangle of an object the facet writer writes, in order: degenerate
// ones left out, nodes of more than three corners fanned.
void forEachTriangle(const CadObject* obj, const std::function<void(const Triangle&)>& visit);
ExportHooks& exportHooks();

// name, with ext appended when its last path component has no dot (a dotted
// folder does not count as an extension).
std::string withDefaultExtension(const char* name, const char* ext);

// The text of one point exported through the object template. The editable
// template comes with frame sequences; until then the default "$X,$Y,$Z".
std::string pointTemplateText(double x, double y, double z);

}  // namespace kx::files
