// The projected wireframe of one view, kept until the scene or the view
// changes: every object's point list turned into screen lines through the
// core's projection, with the screen rectangle the object covers. Redrawing
// a view only paints these lines; a moved selection re-projects just itself.
#pragma once

#include <QLine>
#include <QSize>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "kxcore.h"
#include "views/view_kinds.h"

namespace kx::app {

// What a view kind projects through.
ViewConversionProc conversionFor(ViewKind kind);

// Sets up the process-wide projection for one view on the canvas: the
// conversion and the canvas centre. The perspective view also gives its
// camera and picture to useCameraProjection.
void selectProjection(ViewKind kind, QSize canvas);

struct ProjectedObject {
    CadObject* object = nullptr;
    uint64_t stamp = 0;         // what the lines were projected from, see objectStamp
    std::vector<QLine> lines;
    std::vector<QLine> bounds;  // the bounding box, when bounds are shown
    RECT rect{};                // canvas rectangle; empty when not drawn
    bool drawn = false;
};

struct DrawOptions {
    bool showCamera = true;
    bool showSpotLights = true;
    bool showBounds = false;
};

// A digest of everything an object's projection is made from: its type,
// flags, every corner it draws and, when they are drawn, its bounds. Equal
// digests mean equal lines.
uint64_t objectStamp(const CadObject* obj, bool withBounds);

class ViewCache {
public:
    // Forget everything: the next draw projects the whole scene again.
    void invalidate() { valid_ = false; }
    // Objects were made, deleted or reshaped, which ones is not known: the
    // next draw projects the new objects and those whose stamp changed.
    void markChanged() { changed_ = true; }
    // These objects moved: only they are projected again.
    void markMoved(const std::vector<CadObject*>& objects);
    bool valid() const { return valid_; }

    // Projects what is stale. The projection of the view must be selected.
    void update(const DrawOptions& options);
    const std::vector<ProjectedObject>& objects() const { return objects_; }

    // Writes the cached rectangles back into the objects, so that picking in
    // this view sees what this view drew (other views may have drawn since).
    void applyRects() const;

private:
    void project(ProjectedObject& entry, const DrawOptions& options);

    // Where the selected projection puts a few fixed points, with the options.
    struct Probe {
        int screen[10];
        int flags;
        bool operator==(const Probe& o) const;
    };
    static Probe probe(const DrawOptions& options);

    // Keeps the entries of unchanged objects, in the scene's order.
    void refresh(const DrawOptions& options);
    void projectLines(ProjectedObject& entry, const DrawOptions& options);

    bool valid_ = false;
    bool changed_ = false;
    Probe probe_{};
    std::vector<ProjectedObject> objects_;
    std::unordered_map<CadObject*, size_t> index_;
    std::vector<CadObject*> moved_;
};

}  // namespace kx::app
