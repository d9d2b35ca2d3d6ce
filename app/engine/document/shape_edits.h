// The parameters of the renderer's own shapes (superellipsoid, lathe,
// surface of revolution, prism, sphere sweep, isosurface, julia fractal) and
// the photons flags of any solid, as the Properties panel edits them. Each
// change is one undo step, and a value the renderer would refuse for a shape
// is not taken: the shapes stay as they were and the edit says why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/edit_history.h"
#include "kxcore.h"

namespace kx::app {

// Which shape kinds have a field, by property id: the panel's rows and the
// edits' choice of objects both read it.
struct ShapeField {
    int property;
    const char* label;  // the step is "Change <label>"
    uint32_t kinds;     // bit (type - KX_SUPERELLIPSOID) for each kind that has it
    unsigned count;     // numbers a fixed list holds; 0 for other fields
};

inline constexpr uint32_t shapeKind(uint32_t type) { return 1u << (type - KX_SUPERELLIPSOID); }

inline constexpr ShapeField kShapeFields[] = {
    {KX_PROP_EXPONENTS, "Exponents", shapeKind(KX_SUPERELLIPSOID), 2},
    {KX_PROP_SPLINETYPE, "Spline", shapeKind(KX_LATHE) | shapeKind(KX_PRISM) | shapeKind(KX_SPHERESWEEP), 0},
    {KX_PROP_PROFILE, "Profile",
     shapeKind(KX_LATHE) | shapeKind(KX_SOR) | shapeKind(KX_PRISM) | shapeKind(KX_SPHERESWEEP), 0},
    {KX_PROP_SWEEPHEIGHTS, "Heights", shapeKind(KX_PRISM), 2},
    {KX_PROP_CONIC, "Conic Sweep", shapeKind(KX_PRISM), 0},
    {KX_PROP_FUNCTION, "Function", shapeKind(KX_ISOSURFACE), 0},
    {KX_PROP_CONTAINER, "Container", shapeKind(KX_ISOSURFACE), 0},
    {KX_PROP_THRESHOLD, "Threshold", shapeKind(KX_ISOSURFACE), 0},
    {KX_PROP_ACCURACY, "Accuracy", shapeKind(KX_ISOSURFACE), 0},
    {KX_PROP_MAXGRADIENT, "Max Gradient", shapeKind(KX_ISOSURFACE), 0},
    {KX_PROP_JULIAPARAMETER, "Julia Parameter", shapeKind(KX_JULIA), 4},
    {KX_PROP_ITERATIONS, "Iterations", shapeKind(KX_JULIA), 0},
    {KX_PROP_PRECISION, "Precision", shapeKind(KX_JULIA), 0},
    {KX_PROP_SLICE, "Slice", shapeKind(KX_JULIA), 5},
};

// True when objects of the type have the field (a sphere sweep's radii go
// with its profile).
bool shapeHasField(uint32_t type, int propertyId);

// The spline kinds as SplineType stores them, by kind: a lathe's and a
// prism's, and a sphere sweep's.
inline constexpr const char* kPathSplines[] = {"Linear", "Quadratic", "Cubic", "Bezier"};
inline constexpr const char* kSweepSplines[] = {"Linear", "B-spline", "Cubic"};

// What the panel shows of a shape. A field the object lacks reads as 0 (or
// empty): every shape the program makes stores all of its fields.
struct ShapeSettings {
    double exponents[2] = {0, 0};
    int spline = 0;
    std::vector<Point3d> profile;  // lathe, sor <r, h, 0>; prism <x, 0, z>; sweep: the centres
    std::vector<double> radii;     // sweep: one per centre
    double heights[2] = {0, 0};
    bool conic = false;
    std::string function;
    int container = 0;  // 0 box, 1 sphere
    double threshold = 0;
    double accuracy = 0;
    double maxGradient = 0;
    double julia[4] = {0, 0, 0, 0};
    int iterations = 0;
    double precision = 0;
    double slice[5] = {0, 0, 0, 0, 0};
    unsigned photons = 0;  // KX_PHOTONS_* bits
    bool inverse = false;  // turned inside out
};

ShapeSettings shapeSettingsOf(CadObject* obj);

struct ShapeEdit {
    bool changed = false;  // a step was recorded or merged
    std::string refused;   // "_lathe1 needs at least 2 points, has 1"; empty when taken
};

// Each sets the field on every object given whose kind has it, redraws them
// and records one step; the merge key makes typing in one field one step. A
// value that would give one of the shapes parameters the renderer refuses
// changes none of them, records nothing, and says which and why. A shape the
// renderer refuses already takes any value, so that it can be put right one
// field at a time.
//
// SplineType, Conic, Container, Iterations.
ShapeEdit setShapeInteger(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId, int value,
                          const std::string& mergeKey = {});
// Threshold, Accuracy, MaxGradient, Precision.
ShapeEdit setShapeNumber(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId, double value,
                         const std::string& mergeKey = {});
// Exponents (2), SweepHeights (2), JuliaParameter (4), Slice (5): the count
// must be the field's.
ShapeEdit setShapeNumbers(EditHistory& history, const std::vector<CadObject*>& objects, int propertyId,
                          const std::vector<double>& values, const std::string& mergeKey = {});
// The isosurface's function.
ShapeEdit setShapeFunction(EditHistory& history, const std::vector<CadObject*>& objects, const std::string& text);
// The profile points; a sphere sweep takes a radius per point with them
// (radii is ignored for the other kinds).
ShapeEdit setShapeProfile(EditHistory& history, const std::vector<CadObject*>& objects,
                          const std::vector<Point3d>& points, const std::vector<double>& radii = {});

struct PhotonBit {
    unsigned bit;
    const char* label;  // the step is "Set Photons <label>" or "Clear Photons <label>"
};
inline constexpr PhotonBit kPhotonBits[] = {
    {KX_PHOTONS_TARGET, "Target"},
    {KX_PHOTONS_REFLECTION, "Reflection"},
    {KX_PHOTONS_REFRACTION, "Refraction"},
};

// True for the objects the renderer collects photons for (everything but
// lights, the camera and groups).
bool takesPhotons(const CadObject* obj);
// Turns one KX_PHOTONS_* bit on or off for every such object given; false
// when none changed.
bool setPhotons(EditHistory& history, const std::vector<CadObject*>& objects, unsigned bit, bool on);

// Turns every solid given inside out, or back: in an intersection an
// inside-out member cuts itself away, as a difference's later members do.
// One step ("Set Inverse", "Clear Inverse"); false when none changed.
bool setInverse(EditHistory& history, const std::vector<CadObject*>& objects, bool on);

// The media a solid is filled with: kind 0 absorbing, 1 emitting, 2
// scattering, -1 none; the colour as three numbers. One step for all solids given.
struct InteriorMedia {
    int kind = -1;
    double colour[3] = {0, 0, 0};
};
InteriorMedia interiorMediaOf(CadObject* obj);
bool setInteriorMedia(EditHistory& history, const std::vector<CadObject*>& objects, const InteriorMedia& media);

}  // namespace kx::app
