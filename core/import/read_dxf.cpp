// AutoCAD DXF drawings in their text form: pairs of lines, a group code and
// its value. Faces, lines and polylines of the ENTITIES and BLOCKS sections
// become `_facets` objects, one per block.
#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

#include "files/files_internal.h"
#include "geometry/point_list_builder.h"
#include "files/numbers.h"
#include "import/import_internal.h"

namespace {

using kx::import::trim;

// Colour numbers 0 to 9 (the number modulo 10).
struct Rgb {
    unsigned r, g, b;
};
constexpr Rgb kColours[10] = {{0, 0, 0},   {255, 0, 0},   {255, 255, 0},   {0, 255, 0},     {0, 255, 255},
                              {0, 0, 255}, {255, 0, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}};
constexpr long long kNoColour = 7;
constexpr long long kLastGroupCode = 1071;

// A vertex of a POLYLINE that only numbers the corners of a polyface mesh's face.
constexpr long long kFaceRecord = 128;
constexpr long long kMeshVertex = 64;
// A POLYLINE whose vertices are a polyface mesh: positions (flags 64 + 128),
// then faces (flag 128 alone) naming up to four of them in codes 71 to 74,
// counted from 1 (a negative number hides the edge it starts).
constexpr long long kPolyfaceMesh = 64;

struct Entity {
    std::string type;
    Point3d corner[4] = {};
    bool given[4] = {};
    long long flags = 0;
    long long faceCorner[4] = {};  // codes 71 to 74; 0: not given
    std::string name;
    bool coloured = false;
    long long colour = 0;
};

class Reader {
public:
    Reader(kx::import::FileLines& lines, std::string firstName)
        : lines_(lines), name_(std::move(firstName)), damage_("AutoCAD DXF") {}
    int run();

private:
    bool pair(long long& code, std::string_view& value);
    bool coordinate(int axis, int k, std::string_view value);
    void finishEntity();
    void polyfaceVertex(const Entity& e);
    void finishPolyface();
    void reportMissingCorners() const;
    void flush();

    kx::import::FileLines& lines_;  // a line's text lasts until the next is read
    std::string name_;  // of the object the geometry gathered goes to
    kx::import::DamageReport damage_;
    std::optional<kx::geometry::PointListBuilder> mesh_{std::in_place};
    long long colour_ = kNoColour;
    Entity entity_;
    bool inEntity_ = false;
    bool sectionNext_ = false;  // the SECTION's name comes next
    bool inSection_ = false;    // an ENTITIES or BLOCKS section is being read
    bool inPolyline_ = false;
    bool inPolyface_ = false;
    std::vector<Point3d> polyfaceVertices_;
    std::vector<std::array<long long, 4>> polyfaceFaces_;
    bool havePrevious_ = false;
    Point3d previous_{};
    unsigned long long missingCorners_ = 0;  // polyface faces naming a vertex not given
};

// One code and value; false at the end of the text or for a bad code (reported).
bool Reader::pair(long long& code, std::string_view& value) {
    std::string_view codeLine;
    if (!lines_.next(codeLine)) return false;
    // The binary form opens with its own sentinel instead of a group code.
    if (lines_.lineNumber() == 1 && codeLine.rfind("AutoCAD Binary DXF", 0) == 0) {
        damage_.text("Error: Invalid Group Code 0 (this is a binary DXF file, which is not read: save the drawing as "
                     "a text DXF file)");
        return false;
    }
    const std::string_view text = trim(codeLine);
    if (!kx::numbers::integer(text, code) || code < 0 || code > kLastGroupCode) {
        long long shown = 0;
        kx::numbers::integer(text, shown);
        const int printed = shown > INT32_MAX ? INT32_MAX : shown < INT32_MIN ? INT32_MIN : static_cast<int>(shown);
        damage_.text("Error: Invalid Group Code " + std::to_string(printed));
        return false;
    }
    if (!lines_.next(value)) {
        damage_.at(lines_.offset());
        return false;
    }
    value = trim(value);
    return true;
}

// Corner k's coordinate; an x is followed at once by its y.
bool Reader::coordinate(int axis, int k, std::string_view value) {
    double v = 0;
    if (!kx::numbers::whole(value, v)) {
        damage_.at(lines_.offset());
        return false;
    }
    Point3d& p = entity_.corner[k];
    if (axis == 2) {
        p.z = static_cast<float>(v);
        return true;
    }
    p.x = static_cast<float>(v);
    entity_.given[k] = true;
    long long code = 0;
    std::string_view y;
    if (!pair(code, y)) {
        damage_.at(lines_.offset());  // unless the code itself was reported
        return false;
    }
    if (code != 20 + k) {
        damage_.text("Error: Invalid Y Coord Code");
        return false;
    }
    if (!kx::numbers::whole(y, v)) {
        damage_.at(lines_.offset());
        return false;
    }
    p.y = static_cast<float>(v);
    return true;
}

bool samePoint(const Point3d& a, const Point3d& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

void Reader::finishEntity() {
    if (!inEntity_) return;
    inEntity_ = false;
    const Entity& e = entity_;
    const Point3d* c = e.corner;
    if (e.type == "BLOCK") {
        flush();
        if (!e.name.empty()) name_ = e.name;
        if (e.coloured) colour_ = e.colour;
        return;
    }
    // The colour of the last entity that names one colours the object.
    if (e.coloured) colour_ = e.colour;
    if (e.type == "3DFACE") {
        mesh_->facet(c[0], c[1], c[2]);
        if (e.given[3] && !samePoint(c[3], c[2])) mesh_->facet(c[2], c[3], c[0]);
    } else if (e.type == "3DLINE") {
        mesh_->segment(c[0], c[1]);
    } else if (e.type == "POLYLINE") {
        finishPolyface();
        inPolyline_ = true;
        inPolyface_ = (e.flags & kPolyfaceMesh) != 0;
        havePrevious_ = false;
    } else if (e.type == "VERTEX" && inPolyline_ && inPolyface_) {
        polyfaceVertex(e);
    } else if (e.type == "VERTEX") {
        if (!inPolyline_ || ((e.flags & kFaceRecord) && !(e.flags & kMeshVertex))) return;
        if (havePrevious_) mesh_->segment(previous_, c[0]);
        previous_ = c[0];
        havePrevious_ = true;
    } else if (e.type == "SEQEND") {
        inPolyline_ = false;
        finishPolyface();
    }
}

// Faces may name vertices that come after them: they are made at the end of
// the polyline, once every vertex is known.
void Reader::polyfaceVertex(const Entity& e) {
    if ((e.flags & kFaceRecord) && (e.flags & kMeshVertex)) {
        polyfaceVertices_.push_back(e.corner[0]);
    } else if (e.flags & kFaceRecord) {
        polyfaceFaces_.push_back({e.faceCorner[0], e.faceCorner[1], e.faceCorner[2], e.faceCorner[3]});
    }
}

void Reader::finishPolyface() {
    for (const auto& face : polyfaceFaces_) {
        Point3d corners[4];
        int n = 0;
        bool missing = false;
        for (long long k : face) {
            if (k == 0) continue;
            const unsigned long long at = k < 0 ? 0ull - static_cast<unsigned long long>(k) - 1 : static_cast<unsigned long long>(k) - 1;
            if (at >= polyfaceVertices_.size()) {
                missing = true;
                break;
            }
            corners[n++] = polyfaceVertices_[at];
        }
        if (missing) {
            ++missingCorners_;
            continue;
        }
        for (int k = 1; k + 1 < n; ++k) mesh_->facet(corners[0], corners[k], corners[k + 1]);
    }
    polyfaceVertices_.clear();
    polyfaceFaces_.clear();
    inPolyface_ = false;
}

// The geometry gathered so far becomes an object.
void Reader::flush() {
    finishPolyface();
    if (mesh_->count() > 0) {
        CadObject* obj = AddObject(name_.c_str(), nullptr, 0, KX_POLYGON);
        if (obj) {
            mesh_->storeInto(obj);
            // Negative numbers mark layers switched off; the colour is the same.
            long long k = colour_ % 10;
            if (k < 0) k = -k;
            SetEncodedRgb(obj, kColours[k].r, kColours[k].g, kColours[k].b);
        }
    }
    mesh_.emplace();
    colour_ = kNoColour;
}

int Reader::run() {
    long long code = 0;
    std::string_view value;
    while (pair(code, value)) {
        if (code == 0) {
            finishEntity();
            if (value == "EOF") {
                flush();
                reportMissingCorners();
                return 1;
            }
            if (value == "ENDSEC") {
                inSection_ = false;
                continue;
            }
            if (value == "SECTION") {
                sectionNext_ = true;
                continue;
            }
            if (!inSection_) continue;
            entity_ = Entity{};
            entity_.type = std::string(value);
            inEntity_ = true;
            continue;
        }
        if (sectionNext_ && code == 2) {
            inSection_ = value == "ENTITIES" || value == "BLOCKS";
            sectionNext_ = false;
            continue;
        }
        if (!inEntity_) continue;
        if (code >= 10 && code <= 13) {
            if (!coordinate(0, static_cast<int>(code - 10), value)) return 0;
        } else if (code >= 30 && code <= 33) {
            if (!coordinate(2, static_cast<int>(code - 30), value)) return 0;
        } else if (code >= 20 && code <= 23) {
            damage_.text("Error: Invalid Y Coord Code");
            return 0;
        } else if (code == 62) {
            entity_.coloured = kx::numbers::integer(value, entity_.colour);
        } else if (code == 70) {
            kx::numbers::integer(value, entity_.flags);
        } else if (code >= 71 && code <= 74) {
            kx::numbers::integer(value, entity_.faceCorner[code - 71]);
        } else if (code == 2) {
            entity_.name = std::string(value);
        }
    }
    if (damage_.reported()) return 0;
    // A drawing without its EOF line: what it holds is kept all the same.
    finishEntity();
    flush();
    reportMissingCorners();
    return 1;
}

void Reader::reportMissingCorners() const {
    if (missingCorners_)
        LogMessage(0, "%llu polyface faces of %s named a vertex the mesh does not have; they were left out",
                   missingCorners_, name_.c_str());
}

}  // namespace

int ReadDXF(const char* fileName) noexcept {
    try {
        std::string path;
        kx::import::FileLines lines;
        if (!lines.open(fileName, ".DXF", "AutoCAD DXF", path)) return 0;
        kx::files::ReadingScope reading;
        return Reader(lines, path).run();
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    }
}
