// Image file readers and writers and the file-name helpers they use.
#pragma once

#include "pixmo/types.h"

// The kind of a file name (PX_IMAGE_...), from its last extension.
PIXMO_API int pxGetImageType(const char* name);
// Reads the file into the current image by its kind; non-zero on success.
PIXMO_API int pxDisplayImageEx(HWND window, const char* name, int quiet);
PIXMO_API int pxDisplayImage(HWND window, const char* name);

// Readers: the format's extension replaces the name's own (a name that
// already carries it in another case keeps it). Non-zero on success.
PIXMO_API int ReadTGA(const char* name);
PIXMO_API int ReadGIF(const char* name);
PIXMO_API int ReadPCX(const char* name);
PIXMO_API int ReadBMP(const char* name);
PIXMO_API int ReadILBM(const char* name);
PIXMO_API int ReadJpegEx(HWND window, const char* name, int quiet);

// Read a header from an open file descriptor and leave it positioned at the
// pixel data; 0 (without a message) when info is null.
PIXMO_API int ReadInfoTGA(int fd, PxFileInfo* info);
PIXMO_API int ReadInfoBMP(int fd, PxFileInfo* info);

// Writers: from one of the library's surfaces, at that surface's size. The
// extension is added when the name has none. Non-zero on success.
PIXMO_API int WriteTGA(HDC surface, const char* name);
// As WriteTGA, with the top-left origin: rows top first, descriptor 0x20.
PIXMO_API int WriteTGATopFirst(HDC surface, const char* name);
PIXMO_API int WriteBMP(HDC surface, const char* name);
PIXMO_API int WriteBMP24(HDC surface, const char* name);
PIXMO_API int WriteJpeg(HDC surface, const char* name);
// The current image's palette indices as PCX (extension forced to ".PCX").
PIXMO_API int SavePCX(const char* name);

// Name helpers; the result is valid until the next call of the same function.
// Only the last path component is searched for a ".".
PIXMO_API char* AddExt(const char* name, const char* ext);
PIXMO_API char* AddNewExt(const char* name, const char* ext);
