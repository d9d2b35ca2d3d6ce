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

}  // namespace

bool addMeshParts(const std::vector<MeshPart>& parts) {
    std::vector<CadObject*> made;
    auto undo = [&made] {
        for (CadObject* obj : made) DeleteCadObject(obj);
        return false;
    };
    for (const MeshPart& part : parts) {
        if (part.triangles() == 0) continue;
        CadObject* obj = newFacetsObject(part.name.empty() ? "_facets" : part.name);
        if (!obj) return undo();
        made.push_back(obj);
        FacetAppender facets(obj);
        const bool withNormals = part.normals.size() == part.corners.size();
        for (size_t i = 0; i + 2 < part.corners.size(); i += 3)
            if (!facets.add(3, &part.corners[i], withNormals ? &part.normals[i] : nullptr)) return undo();
        if (part.uvs.size() == part.corners.size()) {
            if (!AllocCadObjectUV(obj, static_cast<unsigned>(part.corners.size()))) return undo();
            std::copy(part.uvs.begin(), part.uvs.end(), obj->uv);
            // A picture is laid on by the uvs; without them it has no place.
            if (!part.picture.empty() && !SetCadObjectProperty(obj, KX_PROP_IMAGEMAP, part.picture.c_str()))
                return undo();
        }
        if (part.coloured) giveMaterialColour(obj, part);
        NormalizeObject(obj, 3);
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

float littleFloat(const unsigned char* p) {
    const uint32_t bits = littleU32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

float storedCoordinate(double v) {
    if (std::isnan(v)) return 0.0f;
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

}  // namespace kx::import
