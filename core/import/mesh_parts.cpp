// Commits the parts a mesh reader collected to the scene in one go.
#include "import/mesh_parts.h"

#include <cfloat>
#include <cmath>
#include <algorithm>
#include <cstring>

#include "import/import_internal.h"
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

// Which groups of a model are made and what each holds: a group with no
// member is not made, nor one with a single member unless it asks to be;
// their members go to the group that holds them. Linear in the parts and
// groups: a large assembly has many of both.
struct GroupPlan {
    std::vector<bool> made;
    std::vector<std::vector<size_t>> parts;   // per made group: the parts it holds
    std::vector<std::vector<size_t>> groups;  // per made group: the groups it holds
    std::vector<std::vector<size_t>> startsAt;  // per part: the made groups whose first part it is, outermost first
    std::vector<size_t> firstPart;              // per group: the first part below it
};

GroupPlan planGroups(const std::vector<MeshPart>& parts, const std::vector<GroupPart>& groups) {
    const size_t count = groups.size();
    GroupPlan plan;
    plan.made.resize(count);
    plan.parts.resize(count);
    plan.groups.resize(count);
    plan.startsAt.resize(parts.size());
    auto groupIndex = [count](int index) { return index >= 0 && static_cast<size_t>(index) < count ? index : -1; };
    for (size_t i = 0; i < parts.size(); ++i)
        if (parts[i].triangles() > 0)
            if (const int g = groupIndex(parts[i].group); g >= 0) plan.parts[g].push_back(i);
    std::vector<size_t>& firstPart = plan.firstPart;
    firstPart.assign(count, parts.size());
    for (size_t g = 0; g < count; ++g) {
        // A group held by one made before it could never be reached: it is
        // taken as held by none.
        const int parent = groups[g].parent > static_cast<int>(g) ? groupIndex(groups[g].parent) : -1;
        for (size_t i : plan.parts[g]) firstPart[g] = std::min(firstPart[g], i);
        for (size_t h : plan.groups[g]) firstPart[g] = std::min(firstPart[g], firstPart[h]);
        const size_t members = plan.parts[g].size() + plan.groups[g].size();
        plan.made[g] = members >= 2 || (members == 1 && groups[g].keepAlone);
        if (plan.made[g]) {
            if (parent >= 0) plan.groups[parent].push_back(g);
            continue;
        }
        if (parent >= 0) {
            plan.parts[parent].insert(plan.parts[parent].end(), plan.parts[g].begin(), plan.parts[g].end());
            plan.groups[parent].insert(plan.groups[parent].end(), plan.groups[g].begin(), plan.groups[g].end());
        }
        plan.parts[g].clear();
        plan.groups[g].clear();
    }
    for (size_t g = count; g-- > 0;)
        if (plan.made[g]) plan.startsAt[firstPart[g]].push_back(g);
    return plan;
}

// The part's triangles as the point list of a new object, normalised: the
// corners about the centre of their box, the object standing at that
// centre, its triangles where they stand. False (the list code has
// reported it) when memory ran out.
bool fillNormalised(CadObject* obj, const MeshPart& part) {
    FacetAppender facets(obj);
    const bool withNormals = part.normals.size() == part.corners.size();
    for (size_t i = 0; i + 2 < part.corners.size(); i += 3)
        if (!facets.add(3, &part.corners[i], withNormals ? &part.normals[i] : nullptr)) return false;
    return NormalizeObject(obj, 3) != 0;
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
        for (size_t g : plan.startsAt[i]) {
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
    // Each group holds its members as grouping them in the window would
    // leave them: chained in the scene's order (a group stands just before
    // its first part), each given the group's id, an inner group too. Linked
    // here directly: through the selection each group would walk the scene.
    std::vector<std::pair<size_t, CadObject*>> members;
    for (size_t g = 0; g < groups.size(); ++g) {
        CadObject* group = groupObject[g];
        if (!group) continue;
        members.clear();
        for (size_t i : plan.parts[g]) members.emplace_back(2 * i + 1, partObject[i]);
        for (size_t h : plan.groups[g]) members.emplace_back(2 * plan.firstPart[h], groupObject[h]);
        std::sort(members.begin(), members.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        CadObject* last = nullptr;
        for (const auto& [place, member] : members) {
            member->groupId = group->groupId;
            member->parent = group;
            member->nextSibling = nullptr;
            (last ? last->nextSibling : group->firstChild) = member;
            last = member;
        }
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
