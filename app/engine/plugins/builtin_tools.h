// The program's own object builders that plug-ins reach by name through
// CallPlugin ("Octahedron", "Dodecahedron", "Cable") and whose properties
// SetPluginProperty sets ("CableRadius", "CableSides").
#pragma once

#include <span>
#include <string>
#include <vector>

#include "kxcore.h"
#include "kxplugin.h"

namespace kx::plugins {

// A value a tool asks for before it builds, by the property that holds it.
struct ToolParameter {
    const char* property;  // "CableRadius"
    const char* label;     // as the tool's dialog shows it
    double low, high;
    int decimals;          // 0 for a whole number
};

class BuiltinTools {
public:
    // What the named tool asks for; empty for a tool that asks nothing.
    static std::span<const ToolParameter> parametersOf(const char* tool);
    // Why the tool cannot act on the selection now; empty when it can.
    static std::string refusal(const char* tool);
    // The value a property of the tools holds now; NaN for an unknown name.
    double value(const char* property) const;

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
