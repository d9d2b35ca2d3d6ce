#include "current_image.h"
#include "image_state.h"
#include "messages.h"
#include "readers/readers.h"

namespace kx::image {

bool setUpImage(int64_t width, int64_t height, bool trueColour) {
    if (state().image.initEnabled) {
        int h = height > 0 && height <= 4096 ? static_cast<int>(height) : 0;
        return pxInitDisplay(roundUp4(width), h, trueColour ? 1 : 0) != 0;
    }
    // Drawing into an existing image: the file's rows are clipped to it, but a
    // size no image can have is still refused before any buffer is sized from it.
    if (width < 1 || width > 4096 || height < 1 || height > 4096) {
        reportWithCaption("View", "Invalid Image Size!!");
        return false;
    }
    return true;
}

}  // namespace kx::image
