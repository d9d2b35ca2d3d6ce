// The four views of a scene: one row each for everything that differs by
// view, so the menus, the window titles, the settings and the projection read
// the same table.
#pragma once

#include <iterator>

#include "kxcore.h"
#include "settings/settings.h"
#include "views/camera_view.h"

namespace kx::app {

enum ViewKind : int { kPerspective = 0, kFront = 1, kPlan = 2, kSide = 3 };

struct ViewKindInfo {
    ViewKind kind;
    const char* action;       // object name of the view's menu action
    const char* menuText;     // its text, before translation
    const char* titleSuffix;  // added to the document title
    int DesktopSettings::*shown;
    StoredRect DesktopSettings::*position;
    // The perspective view draws through the scene's camera as the renderer
    // sees it, not through the core's own perspective.
    ViewConversionProc conversion;      // the projection with the view side set
    ViewConversionProc leftConversion;  // ... and with it cleared
};

// In kind order: kViewKinds[k].kind == k.
inline constexpr ViewKindInfo kViewKinds[] = {
    {kPerspective, "viewPerspective", "&Perspective", ":Perspective", &DesktopSettings::showIso,
     &DesktopSettings::perspPos, convertCameraView, convertCameraView},
    {kFront, "viewFront", "F&ront", ":Front", &DesktopSettings::showFront, &DesktopSettings::frontPos, ConvertXY,
     ConvertXYleft},
    {kPlan, "viewPlan", "P&lan", ":Plan", &DesktopSettings::showPlan, &DesktopSettings::planPos, ConvertXZ,
     ConvertXZleft},
    {kSide, "viewSide", "&Side", ":Side", &DesktopSettings::showSide, &DesktopSettings::sidePos, ConvertYZ,
     ConvertYZ},
};
inline constexpr int kViewKindCount = static_cast<int>(std::size(kViewKinds));

constexpr bool viewKindsInOrder() {
    for (int k = 0; k < kViewKindCount; ++k)
        if (kViewKinds[k].kind != k) return false;
    return true;
}
static_assert(viewKindsInOrder(), "a view kind is its row's index");

// The row of a kind; null for a number that is no view kind.
inline const ViewKindInfo* viewKindInfo(int kind) {
    return kind >= 0 && kind < kViewKindCount ? &kViewKinds[kind] : nullptr;
}

}  // namespace kx::app
