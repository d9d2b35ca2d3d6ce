#include "views/view_cache.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <string_view>
#include <unordered_map>

#include "model/height_field_surface.h"
#include "views/screen_lines.h"
#include "views/selection.h"

namespace kx::app {
namespace {

// Projected points this far out are left undrawn: a perspective point close
// to the eye plane lands anywhere, and the painter gains nothing from them.
constexpr int kFar = 1 << 22;

bool sane(const QPoint& p) { return p.x() > -kFar && p.x() < kFar && p.y() > -kFar && p.y() < kFar; }

void addLine(std::vector<QLine>& out, const QPoint& a, const QPoint& b) {
    if (sane(a) && sane(b)) out.emplace_back(a, b);
}
void addLine(ScreenLineGatherer& out, const QPoint& a, const QPoint& b) {
    if (sane(a) && sane(b)) out.add(a, b);
}

QPoint toScreen(double x, double y, double z) {
    int px = 0, py = 0;
    Convert2Dto3D(x, y, z, &px, &py);
    return {px, py};
}

// The perspective view's conversion puts what its camera cannot see out of
// reach, so that lines to such points are left out.
QPoint toScreen(const Point3d& p) { return toScreen(p.x, p.y, p.z); }

// Without spot-light display a light shows its star and aim line only: the
// cone's segments follow those five.
constexpr unsigned kLightWithoutCone = 5;

void projectBounds(CadObject* obj, std::vector<QLine>& out) {
    if (!obj->boundValid && !CalcObjectBounds(obj)) return;
    const Point3d& lo = obj->boundMin;
    const Point3d& hi = obj->boundMax;
    QPoint c[8];
    for (int i = 0; i < 8; ++i)
        c[i] = toScreen(Point3d{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
    static constexpr int kEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                          {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (const auto& e : kEdges) addLine(out, c[e[0]], c[e[1]]);
}

// The point list: lone points as small crosses, segments, closed polygons.
void projectList(const CadObject* obj, const DrawOptions& options, ScreenLineGatherer& lines) {
    const unsigned limit = (obj->type == KX_LIGHT && !options.showSpotLights) ? kLightWithoutCone : UINT_MAX;
    QPoint pts[8];
    unsigned nodes = 0;
    // A point object's points are a profile or a path: they are joined in order.
    const bool joined = obj->type == KX_POINTS;
    bool lastLone = false;
    QPoint last;
    for (const ListEntry* node = obj->points; node && nodes < limit; node = node->next, ++nodes) {
        const unsigned n = std::min<unsigned>(node->count, 8);
        for (unsigned k = 0; k < n; ++k) {
            pts[k] = toScreen(node->points[k]);
            if (sane(pts[k])) viewBoundAdd(pts[k].x(), pts[k].y());
        }
        if (n == 1 && joined && lastLone) addLine(lines, last, pts[0]);
        lastLone = n == 1;
        if (n == 1) last = pts[0];
        if (n == 1) {
            addLine(lines, pts[0] - QPoint(2, 0), pts[0] + QPoint(2, 0));
            addLine(lines, pts[0] - QPoint(0, 2), pts[0] + QPoint(0, 2));
        } else if (n == 2) {
            addLine(lines, pts[0], pts[1]);
        } else {
            for (unsigned k = 0; k < n; ++k) addLine(lines, pts[k], pts[(k + 1) % n]);
        }
    }
}

// Folds 64-bit words into a digest; strong enough that two different
// geometries of one object do not meet by chance.
struct Digest {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    void add(uint64_t v) {
        h = (h ^ v) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    void add(const Point3d& p) {
        uint64_t xy = 0;
        uint32_t z = 0;
        std::memcpy(&xy, &p.x, sizeof xy);
        std::memcpy(&z, &p.z, sizeof z);
        add(xy);
        add(z);
    }
};

}  // namespace

uint64_t objectStamp(const CadObject* obj, bool withBounds) {
    Digest d;
    d.add(uint64_t{obj->type} << 32 | obj->flags);
    d.add(obj->points ? 1u : 0u);
    if (withBounds) {
        d.add(static_cast<uint64_t>(obj->boundValid));
        d.add(obj->boundMin);
        d.add(obj->boundMax);
    }
    if (obj->polygons && obj->polygonCount) {
        d.add(obj->polygonCount);
        for (unsigned t = 0; t < obj->polygonCount; ++t)
            for (const Point3d& p : obj->polygons[t].vertex) d.add(p);
    } else {
        for (const ListEntry* node = obj->points; node; node = node->next) {
            d.add(uint64_t{node->count} | 1ull << 40);
            const unsigned n = std::min<unsigned>(node->count, 8);
            for (unsigned k = 0; k < n; ++k) d.add(node->points[k]);
        }
    }
    return d.h;
}

ViewConversionProc conversionFor(ViewKind kind) {
    const ViewKindInfo* info = viewKindInfo(kind);
    if (!info) return ConvertISO;
    return GetViewSide() ? info->conversion : info->leftConversion;
}

void selectProjection(ViewKind kind, QSize canvas) {
    // Every view draws on a canvas of the screen's size, so all of them share one centre.
    InitView(canvas.width(), canvas.height(), 1u);
    SetViewConversion(conversionFor(kind));
}

namespace {

// The cells of a height field the views draw: fewer than the preview's,
// enough to show the field's shape.
constexpr int kTerrainCells = 32;

// A height field's terrain, as the renderer builds it from its image, made
// again only when the object's geometry changed.
const std::vector<TriPolygon>* terrainOf(const CadObject* obj) {
    struct Terrain {
        uint64_t stamp = 0;
        bool made = false;
        std::vector<TriPolygon> triangles;
    };
    static std::unordered_map<const CadObject*, Terrain> terrains;
    Terrain& t = terrains[obj];
    // The image is part of what the terrain is made from.
    char image[KX_EXTRA_TEXT_MAX + 1] = {};
    GetObjectExtraString(const_cast<CadObject*>(obj), KX_PROP_HEIGHTFIELDFILE, image);
    const uint64_t stamp = objectStamp(obj, false) ^ std::hash<std::string_view>{}(image);
    if (t.stamp != stamp || !t.made) {
        t.stamp = stamp;
        t.made = kx::app::heightFieldSurface(*obj, t.triangles, kTerrainCells);
    }
    return t.made ? &t.triangles : nullptr;
}

}  // namespace

void ViewCache::markMoved(const std::vector<CadObject*>& objects) {
    moved_.insert(moved_.end(), objects.begin(), objects.end());
}

ViewCache::Probe ViewCache::probe(const DrawOptions& options) {
    // Points far apart along every axis: a change of zoom, pan, centre or
    // conversion moves at least one of them on the screen.
    static constexpr double kProbes[][3] = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {0, 0, 1000}, {-700, 300, 1100}};
    Probe p{};
    size_t i = 0;
    for (const auto& q : kProbes) {
        Convert2Dto3D(q[0], q[1], q[2], &p.screen[i], &p.screen[i + 1]);
        i += 2;
    }
    p.flags = (options.showCamera ? 1 : 0) | (options.showSpotLights ? 2 : 0) | (options.showBounds ? 4 : 0);
    return p;
}

bool ViewCache::Probe::operator==(const Probe& o) const {
    return std::equal(std::begin(screen), std::end(screen), std::begin(o.screen)) && flags == o.flags;
}

void ViewCache::update(const DrawOptions& options) {
    // Whatever moved the projection without saying so, the kept lines are stale.
    const Probe now = probe(options);
    if (valid_ && !(now == probe_)) valid_ = false;
    probe_ = now;
    if (valid_ && changed_) {
        refresh(options);
        moved_.clear();  // their stamps changed: refreshing projected them
    }
    if (valid_) {
        for (CadObject* obj : moved_) {
            auto it = index_.find(obj);
            if (it == index_.end()) {
                valid_ = false;
                break;
            }
            project(objects_[it->second], options);
        }
        moved_.clear();
        if (valid_) return;
    }
    objects_.clear();
    index_.clear();
    moved_.clear();
    changed_ = false;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        index_[obj] = objects_.size();
        objects_.emplace_back();
        objects_.back().object = obj;
        project(objects_.back(), options);
    }
    valid_ = true;
}

void ViewCache::refresh(const DrawOptions& options) {
    changed_ = false;
    std::vector<ProjectedObject> kept;
    std::unordered_map<CadObject*, size_t> index;
    kept.reserve(objects_.size() + 8);
    index.reserve(objects_.size() + 8);
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        ProjectedObject entry;
        // A freed object's address may come back as a new object: the stamp
        // tells whether the lines kept under it still fit.
        const auto it = index_.find(obj);
        if (it != index_.end() && objects_[it->second].object == obj) {
            entry = std::move(objects_[it->second]);
            objects_[it->second].object = nullptr;  // taken
            if (entry.stamp != objectStamp(obj, options.showBounds)) project(entry, options);
        } else {
            entry.object = obj;
            project(entry, options);
        }
        index[obj] = kept.size();
        kept.push_back(std::move(entry));
    }
    objects_.swap(kept);
    index_.swap(index);
}

void ViewCache::project(ProjectedObject& entry, const DrawOptions& options) {
    projectLines(entry, options);
    // Taken after the lines: drawing the bounds may have computed them.
    entry.stamp = objectStamp(entry.object, options.showBounds);
}

void ViewCache::projectLines(ProjectedObject& entry, const DrawOptions& options) {
    CadObject* obj = entry.object;
    entry.lines.clear();
    entry.bounds.clear();
    entry.rect = RECT{};
    entry.drawn = false;
    obj->rect = RECT{};
    if (!isPickable(obj) || (obj->type == KX_CAMERA && !options.showCamera)) return;

    viewBoundSet(&obj->rect);
    ScreenLineGatherer lines(entry.lines);
    auto projectTriangles = [&](const TriPolygon* triangles, size_t n) {
        for (size_t t = 0; t < n; ++t) {
            QPoint pts[3];
            for (int k = 0; k < 3; ++k) {
                pts[k] = toScreen(triangles[t].vertex[k]);
                if (sane(pts[k])) viewBoundAdd(pts[k].x(), pts[k].y());
            }
            for (int k = 0; k < 3; ++k) addLine(lines, pts[k], pts[(k + 1) % 3]);
        }
    };
    const std::vector<TriPolygon>* terrain = obj->type == KX_HEIGHTFIELD ? terrainOf(obj) : nullptr;
    if (terrain) {
        // The field the renderer draws from its image, not the stand-in pyramid.
        projectTriangles(terrain->data(), terrain->size());
    } else if (obj->polygons && obj->polygonCount) {
        // A mesh with a triangle array keeps its placed geometry there; the
        // point list beside it stays around the object's own origin.
        projectTriangles(obj->polygons, obj->polygonCount);
    } else {
        projectList(obj, options, lines);
    }
    lines.finish();
    viewBoundGet();
    entry.rect = obj->rect;
    entry.drawn = true;
    if (options.showBounds) projectBounds(obj, entry.bounds);
}

void ViewCache::applyRects() const {
    for (const ProjectedObject& e : objects_) e.object->rect = e.rect;
}

}  // namespace kx::app
