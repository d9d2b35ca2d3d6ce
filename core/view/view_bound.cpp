// The screen rectangle an object covers, gathered pixel by pixel while the
// program draws it, for picking later.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "view/view_internal.h"

using kx::view::state;

namespace {

// Pixels may be saturated to the int range, so the margins are added wide.
int32_t clampedSum(int32_t v, int32_t delta) {
    int64_t r = static_cast<int64_t>(v) + delta;
    return static_cast<int32_t>(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

}  // namespace

namespace kx::view {

void forgetBoundIn(const CadObject* obj) {
    if (obj && state().bound == &obj->rect) state().bound = nullptr;
}

}  // namespace kx::view

void viewBoundSet(RECT* r) {
    state().bound = r;
    if (r) *r = RECT{0, 0, 0, 0};
}

void viewBoundGet() { state().bound = nullptr; }

void viewBoundAdd(int x, int y) {
    RECT* r = state().bound;
    if (!r) return;
    // A left or top of 0 counts as not yet set.
    if (x < r->left || r->left == 0) r->left = clampedSum(x, -1);
    if (x > r->right) r->right = clampedSum(x, 2);
    if (y < r->top || r->top == 0) r->top = clampedSum(y, -1);
    if (y > r->bottom) r->bottom = clampedSum(y, 2);
}
