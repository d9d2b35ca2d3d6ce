// The current image, its palette and information record, line output,
// viewports, registration and messages.
#pragma once

#include "pixmo/types.h"

// --- services of the program ---
// Installs the user-interface table for this library (null: headless).
PIXMO_API void pxSetUiCallbacks(const KxUiCallbacks* table);
// Installs the drawing table for this library (null: headless, draws nothing).
PIXMO_API void pxSetDrawCallbacks(const PxDrawCallbacks* table);

// --- registration ---
// Returns the last-message buffer (256 bytes), or null when window is null.
PIXMO_API char* pxRegisterApplicationEx(HWND window, const char* name);
// Non-zero on success.
PIXMO_API int pxRegisterApplication(HWND window, const char* name);
// Frees the surface when the last registration goes; 0 when none is left to undo.
PIXMO_API int pxUnRegisterApplication();
PIXMO_API void pxSetApplicationName(const char* name);
PIXMO_API const char* pxGetAplicationName();

// --- messages ---
// Keeps the text as the last message and, while display is on, shows it in a
// warning box captioned with the application name.
PIXMO_API void ErrorMessage(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Copies at most size - 1 characters of the last message and terminates the
// buffer; returns the number of characters copied.
PIXMO_API int pxGetLastErrorMessage(HWND window, int size, char* buffer);
// Turns message boxes on or off; returns the previous state.
PIXMO_API int pxSetErrorDisplayState(HWND window, int on);

// --- the current image ---
// (Re)creates the surface, 1..4096 pixels each way, filled with white.
PIXMO_API int pxSetNewBuffer(HWND window, int width, int height);
// Sets up the surface and the scratch buffer that line output fills.
PIXMO_API int pxInitDisplay(int width, int height, int trueColour);
PIXMO_API int pxCopyBits(HDC context, HBITMAP bitmap);
PIXMO_API int pxUpdateMemoryDC();
PIXMO_API HDC pxGetMemDC();
PIXMO_API HBITMAP pxGetMemBitmap();
PIXMO_API void pxFreeMemoryDC();
// The pixels of one of the library's surfaces (the current image's or a
// viewport's); 0 when the handle is not a live surface.
PIXMO_API int pxGetSurfaceBits(HDC surface, PxBits* bits);
// The colour 0x00BBGGRR at (x, y) of a surface (null: the current image);
// 0xFFFFFFFF outside it or without one.
PIXMO_API uint32_t pxGetPixelRGB(HDC surface, int x, int y);
PIXMO_API int pxIsHiColor();
PIXMO_API int pxIsGrayScale();
PIXMO_API void pxSetOffset(int x, int y);
PIXMO_API int pxGetCopyBits();
PIXMO_API void pxSetCopyBits(int on);
PIXMO_API void pxEnableInit(int on);
// While set, every line output call returns 0. Returns the previous state.
PIXMO_API int pxSetAbort(HWND window, int on);
PIXMO_API int pxGetImageInfoEx(PxImageInfo* record, int which);
PIXMO_API int pxGetImageInfo(PxImageInfo* record);
PIXMO_API void pxInitImageInfo();
// Makes the current image a copy of a bitmap (the library's own or the program's).
PIXMO_API int pxDisplayImageHandle(HWND window, HBITMAP bitmap);

// --- palette ---
PIXMO_API void pxGradPalette();
PIXMO_API int pxCreatePalette(int count, const unsigned char* rgb);
PIXMO_API int pxInitPalette(int count);
// The 256 entries of red, green, blue.
PIXMO_API unsigned char* pxGetImagePalette();
// Realise the palette; return the number of entries changed since the last time.
PIXMO_API int pxUpdatePalette(HWND window);
PIXMO_API int pxUpdatePaletteEx(HWND window, HDC context, int repaint);

// --- line output: 1 when accepted, 0 while aborting or without a buffer ---
// Palette indices, count of them, for image row `row` (0 is the top).
PIXMO_API int out_line(int row, const unsigned char* bytes, int count);
// As out_line, setting only pixels whose mask byte is non-zero.
PIXMO_API int out_line_ex(int row, const unsigned char* bytes, const unsigned char* mask,
                          int count);
// True colour: count pixels of blue, green, red bytes.
PIXMO_API int out_line24(int row, const unsigned char* bytes, int count);
PIXMO_API int out_line24_ex(int row, const unsigned char* bytes, const unsigned char* mask,
                            int count);

// --- painting ---
PIXMO_API int pxPaintMemoryDC(HDC target);
PIXMO_API int pxPaintMemoryDCEx(HDC target, int scale, int left, int top, int right, int bottom);

// --- viewports ---
PIXMO_API PxViewport* pxCreateViewport(HWND window, int width, int height);
PIXMO_API PxViewport* pxCreateViewportFromImage(HWND window);
PIXMO_API int pxCopyImageToViewport(PxViewport* viewport);
PIXMO_API int pxPaintViewportEx(PxViewport* viewport, HDC target, int scale, int left, int top,
                                int right, int bottom);
// Writes the viewport as BMP, Targa or JPEG by the name's kind.
PIXMO_API int pxSaveViewPortEx(PxViewport* viewport, const char* name, int quiet);
PIXMO_API void pxReleaseViewport(PxViewport* viewport);
// The palette index the PCX writer stores for (x, y): the current image's own
// index when it holds palette indices, 0 otherwise.
PIXMO_API int pxLoadViewPortEx(int x, int y);

// --- command lines ---
// Splits a command line into arguments (blanks separate, double quotes
// group); returns the count, 0 on failure.
PIXMO_API int ExpandCmdLine(const char* commandLine);
PIXMO_API int GetCmdLineArgCount();
// The argument, or null past the last one.
PIXMO_API const char* GetCmdLineArg(int index);
PIXMO_API void ReleaseCmdLine();
