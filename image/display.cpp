// Reading a file into the current image by its kind.
#include "image_state.h"
#include "wait_cursor.h"

int pxDisplayImageEx(HWND window, const char* name, int quiet) {
    int kind = pxGetImageType(name);
    int ok = 0;
    {
        kx::image::WaitCursor cursor(!quiet);
        switch (kind) {
        case PX_IMAGE_GIF: ok = ReadGIF(name); break;
        case PX_IMAGE_BMP: ok = ReadBMP(name); break;
        case PX_IMAGE_PCX: ok = ReadPCX(name); break;
        case PX_IMAGE_TGA: ok = ReadTGA(name); break;
        case PX_IMAGE_ILBM: ok = ReadILBM(name); break;
        case PX_IMAGE_JPG: ok = ReadJpegEx(window, name, 1); break;
        default:
            ErrorMessage("File \"%s\" unknown image format", name ? name : "");
            return 0;
        }
    }
    if (ok) pxUpdateMemoryDC();
    return ok ? 1 : 0;
}

int pxDisplayImage(HWND window, const char* name) { return pxDisplayImageEx(window, name, 0); }
