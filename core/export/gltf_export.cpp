// glTF 2.0: every exported mesh and primitive as a node with one mesh of
// triangles (positions and normals, corners not shared), a material per
// colour, the active camera and the lights (KHR_lights_punctual). ".glb"
// holds all in one container; ".gltf" is the JSON with its buffer in a
// ".bin" file of the same stem beside it. A mesh painted with a PNG or JPEG
// picture gets it as its material's base colour texture: inside a ".glb",
// beside a ".gltf". A group is a node holding its members' nodes, its CSG
// operation noted in the node's extras (the format has none).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "export/export_internal.h"
#include "model/model_internal.h"
#include "files/formats_internal.h"
#include "model/text.h"

namespace kx::exporter {
namespace {

using json = nlohmann::json;


// A unit normal: the validator asks for length 1 within a small tolerance.
Point3d unitNormal(const Point3d& n, const Point3d& fallback) {
    const double length = std::sqrt(double{n.x} * n.x + double{n.y} * n.y + double{n.z} * n.z);
    if (!(length > 1e-6) || !std::isfinite(length)) return fallback;
    return MakePoint(n.x / length, n.y / length, n.z / length);
}

void appendFloats(std::vector<unsigned char>& out, const Point3d& p) {
    const float v[3] = {p.x, p.y, p.z};
    const size_t at = out.size();
    out.resize(at + sizeof v);
    std::memcpy(out.data() + at, v, sizeof v);
}

json colourOf(unsigned rgb, double alpha) {
    return json::array({(rgb & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, ((rgb >> 16) & 0xFF) / 255.0, alpha});
}

// A rotation (x, y, z, w) that turns the camera's -z towards its look-at
// point with its +y towards the up vector.
json lookRotation(const CameraInfo& c) {
    double f[3] = {double{c.lookAt.x} - c.location.x, double{c.lookAt.y} - c.location.y, double{c.lookAt.z} - c.location.z};
    double up[3] = {c.up.x, c.up.y, c.up.z};
    auto normalise = [](double* v) {
        const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(l > 0) || !std::isfinite(l)) return false;
        for (int i = 0; i < 3; ++i) v[i] /= l;
        return true;
    };
    if (!normalise(f)) return json::array({0.0, 0.0, 0.0, 1.0});
    if (!normalise(up)) up[0] = 0, up[1] = 1, up[2] = 0;
    const double z[3] = {-f[0], -f[1], -f[2]};
    double x[3] = {up[1] * z[2] - up[2] * z[1], up[2] * z[0] - up[0] * z[2], up[0] * z[1] - up[1] * z[0]};
    if (!normalise(x)) {
        // Looking along the up vector: any side will do.
        const double other[3] = {1, 0, 0};
        x[0] = other[1] * z[2] - other[2] * z[1], x[1] = other[2] * z[0] - other[0] * z[2], x[2] = other[0] * z[1] - other[1] * z[0];
        normalise(x);
    }
    const double y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    // The quaternion of the matrix whose columns are x, y and z.
    const double m00 = x[0], m11 = y[1], m22 = z[2];
    double qw, qx, qy, qz;
    const double trace = m00 + m11 + m22;
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        qw = 0.25 * s, qx = (y[2] - z[1]) / s, qy = (z[0] - x[2]) / s, qz = (x[1] - y[0]) / s;
    } else if (m00 > m11 && m00 > m22) {
        const double s = std::sqrt(1.0 + m00 - m11 - m22) * 2;
        qw = (y[2] - z[1]) / s, qx = 0.25 * s, qy = (y[0] + x[1]) / s, qz = (z[0] + x[2]) / s;
    } else if (m11 > m22) {
        const double s = std::sqrt(1.0 + m11 - m00 - m22) * 2;
        qw = (z[0] - x[2]) / s, qx = (y[0] + x[1]) / s, qy = 0.25 * s, qz = (z[1] + y[2]) / s;
    } else {
        const double s = std::sqrt(1.0 + m22 - m00 - m11) * 2;
        qw = (x[1] - y[0]) / s, qx = (z[0] + x[2]) / s, qy = (z[1] + y[2]) / s, qz = 0.25 * s;
    }
    const double l = std::sqrt(qw * qw + qx * qx + qy * qy + qz * qz);
    return json::array({qx / l, qy / l, qz / l, qw / l});
}

struct Model {
    json root;
    std::vector<unsigned char> buffer;
};

void addView(Model& m, size_t offset, size_t length) {
    m.root["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}, {"target", 34962}});
}

// Where the file goes: what decides how its pictures travel.
struct Destination {
    bool binary = false;
    std::filesystem::path folder;  // of the .gltf
};

// The only picture kinds the format holds.
const char* pictureMimeType(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".png") return "image/png";
    if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
    return nullptr;
}

// A relative URI: every byte but the unreserved ones and "/" percent-encoded.
std::string uriOf(const std::string& relative) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : relative) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') out += static_cast<char>(c);
        else out += {'%', hex[c >> 4], hex[c & 15]};
    }
    return out;
}

// The pictures of the file, each once, as images and textures.
class Pictures {
public:
    Pictures(Model& m, const Destination& to) : m_(m), to_(to) {}

    // The texture of the picture, or -1 (with a line in the log) when it
    // cannot travel with the file.
    long textureOf(const std::string& picture, const char* objectName) {
        if (auto found = textures_.find(picture); found != textures_.end()) return found->second;
        const long texture = add(picture, objectName);
        textures_.emplace(picture, texture);
        return texture;
    }

private:
    long add(const std::string& picture, const char* objectName) {
        const char* mime = pictureMimeType(picture);
        if (!mime) {
            LogMessage(0, "The picture %s of %s is neither PNG nor JPEG, which glTF holds; its colour was written",
                       picture.c_str(), objectName);
            return -1;
        }
        json image;
        if (to_.binary) {
            auto bytes = kx::files::readPicture(picture);
            if (!bytes) return unreadable(picture);
            while (m_.buffer.size() % 4) m_.buffer.push_back(0);
            const size_t at = m_.buffer.size();
            m_.buffer.insert(m_.buffer.end(), bytes->begin(), bytes->end());
            m_.root["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", at}, {"byteLength", bytes->size()}});
            // The floats of the meshes after it start on a multiple of 4.
            while (m_.buffer.size() % 4) m_.buffer.push_back(0);
            image = {{"bufferView", m_.root["bufferViews"].size() - 1}, {"mimeType", mime}};
        } else {
            const std::string relative = besideTheFile(picture);
            if (relative.empty()) return unreadable(picture);
            image = {{"uri", uriOf(relative)}};
        }
        m_.root["images"].push_back(image);
        m_.root["textures"].push_back({{"source", m_.root["images"].size() - 1}});
        return static_cast<long>(m_.root["textures"].size() - 1);
    }

    long unreadable(const std::string& picture) {
        LogMessage(0, "The picture %s could not be read; its colour was written", picture.c_str());
        return -1;
    }

    // The picture's name from the .gltf's folder: where it is when it lies
    // inside that folder, else a copy made beside the file (a file of that
    // name already there is used when it holds the same bytes, else another
    // name is found). Empty when it cannot be read or copied.
    std::string besideTheFile(const std::string& picture) {
        namespace fs = std::filesystem;
        std::error_code sourceError, folderError;
        const fs::path source = fs::weakly_canonical(picture, sourceError);
        const fs::path folder = fs::weakly_canonical(to_.folder, folderError);
        if (sourceError || folderError) return {};
        std::error_code ec;
        const fs::path inside = source.lexically_relative(folder);
        if (!inside.empty() && *inside.begin() != ".." && fs::is_regular_file(source, ec)) return inside.generic_string();
        auto bytes = kx::files::readPicture(source.string());
        if (!bytes) return {};
        return kx::files::keepPictureBeside(folder.string(), source.filename().string(), *bytes);
    }

    Model& m_;
    const Destination& to_;
    std::map<std::string, long> textures_;
};

// A node for each group holding a member that has one, after the members'
// nodes; a group inside a group is its child. The links are followed as far
// as groups nest in the window, and a node is given to one group only.
// `rank` holds each node's place in the scene's order and is kept in step.
void addGroupNodes(json& root, const std::map<const CadObject*, size_t>& nodeOf, std::vector<size_t>& rank) {
    constexpr int kDeepestGroup = 64;
    std::map<const CadObject*, size_t> place;
    size_t n = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) place.emplace(o, n++);
    std::set<const CadObject*> visited;
    auto groupNode = [&](auto&& self, const CadObject* group, int depth) -> std::optional<size_t> {
        if (depth > kDeepestGroup || !visited.insert(group).second) return std::nullopt;
        json children = json::array();
        // A chain is never longer than the scene: one that comes round again ends there.
        size_t steps = 0;
        for (const CadObject* c = group->firstChild; c && steps++ < place.size(); c = c->nextSibling) {
            std::optional<size_t> child;
            if (c->type == KX_GROUP) {
                child = self(self, c, depth + 1);
            } else if (!visited.insert(c).second) {
                break;  // a chain that comes round again
            } else if (auto found = nodeOf.find(c); found != nodeOf.end()) {
                child = found->second;
            }
            if (child) children.push_back(*child);
        }
        if (children.empty()) return std::nullopt;
        const size_t index = root["nodes"].size();
        rank.push_back(place[group]);
        root["nodes"].push_back({{"name", group->name},
                                 {"children", children},
                                 {"extras", {{"csg", kx::files::csgKeyword(static_cast<unsigned>(kx::model::groupOperation(*group)))}}}});
        return index;
    };
    bool any = false;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o->type == KX_GROUP && !(o->parent && o->parent->type == KX_GROUP)) any = groupNode(groupNode, o, 0) || any;
    if (any)
        root["extras"] = {{"note", "Groups are plain nodes: \"csg\" in a group node's extras names the operation a ray "
                                   "tracer applies to its members, which this format cannot."}};
}

// Everything but the buffer's URI; nodes counted in `meshes`.
Model buildModel(unsigned& meshes, const Destination& to) {
    Model m;
    json& root = m.root;
    root["asset"] = {{"version", "2.0"}, {"generator", "Kalvex"}};
    root["nodes"] = json::array();
    // A material per colour and picture.
    std::map<std::pair<unsigned, long>, size_t> materialOf;
    std::map<const CadObject*, size_t> nodeOf;
    std::vector<size_t> rank;  // of each node: its object's place in the scene
    size_t place = 0;
    Pictures pictures(m, to);
    json lights = json::array();
    meshes = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next, ++place) {
        if (o->type == KX_LIGHT && !(o->flags & KX_FLAG_NOEXPORT)) {
            json light = {{"type", "point"}, {"color", json::array({(o->rgb & 0xFF) / 255.0, ((o->rgb >> 8) & 0xFF) / 255.0,
                                                                      ((o->rgb >> 16) & 0xFF) / 255.0})},
                          {"intensity", 1.0}};
            if (o->rgb == 0) light["color"] = json::array({1.0, 1.0, 1.0});
            lights.push_back(light);
            rank.push_back(place);
            root["nodes"].push_back({{"name", o->name},
                                     {"translation", json::array({o->translate.x, o->translate.y, o->translate.z})},
                                     {"extensions", {{"KHR_lights_punctual", {{"light", lights.size() - 1}}}}}});
            continue;
        }
        if (!inMeshFile(o)) continue;
        const size_t start = m.buffer.size();
        size_t corners = 0;
        float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        std::vector<Point3d> normals;
        std::vector<float> uvs;
        const bool withUv = uvFits(o);
        // Room for the triangles a mesh says it has, so that a large one is
        // not copied over and over as the buffer grows; grown at least
        // twofold, so that a scene of many small meshes reserves once in a
        // while. Only a help: a count the mesh cannot back leaves it.
        try {
            const size_t expected = size_t{o->polygons && o->polygonCount ? o->polygonCount : o->count} * 3;
            const size_t needed = start + expected * (2 * sizeof(Point3d) + (withUv ? 2 * sizeof(float) : 0));
            if (needed > m.buffer.capacity()) m.buffer.reserve(std::max(needed, 2 * m.buffer.capacity()));
            normals.reserve(expected);
            if (withUv) uvs.reserve(2 * expected);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
        kx::files::forEachTriangle(o, [&](const kx::files::Triangle& t) {
            // A degenerate triangle still needs a unit normal in this format.
            const Point3d flat = triangleNormal(t.point, Point3d{0, 1, 0});
            for (int c = 0; c < 3; ++c) {
                const Point3d& p = t.point[c];
                const float v[3] = {p.x, p.y, p.z};
                for (int i = 0; i < 3; ++i) {
                    if (corners == 0 || v[i] < lo[i]) lo[i] = v[i];
                    if (corners == 0 || v[i] > hi[i]) hi[i] = v[i];
                }
                appendFloats(m.buffer, p);
                normals.push_back(t.hasNormals ? unitNormal(t.normal[c], flat) : flat);
                if (withUv) {
                    const Point3d& uv = o->uv[t.index * 3 + t.corner[c]];
                    uvs.insert(uvs.end(), {uv.x, 1.0f - uv.y});  // the format's v runs down the image
                }
                ++corners;
            }
        });
        if (corners == 0) continue;
        const size_t positionBytes = m.buffer.size() - start;
        for (const Point3d& n : normals) appendFloats(m.buffer, n);
        const size_t views = root.contains("bufferViews") ? root["bufferViews"].size() : 0;
        addView(m, start, positionBytes);
        addView(m, start + positionBytes, positionBytes);
        const size_t accessors = root.contains("accessors") ? root["accessors"].size() : 0;
        root["accessors"].push_back({{"bufferView", views},
                                     {"componentType", 5126},
                                     {"count", corners},
                                     {"type", "VEC3"},
                                     {"min", json::array({lo[0], lo[1], lo[2]})},
                                     {"max", json::array({hi[0], hi[1], hi[2]})}});
        root["accessors"].push_back({{"bufferView", views + 1}, {"componentType", 5126}, {"count", corners}, {"type", "VEC3"}});
        json attributes = {{"POSITION", accessors}, {"NORMAL", accessors + 1}};
        if (withUv) {
            const size_t at = m.buffer.size();
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(uvs.data());
            m.buffer.insert(m.buffer.end(), bytes, bytes + uvs.size() * sizeof(float));
            addView(m, at, uvs.size() * sizeof(float));
            root["accessors"].push_back({{"bufferView", views + 2}, {"componentType", 5126}, {"count", corners}, {"type", "VEC2"}});
            attributes["TEXCOORD_0"] = accessors + 2;
        }
        const std::string picture = withUv ? imageMapOf(o) : std::string();
        const long texture = picture.empty() ? -1 : pictures.textureOf(picture, o->name);
        auto found = materialOf.find({o->rgb, texture});
        if (found == materialOf.end()) {
            const size_t index = root.contains("materials") ? root["materials"].size() : 0;
            const bool named = (o->materialType & 3) == 1 && o->material[0];
            root["materials"].push_back(
                {{"name", named ? std::string(o->material) : "Rgb." + std::to_string(o->rgb & 0xFF) + "." +
                                                                 std::to_string((o->rgb >> 8) & 0xFF) + "." +
                                                                 std::to_string((o->rgb >> 16) & 0xFF)},
                 {"pbrMetallicRoughness", {{"baseColorFactor", colourOf(o->rgb, 1.0)}, {"metallicFactor", 0.0},
                                           {"roughnessFactor", 1.0}}}});
            if (texture >= 0) {
                // The picture is the colour; the factor would tint it.
                json& pbr = root["materials"][index]["pbrMetallicRoughness"];
                pbr["baseColorTexture"] = {{"index", texture}};
                pbr.erase("baseColorFactor");
            }
            found = materialOf.emplace(std::make_pair(o->rgb, texture), index).first;
        }
        const size_t mesh = root.contains("meshes") ? root["meshes"].size() : 0;
        root["meshes"].push_back(
            {{"name", o->name},
             {"primitives", json::array({{{"attributes", attributes},
                                          {"material", found->second},
                                          {"mode", 4}}})}});
        nodeOf.emplace(o, root["nodes"].size());
        rank.push_back(place);
        root["nodes"].push_back({{"name", o->name}, {"mesh", mesh}});
        ++meshes;
    }
    addGroupNodes(root, nodeOf, rank);
    if (const CameraInfo* c = GetActiveCamera()) {
        // The scene's default lens: a direction 1 long and a right vector 1.33 long.
        const double direction = c->rightDir.z > 0 ? c->rightDir.z : 1.0;
        const double right = c->rightDir.x != 0 ? std::fabs(c->rightDir.x) : 1.33;
        root["cameras"].push_back({{"type", "perspective"},
                                   {"perspective", {{"yfov", 2 * std::atan(0.5 / direction)}, {"znear", 0.01},
                                                    {"aspectRatio", right}}}});
        rank.push_back(place);
        root["nodes"].push_back({{"name", "camera"},
                                 {"camera", 0},
                                 {"translation", json::array({c->location.x, c->location.y, c->location.z})},
                                 {"rotation", lookRotation(*c)}});
    }
    if (!lights.empty()) {
        root["extensionsUsed"] = json::array({"KHR_lights_punctual"});
        root["extensions"] = {{"KHR_lights_punctual", {{"lights", lights}}}};
    }
    // Every node no group holds is one of the scene's, in the scene's order.
    std::vector<bool> held(root["nodes"].size());
    for (const json& node : root["nodes"])
        if (node.contains("children"))
            for (const json& child : node["children"]) held[child.get<size_t>()] = true;
    std::vector<size_t> roots;
    for (size_t i = 0; i < held.size(); ++i)
        if (!held[i]) roots.push_back(i);
    std::stable_sort(roots.begin(), roots.end(), [&rank](size_t a, size_t b) { return rank[a] < rank[b]; });
    json sceneNodes = json::array();
    for (size_t i : roots) sceneNodes.push_back(i);
    root["scenes"] = json::array({{{"nodes", sceneNodes}}});
    root["scene"] = 0;
    return m;
}

// The file of bytes and, when given, more bytes after them.
bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes,
                const std::vector<unsigned char>* more = nullptr) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(2, "glTF", path.c_str());
        return false;
    }
    StdWriteFile(f, const_cast<unsigned char*>(bytes.data()), bytes.size());
    if (more) StdWriteFile(f, const_cast<unsigned char*>(more->data()), more->size());
    if (!StdCloseFile(f)) {
        StdFileError(2, "glTF", path.c_str());
        return false;
    }
    return true;
}

void appendU32(std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

bool endsWithNoCase(const std::string& s, const char* ending) {
    const size_t n = std::strlen(ending);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != ending[i]) return false;
    return true;
}

int writeGltf(const std::string& path) {
    unsigned meshes = 0;
    const bool binary = endsWithNoCase(path, ".glb");
    std::error_code ec;
    const Destination to{binary, std::filesystem::absolute(path, ec).parent_path()};
    Model m = buildModel(meshes, to);
    if (meshes == 0) return refuseEmptyMeshExport(path.c_str(), "glTF");
    json& root = m.root;
    if (binary) {
        root["buffers"] = json::array({{{"byteLength", m.buffer.size()}}});
        std::string text = root.dump(-1, ' ', false, json::error_handler_t::replace);
        while (text.size() % 4) text += ' ';
        std::vector<unsigned char>& bin = m.buffer;
        while (bin.size() % 4) bin.push_back(0);
        // The container's header and the JSON, then the buffer as it is:
        // tens of megabytes are not copied once more to sit behind them.
        std::vector<unsigned char> head;
        head.reserve(12 + 8 + text.size() + 8);
        head.insert(head.end(), {'g', 'l', 'T', 'F'});
        appendU32(head, 2);
        appendU32(head, static_cast<uint32_t>(12 + 8 + text.size() + 8 + bin.size()));
        appendU32(head, static_cast<uint32_t>(text.size()));
        head.insert(head.end(), {'J', 'S', 'O', 'N'});
        head.insert(head.end(), text.begin(), text.end());
        appendU32(head, static_cast<uint32_t>(bin.size()));
        head.insert(head.end(), {'B', 'I', 'N', '\0'});
        return writeBytes(path, head, &bin) ? 1 : 0;
    }
    // The buffer beside the JSON, named after it.
    const std::string name = kx::text::lastComponent(path.c_str());
    const size_t dot = name.find_last_of('.');
    const std::string binName = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + ".bin";
    const std::string binPath = path.substr(0, path.size() - name.size()) + binName;
    root["buffers"] = json::array({{{"byteLength", m.buffer.size()}, {"uri", binName}}});
    const std::string text = root.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
    if (!writeBytes(binPath, m.buffer)) return 0;
    return writeBytes(path, std::vector<unsigned char>(text.begin(), text.end())) ? 1 : 0;
}

}  // namespace
}  // namespace kx::exporter

int WriteGLTF(const char* fileName) {
    if (!fileName || !*fileName) return 0;
    try {
        return kx::exporter::writeGltf(fileName);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory writing %s", fileName);
        return 0;
    } catch (const std::exception& e) {
        // Names that are not UTF-8 stop the JSON writer.
        ErrorMessage("Unable to export glTF file %s: %s", fileName, e.what());
        return 0;
    }
}
