#include "views/camera_view.h"

#include <algorithm>
#include <cmath>

#include "camera_projection.h"

namespace kx::app {
namespace {

struct CameraProjection {
    kxr::CameraSpace camera;
    FrameRect frame;
};

// The projection of the view being drawn. A conversion function takes no
// context, so the view sets this before it draws, as it selects the
// conversion itself.
CameraProjection& current() {
    static CameraProjection projection;
    return projection;
}

int toPixel(double v) {
    if (!(v > -kUnseenPixel)) return -kUnseenPixel;
    if (!(v < kUnseenPixel)) return kUnseenPixel;
    return static_cast<int>(std::floor(v));
}

std::optional<FramePoint> project(const kxr::CameraSpace& camera, const FrameRect& frame, double x, double y,
                                 double z) {
    if (!camera.valid) return std::nullopt;
    const kxr::Vec3 c = camera.toCamera(kxr::Vec3{x, y, z});
    // c.z counts direction lengths; the near limit is a distance in the scene.
    const double along = c.z / kxr::length(camera.forward);
    if (!(along >= kNearDistance)) return std::nullopt;
    // The picture spans -0.5..0.5 of x/z and y/z, as the renderer's rays do.
    const FramePoint at{frame.left + (c.x / c.z + 0.5) * frame.width, frame.top + (0.5 - c.y / c.z) * frame.height};
    if (!std::isfinite(at.x) || !std::isfinite(at.y)) return std::nullopt;
    return at;
}

}  // namespace

FrameRect fitFrame(double viewWidth, double viewHeight, double aspect) {
    FrameRect r{0, 0, std::max(0.0, viewWidth), std::max(0.0, viewHeight)};
    if (!(aspect > 0) || !std::isfinite(aspect) || !(r.width > 0) || !(r.height > 0)) return r;
    if (r.width / r.height > aspect) {
        r.width = r.height * aspect;
        r.left = (viewWidth - r.width) / 2;
    } else {
        r.height = r.width / aspect;
        r.top = (viewHeight - r.height) / 2;
    }
    return r;
}

double pictureAspect(const CameraInfo& camera, int renderWidth, int renderHeight) {
    if (renderWidth > 0 && renderHeight > 0) return static_cast<double>(renderWidth) / renderHeight;
    if (camera.width > 0 && camera.height > 0) return static_cast<double>(camera.width) / camera.height;
    return 4.0 / 3.0;
}

std::optional<FramePoint> projectToFrame(const CameraInfo& camera, const FrameRect& frame, double x, double y,
                                        double z) {
    return project(kxr::makeCameraSpace(camera), frame, x, y, z);
}

void useCameraProjection(const CameraInfo& camera, const FrameRect& frame) {
    current().camera = kxr::makeCameraSpace(camera);
    current().frame = frame;
}

int convertCameraView(double a1, double a2, double a3, int* px, int* py) {
    const CameraProjection& p = current();
    const auto at = project(p.camera, p.frame, a1, a3, a2);
    if (px) *px = at ? toPixel(at->x) : kUnseenPixel;
    if (py) *py = at ? toPixel(at->y) : kUnseenPixel;
    return at ? 1 : 0;
}

}  // namespace kx::app
