// Neutral File Format scenes: a stream of words, each entity a keyword and
// its numbers. Points (x, y, z) of the file stand at (x, z, y) in the scene.
#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>

#include "files/files_internal.h"
#include "files/numbers.h"
#include "import/import_internal.h"

namespace {

using kx::import::DamageReport;
using kx::import::FacetAppender;

// Radians to degrees for the angles objects store.
constexpr double kDegrees = 180.0 / 3.14159265358979323846;
constexpr double kShortestAxis = 0.000001;

// Words of the text with "/* ... */" and "# ..." comments left out.
class Words {
public:
    explicit Words(const std::vector<unsigned char>& data)
        : p_(reinterpret_cast<const char*>(data.data())), n_(data.size()) {}

    bool next(std::string_view& word) {
        if (peeked_) {
            peeked_ = false;
            word = peek_;
            at_ = peekAt_;
            return true;
        }
        if (!read(word, at_)) {
            at_ = n_;
            return false;
        }
        return true;
    }
    bool peek(std::string_view& word) {
        if (!peeked_) {
            if (!read(peek_, peekAt_)) return false;
            peeked_ = true;
        }
        word = peek_;
        return true;
    }
    // Where the word last returned by next starts (the end after the last).
    size_t offset() const { return at_; }

private:
    bool read(std::string_view& word, size_t& start) {
        for (;;) {
            while (pos_ < n_ && (kx::import::isBlank(p_[pos_]) || p_[pos_] == ',')) ++pos_;
            if (pos_ >= n_) return false;
            if (p_[pos_] == '#') {
                while (pos_ < n_ && p_[pos_] != '\n' && p_[pos_] != '\r') ++pos_;
                continue;
            }
            if (p_[pos_] == '/' && pos_ + 1 < n_ && p_[pos_ + 1] == '*') {
                const std::string_view rest(p_ + pos_ + 2, n_ - pos_ - 2);
                const size_t close = rest.find("*/");
                pos_ = close == std::string_view::npos ? n_ : pos_ + 2 + close + 2;
                continue;
            }
            start = pos_;
            while (pos_ < n_ && !kx::import::isBlank(p_[pos_]) && p_[pos_] != ',') ++pos_;
            word = std::string_view(p_ + start, pos_ - start);
            return true;
        }
    }

    const char* p_;
    size_t n_;
    size_t pos_ = 0;
    size_t at_ = 0;
    size_t peekAt_ = 0;
    std::string_view peek_;
    bool peeked_ = false;
};

struct Colour {
    unsigned r = 255, g = 255, b = 255;
    uint32_t packed() const { return r | (g << 8) | (b << 16); }
};

class Reader {
public:
    explicit Reader(const std::vector<unsigned char>& data) : words_(data), damage_("Neutral File Format") {}
    int run();

private:
    bool number(double& v);
    bool numbers(double* v, int n);
    // A point of the file in the scene's axes.
    bool point(Point3d& p) {
        double v[3];
        if (!numbers(v, 3)) return false;
        p = MakePoint(v[0], v[2], v[1]);
        return true;
    }
    bool viewpoint();
    bool light();
    bool fill();
    bool cone();
    bool sphere();
    bool polygon(bool withNormals);
    void paint(CadObject* obj) const { kx::import::giveEncodedColour(obj, colour_.r, colour_.g, colour_.b); }
    FacetAppender* facetsOfColour();

    Words words_;
    DamageReport damage_;
    Colour colour_;
    std::unordered_map<uint32_t, FacetAppender> facets_;
};

bool Reader::number(double& v) {
    std::string_view w;
    if (!words_.next(w)) {
        damage_.at(words_.offset());
        return false;
    }
    if (kx::numbers::whole(w, v)) return true;
    damage_.at(words_.offset());
    return false;
}

bool Reader::numbers(double* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!number(v[i])) return false;
    return true;
}

int Reader::run() {
    std::string_view w;
    bool ok = true;
    while (ok && words_.next(w)) {
        if (w == "v") ok = viewpoint();
        else if (w == "l") ok = light();
        else if (w == "b") {
            double v[3];
            ok = numbers(v, 3);
        } else if (w == "f") ok = fill();
        else if (w == "c") ok = cone();
        else if (w == "s") ok = sphere();
        else if (w == "p") ok = polygon(false);
        else if (w == "pp") ok = polygon(true);
        // Anything else (a light's optional colour, entities of later
        // versions of the format) is passed over word by word.
    }
    return ok ? 1 : 0;
}

// from, at and up, then what our own and others' writers add: only the labels
// of the viewpoint are taken with their values, so the next entity is kept.
bool Reader::viewpoint() {
    struct Label {
        const char* word;
        int values;
    };
    static constexpr Label kLabels[] = {{"from", 3}, {"at", 3}, {"up", 3}, {"angle", 1}, {"hither", 1}, {"resolution", 2}};
    std::string_view w;
    while (words_.peek(w)) {
        const Label* found = nullptr;
        for (const Label& l : kLabels)
            if (w == l.word) found = &l;
        if (!found) break;
        words_.next(w);
        double v[3];
        if (!numbers(v, found->values)) return false;
    }
    return true;
}

bool Reader::light() {
    Point3d at;
    if (!point(at)) return false;
    CreateLight(CreateDefaultInfo());
    CadObject* obj = GetLastCadObject();
    if (!obj || obj->type != KX_LIGHT) return true;
    obj->translate = at;
    obj->extraPoint = at;
    paint(obj);
    RebuildObjectEx(obj, 1);
    return true;
}

bool Reader::fill() {
    double v[8];
    if (!numbers(v, 8)) return false;  // colour, then diffuse, specular, shine, transmission, index
    colour_ = Colour{kx::import::colourByte(v[0], 255), kx::import::colourByte(v[1], 255),
                     kx::import::colourByte(v[2], 255)};
    return true;
}

// A cone or cylinder: one `_cone` whose local y axis is turned onto the line
// from base to apex, base radius below, apex radius on top.
bool Reader::cone() {
    Point3d base, apex;
    double r1 = 0, r2 = 0;
    if (!point(base) || !number(r1) || !point(apex) || !number(r2)) return false;
    const double d[3] = {static_cast<double>(apex.x) - base.x, static_cast<double>(apex.y) - base.y,
                         static_cast<double>(apex.z) - base.z};
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(length >= kShortestAxis) || !std::isfinite(length)) return true;
    // Turning (0, 1, 0) about x by a, then about z by b, gives
    // (-cos a sin b, cos a cos b, sin a).
    const double a = std::asin(std::clamp(d[2] / length, -1.0, 1.0));
    const double b = std::atan2(-d[0], d[1]);
    CreateCone(CreateDefaultInfo());
    CadObject* obj = GetLastCadObject();
    if (!obj || obj->type != KX_CONE) return true;
    obj->size = MakePoint(std::fabs(r1), length, std::fabs(r1));
    obj->extraPoint = MakePoint(std::fabs(r2), 0, 0);
    obj->rotate = MakePoint(a * kDegrees, 0, b * kDegrees);
    obj->translate = MakePoint((static_cast<double>(base.x) + apex.x) / 2, (static_cast<double>(base.y) + apex.y) / 2,
                               (static_cast<double>(base.z) + apex.z) / 2);
    paint(obj);
    RebuildObjectEx(obj, 1);
    return true;
}

bool Reader::sphere() {
    Point3d centre;
    double r = 0;
    if (!point(centre) || !number(r)) return false;
    CreateSphere(CreateDefaultInfo());
    CadObject* obj = GetLastCadObject();
    if (!obj || obj->type != KX_SPHERE) return true;
    const float s = static_cast<float>(std::fabs(r));
    obj->scale = Point3d{s, s, s};
    obj->translate = centre;
    paint(obj);
    RebuildObjectEx(obj, 1);
    return true;
}

FacetAppender* Reader::facetsOfColour() {
    auto found = facets_.find(colour_.packed());
    if (found != facets_.end()) return &found->second;
    CadObject* obj = kx::import::newFacetsObject(GetNextObjectName("_polygon", KX_POLYGON));
    if (!obj) return nullptr;
    paint(obj);
    return &facets_.emplace(colour_.packed(), FacetAppender(obj)).first->second;
}

// A polygon (with a normal per vertex for "pp") as triangles sharing its
// first vertex. The vertices are kept only as far as the file holds them.
bool Reader::polygon(bool withNormals) {
    std::string_view w;
    long long n = 0;
    if (!words_.next(w) || !kx::numbers::integer(w, n) || n < 0) {
        damage_.at(words_.offset());
        return false;
    }
    std::vector<Point3d> points, normals;
    for (long long i = 0; i < n; ++i) {
        Point3d p, q;
        if (!point(p)) return false;
        if (withNormals && !point(q)) return false;
        points.push_back(p);
        if (withNormals) normals.push_back(q);
    }
    if (points.size() < 3) return true;
    FacetAppender* facets = facetsOfColour();
    if (!facets) return true;
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const Point3d t[3] = {points[0], points[i], points[i + 1]};
        if (withNormals) {
            const Point3d nt[3] = {normals[0], normals[i], normals[i + 1]};
            if (!facets->add(3, t, nt)) break;
        } else if (!facets->add(3, t)) {
            break;
        }
    }
    return true;
}

}  // namespace

int ReadNFF(const char* fileName) noexcept {
    try {
        std::string path;
        auto data = kx::import::loadFile(fileName, ".nff", "Neutral File Format", path);
        if (!data) return 0;
        // The other format of the same name opens with its own header line.
        std::string_view text(reinterpret_cast<const char*>(data->data()), data->size());
        while (!text.empty() && kx::import::isBlank(text.front())) text.remove_prefix(1);
        if (text.rfind("nff", 0) == 0 && (text.size() == 3 || kx::import::isBlank(text[3]))) {
            ErrorMessage("Unable to import Neutral File Format file %s: it is a Sense8 (World Toolkit) NFF file, a "
                         "different format of the same name, which is not read",
                         path.c_str());
            return 0;
        }
        kx::files::ReadingScope reading;
        return Reader(*data).run();
    } catch (const std::bad_alloc&) {
        ErrorMessage("Out of memory reading %s", fileName ? fileName : "");
        return 0;
    }
}

int WriteNFF(const char*) noexcept { return 0; }
