#include "paint.h"

#include "image_state.h"
#include "surface.h"

namespace kx::image {

int paintBits(HDC target, const PxBits& image, int scale, int left, int top, int right,
              int bottom) {
    if (!target) return 0;
    RECT rect{left, top, right, bottom};
    if (Surface* own = Surface::fromDc(target)) {
        if (scale)
            stretchBlit(*own, image, rect);
        else
            blit(*own, image, left, top);
        return 1;
    }
    const PxDrawCallbacks& draw = state().draw;
    if (scale) return draw.stretch ? draw.stretch(draw.context, target, &image, &rect) : 1;
    return draw.paint ? draw.paint(draw.context, target, &image, left, top) : 1;
}

}  // namespace kx::image

using kx::image::state;

int pxPaintMemoryDC(HDC target) { return pxPaintMemoryDCEx(target, 0, 0, 0, 0, 0); }

int pxPaintMemoryDCEx(HDC target, int scale, int left, int top, int right, int bottom) {
    kx::image::CurrentImage& img = state().image;
    if (!img.valid || !img.surface) return 0;
    return kx::image::paintBits(target, img.surface->bits(), scale, left, top, right, bottom);
}
