// 3D Studio files: a tree of chunks (16-bit id, 32-bit length counting the
// 6-byte head), little-endian throughout. Meshes, lights, the camera and the
// materials of the editor chunk are brought in; everything else is skipped.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>

#include "files/files_internal.h"
#include "import/import_internal.h"
#include "model/text.h"

namespace {

using kx::import::DamageReport;

enum : uint16_t {
    kMain = 0x4D4D,
    kVersion = 0x0002,
    kEditor = 0x3D3D,
    kNamedObject = 0x4000,
    kMesh = 0x4100,
    kVertices = 0x4110,
    kFaces = 0x4120,
    kMaterialGroup = 0x4130,
    kMapping = 0x4140,
    kLight = 0x4600,
    kSpot = 0x4610,
    kLightOff = 0x4620,
    kCamera = 0x4700,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kAmbient = 0xA010,
    kDiffuse = 0xA020,
    kSpecular = 0xA030,
    kTextureMap1 = 0xA200,
    kMapName = 0xA300,
    kColourFloats = 0x0010,
    kColourBytes = 0x0011,
    kGammaBytes = 0x0012,   // the gamma-corrected twins some writers add
    kGammaFloats = 0x0013,
};

// Unknown chunks in a row below the main chunk before the file is taken for
// something else.
constexpr unsigned kMaxUnknownInRow = 11;
constexpr double kUnit = 0.05;

struct Chunk {
    uint16_t id;
    uint64_t start;
    uint64_t body;  // first byte after the head
    uint64_t end;
};

struct Face {
    uint16_t a, b, c;
};

struct MeshData {
    std::vector<Point3d> vertices;  // already in scene coordinates
    std::vector<Face> faces;
    std::vector<Point3d> uvs;       // empty, or one (u, v, 0) per vertex
};

struct MaterialColours {
    double ambient[3] = {0, 0, 0};
    double diffuse[3] = {0, 0, 0};
    double specular[3] = {0, 0, 0};
    std::string picture;  // texture map 1, found beside the model; empty for none
};

class Reader {
public:
    Reader(const std::vector<unsigned char>& data, std::string folder)
        : d_(data), damage_("3D-Studio"), folder_(std::move(folder)) {}
    int run();

private:
    // Byte access; callers have checked the range against the chunk.
    uint16_t u16(uint64_t at) const { return static_cast<uint16_t>(d_[at] | (d_[at + 1] << 8)); }
    uint32_t u32(uint64_t at) const {
        return static_cast<uint32_t>(d_[at]) | (static_cast<uint32_t>(d_[at + 1]) << 8) |
               (static_cast<uint32_t>(d_[at + 2]) << 16) | (static_cast<uint32_t>(d_[at + 3]) << 24);
    }
    float f32(uint64_t at) const {
        const uint32_t bits = u32(at);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A file point (x, y, z) in the scene: (y, z, x) scaled down.
    Point3d scenePoint(uint64_t at) const {
        return MakePoint(f32(at + 4) * kUnit, f32(at + 8) * kUnit, f32(at) * kUnit);
    }

    std::optional<Chunk> child(uint64_t pos, uint64_t parentEnd);
    template <class Handle>
    void children(uint64_t from, uint64_t end, Handle&& handle);
    bool need(const Chunk& c, uint64_t from, uint64_t bytes);
    std::string name(uint64_t& pos, uint64_t end) const;

    void editor(const Chunk& c);
    void namedObject(const Chunk& c);
    void mesh(const Chunk& c, MeshData& m);
    void vertexList(const Chunk& c, MeshData& m);
    void faceList(const Chunk& c, MeshData& m);
    void mappingList(const Chunk& c, MeshData& m);
    void light(const Chunk& c);
    void camera(const Chunk& c);
    void material(const Chunk& c);
    bool colour(const Chunk& c, double rgb[3]);
    bool colourValue(const Chunk& c, double rgb[3]);
    void makeMesh(const std::string& objectName, const MeshData& m);
    void stop(uint64_t offset) {
        damage_.at(offset);
        stopped_ = true;
    }

    const std::vector<unsigned char>& d_;
    DamageReport damage_;
    bool stopped_ = false;
    std::string folder_;  // of the file: texture maps are looked for inside it
    std::string materialName_;  // of the last material group; carries on to later objects
    std::unordered_map<std::string, MaterialColours> materials_;
    unsigned droppedFaces_ = 0;
};

std::optional<Chunk> Reader::child(uint64_t pos, uint64_t parentEnd) {
    if (stopped_ || pos >= parentEnd) return std::nullopt;
    if (parentEnd - pos < 6) {
        stop(pos);
        return std::nullopt;
    }
    const uint32_t length = u32(pos + 2);
    // A length below the head would never move on; one past the parent
    // would read what belongs to others.
    if (length < 6 || length > parentEnd - pos) {
        stop(pos);
        return std::nullopt;
    }
    return Chunk{u16(pos), pos, pos + 6, pos + length};
}

template <class Handle>
void Reader::children(uint64_t from, uint64_t end, Handle&& handle) {
    uint64_t pos = from;
    while (auto c = child(pos, end)) {
        handle(*c);
        pos = c->end;
    }
}

// At least bytes from `from` on inside the chunk, else the file stops there.
bool Reader::need(const Chunk& c, uint64_t from, uint64_t bytes) {
    if (from <= c.end && c.end - from >= bytes) return true;
    stop(c.start);
    return false;
}

// A zero-terminated name, kept to 31 characters and never read past end;
// pos moves past its terminator.
std::string Reader::name(uint64_t& pos, uint64_t end) const {
    std::string text;
    while (pos < end && d_[pos] != 0) {
        if (text.size() < 31) text += static_cast<char>(d_[pos]);
        ++pos;
    }
    if (pos < end) ++pos;
    return text;
}

int Reader::run() {
    if (d_.size() < 6 || u16(0) != kMain) {
        ErrorMessage("Error: Input file is not .3DS format");
        return 0;
    }
    const uint32_t length = u32(2);
    if (length < 6) {
        stop(0);
        return 0;
    }
    const bool cut = length > d_.size();
    const uint64_t end = cut ? d_.size() : length;
    unsigned unknownInRow = 0;
    children(6, end, [&](const Chunk& c) {
        if (c.id == kEditor) editor(c);
        if (c.id == kEditor || c.id == kVersion) {
            unknownInRow = 0;
        } else if (++unknownInRow > kMaxUnknownInRow) {
            stop(c.start);
        }
    });
    // A file cut exactly between two chunks is damaged all the same.
    if (cut && !stopped_) stop(d_.size());
    if (droppedFaces_)
        ErrorMessage("Error: %u faces name vertices their mesh does not have; they were left out", droppedFaces_);
    return stopped_ ? 0 : 1;
}

void Reader::editor(const Chunk& c) {
    children(c.body, c.end, [&](const Chunk& sub) {
        if (sub.id == kNamedObject) namedObject(sub);
        else if (sub.id == kMaterial) material(sub);
    });
}

void Reader::namedObject(const Chunk& c) {
    uint64_t pos = c.body;
    const std::string objectName = name(pos, c.end);
    MeshData m;
    bool hasMesh = false;
    children(pos, c.end, [&](const Chunk& sub) {
        switch (sub.id) {
            case kMesh:
                hasMesh = true;
                mesh(sub, m);
                break;
            case kLight: light(sub); break;
            case kCamera: camera(sub); break;
            default: break;  // hidden, no shadow and the rest: not used
        }
    });
    if (!stopped_ && hasMesh) makeMesh(objectName, m);
}

void Reader::mesh(const Chunk& c, MeshData& m) {
    children(c.body, c.end, [&](const Chunk& sub) {
        if (sub.id == kVertices) vertexList(sub, m);
        else if (sub.id == kFaces) faceList(sub, m);
        else if (sub.id == kMapping) mappingList(sub, m);
        // Local axes: where the mesh was built; the vertices are already placed.
    });
}

void Reader::vertexList(const Chunk& c, MeshData& m) {
    if (!need(c, c.body, 2)) return;
    const unsigned declared = u16(c.body);
    const uint64_t room = (c.end - c.body - 2) / 12;
    const unsigned n = static_cast<unsigned>(std::min<uint64_t>(declared, room));
    if (n < declared) LogMessage(1, "3D-Studio vertex list at %llu holds %u of %u vertices",
                                 static_cast<unsigned long long>(c.start), n, declared);
    try {
        m.vertices.assign(n, Point3d{});
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory allocating mesh (%d)", 1);
        stopped_ = true;
        return;
    }
    for (unsigned i = 0; i < n; ++i) m.vertices[i] = scenePoint(c.body + 2 + uint64_t{i} * 12);
}

// Texture coordinates, one (u, v) a vertex; a list whose length is not the
// vertex count's cannot be matched to the vertices and is left out.
void Reader::mappingList(const Chunk& c, MeshData& m) {
    if (!need(c, c.body, 2)) return;
    const unsigned declared = u16(c.body);
    if ((c.end - c.body - 2) / 8 < declared) {
        LogMessage(1, "3D-Studio mapping list at %llu is cut short and was left out",
                   static_cast<unsigned long long>(c.start));
        return;
    }
    try {
        m.uvs.assign(declared, Point3d{});
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory allocating mesh (%d)", 3);
        stopped_ = true;
        return;
    }
    for (unsigned i = 0; i < declared; ++i) {
        const uint64_t at = c.body + 2 + uint64_t{i} * 8;
        m.uvs[i] = MakePoint(f32(at), f32(at + 4), 0);
    }
}

void Reader::faceList(const Chunk& c, MeshData& m) {
    if (!need(c, c.body, 2)) return;
    const unsigned declared = u16(c.body);
    const uint64_t room = (c.end - c.body - 2) / 8;
    const unsigned n = static_cast<unsigned>(std::min<uint64_t>(declared, room));
    try {
        m.faces.assign(n, Face{});
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory allocating mesh (%d)", 2);
        stopped_ = true;
        return;
    }
    for (unsigned i = 0; i < n; ++i) {
        const uint64_t at = c.body + 2 + uint64_t{i} * 8;
        m.faces[i] = Face{u16(at), u16(at + 2), u16(at + 4)};  // the flag word is not used
    }
    if (n < declared) {
        // What follows the faces is not known: no sub-chunks are looked for.
        LogMessage(1, "3D-Studio face list at %llu holds %u of %u faces",
                   static_cast<unsigned long long>(c.start), n, declared);
        return;
    }
    children(c.body + 2 + uint64_t{n} * 8, c.end, [&](const Chunk& sub) {
        if (sub.id != kMaterialGroup) return;  // smoothing groups and others: skipped
        uint64_t pos = sub.body;
        materialName_ = name(pos, sub.end);
        // The face numbers of the group follow; one material per object is kept.
    });
}

void Reader::makeMesh(const std::string& objectName, const MeshData& m) {
    if (m.faces.empty()) return;
    if (m.vertices.empty()) {
        droppedFaces_ += static_cast<unsigned>(m.faces.size());
        return;
    }
    CadObject* obj = NewDefaultCadObject(objectName.c_str(), KX_POLYGON);
    if (!obj) return;
    kx::import::FacetAppender facets(obj);
    const size_t nv = m.vertices.size();
    const bool withUv = m.uvs.size() == nv;
    std::vector<Point3d> uv;
    for (const Face& f : m.faces) {
        if (f.a >= nv || f.b >= nv || f.c >= nv) {
            ++droppedFaces_;
            continue;
        }
        const Point3d t[3] = {m.vertices[f.a], m.vertices[f.b], m.vertices[f.c]};
        if (!facets.add(3, t)) break;
        if (withUv) uv.insert(uv.end(), {m.uvs[f.a], m.uvs[f.b], m.uvs[f.c]});
    }
    if (!uv.empty() && uv.size() == size_t{obj->count} * 3 && AllocCadObjectUV(obj, obj->count * 3))
        std::copy(uv.begin(), uv.end(), obj->uv);
    if (materialName_.empty()) return;  // no material met yet: the object stays plain
    SetObjectTextureEx(obj, 1, materialName_.c_str());
    auto found = materials_.find(materialName_);
    if (found != materials_.end()) {
        const double* d = found->second.diffuse;
        obj->rgb = kx::import::colourByte(d[0], 255) | (kx::import::colourByte(d[1], 255) << 8) |
                   (kx::import::colourByte(d[2], 255) << 16);
        // A picture needs the mesh's own coordinates to be laid on it.
        if (!found->second.picture.empty() && obj->uv)
            SetCadObjectProperty(obj, KX_PROP_IMAGEMAP, found->second.picture.c_str());
    }
}

// The value of a colour chunk; the first of several (a gamma twin) is taken.
bool Reader::colourValue(const Chunk& c, double rgb[3]) {
    if (c.id == kColourFloats || c.id == kGammaFloats) {
        if (!need(c, c.body, 12)) return false;
        for (int k = 0; k < 3; ++k) rgb[k] = f32(c.body + 4 * k);
        return true;
    }
    if (c.id == kColourBytes || c.id == kGammaBytes) {
        if (!need(c, c.body, 3)) return false;
        for (int k = 0; k < 3; ++k) rgb[k] = d_[c.body + k] / 255.0;
        return true;
    }
    return false;
}

// A material colour: its first sub-chunk must be a colour.
bool Reader::colour(const Chunk& c, double rgb[3]) {
    auto first = child(c.body, c.end);
    if (!first) {
        if (!stopped_) {
            ErrorMessage("Error parsing color");
            stopped_ = true;
        }
        return false;
    }
    if (colourValue(*first, rgb)) return true;
    if (!stopped_) {
        ErrorMessage("Error parsing color");
        stopped_ = true;
    }
    return false;
}

void Reader::light(const Chunk& c) {
    if (!need(c, c.body, 12)) return;
    const Point3d position = scenePoint(c.body);
    double rgb[3] = {1, 1, 1};
    bool coloured = false, spot = false, off = false;
    Point3d target = position;
    children(c.body + 12, c.end, [&](const Chunk& sub) {
        if (sub.id == kSpot) {
            if (!need(sub, sub.body, 12)) return;
            target = scenePoint(sub.body);  // hotspot and falloff follow, not used
            spot = true;
        } else if (sub.id == kLightOff) {
            off = true;
        } else if (!coloured) {
            coloured = colourValue(sub, rgb);
        }
    });
    if (stopped_ || off) return;
    CreateLight(CreateDefaultInfo());
    CadObject* obj = GetLastCadObject();
    if (!obj || obj->type != KX_LIGHT) return;
    obj->translate = position;
    obj->extraPoint = target;  // the target is stored where it is, not relative
    if (spot) {
        double values[6] = {1, 0, 0, 0, 0, 0};
        SetCadObjectProperty(obj, "LightValues", values, 6);
    }
    kx::import::giveEncodedColour(obj, kx::import::colourByte(rgb[0], 255), kx::import::colourByte(rgb[1], 255),
                                  kx::import::colourByte(rgb[2], 255));
    RebuildObjectEx(obj, 1);
}

void Reader::camera(const Chunk& c) {
    if (!need(c, c.body, 24)) return;
    CadObjectInfo* info = CreateDefaultInfo();
    info->translate = scenePoint(c.body);
    info->size = scenePoint(c.body + 12);
    info->rotate = Point3d{0, 1, 0};
    info->extraPoint = Point3d{1.333f, 0, 0};
    CreateCamera(info);
}

void Reader::material(const Chunk& c) {
    std::string materialName;
    MaterialColours colours;
    children(c.body, c.end, [&](const Chunk& sub) {
        switch (sub.id) {
            case kMaterialName: {
                uint64_t pos = sub.body;
                materialName = name(pos, sub.end);
                break;
            }
            case kAmbient: colour(sub, colours.ambient); break;
            case kDiffuse: colour(sub, colours.diffuse); break;
            case kSpecular: colour(sub, colours.specular); break;
            case kTextureMap1:
                children(sub.body, sub.end, [&](const Chunk& map) {
                    if (map.id != kMapName) return;  // strength, tiling and the rest: not used
                    uint64_t pos = map.body;
                    colours.picture = kx::import::pictureBeside(folder_, name(pos, map.end));
                });
                break;
            default: break;  // shininess, transparency, shading: not used
        }
    });
    if (stopped_ || materialName.empty()) return;
    try {
        materials_[materialName] = colours;
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory adding material");
        stopped_ = true;
        return;
    }
    TextureInfo info{};
    kx::text::copyField(info.name, materialName.c_str());
    info.kind = KX_TEXTURE_COLOUR;
    info.used = 1;
    const double* sets[3] = {colours.ambient, colours.diffuse, colours.specular};
    for (int k = 0; k < 3; ++k) info.points[k] = MakePoint(sets[k][0], sets[k][1], sets[k][2]);
    // 256 steps, as the format's writers scale; full intensity stays 255.
    for (int k = 0; k < 3; ++k) info.colour[k] = static_cast<unsigned char>(kx::import::colourByte(colours.diffuse[k], 256));
    AddCustomTexture(&info);
}

}  // namespace

int Read3DS(const char* fileName) noexcept {
    try {
        std::string path;
        auto data = kx::import::loadFile(fileName, ".3DS", "3D-Studio", path);
        if (!data) return 0;
        kx::files::ReadingScope reading;
        return Reader(*data, kx::platform::folderOf(path)).run();
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory allocating mesh (%d)", 0);
        return 0;
    }
}

int Write3DS(const char*) noexcept { return 0; }
