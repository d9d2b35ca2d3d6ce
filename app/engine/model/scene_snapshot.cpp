#include "model/scene_snapshot.h"

#include "model/height_field_surface.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace kx::app {

namespace {

constexpr unsigned kLightValues = 116;

// The patch's control net as its preview mesh holds it, already placed: the
// mesh is the net's 3 x 3 cells, two facets a cell (row r, column c: the
// corners (r+1,c+1), (r+1,c), (r,c), then (r,c), (r,c+1), (r+1,c+1)).
bool placedPatchNet(const CadObject& patch, Point3d (&net)[16]) {
    constexpr uint32_t kFacets = 18;
    Point3d corners[kFacets][3];
    uint32_t held = 0;
    if (patch.polygons && (patch.polygonCount ? patch.polygonCount : patch.count) == kFacets) {
        for (; held < kFacets; ++held) std::copy_n(patch.polygons[held].vertex, 3, corners[held]);
    } else {
        for (const ListEntry* n = patch.points; n && held < kFacets; n = n->next, ++held) {
            if (n->count != 3 || !n->points) return false;
            std::copy_n(n->points, 3, corners[held]);
        }
    }
    if (held != kFacets) return false;
    auto cell = [&](int r, int c) { return 2 * (3 * r + c); };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) net[4 * r + c] = corners[cell(r, c)][2];
    for (int r = 0; r < 3; ++r) net[4 * r + 3] = corners[cell(r, 2) + 1][1];
    for (int c = 0; c < 3; ++c) net[12 + c] = corners[cell(2, c)][1];
    net[15] = corners[cell(2, 2)][0];
    return true;
}

// The bicubic surface over a placed net (placing commutes with the surface),
// cut as the renderer cuts it: 2^steps cells each way, columns by the first
// steps value, rows by the second (3 when 0).
bool patchSurface(const CadObject& patch, std::vector<TriPolygon>& out) {
    Point3d net[16];
    if (!placedPatchNet(patch, net)) return false;
    auto steps = [](float v) { return v == 0.0f || !(v >= 1) ? 3 : std::min(6, static_cast<int>(v)); };
    const int columns = 1 << steps(patch.extraPoint.x), rows = 1 << steps(patch.extraPoint.y);
    struct Sample {
        Point3d p, n;
    };
    auto bernstein = [](double t, double (&b)[4], double (&d)[4]) {
        const double s = 1 - t;
        b[0] = s * s * s, b[1] = 3 * t * s * s, b[2] = 3 * t * t * s, b[3] = t * t * t;
        d[0] = -3 * s * s, d[1] = 3 * s * s - 6 * t * s, d[2] = 6 * t * s - 3 * t * t, d[3] = 3 * t * t;
    };
    std::vector<Sample> grid(static_cast<size_t>(rows + 1) * (columns + 1));
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= columns; ++j) {
            double bu[4], du[4], bv[4], dv[4];
            bernstein(static_cast<double>(j) / columns, bu, du);
            bernstein(static_cast<double>(i) / rows, bv, dv);
            double p[3] = {}, tu[3] = {}, tv[3] = {};
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) {
                    const Point3d& q = net[4 * r + c];
                    const double at[3] = {q.x, q.y, q.z};
                    for (int k = 0; k < 3; ++k) {
                        p[k] += bv[r] * bu[c] * at[k];
                        tu[k] += bv[r] * du[c] * at[k];
                        tv[k] += dv[r] * bu[c] * at[k];
                    }
                }
            Sample& s = grid[static_cast<size_t>(i) * (columns + 1) + j];
            s.p = MakePoint(p[0], p[1], p[2]);
            s.n = MakePoint(tu[1] * tv[2] - tu[2] * tv[1], tu[2] * tv[0] - tu[0] * tv[2], tu[0] * tv[1] - tu[1] * tv[0]);
        }
    out.clear();
    out.reserve(static_cast<size_t>(2) * rows * columns);
    auto at = [&](int i, int j) -> const Sample& { return grid[static_cast<size_t>(i) * (columns + 1) + j]; };
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            const Sample* first[3] = {&at(i, j), &at(i + 1, j), &at(i, j + 1)};
            const Sample* second[3] = {&at(i + 1, j), &at(i + 1, j + 1), &at(i, j + 1)};
            for (const auto* tri : {first, second}) {
                TriPolygon& t = out.emplace_back();
                for (int k = 0; k < 3; ++k) {
                    t.vertex[k] = tri[k]->p;
                    t.normal[k] = tri[k]->n;
                }
            }
        }
    return true;
}

}  // namespace

PreviewLight previewLightOf(const CadObject& light) {
    const ExtraField* field = nullptr;
    if (light.extra) {
        const ExtraField* fields = ExtraBlockFields(light.extra);
        for (uint32_t i = 0; i < light.extra->count; ++i)
            if (fields[i].id == kLightValues) field = &fields[i];
    }
    if (!field) return PreviewLight::Point;
    if ((field->type != KX_VALUE_FLOATARRAY && field->type != KX_VALUE_FLOAT) || field->count == 0)
        return PreviewLight::Point;
    double first = 0;
    if (!GetObjectExtra(const_cast<CadObject*>(&light), kLightValues, 1, &first)) return PreviewLight::Point;
    // 1 aims the light; 0 (set with a falloff or radius) and 2 (an area
    // light) are drawn as points at the light's position.
    // A cylinder light shines as a spot; a parallel light from where it stands.
    if (first == 1.0 || first == 3.0) return PreviewLight::Spot;
    if (first == 0.0 || first == 2.0 || first == 4.0) return PreviewLight::Point;
    return PreviewLight::Omitted;
}

TextureInfo* findListTexture(const char* name) {
    if (!name || !name[0]) return nullptr;
    for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
        if (strncasecmp(t->name, name, sizeof t->name) == 0) return t;
    return nullptr;
}

TextureInfo colourMaterial(const CadObject& object) {
    TextureInfo m{};
    m.colour[0] = object.rgb & 0xFF;
    m.colour[1] = (object.rgb >> 8) & 0xFF;
    m.colour[2] = (object.rgb >> 16) & 0xFF;
    return m;
}

bool drawnFromParameters(uint32_t type) {
    switch (type) {
        case KX_LIGHT:
        case KX_CAMERA:
        case KX_SPHERE:
        case KX_ELLIPSOID:
        case KX_BLOB:
        case KX_DISC:
        case KX_CYLINDER:
        case KX_CONE:
        case KX_TORUS:
        case KX_PLANE: return true;
        default: return false;
    }
}

bool blobWithoutSurface(const CadObject& object) {
    return object.type == KX_BLOB && BlobComponentRadius(&object, object.extraPoint.x) == 0;
}

bool previewDraws(const CadObject& object, const SnapshotGeometry* geometry) {
    if (!(object.flags & KX_FLAG_VISIBLE) || blobWithoutSurface(object)) return false;
    return geometry || drawnFromParameters(object.type);
}

PreviewMesh SnapshotGeometry::previewMesh() const {
    return {static_cast<uint32_t>(shared.positions.size() / 3), static_cast<uint32_t>(shared.corners.size() / 3),
            shared.positions.data(), shared.normals.empty() ? nullptr : shared.normals.data(), shared.corners.data()};
}

size_t SnapshotGeometry::bytes() const {
    return triangles.size() * sizeof(TriPolygon) + uv.size() * sizeof(Point3d) +
           (shared.positions.size() + shared.normals.size()) * sizeof(float) + shared.corners.size() * sizeof(uint32_t);
}

namespace {

// The triangles with their corners shared, unless none are left or too many
// to number; the records stay only where they are the smaller form's only way.
std::shared_ptr<SnapshotGeometry> prepared(std::shared_ptr<SnapshotGeometry> geometry) {
    std::vector<TriPolygon>& t = geometry->triangles;
    if (t.empty() || !geometry->uv.empty()) return geometry;
    if (shareCorners(t.data(), t.size(), geometry->shared)) std::vector<TriPolygon>().swap(t);
    return geometry;
}

// Copies of the point list's nodes the picture shows thin: every node of a
// marker, a proxy or a wire, else the lone points and segments.
void copyWire(const CadObject& object, bool asWire, SnapshotGeometry& g) {
    constexpr uint32_t kLongestNode = 8;
    const bool whole =
        asWire || object.type == KX_LIGHT || object.type == KX_CAMERA || object.type == KX_USERDEFINED;
    auto wanted = [whole](const ListEntry* n) {
        return n->points && n->count > 0 && n->count <= kLongestNode && (whole || n->count < 3);
    };
    size_t nodes = 0, points = 0;
    for (const ListEntry* n = object.points; n; n = n->next)
        if (wanted(n)) ++nodes, points += n->count;
    if (!nodes) return;
    g.wirePoints.reserve(points);
    g.wire.reserve(nodes);
    for (const ListEntry* n = object.points; n; n = n->next) {
        if (!wanted(n)) continue;
        g.wire.push_back({nullptr, nullptr, nullptr, n->count});
        g.wirePoints.insert(g.wirePoints.end(), n->points, n->points + n->count);
    }
    // Linked once the points no longer move.
    Point3d* at = g.wirePoints.data();
    for (size_t i = 0; i < g.wire.size(); ++i) {
        g.wire[i].points = at;
        at += g.wire[i].count;
        g.wire[i].next = i + 1 < g.wire.size() ? &g.wire[i + 1] : nullptr;
    }
}

}  // namespace

namespace {

// The operations as a group object holds them.
constexpr float kIntersection = KX_CSG_INTERSECTION, kDifference = KX_CSG_DIFFERENCE;

bool insideOut(const CadObject& o) {
    unsigned inverse = 0;
    return o.extra && GetCadObjectProperty(const_cast<CadObject*>(&o), "Inverse", &inverse) && inverse != 0;
}

// The kinds the drawing library knows the inside of.
bool knownInside(uint32_t type) {
    switch (type) {
        case KX_SPHERE:
        case KX_ELLIPSOID:
        case KX_BOX:
        case KX_CYLINDER:
        case KX_CONE:
        case KX_TORUS:
        case KX_PLANE: return true;
        default: return false;
    }
}

}  // namespace

CadObject fieldsOf(const CadObject& o) {
    CadObject r = o;
    r.next = r.prev = r.parent = r.firstChild = r.nextSibling = nullptr;
    r.extra = nullptr;
    r.points = nullptr;
    r.treeItem = nullptr;
    r.polygons = nullptr;
    r.uv = nullptr;
    r.uvCount = r.polygonCount = 0;
    return r;
}

namespace {

// A union or a merge: any group that neither intersects nor takes away, as
// the renderer is given it.
bool joins(const CadObject& group) {
    return group.type == KX_GROUP && group.extraPoint.x != kIntersection && group.extraPoint.x != kDifference;
}

// Bounded: a damaged chain of siblings or parents must not hold the snapshot.
constexpr int kMostMembers = 4096;
constexpr int kDeepestJoin = 64;
// A surface inside several unions is drawn once for each choice of one
// member a union; unions past this many drawings bound it no more.
constexpr size_t kMostChoices = 64;

// The members of a union (or merge) that bound what they touch, through the
// unions inside it: taking away a union takes away each of its members.
void joinedMembers(const CadObject& group, const CadObject* leaving, std::vector<CadObject>& out, int depth = 0) {
    if (depth > kDeepestJoin) return;
    int seen = 0;
    for (const CadObject* m = group.firstChild; m && seen < kMostMembers; m = m->nextSibling, ++seen) {
        if (m == leaving || !(m->flags & KX_FLAG_VISIBLE) || insideOut(*m)) continue;
        if (joins(*m)) joinedMembers(*m, leaving, out, depth + 1);
        else if (knownInside(m->type)) out.push_back(fieldsOf(*m));
    }
}

}  // namespace

size_t CsgClip::choices() const {
    size_t n = 1;
    for (const std::vector<CadObject>& members : withinAny) n *= members.size();
    return n;
}

CsgClip csgClipOf(const CadObject& object) {
    CsgClip clip;
    // A member of a union inside an intersection or a difference is bounded
    // by that group's other members as the union is, and, when the union is
    // taken away, stays outside the union's other members too (the wall of
    // the hole they leave together).
    const CadObject* member = &object;
    const CadObject* group = object.parent;
    std::vector<const CadObject*> joinedIn;
    for (int depth = 0; group && joins(*group) && group->parent && depth < kDeepestJoin; ++depth) {
        joinedIn.push_back(group);
        member = group;
        group = group->parent;
    }
    if (!group || group->type != KX_GROUP) return clip;
    const float operation = group->extraPoint.x;
    if (operation != kIntersection && operation != kDifference) return clip;
    // A difference is the intersection of its first member with the others
    // turned inside out; an inside-out member turns once more.
    auto takenAway = [&](const CadObject* m) {
        return (operation == kDifference && m != group->firstChild) != insideOut(*m);
    };
    // Lying inside a union is lying inside one of its members: the surface
    // is drawn within each choice of one member of each union it must lie
    // inside.
    int seen = 0;
    for (const CadObject* m = group->firstChild; m && seen < kMostMembers; m = m->nextSibling, ++seen) {
        if (m == member || !(m->flags & KX_FLAG_VISIBLE)) continue;
        if (knownInside(m->type)) {
            (takenAway(m) ? clip.without : clip.within).push_back(fieldsOf(*m));
        } else if (joins(*m) && takenAway(m)) {
            joinedMembers(*m, nullptr, clip.without);
        } else if (joins(*m)) {
            std::vector<CadObject> members;
            joinedMembers(*m, nullptr, members);
            if (!members.empty() && clip.choices() * members.size() <= kMostChoices)
                clip.withinAny.push_back(std::move(members));
        }
    }
    clip.takenAway = takenAway(member);
    if (clip.takenAway) {
        const CadObject* leaving = &object;
        for (const CadObject* union_ : joinedIn) {
            joinedMembers(*union_, leaving, clip.without);
            leaving = union_;
        }
    }
    const bool bounded = !clip.within.empty() || !clip.withinAny.empty();
    clip.clipped = clip.takenAway ? bounded : bounded || !clip.without.empty();
    if (!clip.clipped) clip.within.clear(), clip.without.clear(), clip.withinAny.clear();
    return clip;
}

bool cutAwayInCsg(const CadObject& object) {
    // Bounded: a damaged chain of parents must not hold the snapshot.
    constexpr int kDeepest = 1024;
    int depth = 0;
    for (const CadObject* o = &object; o->parent && depth < kDeepest; o = o->parent, ++depth) {
        const CadObject& group = *o->parent;
        if (group.type != KX_GROUP) continue;
        if (group.extraPoint.x == kDifference && group.firstChild != o) return true;
        if (group.extraPoint.x == kIntersection && insideOut(*o)) return true;
    }
    return false;
}

std::string paintedPicture(const CadObject& object) {
    const ExtraField* field = nullptr;
    for (unsigned i = 0; (field = GetObjectExtraField(const_cast<CadObject*>(&object), i)); ++i)
        if (field->id == KX_PROP_IMAGEMAP) break;
    if (!field || field->type != KX_VALUE_STRING) return {};
    char text[KX_EXTRA_TEXT_MAX + 1] = "";
    GetObjectExtraString(const_cast<CadObject*>(&object), KX_PROP_IMAGEMAP, text);
    const std::string name = text;
    const size_t dot = name.find_last_of("./");
    const char* ext = dot != std::string::npos && name[dot] == '.' ? name.c_str() + dot : "";
    for (const char* drawn : {".tga", ".png", ".jpg", ".jpeg"})
        if (strcasecmp(ext, drawn) == 0) return name;
    return {};
}

namespace {

// A painted mesh of triangle nodes with a uv a corner (an imported model)
// keeps its triangles as records beside the uvs, as a rebuilt one does, so
// its picture is laid on by its own coordinates. Unpainted, it keeps its
// corners shared, which draws faster.
bool listTrianglesWithUv(const CadObject& object, SnapshotGeometry& geometry) {
    if (paintedPicture(object).empty()) return false;
    if (!object.uv || object.uvCount < size_t{object.count} * 3 || !object.points) return false;
    size_t nodes = 0;
    for (const ListEntry* n = object.points; n; n = n->next, ++nodes)
        if (n->count != 3 || !n->points) return false;
    if (nodes != object.count) return false;
    geometry.triangles.reserve(nodes);
    for (const ListEntry* n = object.points; n; n = n->next) {
        TriPolygon t{};
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] = n->points[k];
            if (n->normals) t.normal[k] = n->normals[k];
        }
        geometry.triangles.push_back(t);
    }
    geometry.uv.assign(object.uv, object.uv + 3 * nodes);
    return true;
}

}  // namespace

std::shared_ptr<const SnapshotGeometry> snapshotGeometry(const CadObject& object, bool asWire) {
    auto geometry = std::make_shared<SnapshotGeometry>();
    if (asWire || (drawnFromParameters(object.type) && (object.type == KX_LIGHT || object.type == KX_CAMERA))) {
        copyWire(object, asWire, *geometry);
        return geometry->wire.empty() ? nullptr : geometry;
    }
    if (drawnFromParameters(object.type)) return nullptr;
    copyWire(object, false, *geometry);
    const bool thin = !geometry->wire.empty();
    if (object.type == KX_PATCH && patchSurface(object, geometry->triangles)) return prepared(geometry);
    if (object.type == KX_HEIGHTFIELD && heightFieldSurface(object, geometry->triangles)) return prepared(geometry);
    if (object.polygons) {
        const size_t n = object.polygonCount ? object.polygonCount : object.count;
        if (object.uv && object.uvCount >= 3 * n) {
            geometry->triangles.assign(object.polygons, object.polygons + n);
            geometry->uv.assign(object.uv, object.uv + 3 * n);
            return geometry;
        }
        if (n > 0 && shareCorners(object.polygons, n, geometry->shared)) return geometry;
        geometry->triangles.assign(object.polygons, object.polygons + n);
        return geometry;
    }
    if (listTrianglesWithUv(object, *geometry)) return geometry;
    if (!shareListCorners(object.points, object.count, geometry->shared) && !thin) return nullptr;
    return geometry;
}

std::shared_ptr<const SnapshotGeometry> refreshedGeometry(const CadObject& object, const SnapshotGeometry& before) {
    // Only a plain list of faces, drawn solid and unpainted, is prepared
    // from its corners alone; every other kind takes another branch above.
    if (!before.indexed() || !before.triangles.empty() || !before.uv.empty() || !before.wire.empty()) return nullptr;
    if (drawnFromParameters(object.type) || object.type == KX_PATCH || object.type == KX_HEIGHTFIELD ||
        object.type == KX_USERDEFINED || object.polygons || !object.points)
        return nullptr;
    if (!paintedPicture(object).empty()) return nullptr;
    auto geometry = std::make_shared<SnapshotGeometry>();
    if (!refreshListCorners(object.points, before.shared, geometry->shared)) return nullptr;
    return geometry;
}

}  // namespace kx::app
