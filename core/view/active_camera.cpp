// Where the perspective view is aimed from and at. The camera record takes
// this over; until a scene has one, the default camera vectors are used.
#include "view/view_internal.h"

namespace kx::view {

void activeCameraAim(Point3d* location, Point3d* lookAt) {
    const CoreSettings& s = core().settings;
    if (location) *location = s.cameraPosition;
    if (lookAt) *lookAt = s.cameraLookAt;
}

}  // namespace kx::view
