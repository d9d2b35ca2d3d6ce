#include "render_image.h"

#include "pixmo.h"

extern "C" {

__attribute__((visibility("hidden"))) int renderImageBegin(int width, int height) {
    return pxInitDisplay(width, height, 1) != 0 ? 1 : 0;
}

__attribute__((visibility("hidden"))) int renderImageRow(int row, const unsigned char* bgr, int width) {
    return out_line24(row, bgr, width) != 0 ? 1 : 0;
}

__attribute__((visibility("hidden"))) void renderImageEnd(void) { pxUpdateMemoryDC(); }

}  // extern "C"
