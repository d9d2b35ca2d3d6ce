// The program's own object builders that plug-ins reach by name through
// CallPlugin ("Octahedron", "Dodecahedron", "Cable") and whose properties
// SetPluginProperty sets ("CableRadius", "CableSides").
#pragma once

#include <vector>

#include "kxcore.h"
#include "kxplugin.h"

namespace kx::plugins {

class BuiltinTools {
public:
    // Runs the named tool: its result, or -1 for a name that is no built-in tool.
    int run(const char* name);
    // true when the property is one of the tools' (and the value fits it).
    bool setProperty(const char* name, const KxVar& value);

    double cableRadius = 0.05;
    int cableSides = 6;
};

BuiltinTools& builtinTools();

// A new selected mesh object (type 10, named from base) holding the
// triangles, alone in the selection; null when it could not be made.
CadObject* makeMeshObject(const char* base, const TriPolygon* triangles, unsigned n);

// The triangles of the shapes (unit size around the origin).
std::vector<TriPolygon> octahedronTriangles();
std::vector<TriPolygon> dodecahedronTriangles();
// Tubes of the given radius and sides along every edge of the objects' point lists.
std::vector<TriPolygon> cableTriangles(const std::vector<CadObject*>& objects, double radius, int sides);

}  // namespace kx::plugins
