/* Handle and record types that appear in the libraries' public signatures.
   Handles are opaque: only the program's user-interface layer knows what they
   point at; the libraries store and pass them on. Plug-ins written in C see
   these too, so the header is valid C11 as well as C++. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct KxWindow;
struct KxInstance;
struct KxDrawTarget;
struct KxBitmap;
struct KxTreeItem;

typedef struct KxWindow* HWND;
typedef struct KxInstance* HINSTANCE;
typedef struct KxDrawTarget* HDC;
typedef struct KxBitmap* HBITMAP;
typedef struct KxTreeItem* HTREEITEM;

typedef struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} RECT;

typedef struct POINT {
    int32_t x;
    int32_t y;
} POINT;

/* A font description: height (negative for a character height, positive for a
   cell height), weight (400 normal, 700 bold), italic and a face name. */
typedef struct LOGFONT {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[32];
} LOGFONT;
/* The name the font interfaces use for the same record. */
typedef LOGFONT LOGFONTA;

/* A dialog procedure: (dialog, message, wParam, lParam) -> handled. */
typedef intptr_t (*DLGPROC)(HWND, unsigned, uintptr_t, intptr_t);

#ifdef __cplusplus
}  /* extern "C" */
static_assert(sizeof(RECT) == 16);
static_assert(sizeof(POINT) == 8);
static_assert(sizeof(LOGFONT) == 60);
#else
_Static_assert(sizeof(RECT) == 16, "RECT layout");
_Static_assert(sizeof(POINT) == 8, "POINT layout");
_Static_assert(sizeof(LOGFONT) == 60, "LOGFONT layout");
#endif
