// glTF 2.0 models, as ".gltf" text with its buffers beside it or inside as
// data URIs, and as ".glb" containers. The default scene's node tree is
// walked with every node's transform; each node's mesh primitives become
// triangles in the scene's coordinates, one object per node and material,
// and a node whose tree holds two objects or more becomes a group of them.
// The container and its JSON are parsed by the glTF library; every range it
// hands over is checked here against its buffer before a byte is read, and
// outside files are read only from the model's own folder.
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <string_view>

#include <tiny_gltf.h>

#include "files/files_internal.h"
#include "import/import_internal.h"
#include "import/mesh_parts.h"

namespace {

using kx::import::GroupPart;
using kx::import::MeshPart;
using Matrix = std::array<double, 16>;  // column-major, as glTF keeps them

struct Damaged {
    std::string reason;
};

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// Nodes nest no deeper than this: a file whose tree loops would walk forever.
constexpr int kDeepestNode = 256;

// A relative URI as the file name it stands for: "%20" is a blank. A "%"
// not followed by two hex digits stays as it is.
std::string decodedUri(const std::string& uri) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        const int high = uri[i] == '%' && i + 2 < uri.size() ? hex(uri[i + 1]) : -1;
        const int low = high >= 0 ? hex(uri[i + 2]) : -1;
        if (low < 0) {
            out += uri[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double v = 0;
            for (int k = 0; k < 4; ++k) v += a[k * 4 + r] * b[c * 4 + k];
            out[c * 4 + r] = v;
        }
    return out;
}

Matrix localMatrix(const tinygltf::Node& n) {
    if (n.matrix.size() == 16) {
        Matrix m;
        std::copy(n.matrix.begin(), n.matrix.end(), m.begin());
        return m;
    }
    Matrix t = kIdentity, r = kIdentity, s = kIdentity;
    if (n.translation.size() == 3)
        for (int i = 0; i < 3; ++i) t[12 + i] = n.translation[i];
    if (n.rotation.size() == 4) {
        const double x = n.rotation[0], y = n.rotation[1], z = n.rotation[2], w = n.rotation[3];
        r = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),     0,
             2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),     0,
             2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y), 0,
             0,                       0,                       0,                       1};
    }
    if (n.scale.size() == 3)
        for (int i = 0; i < 3; ++i) s[i * 5] = n.scale[i];
    return multiply(t, multiply(r, s));
}

Point3d transformPoint(const Matrix& m, const float* p) {
    double out[3];
    for (int r = 0; r < 3; ++r) out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    using kx::import::storedCoordinate;
    return MakePoint(storedCoordinate(out[0]), storedCoordinate(out[1]), storedCoordinate(out[2]));
}

// Normals turn with the inverse transpose of the matrix's linear part; its
// cofactors give that up to a factor, which the normalising takes out.
Point3d transformNormal(const Matrix& m, const float* n) {
    auto at = [&m](int r, int c) { return m[c * 4 + r]; };
    double cof[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cof[r][c] = at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
        }
    double out[3];
    for (int r = 0; r < 3; ++r) out[r] = cof[r][0] * n[0] + cof[r][1] * n[1] + cof[r][2] * n[2];
    const double length = std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]);
    if (!(length > 0) || !std::isfinite(length)) return Point3d{0, 0, 0};
    return MakePoint(out[0] / length, out[1] / length, out[2] / length);
}

// An accessor's elements as numbers, after every range it names was checked.
class AccessorReader {
public:
    AccessorReader(const tinygltf::Model& model, int index, int components, const char* what) : model_(model) {
        if (index < 0 || static_cast<size_t>(index) >= model.accessors.size())
            throw Damaged{std::string("a primitive names a missing ") + what + " accessor"};
        const tinygltf::Accessor& a = model.accessors[index];
        if (tinygltf::GetNumComponentsInType(a.type) != components)
            throw Damaged{std::string("the ") + what + " accessor has the wrong type"};
        count_ = a.count;
        componentType_ = a.componentType;
        normalized_ = a.normalized;
        componentSize_ = componentSize(a.componentType);
        if (componentSize_ == 0) throw Damaged{std::string("the ") + what + " accessor has an unknown component type"};
        components_ = static_cast<size_t>(components);
        const size_t element = componentSize_ * components_;
        // Without a buffer view every element is zero but for the sparse values.
        if (a.bufferView >= 0) view(a.bufferView, a.byteOffset, element, count_, data_, stride_, what);
        else zeros_ = true;
        if (a.sparse.isSparse) readSparse(a, what);
    }

    size_t count() const { return count_; }

    void element(size_t i, float* out) const {
        for (size_t c = 0; c < components_; ++c) out[c] = 0;
        if (!zeros_) {
            const unsigned char* p = data_ + i * stride_;
            for (size_t c = 0; c < components_; ++c) out[c] = static_cast<float>(component(p + c * componentSize_));
        }
        if (!sparse_.empty()) {
            auto found = sparse_.find(i);
            if (found != sparse_.end())
                for (size_t c = 0; c < components_; ++c) out[c] = found->second[c];
        }
    }

    // An index value (SCALAR of an unsigned integer type), read whole: a
    // float would round the large ones.
    uint32_t index(size_t i) const {
        double v = zeros_ ? 0.0 : component(data_ + i * stride_);
        if (!sparse_.empty())
            if (auto found = sparse_.find(i); found != sparse_.end()) v = found->second[0];
        return v >= 0 && v < 4294967295.0 ? static_cast<uint32_t>(v) : UINT32_MAX;
    }

    double componentAt(const unsigned char* p) const { return component(p); }

private:
    static size_t componentSize(int type) {
        switch (type) {
            case TINYGLTF_COMPONENT_TYPE_BYTE: case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
            case TINYGLTF_COMPONENT_TYPE_SHORT: case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
            default: return 0;
        }
    }

    double component(const unsigned char* p) const { return componentOf(componentType_, p, normalized_); }

    static double componentOf(int type, const unsigned char* p, bool normalized) {
        switch (type) {
            case TINYGLTF_COMPONENT_TYPE_BYTE: {
                const double v = static_cast<int8_t>(p[0]);
                return normalized ? std::max(v / 127.0, -1.0) : v;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? p[0] / 255.0 : p[0];
            case TINYGLTF_COMPONENT_TYPE_SHORT: {
                int16_t v;
                std::memcpy(&v, p, 2);
                return normalized ? std::max(v / 32767.0, -1.0) : v;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
                uint16_t v;
                std::memcpy(&v, p, 2);
                return normalized ? v / 65535.0 : v;
            }
            case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
                uint32_t v;
                std::memcpy(&v, p, 4);
                return v;
            }
            case TINYGLTF_COMPONENT_TYPE_FLOAT: {
                float v;
                std::memcpy(&v, p, 4);
                return std::isfinite(v) ? v : 0.0;
            }
            default: return 0;
        }
    }

    // The bytes of `count` elements of `element` bytes from `offset` in a
    // buffer view, and their stride.
    void view(int index, size_t offset, size_t element, size_t count, const unsigned char*& data, size_t& stride,
              const char* what) const {
        if (index < 0 || static_cast<size_t>(index) >= model_.bufferViews.size())
            throw Damaged{std::string("the ") + what + " accessor names a missing buffer view"};
        const tinygltf::BufferView& v = model_.bufferViews[index];
        if (v.buffer < 0 || static_cast<size_t>(v.buffer) >= model_.buffers.size())
            throw Damaged{std::string("a buffer view of the ") + what + " accessor names a missing buffer"};
        const std::vector<unsigned char>& bytes = model_.buffers[v.buffer].data;
        stride = v.byteStride ? v.byteStride : element;
        if (stride < element) throw Damaged{std::string("the ") + what + " accessor's stride is shorter than its elements"};
        const size_t viewEnd = v.byteOffset + v.byteLength;
        if (v.byteOffset > bytes.size() || v.byteLength > bytes.size() - v.byteOffset)
            throw Damaged{std::string("a buffer view of the ") + what + " accessor runs past its buffer"};
        if (count > 0) {
            // (count - 1) strides and one element from the accessor's start, all inside the view.
            const size_t start = v.byteOffset + offset;
            if (offset > v.byteLength || (count - 1) > (v.byteLength - offset) / stride ||
                (count - 1) * stride + element > v.byteLength - offset || start + (count - 1) * stride + element > viewEnd)
                throw Damaged{std::string("the ") + what + " accessor runs past its buffer view"};
        }
        data = bytes.data() + v.byteOffset + offset;
    }

    void readSparse(const tinygltf::Accessor& a, const char* what) {
        const size_t n = static_cast<size_t>(a.sparse.count);
        if (a.sparse.count < 0 || n > count_) throw Damaged{std::string("the ") + what + " accessor has too many sparse values"};
        const int indexType = a.sparse.indices.componentType;
        const size_t indexSize = componentSize(indexType);
        if (indexSize == 0 || indexType == TINYGLTF_COMPONENT_TYPE_FLOAT || indexType == TINYGLTF_COMPONENT_TYPE_BYTE ||
            indexType == TINYGLTF_COMPONENT_TYPE_SHORT)
            throw Damaged{std::string("the ") + what + " accessor's sparse indices are not unsigned integers"};
        const unsigned char *indices = nullptr, *values = nullptr;
        size_t indexStride = 0, valueStride = 0;
        view(a.sparse.indices.bufferView, a.sparse.indices.byteOffset, indexSize, n, indices, indexStride, what);
        view(a.sparse.values.bufferView, a.sparse.values.byteOffset, componentSize_ * components_, n, values,
             valueStride, what);
        for (size_t k = 0; k < n; ++k) {
            const double at = componentOf(indexType, indices + k * indexSize, false);
            if (at >= static_cast<double>(count_)) throw Damaged{std::string("a sparse index of the ") + what + " accessor is out of range"};
            std::array<float, 4> v{};
            for (size_t c = 0; c < components_; ++c)
                v[c] = static_cast<float>(component(values + k * componentSize_ * components_ + c * componentSize_));
            sparse_[static_cast<size_t>(at)] = v;
        }
    }

    const tinygltf::Model& model_;
    size_t count_ = 0, components_ = 0, componentSize_ = 0, stride_ = 0;
    int componentType_ = 0;
    bool normalized_ = false, zeros_ = false;
    const unsigned char* data_ = nullptr;
    std::map<size_t, std::array<float, 4>> sparse_;
};

// A light or the camera found in the node tree, made once the meshes are in.
struct PlacedLight {
    Point3d position, target;
    unsigned r, g, b;
    bool spot;
};
struct PlacedCamera {
    Point3d location, lookAt, up;
    double aspect;
};

Point3d column(const Matrix& m, int c, double scale = 1.0) {
    return MakePoint(kx::import::storedCoordinate(m[c * 4] * scale), kx::import::storedCoordinate(m[c * 4 + 1] * scale),
                     kx::import::storedCoordinate(m[c * 4 + 2] * scale));
}

Point3d unitColumn(const Matrix& m, int c, double sign) {
    const double l = std::sqrt(m[c * 4] * m[c * 4] + m[c * 4 + 1] * m[c * 4 + 1] + m[c * 4 + 2] * m[c * 4 + 2]);
    return l > 0 && std::isfinite(l) ? column(m, c, sign / l) : Point3d{0, 0, 0};
}

Point3d plus(const Point3d& a, const Point3d& b) {
    using kx::import::storedCoordinate;
    return MakePoint(storedCoordinate(double{a.x} + b.x), storedCoordinate(double{a.y} + b.y), storedCoordinate(double{a.z} + b.z));
}

class Reader {
public:
    // The pictures it writes beside the model are named in `written`.
    Reader(const tinygltf::Model& model, std::string stem, std::string folder,
           const std::map<int, std::vector<unsigned char>>& embedded, std::vector<std::string>& written)
        : model_(model), stem_(std::move(stem)), folder_(std::move(folder)), embedded_(embedded), written_(written) {}

    const std::vector<PlacedLight>& lights() const { return lights_; }
    const std::optional<PlacedCamera>& camera() const { return camera_; }
    const std::vector<GroupPart>& groups() const { return groups_; }

    std::vector<MeshPart> run() {
        if (model_.scenes.empty()) {
            // No scene: every node that is no other's child is a root.
            std::vector<bool> child(model_.nodes.size());
            for (const tinygltf::Node& n : model_.nodes)
                for (int c : n.children)
                    if (c >= 0 && static_cast<size_t>(c) < child.size()) child[c] = true;
            for (size_t i = 0; i < model_.nodes.size(); ++i)
                if (!child[i]) walk(static_cast<int>(i), kIdentity, 0);
        } else {
            const size_t scene = model_.defaultScene >= 0 && static_cast<size_t>(model_.defaultScene) < model_.scenes.size()
                                     ? static_cast<size_t>(model_.defaultScene)
                                     : 0;
            for (int root : model_.scenes[scene].nodes) walk(root, kIdentity, 0);
        }
        if (skipped_) LogMessage(0, "%u primitives of %s that are not triangles were left out", skipped_, stem_.c_str());
        return std::move(parts_);
    }

private:
    // A part or a group a node's tree gave.
    struct Member {
        bool group;
        size_t index;
    };

    // The parts and groups the node's tree gives, at the level of its parent.
    std::vector<Member> walk(int index, const Matrix& parent, int depth) {
        if (index < 0 || static_cast<size_t>(index) >= model_.nodes.size()) throw Damaged{"a node names a missing node"};
        if (depth > kDeepestNode) throw Damaged{"the node tree is deeper than " + std::to_string(kDeepestNode) + " (a loop?)"};
        const tinygltf::Node& n = model_.nodes[index];
        const Matrix world = multiply(parent, localMatrix(n));
        std::vector<Member> members;
        if (n.mesh >= 0) {
            if (static_cast<size_t>(n.mesh) >= model_.meshes.size()) throw Damaged{"a node names a missing mesh"};
            const tinygltf::Mesh& mesh = model_.meshes[n.mesh];
            const std::string name = !n.name.empty() ? n.name : !mesh.name.empty() ? mesh.name : stem_;
            const size_t before = parts_.size();
            lastNode_ = -1;  // a node met again (named by two parents) starts parts of its own
            for (const tinygltf::Primitive& p : mesh.primitives) primitive(p, world, name.substr(0, 31), index);
            for (size_t i = before; i < parts_.size(); ++i) members.push_back({false, i});
        }
        if (n.camera >= 0 && !camera_ && static_cast<size_t>(n.camera) < model_.cameras.size()) {
            // glTF cameras look down their -z with +y up.
            const tinygltf::Camera& c = model_.cameras[n.camera];
            const Point3d at = column(world, 3);
            const double aspect = c.type == "perspective" && c.perspective.aspectRatio > 0 ? c.perspective.aspectRatio : 1.333;
            camera_ = PlacedCamera{at, plus(at, unitColumn(world, 2, -1)), unitColumn(world, 1, 1), aspect};
        }
        light(n, world);
        for (int c : n.children)
            for (const Member& m : walk(c, world, depth + 1)) members.push_back(m);
        // A node that only places what lies below it adds no group; one of
        // ours (its operation noted) is kept as it was written.
        const std::optional<unsigned> operation = csgOperationOf(n);
        if (members.size() < 2 && !(operation && !members.empty())) return members;
        const size_t group = groups_.size();
        groups_.push_back(GroupPart{n.name.substr(0, 31), -1, operation.value_or(0), operation.has_value()});
        for (const Member& m : members) {
            if (m.group)
                groups_[m.index].parent = static_cast<int>(group);
            else
                parts_[m.index].group = static_cast<int>(group);
        }
        return {Member{true, group}};
    }

    // The CSG operation a group node of ours notes in its extras.
    static std::optional<unsigned> csgOperationOf(const tinygltf::Node& n) {
        if (!n.extras.IsObject() || !n.extras.Has("csg")) return std::nullopt;
        const tinygltf::Value& value = n.extras.Get("csg");
        if (!value.IsString()) return std::nullopt;
        for (unsigned op = 0; op < std::size(KX_CSG_KEYWORDS); ++op)
            if (value.Get<std::string>() == KX_CSG_KEYWORDS[op]) return op;
        return std::nullopt;
    }

    void light(const tinygltf::Node& n, const Matrix& world) {
        auto ext = n.extensions.find("KHR_lights_punctual");
        if (ext == n.extensions.end() || !ext->second.IsObject() || !ext->second.Has("light")) return;
        const tinygltf::Value& index = ext->second.Get("light");
        if (!index.IsInt() && !index.IsNumber()) return;
        const int i = index.GetNumberAsInt();
        if (i < 0 || static_cast<size_t>(i) >= model_.lights.size()) throw Damaged{"a node names a missing light"};
        const tinygltf::Light& l = model_.lights[i];
        PlacedLight out{};
        out.position = column(world, 3);
        out.target = plus(out.position, unitColumn(world, 2, -1));
        out.spot = l.type == "spot";
        const std::vector<double>& c = l.color;
        out.r = kx::import::colourByte(c.size() == 3 ? c[0] : 1.0, 255.0);
        out.g = kx::import::colourByte(c.size() == 3 ? c[1] : 1.0, 255.0);
        out.b = kx::import::colourByte(c.size() == 3 ? c[2] : 1.0, 255.0);
        if (lights_.size() < 1000) lights_.push_back(out);
    }

    void primitive(const tinygltf::Primitive& p, const Matrix& world, const std::string& name, int node) {
        const int mode = p.mode < 0 ? TINYGLTF_MODE_TRIANGLES : p.mode;
        if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP && mode != TINYGLTF_MODE_TRIANGLE_FAN) {
            ++skipped_;
            return;
        }
        auto position = p.attributes.find("POSITION");
        if (position == p.attributes.end()) {
            ++skipped_;
            return;
        }
        const AccessorReader positions(model_, position->second, 3, "POSITION");
        std::optional<AccessorReader> normals;
        if (auto n = p.attributes.find("NORMAL"); n != p.attributes.end()) {
            normals.emplace(model_, n->second, 3, "NORMAL");
            if (normals->count() != positions.count()) throw Damaged{"a primitive has more or fewer normals than positions"};
        }
        std::optional<AccessorReader> uvs;
        if (auto t = p.attributes.find("TEXCOORD_0"); t != p.attributes.end()) {
            uvs.emplace(model_, t->second, 2, "TEXCOORD_0");
            if (uvs->count() != positions.count()) throw Damaged{"a primitive has more or fewer uvs than positions"};
        }
        std::optional<AccessorReader> indices;
        if (p.indices >= 0) indices.emplace(model_, p.indices, 1, "index");
        const size_t corners = indices ? indices->count() : positions.count();
        MeshPart& part = partFor(name, p.material, node);
        // A vertex where the scene has it: placed, its normal turned, its v
        // made to run up the image as the scene's does (the format's runs down).
        auto placed = [&](size_t v, Point3d& at, Point3d& normal, Point3d& uv) {
            float xyz[3];
            positions.element(v, xyz);
            at = transformPoint(world, xyz);
            if (normals) {
                normals->element(v, xyz);
                normal = transformNormal(world, xyz);
            }
            if (uvs) {
                uvs->element(v, xyz);
                uv = MakePoint(xyz[0], 1.0 - xyz[1], 0);
            }
        };
        // Corners of an indexed primitive share their vertices: each vertex
        // is read and placed once.
        struct Placed {
            Point3d at, normal, uv;
        };
        std::vector<Placed> shared;
        if (indices) {
            shared.resize(positions.count());
            for (size_t v = 0; v < shared.size(); ++v) placed(v, shared[v].at, shared[v].normal, shared[v].uv);
        }
        auto corner = [&](size_t k) {
            const size_t v = indices ? indices->index(k) : k;
            if (v >= positions.count()) throw Damaged{"an index names a vertex the primitive does not have"};
            Placed one;
            if (!indices) placed(v, one.at, one.normal, one.uv);
            const Placed& p = indices ? shared[v] : one;
            part.corners.push_back(p.at);
            if (normals) part.normals.push_back(p.normal);
            if (uvs) part.uvs.push_back(p.uv);
        };
        const size_t triangles = corners < 3 ? 0 : mode == TINYGLTF_MODE_TRIANGLES ? corners / 3 : corners - 2;
        part.corners.reserve(part.corners.size() + 3 * triangles);
        if (normals) part.normals.reserve(part.normals.size() + 3 * triangles);
        if (uvs) part.uvs.reserve(part.uvs.size() + 3 * triangles);
        auto triangle = [&](size_t a, size_t b, size_t c) {
            corner(a);
            corner(b);
            corner(c);
        };
        // A mirroring transform turns the faces inside out: the corners are
        // taken the other way round to keep them facing out.
        const bool mirrored = determinant(world) < 0;
        auto facing = [&](size_t a, size_t b, size_t c) { mirrored ? triangle(a, c, b) : triangle(a, b, c); };
        if (mode == TINYGLTF_MODE_TRIANGLES) {
            for (size_t k = 0; k + 2 < corners; k += 3) facing(k, k + 1, k + 2);
        } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
            for (size_t k = 0; k + 2 < corners; ++k) k % 2 ? facing(k + 1, k, k + 2) : facing(k, k + 1, k + 2);
        } else {
            for (size_t k = 1; k + 1 < corners; ++k) facing(0, k, k + 1);
        }
        // Some primitives have normals and others not: those without get none,
        // and the part keeps normals only when every corner has one.
        if (!part.normals.empty() && part.normals.size() != part.corners.size()) part.normals.clear();
        if (!part.uvs.empty() && part.uvs.size() != part.corners.size()) part.uvs.clear();
    }

    static double determinant(const Matrix& m) {
        return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) + m[8] * (m[1] * m[6] - m[5] * m[2]);
    }

    // Primitives of one node that share a material are one part.
    MeshPart& partFor(const std::string& name, int material, int node) {
        if (!parts_.empty() && lastNode_ == node && lastMaterial_ == material) return parts_.back();
        MeshPart part;
        part.name = name;
        if (material >= 0 && static_cast<size_t>(material) < model_.materials.size()) {
            const std::vector<double>& c = model_.materials[material].pbrMetallicRoughness.baseColorFactor;
            if (c.size() >= 3) {
                part.coloured = true;
                part.r = kx::import::colourByte(c[0], 255.0);
                part.g = kx::import::colourByte(c[1], 255.0);
                part.b = kx::import::colourByte(c[2], 255.0);
            }
            part.picture = pictureOf(model_.materials[material]);
            part.material = model_.materials[material].name;
        }
        parts_.push_back(std::move(part));
        lastNode_ = node;
        lastMaterial_ = material;
        return parts_.back();
    }

    // The file of a material's base colour texture. A picture held inside
    // the model (in a buffer, or as a data URI) is kept as a file beside it,
    // once, for the renderer to read.
    std::string pictureOf(const tinygltf::Material& m) {
        const int texture = m.pbrMetallicRoughness.baseColorTexture.index;
        if (texture < 0 || static_cast<size_t>(texture) >= model_.textures.size()) return {};
        const int source = model_.textures[texture].source;
        if (source < 0 || static_cast<size_t>(source) >= model_.images.size()) return {};
        const tinygltf::Image& image = model_.images[source];
        if (!image.uri.empty()) return kx::import::pictureBeside(folder_, decodedUri(image.uri));
        if (auto kept = keptPictures_.find(source); kept != keptPictures_.end()) return kept->second;
        std::string path = keepEmbedded(image, source);
        keptPictures_.emplace(source, path);
        return path;
    }

    std::string keepEmbedded(const tinygltf::Image& image, int source) {
        std::vector<unsigned char> bytes;
        if (image.bufferView >= 0) {
            bytes = viewBytes(image.bufferView);
        } else if (auto found = embedded_.find(source); found != embedded_.end()) {
            bytes = found->second;
        }
        const char* ext = bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0 ? ".png"
                          : bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF ? ".jpg"
                                                                                                     : nullptr;
        if (!ext) {
            LogMessage(0, "Picture %d of %s is neither PNG nor JPEG and was not used", source, stem_.c_str());
            return {};
        }
        bool created = false;
        const std::string leaf =
            kx::files::keepPictureBeside(folder_, stem_ + "_" + std::to_string(source) + ext, bytes, &created);
        if (leaf.empty()) {
            LogMessage(0, "Picture %d of %s could not be kept beside it and was not used", source, stem_.c_str());
            return {};
        }
        if (created) written_.push_back(folder_ + "/" + leaf);
        return folder_ + "/" + leaf;
    }

    // A buffer view's bytes, checked against its buffer here: the library
    // hands images over without that check.
    std::vector<unsigned char> viewBytes(int view) const {
        if (static_cast<size_t>(view) >= model_.bufferViews.size()) return {};
        const tinygltf::BufferView& v = model_.bufferViews[view];
        if (v.buffer < 0 || static_cast<size_t>(v.buffer) >= model_.buffers.size()) return {};
        const std::vector<unsigned char>& data = model_.buffers[v.buffer].data;
        if (v.byteOffset > data.size() || v.byteLength > data.size() - v.byteOffset) return {};
        return {data.begin() + static_cast<std::ptrdiff_t>(v.byteOffset),
                data.begin() + static_cast<std::ptrdiff_t>(v.byteOffset + v.byteLength)};
    }

    const tinygltf::Model& model_;
    std::string stem_;
    std::vector<MeshPart> parts_;
    std::vector<PlacedLight> lights_;
    std::optional<PlacedCamera> camera_;
    std::vector<GroupPart> groups_;
    int lastNode_ = -1;
    int lastMaterial_ = -2;
    unsigned skipped_ = 0;
    std::string folder_;
    const std::map<int, std::vector<unsigned char>>& embedded_;  // data URI pictures by image
    std::map<int, std::string> keptPictures_;
    std::vector<std::string>& written_;
};

// Outside files only from the model's folder: a name that leaves it, an
// absolute one or a URI of any scheme is not read.
struct Folder {
    std::filesystem::path root;
};

bool insideFolder(const std::string& path, const Folder& folder) {
    return kx::import::insideFolder(path, folder.root.string());
}

bool fileExists(const std::string& path, void* user) {
    return insideFolder(path, *static_cast<Folder*>(user)) && std::filesystem::is_regular_file(path);
}

std::string expandPath(const std::string& path, void*) { return path; }

bool readWholeFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    if (!insideFolder(path, *static_cast<Folder*>(user))) {
        if (err) *err += "the file " + path + " is outside the model's folder\n";
        return false;
    }
    std::string opened;
    auto data = kx::import::loadFile(path.c_str(), "", "glTF buffer", opened);
    if (!data) return false;
    *out = std::move(*data);
    return true;
}

bool refuseWrite(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
    if (err) *err += "writing is not done while reading\n";
    return false;
}

// Images are not decoded while the model is read: the scene refers to image
// files by name, and the image library reads them with its own checks. The
// bytes of a data URI (decoded by the library into memory of its own) are
// kept, to be written beside the model; those of a buffer view are read
// later with their range checked, as the library does not check it.
bool keepImageUndecoded(tinygltf::Image* image, const int index, std::string*, std::string*, int, int,
                        const unsigned char* bytes, int size, void* user) {
    constexpr int kLargestPicture = 256 << 20;
    if (image && image->bufferView < 0 && bytes && size > 0 && size <= kLargestPicture)
        (*static_cast<std::map<int, std::vector<unsigned char>>*>(user))[index].assign(bytes, bytes + size);
    return true;
}

bool looksBinary(const std::vector<unsigned char>& data) { return data.size() >= 4 && std::memcmp(data.data(), "glTF", 4) == 0; }

void addLightsAndCamera(const Reader& reader) {
    for (const PlacedLight& l : reader.lights()) {
        CreateLight(CreateDefaultInfo());
        CadObject* obj = GetLastCadObject();
        if (!obj || obj->type != KX_LIGHT) continue;
        obj->translate = l.position;
        obj->extraPoint = l.target;
        if (l.spot) {
            double values[6] = {1, 0, 0, 0, 0, 0};
            SetCadObjectProperty(obj, "LightValues", values, 6);
        }
        kx::import::giveEncodedColour(obj, l.r, l.g, l.b);
        RebuildObjectEx(obj, 1);
    }
    if (const auto& c = reader.camera()) {
        CadObjectInfo* info = CreateDefaultInfo();
        info->translate = c->location;
        info->size = c->lookAt;
        info->rotate = c->up;
        info->extraPoint = MakePoint(c->aspect, 0, 0);
        CreateCamera(info);
    }
    SetObjectsUnSelected();
}

}  // namespace

// Pictures an import wrote beside its model, removed again unless the
// import was added to the scene.
struct WrittenPictures {
    std::vector<std::string> paths;
    bool kept = false;
    ~WrittenPictures() {
        std::error_code ignored;
        if (!kept)
            for (const std::string& p : paths) std::filesystem::remove(p, ignored);
    }
};

int ReadGLTF(const char* fileName) noexcept {
    std::string path;
    WrittenPictures pictures;
    try {
        auto data = kx::import::loadFile(fileName, ".gltf", "glTF", path);
        if (!data) return 0;
        if (data->size() > 0xFFFFFFF0u) throw Damaged{"the file is larger than the format allows"};
        kx::files::ReadingScope reading;
        std::error_code ec;
        Folder folder{std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec).parent_path(), ec)};
        tinygltf::TinyGLTF loader;
        loader.SetFsCallbacks(tinygltf::FsCallbacks{fileExists, expandPath, readWholeFile, refuseWrite, &folder});
        std::map<int, std::vector<unsigned char>> embedded;
        loader.SetImageLoader(keepImageUndecoded, &embedded);
        tinygltf::Model model;
        std::string err, warn;
        const unsigned size = static_cast<unsigned>(data->size());
        const bool ok = looksBinary(*data)
                            ? loader.LoadBinaryFromMemory(&model, &err, &warn, data->data(), size, folder.root.string())
                            : loader.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char*>(data->data()),
                                                         size, folder.root.string());
        if (!ok) {
            while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
            throw Damaged{err.empty() ? "not a glTF model" : err.substr(0, 400)};
        }
        if (!warn.empty()) LogMessage(0, "While reading %s: %s", path.c_str(), warn.substr(0, 400).c_str());
        Reader reader(model, kx::import::fileStem(path), folder.root.string(), embedded, pictures.paths);
        std::vector<MeshPart> parts = reader.run();
        if (!kx::import::addMeshParts(parts, reader.groups())) throw Damaged{"out of memory"};
        addLightsAndCamera(reader);
        pictures.kept = true;
        return 1;
    } catch (const Damaged& d) {
        ErrorMessage("Unable to import glTF file %s: %s", path.c_str(), d.reason.c_str());
        return 0;
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    } catch (const std::exception& e) {
        // The JSON parser's own failures (a malformed number, a wrong type).
        ErrorMessage("Unable to import glTF file %s: %s", path.c_str(), e.what());
        return 0;
    }
}
