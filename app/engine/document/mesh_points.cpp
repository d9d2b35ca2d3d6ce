#include "document/mesh_points.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "model/scene_model.h"

namespace kx::app {

namespace {

// A mesh with triangles keeps its list in its own frame and its triangles
// placed by scale, rotation and position: without scale and rotation, only
// the position lies between a corner and the scene, and rebuilding makes the
// triangles again from triangles only. A bare list stands in the scene.
bool turned(const CadObject* mesh) {
    return mesh->polygons && (mesh->scale.x != 1.0f || mesh->scale.y != 1.0f || mesh->scale.z != 1.0f ||
                              mesh->rotate.x != 0.0f || mesh->rotate.y != 0.0f || mesh->rotate.z != 0.0f);
}

// Every node a triangle with one placed triangle of its own, in order: each
// triangle shows where its node's corners stand in the scene.
bool placedNodeForNode(const CadObject* mesh) {
    const size_t triangles = mesh->polygonCount ? mesh->polygonCount : mesh->count;
    size_t nodes = 0;
    for (const ListEntry* n = mesh->points; n; n = n->next, ++nodes)
        if (n->count != 3 || !n->points) return false;
    return nodes == triangles && nodes == mesh->count;
}

bool editable(const CadObject* mesh) {
    if (!mesh || mesh->type != KX_POLYGON || !mesh->points) return false;
    if (!mesh->polygons) return true;
    // A scaled or turned mesh is edited where its triangles stand: its list
    // takes their places and its scale and rotation are let go in the step.
    return turned(mesh) ? placedNodeForNode(mesh) : mesh->points->count == 3;
}

Point3d offsetOf(const CadObject* mesh) { return mesh->polygons ? mesh->translate : Point3d{0, 0, 0}; }

// The corners of node `index` in the frame edits work in: the list's own, or
// for a scaled or turned mesh its triangle's places less its position.
void nodeInFrame(const CadObject* mesh, const ListEntry* node, size_t index, std::vector<Point3d>& points,
                 std::vector<Point3d>& normals) {
    points.assign(node->points, node->points + node->count);
    normals.clear();
    if (node->normals) normals.assign(node->normals, node->normals + node->count);
    if (!turned(mesh)) return;
    const TriPolygon& placed = mesh->polygons[index];
    const Point3d& t = mesh->translate;
    for (unsigned k = 0; k < 3; ++k) {
        points[k] = Point3d{placed.vertex[k].x - t.x, placed.vertex[k].y - t.y, placed.vertex[k].z - t.z};
        if (node->normals) normals[k] = placed.normal[k];
    }
}

// A scaled or turned mesh's list moved to where its triangles stand, scale
// and rotation let go: it looks as before, and each corner is then where it
// is drawn, less the position.
void unturn(CadObject* mesh) {
    if (!turned(mesh)) return;
    std::vector<Point3d> points, normals;
    size_t index = 0;
    for (ListEntry* n = mesh->points; n; n = n->next, ++index) {
        nodeInFrame(mesh, n, index, points, normals);
        std::copy(points.begin(), points.end(), n->points);
        if (n->normals) std::copy(normals.begin(), normals.end(), n->normals);
    }
    mesh->scale = Point3d{1, 1, 1};
    mesh->rotate = Point3d{0, 0, 0};
    RebuildObjectEx(mesh, 1);
}

// A place by its bits: corners written from one vertex are equal to the bit.
uint64_t keyOf(const Point3d& p) {
    uint32_t x, y, z;
    std::memcpy(&x, &p.x, 4);
    std::memcpy(&y, &p.y, 4);
    std::memcpy(&z, &p.z, 4);
    return (uint64_t{x} * 0x9E3779B97F4A7C15ull) ^ (uint64_t{y} * 0xC2B2AE3D27D4EB4Full) ^ (uint64_t{z} << 1);
}

bool samePlace(const Point3d& a, const Point3d& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Gives the mesh a new list of faces; a mesh with placed triangles has them
// made again from it and placed as before (the list keeps the mesh's frame).
void giveFaces(CadObject* mesh, ListEntry* faces) {
    const bool placedTriangles = mesh->polygons != nullptr;
    SetObjectPoints(mesh, faces);
    if (!placedTriangles) return;
    const unsigned n = CountEntry(mesh->points);
    mesh->polygons = CopyListToPolygons(mesh->points, n);
    mesh->polygonCount = mesh->polygons ? n : 0;
    RebuildObjectEx(mesh, 1);
}

// The mesh's faces replaced by `faces` (owned from now on, in the frame of
// nodeInFrame) as one "Edit Points" step.
bool replaceFaces(EditHistory& history, CadObject* mesh, ListEntry* faces) {
    SceneModel::Transaction lock;
    if (!lock.owns()) {
        ClearEntry(faces);
        return false;
    }
    EditRecorder rec(history, "Edit Points");
    rec.reshaping(mesh);
    if (turned(mesh)) {
        mesh->scale = Point3d{1, 1, 1};
        mesh->rotate = Point3d{0, 0, 0};
    }
    giveFaces(mesh, faces);
    return rec.commit();
}

}  // namespace

std::vector<MeshVertex> meshVertices(const CadObject* mesh) {
    std::vector<MeshVertex> out;
    if (!editable(mesh)) return out;
    const Point3d t = offsetOf(mesh);
    const bool placed = turned(mesh);
    std::unordered_multimap<uint64_t, size_t> seen;
    std::vector<Point3d> local;
    size_t corner = 0, index = 0;
    for (const ListEntry* n = mesh->points; n; n = n->next, ++index) {
        for (unsigned k = 0; k < n->count; ++k, ++corner) {
            const Point3d& p = n->points[k];
            const uint64_t key = keyOf(p);
            size_t found = out.size();
            for (auto [it, end] = seen.equal_range(key); it != end; ++it)
                if (samePlace(local[it->second], p)) found = it->second;
            if (found == out.size()) {
                if (out.size() == kMaxMeshVertices) return {};
                seen.emplace(key, out.size());
                local.push_back(p);
                out.push_back({placed ? mesh->polygons[index].vertex[k] : Point3d{p.x + t.x, p.y + t.y, p.z + t.z}, {}});
            }
            out[found].corners.push_back(corner);
        }
    }
    return out;
}

bool moveMeshVertex(EditHistory& history, CadObject* mesh, const std::vector<size_t>& corners, const Point3d& to,
                    const std::string& mergeKey) {
    if (!editable(mesh) || corners.empty() || !std::isfinite(to.x) || !std::isfinite(to.y) || !std::isfinite(to.z))
        return false;
    size_t total = 0;
    for (const ListEntry* n = mesh->points; n; n = n->next) total += n->count;
    if (*std::max_element(corners.begin(), corners.end()) >= total) return false;
    std::vector<bool> moved(total, false);
    for (size_t c : corners) moved[c] = true;
    const Point3d t = offsetOf(mesh);
    const Point3d local{to.x - t.x, to.y - t.y, to.z - t.z};
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Edit Points", mergeKey);
    rec.reshaping(mesh);
    unturn(mesh);
    size_t corner = 0;
    for (ListEntry* n = mesh->points; n; n = n->next)
        for (unsigned k = 0; k < n->count; ++k, ++corner)
            if (moved[corner]) n->points[k] = local;
    if (mesh->polygons) RebuildObjectEx(mesh, 1);
    else mesh->boundValid = 0;
    return rec.commit();
}

bool removeMeshVertex(EditHistory& history, CadObject* mesh, const std::vector<size_t>& corners) {
    if (!editable(mesh) || corners.empty()) return false;
    std::vector<bool> gone;
    for (const ListEntry* n = mesh->points; n; n = n->next) gone.resize(gone.size() + n->count, false);
    if (*std::max_element(corners.begin(), corners.end()) >= gone.size()) return false;
    for (size_t c : corners) gone[c] = true;
    // The faces that keep all their corners, with their normals.
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    size_t corner = 0, index = 0;
    std::vector<Point3d> points, normals;
    for (const ListEntry* n = mesh->points; n; corner += n->count, n = n->next, ++index) {
        if (std::any_of(gone.begin() + static_cast<std::ptrdiff_t>(corner),
                        gone.begin() + static_cast<std::ptrdiff_t>(corner + n->count), [](bool g) { return g; }))
            continue;
        nodeInFrame(mesh, n, index, points, normals);
        ListEntry* kept = AddEntryEx(n->count, tail, points.data(), normals.empty() ? nullptr : normals.data());
        if (!kept) {
            ClearEntry(head);
            return false;
        }
        tail = kept;
        if (!head) head = kept;
    }
    if (!head) return false;
    return replaceFaces(history, mesh, head);
}

std::vector<std::pair<size_t, size_t>> meshEdges(const CadObject* mesh, const std::vector<MeshVertex>& places) {
    std::vector<std::pair<size_t, size_t>> edges;
    if (!mesh || places.empty()) return edges;
    std::vector<size_t> placeOf;
    for (size_t p = 0; p < places.size(); ++p)
        for (size_t c : places[p].corners) {
            if (c >= placeOf.size()) placeOf.resize(c + 1, SIZE_MAX);
            placeOf[c] = p;
        }
    std::unordered_set<uint64_t> seen;
    size_t corner = 0;
    for (const ListEntry* n = mesh->points; n; corner += n->count, n = n->next) {
        if (n->count < 2 || corner + n->count > placeOf.size()) continue;
        for (unsigned k = 0; k < n->count; ++k) {
            size_t a = placeOf[corner + k], b = placeOf[corner + (k + 1) % n->count];
            if (a == SIZE_MAX || b == SIZE_MAX || a == b) continue;
            if (a > b) std::swap(a, b);
            if (seen.insert((uint64_t{a} << 32) | b).second) edges.emplace_back(a, b);
        }
    }
    return edges;
}

bool splitMeshEdge(EditHistory& history, CadObject* mesh, const std::vector<size_t>& from, const std::vector<size_t>& to,
                   const Point3d& at) {
    if (!editable(mesh) || from.empty() || to.empty() || !std::isfinite(at.x) || !std::isfinite(at.y) ||
        !std::isfinite(at.z))
        return false;
    size_t total = 0;
    for (const ListEntry* n = mesh->points; n; n = n->next) total += n->count;
    std::vector<char> end(total, 0);  // 1: a corner at `from`, 2: at `to`
    for (size_t c : from)
        if (c < total) end[c] = 1;
    for (size_t c : to)
        if (c < total) end[c] = 2;
    const Point3d t = offsetOf(mesh);
    const Point3d local{at.x - t.x, at.y - t.y, at.z - t.z};
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    bool split = false, failed = false;
    auto add = [&](unsigned count, const Point3d* points, const Point3d* normals) {
        ListEntry* made = AddEntryEx(count, tail, points, normals);
        if (!made) failed = true;
        tail = made ? made : tail;
        if (!head) head = made;
    };
    size_t corner = 0, index = 0;
    std::vector<Point3d> framed, framedNormals;
    for (const ListEntry* n = mesh->points; n && !failed; corner += n->count, n = n->next, ++index) {
        const unsigned count = n->count;
        nodeInFrame(mesh, n, index, framed, framedNormals);
        unsigned edge = count;  // the corner the edge starts at
        for (unsigned k = 0; k < count && edge == count; ++k) {
            const char a = end[corner + k], b = end[corner + (k + 1) % count];
            if (a && b && a != b) edge = k;
        }
        if (edge == count || count >= 8) {
            add(count, framed.data(), n->normals ? framedNormals.data() : nullptr);
            continue;
        }
        split = true;
        // The corners from the edge's start round the face, the new one second.
        std::vector<Point3d> points, normals;
        for (unsigned k = 0; k < count; ++k) {
            points.push_back(framed[(edge + k) % count]);
            if (n->normals) normals.push_back(framedNormals[(edge + k) % count]);
        }
        Point3d normal{};
        if (n->normals)
            normal = Point3d{(normals[0].x + normals[1].x) / 2, (normals[0].y + normals[1].y) / 2,
                             (normals[0].z + normals[1].z) / 2};
        if (count == 3) {
            // (a, b, c) becomes (a, m, c) and (m, b, c).
            const Point3d first[3] = {points[0], local, points[2]}, second[3] = {local, points[1], points[2]};
            const Point3d firstN[3] = {n->normals ? normals[0] : Point3d{}, normal, n->normals ? normals[2] : Point3d{}};
            const Point3d secondN[3] = {normal, n->normals ? normals[1] : Point3d{}, n->normals ? normals[2] : Point3d{}};
            add(3, first, n->normals ? firstN : nullptr);
            add(3, second, n->normals ? secondN : nullptr);
        } else {
            points.insert(points.begin() + 1, local);
            if (n->normals) normals.insert(normals.begin() + 1, normal);
            add(count + 1, points.data(), n->normals ? normals.data() : nullptr);
        }
    }
    if (failed || !split) {
        ClearEntry(head);
        return false;
    }
    return replaceFaces(history, mesh, head);
}

}  // namespace kx::app
