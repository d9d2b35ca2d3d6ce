#include "views/selection.h"

#include <algorithm>
#include <vector>

namespace kx::app {
namespace {

// More objects than this under one point are all taken, without a tie-break.
constexpr size_t kMaxCandidates = 128;

long long area(const RECT& r) {
    return static_cast<long long>(r.right - r.left) * static_cast<long long>(r.bottom - r.top);
}

void setSelected(CadObject* obj, bool on) {
    if (on) AddSelectedObject(obj);
    else RemoveSelectedObject(obj);
}

}  // namespace

bool isPickable(const CadObject* obj) {
    return obj && obj->points && (obj->flags & KX_FLAG_VISIBLE);
}

RECT normalisedRect(RECT r) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

bool rectContains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

int hitTest(POINT canvas) {
    int hits = 0;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        if (!isPickable(obj) || !rectContains(obj->rect, canvas)) continue;
        if (obj->selected) return 2;
        ++hits;
    }
    return hits ? 1 : 0;
}

int clickSelect(POINT canvas, bool toggle) {
    if (!GetCadObject(nullptr)) return 0;
    int hit = hitTest(canvas);
    if (hit == 0) {
        SetObjectsUnSelected();
        return 0;
    }
    if (hit == 2 && !toggle) return 1;

    size_t count = 0;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        if (isPickable(obj) && rectContains(obj->rect, canvas)) ++count;
    const bool single = count < 2 || count > kMaxCandidates;

    std::vector<CadObject*> candidates;
    bool contained = false;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        if (!isPickable(obj)) continue;
        if (!toggle && hit != 2) setSelected(obj, false);
        if (!rectContains(obj->rect, canvas)) continue;
        contained = true;
        if (single) setSelected(obj, toggle ? !obj->selected : true);
        else if (candidates.size() < kMaxCandidates) candidates.push_back(obj);
    }
    if (!candidates.empty()) {
        // A small object inside a large one is what the user aimed at.
        long long smallest = area(candidates.front()->rect);
        for (CadObject* c : candidates) smallest = std::min(smallest, area(c->rect));
        for (CadObject* c : candidates)
            if (area(c->rect) == smallest) setSelected(c, toggle ? !c->selected : true);
    }
    if (!contained) {
        ErrorMessage("Logic Error In Mouse Select!");
        return 0;
    }
    return 1;
}

bool bandSelect(RECT clientBand, POINT canvasOffset) {
    if (clientBand.left == clientBand.right && clientBand.top == clientBand.bottom) return false;
    // The band may have been dragged up or to the left.
    RECT band = normalisedRect(clientBand);
    band.left += canvasOffset.x;
    band.right += canvasOffset.x;
    band.top += canvasOffset.y;
    band.bottom += canvasOffset.y;
    SetObjectsUnSelected();
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        if (!isPickable(obj)) continue;
        const RECT& r = obj->rect;
        if (r.right <= r.left || r.bottom <= r.top) continue;  // not drawn in this view
        if (r.left >= band.left && r.right <= band.right && r.top >= band.top && r.bottom <= band.bottom)
            AddSelectedObject(obj);
    }
    return true;
}

bool selectionRect(RECT& out) {
    bool any = false;
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) {
        if (!obj->selected || obj->type <= 7 || !isPickable(obj)) continue;
        if (!any) {
            out = obj->rect;
            any = true;
            continue;
        }
        out.left = std::min(out.left, obj->rect.left);
        out.top = std::min(out.top, obj->rect.top);
        out.right = std::max(out.right, obj->rect.right);
        out.bottom = std::max(out.bottom, obj->rect.bottom);
    }
    return any;
}

}  // namespace kx::app
