// Viewports: off-screen surfaces of a fixed size that outlive the current image.
#include <algorithm>
#include <new>

#include "image_formats.h"
#include "image_state.h"
#include "io/file_names.h"
#include "paint.h"
#include "surface.h"
#include "viewport_record.h"
#include "wait_cursor.h"

namespace kx::image {
namespace {

// The record behind a viewport pointer, or null for a null, released or foreign one.
ViewportRecord* findLive(const PxViewport* viewport) {
    if (!viewport) return nullptr;
    for (auto& record : state().viewports)
        if (&record->view == viewport) return record->view.valid == 1 ? record.get() : nullptr;
    return nullptr;
}

ViewportRecord* liveOrReport(const PxViewport* viewport) {
    ViewportRecord* record = findLive(viewport);
    if (!record) ErrorMessage("Invalid image view argument");
    return record;
}

}  // namespace

}  // namespace kx::image

using kx::image::state;
using kx::image::Surface;
using kx::image::ViewportRecord;

PxViewport* pxCreateViewport(HWND, int width, int height) {
    std::unique_ptr<ViewportRecord> record(new (std::nothrow) ViewportRecord);
    if (record && width >= 1 && width <= 4096 && height >= 1 && height <= 4096)
        record->surface = kx::image::Surface::create(width, height);
    if (!record || !record->surface) {
        ErrorMessage("Error allocating image view port");
        return nullptr;
    }
    PxViewport& v = record->view;
    v.dc = record->surface->dc();
    v.bitmap = record->surface->bitmap();
    v.oldBitmap = nullptr;
    v.valid = 1;
    v.width = width;
    v.height = height;
    state().viewports.push_back(std::move(record));
    return &state().viewports.back()->view;
}

PxViewport* pxCreateViewportFromImage(HWND window) {
    kx::image::CurrentImage& img = state().image;
    if (!img.valid || !img.surface) return nullptr;
    PxViewport* v = pxCreateViewport(window, img.surface->width(), img.surface->height());
    if (v) pxCopyImageToViewport(v);
    return v;
}

int pxCopyImageToViewport(PxViewport* viewport) {
    ViewportRecord* record = kx::image::liveOrReport(viewport);
    if (!record) return 0;
    kx::image::CurrentImage& img = state().image;
    if (!img.valid || !img.surface) return 0;
    kx::image::blit(*record->surface, img.surface->bits(), 0, 0);
    return 1;
}

int pxPaintViewportEx(PxViewport* viewport, HDC target, int scale, int left, int top, int right,
                      int bottom) {
    ViewportRecord* record = kx::image::liveOrReport(viewport);
    if (!record) return 0;
    return kx::image::paintBits(target, record->surface->bits(), scale, left, top, right, bottom);
}

int pxSaveViewPortEx(PxViewport* viewport, const char* name, int quiet) {
    ViewportRecord* record = kx::image::liveOrReport(viewport);
    if (!record) return 0;
    HDC dc = record->surface->dc();
    kx::image::WaitCursor cursor(!quiet);
    const kx::image::ImageFormat* format = kx::image::imageFormatOf(name);
    if (format && format->write) return format->write(dc, name);
    ErrorMessage("Unable to save \"%s\" image, unknown format", name ? name : "");
    return 0;
}

void pxReleaseViewport(PxViewport* viewport) {
    auto& list = state().viewports;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const auto& r) { return &r->view == viewport; });
    if (it != list.end()) list.erase(it);
}

int pxLoadViewPortEx(int x, int y) {
    kx::image::CurrentImage& img = state().image;
    Surface* s = img.surface.get();
    if (!s || x < 0 || y < 0 || x >= s->width() || y >= s->height()) return 0;
    if (img.indices.size() != static_cast<size_t>(s->width()) * s->height()) return 0;
    return img.indices[static_cast<size_t>(y) * s->width() + x];
}
