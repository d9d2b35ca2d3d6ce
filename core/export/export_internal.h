// What the export writers share: the run's state, the dialect records of the
// formats, the object rows, vectors, indentation and names.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core_state.h"
#include "model/point_compare.h"

namespace kx::exporter {


inline ExportRun& run() { return core().exportRun; }

// A light's kind and values as the LightValues field holds them (all zero and
// a point light without it).
struct LightSetting {
    int kind = 0;  // 0 point, 1 spot, 2 area, 3 cylinder, 4 parallel
    double v[6] = {};
};
LightSetting lightSettingOf(CadObject* light);

// Writes one object in a format; 0 when it failed (logged by the driver).
using ObjectWriter = int (*)(StandardFile*, CadObject*, int extras);
using WriterCells = std::array<ObjectWriter, KX_TYPE_COUNT>;

struct Cell {
    unsigned type;
    ObjectWriter write;
};
constexpr WriterCells cells(std::initializer_list<Cell> list) {
    WriterCells out{};
    for (const Cell& c : list) out[c.type] = c.write;
    return out;
}

// Everything in which one output format differs from the others. A null hook
// writes nothing.
struct Dialect {
    unsigned id;
    const char* vectorForm;   // three %g; null: vectors are not written
    const char* commentForm;  // the "Comment" extra text; null: left out
    // A blank line before each object, declared group members and group blocks.
    const char* declareForm;  // null: no object blocks
    bool warnWithoutLights;
    void (*header)(StandardFile*, int withScene);
    void (*camera)(StandardFile*);
    void (*light)(StandardFile*, CadObject*, const LightSetting&);
    void (*trailer)(StandardFile*);
    void (*attributes)(StandardFile*, CadObject*);  // after the user's inline text
    int (*texture)(StandardFile*, CadObject*);
    // A link extra (inline, anchor): result bit 0 an anchor was opened, bit 2
    // the walk of the extra fields ends.
    int (*link)(StandardFile*, unsigned field, const char* text);
    // Grouped members: one blob component (first of its group or not), and the
    // text before each other member (its index in the group, the CSG operation).
    int (*blobComponent)(StandardFile*, CadObject*, bool first);
    void (*groupMember)(StandardFile*, CadObject*, unsigned index, unsigned op);
    // The types written as the format's mesh (one bit per type id), and its mesh writer.
    uint64_t meshTypes;
    ObjectWriter mesh;
    WriterCells writers;
};

constexpr uint64_t typeBits(std::initializer_list<unsigned> types) {
    uint64_t bits = 0;
    for (unsigned t : types) bits |= uint64_t{1} << t;
    return bits;
}
static_assert(KX_TYPE_COUNT <= 64, "a type bit per object type");
constexpr uint64_t kMeshObjects = typeBits({KX_POLYGON, KX_TEXT});

// The record of a format; formats without a writer of their own get one that
// writes nothing but objects of type 7 (points through the object template).
const Dialect& dialectOf(unsigned format);
inline const Dialect& dialectOf(const StandardFile* f) { return dialectOf(f->type); }

extern const Dialect kPovray1Dialect, kPovray2Dialect, kPovray3Dialect;
extern const Dialect kPolyrayDialect, kNffDialect, kDxfDialect, kRibDialect;
extern const Dialect kVrml1Dialect, kVrml2Dialect, kObjDialect;

// What every format asks of an object before its writer runs: can it be
// written at all (its data are there)? When not, `refuse` says so and gives
// the result.
struct ObjectRow {
    bool (*ready)(CadObject*);
    int (*refuse)(StandardFile*, CadObject*);
};
const ObjectRow& objectRow(unsigned type);


void writeVector(StandardFile* f, const Point3d& p);
void writeLabelledVector(StandardFile* f, const char* label, const Point3d& p, const char* suffix);
void indent(StandardFile* f);
void indentIn();
void indentOut();
void resetIndent();
// Indent, then the text (which may hold no format).
void indented(StandardFile* f, const char* text);

using kx::model::isUnitScale;
using kx::model::isZero;
// A colour byte as the renderers want it: c / 255.
inline double channel(unsigned rgb, int shift) { return ((rgb >> shift) & 0xFF) * (1.0 / 255); }

// A name as it may stand in the scene text as an identifier: anything but
// letters, digits and "_" becomes "_", and a name that could be one of the
// renderer's own (lower-case) words gets a leading "_".
std::string identifierOf(const char* name);
// The object's identifier in the current export: identifierOf its name, with
// "_2", "_3"... when an earlier object of the scene already has that one, so
// the same scene always gets the same identifiers.
std::string objectIdentifier(const CadObject* obj);
// A VRML DEF name: letters, digits and "_" (others become "_"), "_" before a
// leading digit.
std::string defNameOf(const char* name);
// True when a texture or colour name may stand in the text as it is.
bool isPlainIdentifier(const char* name);
// True for the words POV-Ray reserves ("blue", "box", "x"...): no scene
// identifier may be one of them.
bool isPovReservedWord(const char* name);
// "#ifndef ... #declare" of every colour name in use that is neither encoded
// nor one of the renderer's named colours, valued from its first object.
void writeColourDeclarations(StandardFile* f);
// Text for a comment line: line ends become blanks.
std::string commentText(const char* text);
// commentText, and UTF-8 in a file that must hold it (VRML 2).
std::string commentFor(const StandardFile* f, const char* text);
// An extra text of the object; empty when it has none.
std::string extraText(CadObject* obj, unsigned id);

// The extras pass; returns bit 0 (a VRML anchor opened) and bit 1 (a user inline text).
int exportObjectExtras(StandardFile* f, CadObject* obj, bool userInlineOnly);

// True when the object's writer will produce an object in this format, so a
// declaration of it names a value.
bool writesObject(StandardFile* f, CadObject* obj);
// Dispatches to the format's writer; 0 when nothing could be written.
int exportObject(StandardFile* f, CadObject* obj, int extras);
void exportLights(StandardFile* f);

// Shared writers.
int exportPoints(StandardFile* f, CadObject* obj, int extras);  // type 7, through the object template
int exportUserDefined(StandardFile* f, CadObject* obj, int extras);
int exportPovBlob(StandardFile* f, CadObject* obj, bool firstComponent);
// True when the facet writer would write at least one triangle.
bool hasWritableFacet(const CadObject* obj);
// True for the objects a Wavefront OBJ file holds: meshes and solids that are
// exported, not lights, cameras, groups or point sets.
bool inObjFile(const CadObject* o);
// In the file of a mesh format: in an OBJ file, and selected when only the
// selection is exported.
bool inMeshFile(CadObject* o);
// The unit normal of a triangle's corners turning counter-clockwise, or
// `degenerate` when they enclose no area.
Point3d triangleNormal(const Point3d* corners, const Point3d& degenerate);
// What a mesh-only export left out, for the message that it wrote nothing:
// "left out: 1 camera, 2 lights", or "the scene has no objects".
std::string leftOutOfMeshes();
// Reports that a mesh-only export would have written no triangle; 0.
int refuseEmptyMeshExport(const char* path, const char* format);
// True when a mesh writer has something to write: selected (or all are
// exported) and at least one triangle.
bool meshWritten(CadObject* obj);
// The POV-Ray texture and transforms, which Polyray shares.
void exportPovAttributes(StandardFile* f, CadObject* obj);
// A whole number from a stored double, safe for any value.
int truncated(double v);
// A bicubic patch up to its attributes: the comment, `opener`, the line of
// flatness and steps written with `stepsFormat` (%g %d %d), the 16 points and
// the attributes. The caller closes it in its dialect.
void writePatchNet(StandardFile* f, CadObject* obj, const char* opener, const char* stepsFormat);

// The radius a blob component is written with: the one that gives it the
// size the views show under the threshold of the blob being written (the
// first component's, remembered when `first`); its scale's y, as ever, when
// that threshold and the component's strength give no surface.
double blobRadius(CadObject* obj, bool first);
// True when the blob's field reaches its threshold, so the component has a surface.
bool blobHasSurface(const CadObject* obj);

// The renderer's own shapes in POV-Ray 3: the exact object; ready when the
// renderer would take its parameters (refused ones are left out, logged).
int exportPovShape(StandardFile* f, CadObject* obj, int extras);
bool shapeWritable(CadObject* obj);
int refuseShape(StandardFile* f, CadObject* obj);
// True when an exported isosurface calls a function of the renderer's
// functions include file.
bool sceneCallsLibraryFunctions();
// The object's photons block, when its "Photons" field sets any flag.
void exportPovPhotons(StandardFile* f, CadObject* obj);
// The object's interior media, when its "InteriorMedia" field names a kind.
void exportPovInteriorMedia(StandardFile* f, CadObject* obj);

// The scene settings before the camera (global settings, sky sphere, fog,
// media), and in the camera block its kind (first) and its focal blur.
void writePovSceneSettings(StandardFile* f);
void writePovCameraKind(StandardFile* f);
void writePovFocalBlur(StandardFile* f);

// The uvs of an object, when it keeps three for each triangle the facet
// writer gives (its nodes are all triangles, or it holds a triangle array)
// and uvs are not turned off for exports.
bool uvFits(const CadObject* obj);
// The picture a mesh is painted with through its uvs; empty when it has none
// or no uvs to lay it on.
std::string imageMapOf(CadObject* obj);

// A POV-Ray 3 mesh's body as mesh2, with its uvs when it is painted with a
// picture.
int exportMesh2(StandardFile* f, CadObject* obj);
// With a mesh cache folder set: the mesh's mesh2 in its include file there
// (written when missing or damaged) and an #include of it in f. False, with
// nothing written to f, when there is no folder or the file cannot be made.
bool includeCachedMesh(StandardFile* f, CadObject* obj);

// The RenderMan light counter.
void resetLightCounter();
// The DXF polyline of a points or lines object.
int writeDxfPoints(CadObject* obj, StandardFile* f);

}  // namespace kx::exporter
