// Commits the parts a mesh reader collected to the scene in one go.
#include "import/mesh_parts.h"

#include <cfloat>
#include <cmath>
#include <algorithm>
#include <cstring>

#include "import/import_internal.h"
#include "model/memory.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace kx::import {

namespace {

// A named material becomes an entry of the scene's texture list, as the
// other importers' materials do, and the object is given it; an unnamed one
// (or one whose name does not fit the list) gives the colour by its value.
void giveMaterialColour(CadObject* obj, const MeshPart& part) {
    constexpr size_t kLongestName = sizeof(TextureInfo::name) - 1;
    if (part.material.empty() || part.material.size() > kLongestName) {
        giveEncodedColour(obj, part.r, part.g, part.b);
        return;
    }
    const unsigned bytes[3] = {part.r, part.g, part.b};
    listMaterialColour(part.material.c_str(), MakePoint(part.r / 255.0, part.g / 255.0, part.b / 255.0), bytes);
    SetObjectTextureEx(obj, 1, part.material.c_str());
    obj->rgb = (part.r & 0xFF) | ((part.g & 0xFF) << 8) | ((part.b & 0xFF) << 16);
}


// Which groups of a model are made, and where each part and group goes: a
// group with no member is not made, nor one with a single member unless it
// asks to be; their members go to the group that holds them.
struct GroupPlan {
    std::vector<int> partGroup;   // per part: its group, or -1
    std::vector<int> groupGroup;  // per group: the group it goes to, or -1
    std::vector<bool> made;
    std::vector<size_t> firstPart;  // per made group: the first part below it
};

GroupPlan planGroups(const std::vector<MeshPart>& parts, const std::vector<GroupPart>& groups) {
    const int count = static_cast<int>(groups.size());
    auto groupIndex = [count](int index) { return index >= 0 && index < count ? index : -1; };
    GroupPlan plan;
    plan.partGroup.resize(parts.size(), -1);
    for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i].triangles() > 0) plan.partGroup[i] = groupIndex(parts[i].group);
    // A group held by one made before it could never be reached: it is taken
    // as held by none.
    for (int g = 0; g < count; ++g) plan.groupGroup.push_back(groups[g].parent > g ? groupIndex(groups[g].parent) : -1);
    plan.made.resize(groups.size());
    plan.firstPart.resize(groups.size(), parts.size());
    for (int g = 0; g < count; ++g) {
        size_t members = 0;
        for (size_t i = 0; i < parts.size(); ++i)
            if (plan.partGroup[i] == g) {
                ++members;
                plan.firstPart[g] = std::min(plan.firstPart[g], i);
            }
        for (int h = 0; h < g; ++h)
            if (plan.made[h] && plan.groupGroup[h] == g) {
                ++members;
                plan.firstPart[g] = std::min(plan.firstPart[g], plan.firstPart[h]);
            }
        plan.made[g] = members >= 2 || (members == 1 && groups[g].keepAlone);
        if (plan.made[g]) continue;
        for (int& owner : plan.partGroup)
            if (owner == g) owner = plan.groupGroup[g];
        for (int h = 0; h < g; ++h)
            if (plan.groupGroup[h] == g) plan.groupGroup[h] = plan.groupGroup[g];
    }
    return plan;
}

// The part's triangles as the point list and triangles of a new object, as
// appending them and normalising the object would leave it: the corners
// about the centre of their box, the object standing at that centre, its
// triangles where they stand. The same numbers, in one walk over the corners
// and one over the list's nodes as they are made
// instead of five over the list. False (the list code has reported it)
// when memory ran out.
bool fillNormalised(CadObject* obj, const MeshPart& part) {
    const size_t n = part.triangles();
    if (n == 0 || n > UINT32_MAX) return false;
    const std::vector<Point3d>& corners = part.corners;
    Point3d lo = corners[0], hi = corners[0];
    for (size_t i = 0; i < n * 3; ++i) {
        const Point3d& p = corners[i];
        lo = Point3d{p.x < lo.x ? p.x : lo.x, p.y < lo.y ? p.y : lo.y, p.z < lo.z ? p.z : lo.z};
        hi = Point3d{p.x > hi.x ? p.x : hi.x, p.y > hi.y ? p.y : hi.y, p.z > hi.z ? p.z : hi.z};
    }
    const double c[3] = {static_cast<float>((static_cast<double>(lo.x) + hi.x) / 2.0),
                         static_cast<float>((static_cast<double>(lo.y) + hi.y) / 2.0),
                         static_cast<float>((static_cast<double>(lo.z) + hi.z) / 2.0)};
    using kx::model::shiftedPoint;
    const bool withNormals = part.normals.size() == corners.size();
    ListEntry* head = nullptr;
    ListEntry* tail = nullptr;
    for (size_t t = 0; t < n; ++t) {
        const Point3d local[3] = {shiftedPoint(corners[3 * t], c, -1), shiftedPoint(corners[3 * t + 1], c, -1),
                                  shiftedPoint(corners[3 * t + 2], c, -1)};
        ListEntry* node = AddEntryEx(3, tail, local, withNormals ? &part.normals[3 * t] : nullptr);
        if (!node) {
            ClearEntry(head);
            return false;
        }
        if (!head) head = node;
        tail = node;
    }
    TriPolygon* triangles = kx::mem::allocZeroed<TriPolygon>(n);
    if (!triangles) {
        ErrorMessage("Error allocating array: %d: Line %d", static_cast<int>(n), 392);
        ClearEntry(head);
        return false;
    }
    kx::model::rememberPolygonArray(triangles, static_cast<uint32_t>(n));
    for (size_t t = 0; t < n; ++t)
        for (int k = 0; k < 3; ++k) {
            triangles[t].vertex[k] = shiftedPoint(shiftedPoint(corners[3 * t + k], c, -1), c, 1);
            if (withNormals) triangles[t].normal[k] = part.normals[3 * t + k];
        }
    obj->points = head;
    obj->count = static_cast<uint32_t>(n);
    obj->polygons = triangles;
    obj->polygonCount = static_cast<uint32_t>(n);
    obj->translate = Point3d{static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2])};
    obj->boundValid = 0;
    return true;
}

}  // namespace

bool addMeshParts(const std::vector<MeshPart>& parts, const std::vector<GroupPart>& groups) {
    std::vector<CadObject*> made;
    auto undo = [&made] {
        for (CadObject* obj : made) DeleteCadObject(obj);
        return false;
    };
    const GroupPlan plan = planGroups(parts, groups);
    std::vector<CadObject*> partObject(parts.size()), groupObject(groups.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        const MeshPart& part = parts[i];
        if (part.triangles() == 0) continue;
        // A group stands before what it holds in the scene, as a group read
        // from a scene file does, the outermost first: the scene's order then
        // is the model's.
        for (size_t g = groups.size(); g-- > 0;) {
            if (!plan.made[g] || plan.firstPart[g] != i) continue;
            CadObjectInfo* info = CreateDefaultInfo();
            info->extraPoint.x = static_cast<float>(groups[g].operation);
            CadObject* group = CreateGroup(info);
            if (!group) return undo();
            made.push_back(group);
            groupObject[g] = group;
            if (!groups[g].name.empty()) kx::text::copyField(group->name, groups[g].name.c_str());
        }
        CadObject* obj = newFacetsObject(part.name.empty() ? "_facets" : part.name);
        if (!obj) return undo();
        made.push_back(obj);
        partObject[i] = obj;
        if (!fillNormalised(obj, part)) return undo();
        if (part.uvs.size() == part.corners.size()) {
            if (!AllocCadObjectUV(obj, static_cast<unsigned>(part.corners.size()))) return undo();
            std::copy(part.uvs.begin(), part.uvs.end(), obj->uv);
            // A picture is laid on by the uvs; without them it has no place.
            if (!part.picture.empty() && !SetCadObjectProperty(obj, KX_PROP_IMAGEMAP, part.picture.c_str()))
                return undo();
        }
        if (part.coloured) giveMaterialColour(obj, part);
    }
    // Inner groups first, each as the window groups a selection: its members
    // are chained in the scene's order, which is the model's.
    for (size_t g = 0; g < groups.size(); ++g) {
        if (!groupObject[g]) continue;
        SetObjectsUnSelected();
        AddSelectedObject(groupObject[g]);
        for (size_t i = 0; i < parts.size(); ++i)
            if (partObject[i] && plan.partGroup[i] == static_cast<int>(g)) AddSelectedObject(partObject[i]);
        for (size_t h = 0; h < g; ++h)
            if (groupObject[h] && plan.groupGroup[h] == static_cast<int>(g)) AddSelectedObject(groupObject[h]);
        int deleted = 0;
        SetObjectsGroupEx(groupObject[g], groupObject[g]->groupId, &deleted);
    }
    SetObjectsUnSelected();
    return true;
}

std::string fileStem(const std::string& path) {
    std::string name = kx::text::lastComponent(path.c_str());
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace kx::import
