// Wavefront OBJ meshes: vertices, normals and texture coordinates numbered
// from 1 in file order, groups as objects, faces of any number of corners.
#include <algorithm>
#include <deque>
#include <new>
#include <unordered_map>

#include "files/files_internal.h"
#include "files/numbers.h"
#include "import/import_internal.h"
#include "model/text.h"

namespace {

using kx::import::FacetAppender;

// Material names of the face models this format is often used for, with the
// colours they are drawn in (red in the low byte).
struct FaceMaterial {
    const char* name;
    uint32_t colour;
};
constexpr FaceMaterial kFaceMaterials[] = {
    {"default", 0xffffff}, {"lips", 0x555289},   {"eyeBrows", 0x34425b}, {"innerMouth", 0x555289},
    {"skin", 0x6e87b2},    {"skin", 0x60b19b},   {"tongue", 0x555289},   {"teeth", 0xb4b4b4},
    {"lashes", 0x60709},   {"pupils", 0x60709},  {"iris", 0x323232},     {"eyeBall", 0xb4b4b4},
};

int faceMaterialRow(std::string_view name) {
    for (size_t i = 0; i < std::size(kFaceMaterials); ++i)
        if (name == kFaceMaterials[i].name) return static_cast<int>(i);
    return -1;
}

// One object faces go to while this file is read.
struct Target {
    explicit Target(CadObject* obj, bool made) : facets(obj), uvFrom(obj->count), created(made) {}
    FacetAppender facets;
    unsigned uvFrom;           // the object's nodes before this file's
    std::vector<Point3d> uv;   // three per node from uvFrom on, once any face has some
    std::string picture;       // of its last material that names one
    unsigned materials = 0;
    bool created;
};

struct Corner {
    long v, t, n;  // indices into the arrays; -1 when not given or not valid
};

// The name as an object stores it.
std::string storedName(std::string_view name) {
    char field[32];
    kx::text::copyField(field, std::string(name).c_str());
    return field;
}

// A material of the file's material library: its diffuse colour and the
// picture painted over it.
struct LibraryMaterial {
    double kd[3] = {1, 1, 1};
    bool coloured = false;
    std::string picture;  // absolute, found beside the model; empty for none
};

// The file name of a texture map statement, after its options ("-s 1 1 1",
// "-clamp on", ...): the rest of the line, which may hold blanks.
std::string_view mapFileName(std::string_view rest) {
    struct Option {
        std::string_view name;
        int values;
    };
    static constexpr Option kOptions[] = {{"-blendu", 1}, {"-blendv", 1}, {"-bm", 1},     {"-boost", 1},
                                          {"-cc", 1},     {"-clamp", 1},  {"-imfchan", 1}, {"-mm", 2},
                                          {"-o", 3},      {"-s", 3},      {"-t", 3},       {"-texres", 1}};
    for (;;) {
        rest = kx::import::trim(rest);
        if (!rest.starts_with('-')) return rest;
        kx::import::WordCursor words(rest);
        std::string_view option;
        words.next(option);
        const Option* known = nullptr;
        for (const Option& o : kOptions)
            if (o.name == option) known = &o;
        if (!known) return {};  // an option this reader does not know: its values cannot be told from the name
        std::string_view value;
        for (int k = 0; k < known->values; ++k) {
            // "-o", "-s" and "-t" may give fewer than three numbers.
            kx::import::WordCursor look = words;
            double number = 0;
            if (known->values == 3 && k > 0 && !(look.next(value) && kx::numbers::whole(value, number))) break;
            words.next(value);
        }
        rest = words.rest();
    }
}

class Reader {
public:
    explicit Reader(std::string folder) : folder_(std::move(folder)) {}
    int run(kx::import::FileLines& lines);

private:
    void library(std::string_view names);
    void readLibrary(const std::string& path);
    void face(std::string_view text);
    bool corner(std::string_view text, Corner& c) const;
    bool plainCorner(std::string_view text, size_t& at, Corner& c) const;
    Target* target(std::string_view name);
    void material(std::string_view name);
    // A material named before any object goes to the first one.
    void setCurrent(Target* t) {
        current_ = t;
        if (!current_ || pendingMaterial_.empty()) return;
        const std::string name = std::move(pendingMaterial_);
        pendingMaterial_.clear();
        material(name);
    }
    void finish();

    std::vector<Point3d> vertices_, normals_, uvs_;
    std::deque<Target> targets_;  // stable addresses
    std::unordered_map<std::string, Target*> byName_;
    std::unordered_map<std::string, CadObject*> existing_;  // the scene's `_facets` objects by name
    bool existingKnown_ = false;
    Target* current_ = nullptr;
    std::string pendingMaterial_;
    std::vector<Corner> corners_;
    std::string folder_;  // of the file: material libraries are read only from inside it
    std::unordered_map<std::string, LibraryMaterial> library_;
};

// "mtllib" names one or more libraries beside the file. A name that leaves
// the file's folder (absolute, or through "..") is not read.
void Reader::library(std::string_view names) {
    kx::import::WordCursor words(names);
    std::string_view name;
    while (words.next(name)) {
        const std::string file(name);
        if (!kx::import::insideFolder(folder_ + file, folder_.empty() ? "." : folder_)) {
            LogMessage(0, "The material library %s lies outside the model's folder and was not read", file.c_str());
            continue;
        }
        readLibrary(folder_ + file);
    }
}

void Reader::readLibrary(const std::string& path) {
    // A library that is not there leaves the materials as their names alone:
    // the model is still read, and the log says so.
    if (kx::files::findExisting(path).empty()) {
        LogMessage(0, "The material library %s was not found", path.c_str());
        return;
    }
    kx::import::FileLines lines;
    std::string opened;
    if (!lines.open(path.c_str(), ".mtl", "Wavefront material library", opened)) return;
    std::string_view line;
    LibraryMaterial* current = nullptr;
    while (lines.next(line)) {
        kx::import::WordCursor words(line);
        std::string_view kind;
        if (!words.next(kind)) continue;
        if (kind == "newmtl") {
            std::string_view name;
            current = words.next(name) ? &library_[storedName(name)] : nullptr;
        } else if (kind == "Kd" && current) {
            double v[3];
            bool all = true;
            for (double& x : v) {
                bool isNumber = false;
                all = all && words.nextNumber(x, isNumber) && isNumber;
            }
            if (all) {
                std::copy(v, v + 3, current->kd);
                current->coloured = true;
            }
        } else if (kind == "map_Kd" && current) {
            current->picture = kx::import::pictureBeside(folder_, mapFileName(words.rest()));
        }
        // The other maps, transparency and the other lighting terms: not taken here.
    }
}

// An index of the file: from 1, or counted back from the last element read.
long resolve(std::string_view text, size_t count) {
    long long i = 0;
    if (text.empty() || !kx::numbers::integer(text, i) || i == 0) return -1;
    const long long n = static_cast<long long>(count);
    if (i > 0) return i <= n ? static_cast<long>(i - 1) : -1;
    return -i <= n ? static_cast<long>(n + i) : -1;
}

bool Reader::corner(std::string_view text, Corner& c) const {
    // The first two slashes in one pass: a corner is a few characters, too
    // short to search for each slash on its own.
    size_t s1 = std::string_view::npos, s2 = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '/') {
            if (s1 != std::string_view::npos) {
                s2 = i;
                break;
            }
            s1 = i;
        }
    c.v = resolve(text.substr(0, s1), vertices_.size());
    c.t = c.n = -1;
    if (s1 != std::string_view::npos) {
        c.t = resolve(text.substr(s1 + 1, s2 == std::string_view::npos ? std::string_view::npos : s2 - s1 - 1), uvs_.size());
        if (s2 != std::string_view::npos) c.n = resolve(text.substr(s2 + 1), normals_.size());
    }
    return c.v >= 0;
}

Target* Reader::target(std::string_view name) {
    const std::string key = storedName(name);
    if (auto found = byName_.find(key); found != byName_.end()) return found->second;
    if (!existingKnown_) {
        // Once per file: the scene is not walked for every group line.
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o))
            if (o->type == KX_POLYGON) existing_.emplace(o->name, o);
        existingKnown_ = true;
    }
    CadObject* obj = nullptr;
    bool made = false;
    if (auto found = existing_.find(key); found != existing_.end()) {
        obj = found->second;
    } else {
        obj = kx::import::newFacetsObject(key);
        made = true;
    }
    if (!obj) return nullptr;
    Target* t = &targets_.emplace_back(obj, made);
    byName_.emplace(key, t);
    return t;
}

void Reader::material(std::string_view name) {
    if (!current_) {
        pendingMaterial_ = std::string(name);
        return;
    }
    CadObject* obj = current_->facets.object();
    const std::string text(name);
    SetObjectTextureEx(obj, 1, text.c_str());
    ++current_->materials;
    // A material the file's library defines: its diffuse colour, and an entry
    // of that name in the texture list (as 3D Studio materials get one).
    const auto found = library_.find(storedName(name));
    if (found != library_.end() && !found->second.picture.empty()) current_->picture = found->second.picture;
    if (found != library_.end() && found->second.coloured) {
        const double* kd = found->second.kd;
        const unsigned rgb[3] = {kx::import::colourByte(kd[0], 255), kx::import::colourByte(kd[1], 255),
                                 kx::import::colourByte(kd[2], 255)};
        obj->rgb = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
        kx::import::listMaterialColour(obj->material, MakePoint(kd[0], kd[1], kd[2]), rgb);
        return;
    }
    const int row = faceMaterialRow(name);
    if (row < 0) return;
    obj->rgb = kFaceMaterials[row].colour;
    if (row > 0 && current_->materials >= 2) obj->flags |= KX_FLAG_TINDEX;
}

// A corner of plain numbers ("v", "v/t", "v//n", "v/t/n") read straight from
// the line, at to the end of its word; false for anything else (signs, more
// slashes, other characters, long numbers), which corner() reads instead.
bool Reader::plainCorner(std::string_view text, size_t& at, Corner& c) const {
    long long value[3] = {0, 0, 0};
    bool given[3] = {false, false, false};
    size_t i = at;
    for (int field = 0;; ++field) {
        size_t digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            if (digits == 18) return false;
            value[field] = value[field] * 10 + (text[i] - '0');
        }
        given[field] = digits > 0;
        if (i < text.size() && text[i] == '/') {
            if (field == 2) return false;
            ++i;
            continue;
        }
        break;
    }
    if (i < text.size() && !kx::import::isBlank(text[i])) return false;
    auto index = [](bool present, long long v, size_t count) -> long {
        return present && v > 0 && static_cast<unsigned long long>(v) <= count ? static_cast<long>(v - 1) : -1;
    };
    c.v = index(given[0], value[0], vertices_.size());
    c.t = index(given[1], value[1], uvs_.size());
    c.n = index(given[2], value[2], normals_.size());
    at = i;
    return true;
}

void Reader::face(std::string_view text) {
    corners_.clear();
    size_t at = 0;
    for (;;) {
        while (at < text.size() && kx::import::isBlank(text[at])) ++at;
        if (at >= text.size()) break;
        Corner c;
        if (!plainCorner(text, at, c)) {
            const size_t start = at;
            while (at < text.size() && !kx::import::isBlank(text[at])) ++at;
            corner(text.substr(start, at - start), c);
        }
        // A corner naming a vertex that was never read leaves a hole, not a
        // triangle to somewhere.
        if (c.v < 0) return;
        corners_.push_back(c);
    }
    if (corners_.size() < 3) return;
    if (!current_) setCurrent(target("_polygon"));
    if (!current_) return;
    Target& t = *current_;
    for (size_t i = 1; i + 1 < corners_.size(); ++i) {
        const Corner* k[3] = {&corners_[0], &corners_[i], &corners_[i + 1]};
        Point3d p[3], n[3], uv[3] = {};
        bool withNormals = true, withUv = false;
        for (int j = 0; j < 3; ++j) {
            p[j] = vertices_[k[j]->v];
            if (k[j]->n >= 0) n[j] = normals_[k[j]->n];
            else withNormals = false;
            if (k[j]->t >= 0) {
                uv[j] = uvs_[k[j]->t];
                withUv = true;
            }
        }
        if (!t.facets.add(3, p, withNormals ? n : nullptr)) return;
        if (withUv && t.uv.empty()) t.uv.assign(size_t{t.facets.added() - 1} * 3, Point3d{});
        if (withUv || !t.uv.empty()) t.uv.insert(t.uv.end(), uv, uv + 3);
    }
}

void Reader::finish() {
    for (Target& t : targets_) {
        CadObject* obj = t.facets.object();
        if (t.created && t.facets.added() == 0) {
            // A group that only named itself ("g default" before the vertices).
            DeleteCadObject(obj);
            continue;
        }
        if (!t.uv.empty() && AllocCadObjectUV(obj, obj->count * 3))
            std::copy(t.uv.begin(), t.uv.end(), obj->uv + size_t{t.uvFrom} * 3);
        // A picture is laid on by the uvs; without them it has no place.
        if (!t.picture.empty() && obj->uv) SetCadObjectProperty(obj, KX_PROP_IMAGEMAP, t.picture.c_str());
        NormalizeObject(obj, 3);
    }
    SetObjectsUnSelected();
}

Point3d readPoint(kx::import::WordCursor& words, int n) {
    double v[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        bool isNumber = false;
        if (!words.nextNumber(v[i], isNumber)) break;
        if (!isNumber) v[i] = 0;
    }
    return MakePoint(v[0], v[1], v[2]);
}

int Reader::run(kx::import::FileLines& lines) {
    std::string_view line;
    while (lines.next(line)) {
        kx::import::WordCursor words(line);
        std::string_view kind;
        if (!words.next(kind) || kind[0] == '#') continue;
        if (kind == "v") vertices_.push_back(readPoint(words, 3));
        else if (kind == "vn") normals_.push_back(readPoint(words, 3));
        else if (kind == "vt") uvs_.push_back(readPoint(words, 2));
        else if (kind == "f" || kind == "fo") face(words.rest());
        else if (kind == "g") {
            std::string_view name;
            if (words.next(name)) setCurrent(target(name));
        } else if (kind == "mtllib") {
            library(words.rest());
        } else if (kind == "usemtl" || kind == "us") {
            std::string_view name;
            if (words.next(name)) material(name);
        }
        // "vp" and every other kind of line: not used.
    }
    finish();
    return 1;
}

}  // namespace

int ReadOBJ(const char* fileName) noexcept {
    try {
        std::string path;
        kx::import::FileLines lines;
        if (!lines.open(fileName, ".OBJ", "Wavefront OBJ", path)) return 0;
        kx::files::ReadingScope reading;
        const size_t slash = path.find_last_of('/');
        Reader reader(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
        return reader.run(lines);
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    }
}
