// Every kind of object, turned and off the picture's centre, seen by three
// cameras: the scenes both the preview's and the wireframe view's battery
// hold against the real renderer's picture.
#pragma once

#include <cmath>
#include <sstream>
#include <string>

namespace kxtest {

struct Kind {
    const char* block;
    const char* fields;  // the block's own lines before its placement
    const char* colour;
    bool empty = false;  // neither picture shows anything
    const char* scale = "1 1 1";
};

struct Camera {
    const char* name;
    const char* lines;
};

// One in front and a little above, one below the objects looking up, one
// from the side with a wider picture than the image's.
inline const Camera kCameras[] = {
    {"front", "\tPosition 0 2 -12\n\tLookAt 0 0 0\n\tUp 0 1 0\n\tRight -1.33 0 1\n"},
    {"below", "\tPosition 2 -6 -9\n\tLookAt 0 0.5 0\n\tUp 0 1 0\n\tRight -1.33 0 1\n"},
    {"side", "\tPosition 12 3 2\n\tLookAt 0 0 0\n\tUp 0 1 0\n\tRight -2 0 1\n"},
};

// Off the centre to one side and turned one way, then to the other.
inline const char* const kPlacements[] = {"\trotate 25 35 15\n\tposition 1.2 0.4 0.5\n",
                                   "\trotate -30 60 -20\n\tposition -1 -0.3 0\n"};

inline std::string raisedPatch() {
    std::ostringstream net;
    net << "\tPatchData [ 16\n";
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            net << "< " << -1.5 + c << ' ' << ((r == 1 || r == 2) && (c == 1 || c == 2) ? 1 : 0) << ' ' << -1.5 + r
                << " >\n";
    net << " ]\n\tsize 3 0 3\n";
    return net.str();
}
inline const std::string kPatch = raisedPatch();

// The lines of a group block: its id and CSG operation.
inline std::string groupHead(int operation) { return "\tGroupId 1\n\textra " + std::to_string(operation) + " 0 0\n"; }

// One member of a group, `depth` tabs in.
inline std::string member(const char* type, const char* name, const char* size, const char* at, int id,
                          const char* colour, int depth = 1) {
    const std::string tab(static_cast<size_t>(depth), '\t');
    std::ostringstream m;
    m << tab << type << "\n" << tab << "{\n" << tab << "\tName " << name << "\n" << tab << "\tsize " << size << "\n"
      << tab << "\tscale 1 1 1\n" << tab << "\tposition " << at << "\n" << tab << "\tGroupId " << id << "\n  color "
      << colour << "\n" << tab << "}\n";
    return m.str();
}

// A union inside a group, holding what `members` writes two tabs in.
inline std::string innerUnion(const char* name, const std::string& members, int id = 2) {
    return std::string("\tGroup\n\t{\n\t\tName ") + name + "\n\t\tGroupId " + std::to_string(id) +
           "\n\t\textra 0 0 0\n" + members + "\t}\n";
}

// A group of a box and a sphere that reaches out of one of its corners.
inline std::string boxAndBall(int operation, const char* colour) {
    return groupHead(operation) + member("Box", "slab", "1.6 1.2 1.2", "0 0 0", 1, colour) +
           member("Sphere", "ball", "0.8 0.8 0.8", "0.6 0.4 -0.4", 1, colour);
}
inline const std::string kBoxAndBall[] = {boxAndBall(3, "Green"), boxAndBall(2, "Red")};

// Groups with a union inside: balls taken out of two corners of a box as a
// union of their own, a ball taken from two boxes joined, and a box kept
// where two balls joined hold it, and a box kept where it lies within both
// a union of balls and a union of boxes.
inline const std::string kWithAUnion[] = {
    groupHead(3) + member("Box", "slab", "1.6 1.2 1.2", "0 0 0", 1, "Green") +
        innerUnion("balls", member("Sphere", "ball1", "0.8 0.8 0.8", "0.6 0.4 -0.4", 2, "Green", 2) +
                                member("Sphere", "ball2", "0.8 0.8 0.8", "-0.6 -0.4 -0.4", 2, "Green", 2)),
    groupHead(3) +
        innerUnion("joined", member("Box", "left", "0.7 1 1", "-0.6 0 0", 2, "Blue", 2) +
                                 member("Box", "right", "0.7 1 1", "0.6 0 0", 2, "Blue", 2)) +
        member("Sphere", "ball", "0.8 0.8 0.8", "0 0.6 -0.6", 1, "Blue"),
    groupHead(2) + member("Box", "slab", "1 1.2 0.8", "0 0 0", 1, "Blue") +
        innerUnion("joined", member("Sphere", "upper", "0.9 0.9 0.9", "0.3 0.5 0", 2, "Blue", 2) +
                                 member("Sphere", "lower", "0.9 0.9 0.9", "-0.3 -0.5 0", 2, "Blue", 2)),
    groupHead(2) + member("Box", "slab", "1 1.2 0.8", "0 0 0", 1, "Red") +
        innerUnion("square", member("Box", "left", "1.4 2 2", "-0.5 0 0", 2, "Red", 2) +
                                 member("Box", "right", "1.4 2 2", "0.8 0.3 0", 2, "Red", 2)) +
        innerUnion("round", member("Sphere", "upper", "0.9 0.9 0.9", "0.3 0.5 0", 3, "Red", 2) +
                                member("Sphere", "lower", "0.9 0.9 0.9", "-0.3 -0.5 0", 3, "Red", 2), 3),
};

inline const char* const kOctahedron =
    "points shape\n3\n"
    "P 1.5 0 0 0 1 0 0 0 1\nP 0 0 1 0 1 0 -1.5 0 0\nP -1.5 0 0 0 1 0 0 0 -1\nP 0 0 -1 0 1 0 1.5 0 0\n"
    "P 0 0 1 0 -1 0 1.5 0 0\nP -1.5 0 0 0 -1 0 0 0 1\nP 0 0 -1 0 -1 0 -1.5 0 0\nP 1.5 0 0 0 -1 0 0 0 -1\nend\n";

inline const Kind kKinds[] = {
    {"Sphere", "\tsize 1 1 1\n", "Red"},
    {"Ellipsoid", "\tsize 1 1 1\n", "Green"},
    {"Box", "\tsize 2 1 1.5\n", "Blue"},
    {"Cylinder", "\tsize 1 2 1\n", "Red"},
    {"Cone", "\tsize 1 2 1\n\textra 0.4 0 0\n", "Green"},
    {"Disc", "\tsize 1.5 0 1.5\n", "Blue"},
    {"Torus", "\tsize 1.5 0.5 0\n", "Red"},
    {"Blob", "\tsize 1 1 1\n\textra 0.5 1 1\n", "Green"},
    // Threshold and strength equal: the field never reaches the surface.
    {"Blob", "\tsize 1 1 1\n\textra 1 1 1\n", "Green", true},
    // Scaled unevenly and turned: an ellipsoid in both pictures.
    {"Blob", "\tsize 1 1 1\n\textra 0.5 1 1\n", "Green", false, "0.5 1.4 0.8"},
    {"Patch", kPatch.c_str(), "Blue"},
    {"Text", "\tTextString \"Kx\"\n\tsize 1 1 1\n", "Red"},
    {"Plane", "\tsize 8 0 8\n", "Green"},
    {"Heightfield", "\tHeightfieldFile \"hill.pgm\"\n\tsize 3 1 3\n", "Blue"},
    // The renderer's own shapes, with parameters that tell their axes apart.
    {"Superellipsoid", "\tExponents [ 2  0.3 0.8 ]\n\tsize 1.2 0.8 1\n", "Red"},
    {"Lathe", "\tSplineType 2\n\tProfile [ 6\n< 0 -1.2 0 >\n< 0.6 -1 0 >\n< 1 -0.3 0 >\n< 0.5 0.4 0 >\n< 0.7 1 0 >\n"
              "< 0.8 1.2 0 >\n ]\n\tsize 1 1 1\n", "Green"},
    {"Lathe", "\tSplineType 1\n\tProfile [ 5\n< 0 -1 0 >\n< 0.9 -1 0 >\n< 1 0 0 >\n< 0.4 0.6 0 >\n< 0.6 1 0 >\n ]\n"
              "\tsize 1 1 1\n", "Blue"},
    {"Sor", "\tProfile [ 6\n< 0.2 -1.2 0 >\n< 0.7 -1 0 >\n< 1 -0.3 0 >\n< 0.5 0.5 0 >\n< 0.7 1 0 >\n< 0.9 1.2 0 >\n ]\n"
            "\tsize 1 1 1\n", "Red"},
    {"Prism", "\tSweepHeights [ 2  -0.5 0.8 ]\n\tProfile [ 5\n< 0 0 1.2 >\n< 1 0 0.2 >\n< 0.5 0 -1 >\n< -0.6 0 -0.8 >\n"
              "< -1 0 0.4 >\n ]\n\tsize 1 1 1\n", "Green"},
    {"Prism", "\tSplineType 2\n\tConic 1\n\tSweepHeights [ 2  0.2 1.5 ]\n\tProfile [ 4\n< 0 0 1 >\n< 1 0 0 >\n"
              "< 0 0 -0.6 >\n< -1 0 0 >\n ]\n\tsize 1 1 1\n", "Blue"},
    {"SphereSweep", "\tProfile [ 3\n< -1.2 -0.3 0 >\n< 0 0.6 0.3 >\n< 1.2 -0.3 0 >\n ]\n\tRadii [ 3  0.35 0.2 0.3 ]\n"
                    "\tsize 1 1 1\n", "Red"},
    {"SphereSweep", "\tSplineType 2\n\tProfile [ 5\n< -1.8 0 0 >\n< -1 0.5 0 >\n< 0 -0.3 0.3 >\n< 1 0.5 0 >\n"
                    "< 1.8 0 0 >\n ]\n\tRadii [ 5  0.3 0.3 0.25 0.35 0.3 ]\n\tsize 1 1 1\n", "Green"},
    {"SphereSweep", "\tSplineType 1\n\tProfile [ 5\n< -1.8 0 0 >\n< -1 0.8 0 >\n< 0 -0.6 0.3 >\n< 1 0.8 0 >\n"
                    "< 1.8 0 0 >\n ]\n\tRadii [ 5  0.3 0.3 0.25 0.35 0.3 ]\n\tsize 1 1 1\n", "Blue"},
    {"Isosurface", "\tFunction \"f_torus(x, y, z, 0.9, 0.3) + 0.1 * x\"\n\tsize 1.3 1.3 1.3\n", "Red"},
    {"Isosurface", "\tFunction \"max(abs(x) - 0.8, abs(y) - 0.4, abs(z) - 0.6)\"\n\tContainer 1\n\tsize 0.95 1 1\n",
     "Green"},
    {"JuliaFractal", "\tsize 1 1 1\n", "Blue"},
    // A mesh of flat faces: an octahedron drawn out along one axis.
    {"Polygon", kOctahedron, "Red"},
    // A box with a sphere taken out of a corner, then a box and a sphere
    // intersected: the preview keeps of each member what its group keeps.
    {"Group", kBoxAndBall[0].c_str(), "Green"},
    {"Group", kBoxAndBall[1].c_str(), "Red"},
    // Balls taken from a box as a union, a ball taken from boxes joined, a
    // box kept within balls joined.
    {"Group", kWithAUnion[0].c_str(), "Green"},
    {"Group", kWithAUnion[1].c_str(), "Blue"},
    {"Group", kWithAUnion[2].c_str(), "Blue"},
    // A ball cut by a tilted plane: the cap comes from the plane.
    {"Group", "\tGroupId 1\n\textra 2 0 0\n\tSphere\n\t{\n\t\tName ball\n\t\tsize 1.3 1.3 1.3\n\t\tscale 1 1 1\n"
              "\t\tGroupId 1\n  color Blue\n\t}\n\tPlane\n\t{\n\t\tName cut\n\t\tsize 8 0 8\n\t\tscale 1 1 1\n"
              "\t\trotate 0 0 25\n\t\tposition 0 0.3 0\n\t\tGroupId 1\n  color Blue\n\t}\n", "Blue"},
    // A box kept within both a union of balls and a union of boxes.
    {"Group", kWithAUnion[3].c_str(), "Red"},
};

// A round hill off the image's centre, so that a field turned or mirrored
// does not cover the same pixels.
inline std::string hillImage() {
    constexpr int kSide = 32;
    std::string pgm = "P5\n32 32\n255\n";
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double d = std::hypot(x - 12, y - 18) / 20;
            pgm += static_cast<char>(d < 1 ? static_cast<int>(255 * std::cos(d * M_PI / 2)) : 0);
        }
    return pgm;
}

// The scene of one kind, one camera and one placement, with one light; a
// height field reads "hill.pgm" beside it.
inline std::string batteryScene(const Kind& kind, const Camera& camera, const char* placement) {
    std::ostringstream s;
    s << "version 2.0\nCamera\n{\tName _camera0\n" << camera.lines
      << "}\nLight\n{\n\tName _light0\n\tsize 1 1 1\n\tscale 1 1 1\n\tposition -10 10 -20\n}\n" << kind.block
      << "\n{\n\tName shape\n" << kind.fields << "\tscale " << kind.scale << "\n" << placement
      << "  color " << kind.colour << "\n}\n";
    return s.str();
}

}  // namespace kxtest
