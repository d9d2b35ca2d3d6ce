// An immutable picture of the scene as the shaded preview draws it, made by
// the scene model at the end of every change. Nothing in it points into the
// scene: a snapshot stays valid, and can be drawn on any thread without a
// lock, after the objects it was made from were changed or freed. Objects
// whose geometry did not change share their triangles with the snapshot
// before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kxcore.h"
#include "kxrender.h"
#include "model/shared_corners.h"

namespace kx::app {

// What a light hands the drawing library.
struct SnapshotLight {
    Point3d position{};
    Point3d pointAt{};
    bool spot = false;
    uint32_t colour = 0;
};

// An object's triangles: with their corners shared, or, when they carry
// image coordinates of their own, as records beside those.
struct SnapshotGeometry {
    std::vector<TriPolygon> triangles;
    std::vector<Point3d> uv;  // three a triangle, or none
    SharedCorners shared;     // used when triangles is empty
    // What the picture shows thin: a point list of lone points and segments
    // (of every node for a light's or a camera's marker, and for a
    // user-defined object's proxy), its nodes pointing into wirePoints.
    std::vector<ListEntry> wire;
    std::vector<Point3d> wirePoints;

    bool indexed() const { return !shared.corners.empty(); }
    size_t triangleCount() const { return indexed() ? shared.corners.size() / 3 : triangles.size(); }
    TriPolygon triangle(size_t i) const { return indexed() ? sharedTriangle(shared, i) : triangles[i]; }
    // The shared corners as the drawing library takes them.
    PreviewMesh previewMesh() const;
    // What the geometry holds, in bytes.
    size_t bytes() const;
};

// How a member of an intersection or a difference is drawn: its surface
// kept only within the group's other members it must lie inside and outside
// those it must lie outside (the members of a kind whose inside is known).
// A member the group takes away walls the hollow it leaves.
struct CsgClip {
    bool clipped = false;
    bool takenAway = false;
    std::vector<CadObject> within, without;  // drawn records: no links
    // Kept within one member of each of these too (the members of each
    // union the surface must lie inside): drawn once within each choice of
    // one member a union.
    std::vector<std::vector<CadObject>> withinAny;
    // How many times that draws the surface: the product of the unions' sizes.
    size_t choices() const;
};

// An object's own fields with every link, its extra block, its point list
// and its triangles left out: nothing of it points into the scene.
CadObject fieldsOf(const CadObject& object);

// The clip of an object whose group is an intersection or a difference;
// not clipped otherwise, and not when it is taken away and no member of a
// known inside bounds it (then it is drawn as wire).
CsgClip csgClipOf(const CadObject& object);

struct SnapshotObject {
    // The object's identity for as long as it lives in the scene.
    uint64_t id = 0;
    // The drawn fields of the object; its links, extra block and point list
    // are null, and its triangles and image coordinates are the geometry's.
    CadObject record{};
    std::shared_ptr<const SnapshotGeometry> geometry;
    // The object's colour as a material record.
    TextureInfo colour{};
    // A copy of the list texture the object names (without its owned block),
    // when there is one.
    bool hasTexture = false;
    TextureInfo texture{};
    // The image file that texture maps, empty when none.
    std::string imageFile;
    CsgClip clip;
};

struct SceneSnapshot {
    // Moves with every change of the scene; 0 before the first.
    uint64_t generation = 0;
    // Moves with every change of the texture list.
    uint64_t textureGeneration = 0;
    bool hasCamera = false;
    CameraInfo camera{};  // its object pointer is null
    // The id of the object that shows the active camera (0: none): the
    // picture is seen from it, so its marker is not drawn.
    uint64_t viewingCamera = 0;
    std::vector<SnapshotLight> lights;
    // The visible objects, in list order.
    std::vector<std::shared_ptr<const SnapshotObject>> objects;
};

// How a light reaches the drawing library.
enum class PreviewLight { Point, Spot, Omitted };
PreviewLight previewLightOf(const CadObject& light);

// The list record a material name names (any letter case); null when none.
TextureInfo* findListTexture(const char* name);

// The material of an object without a texture: a zeroed record holding its colour.
TextureInfo colourMaterial(const CadObject& object);

// Lights, the camera, spheres, ellipsoids, blobs, discs, cylinders, cones,
// tori and planes reach the drawing library without triangles of their own:
// it draws them from their fields.
bool drawnFromParameters(uint32_t type);

// A blob whose threshold and strength give its field no surface: the
// renderer draws nothing for it, and the views mark its outline.
bool blobWithoutSurface(const CadObject& object);

// True when the preview draws the object: visible, and with triangles or
// drawn from its fields (a blob only when its field has a surface).
bool previewDraws(const CadObject& object, const SnapshotGeometry* geometry);

// The triangles of an object as the preview draws them (its own triangle
// array, or its point list's faces) and what it shows thin (the point list's
// lone points and segments; a light's or a camera's whole list). Null when
// the object has none of these (or is drawn from its parameters alone).
// With asWire (a member a difference takes away), only the outlines of the
// point list's faces and its segments: drawn thin, as the views show it.
std::shared_ptr<const SnapshotGeometry> snapshotGeometry(const CadObject& object, bool asWire = false);

// The geometry of an object reshaped in a way that kept its point list's
// faces (a move, a turn, a scale): `before`, its geometry as last prepared,
// with the corners where they now stand, the same triangles snapshotGeometry
// would give without welding the corners again. Null when that cannot be
// said of the object (then snapshotGeometry prepares it afresh).
std::shared_ptr<const SnapshotGeometry> refreshedGeometry(const CadObject& object, const SnapshotGeometry& before);

// The Targa, PNG or JPEG picture an object is painted with through its uvs (the
// kinds the preview decodes); empty when none.
std::string paintedPicture(const CadObject& object);

// True for a member its group takes away, at any depth of groups: any but
// a difference's first, and an inside-out member of an intersection. Unless
// its group's members bound it (csgClipOf), the picture shows it as wire,
// not as a solid that would hide what it cuts.
bool cutAwayInCsg(const CadObject& object);

}  // namespace kx::app
