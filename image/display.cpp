// Reading a file into the current image by its kind.
#include "image_formats.h"
#include "image_state.h"
#include "wait_cursor.h"

int pxDisplayImageEx(HWND window, const char* name, int quiet) {
    const kx::image::ImageFormat* format = kx::image::imageFormatOf(name);
    int ok = 0;
    {
        kx::image::WaitCursor cursor(!quiet);
        if (!format || !format->read) {
            ErrorMessage("File \"%s\" unknown image format", name ? name : "");
            return 0;
        }
        ok = format->read(window, name, quiet);
    }
    if (ok) pxUpdateMemoryDC();
    return ok ? 1 : 0;
}

int pxDisplayImage(HWND window, const char* name) { return pxDisplayImageEx(window, name, 0); }
