// Handle and record types that appear in the libraries' public signatures.
// Handles are opaque: only the program's user-interface layer knows what they
// point at; the libraries store and pass them on.
#pragma once

#include <cstdint>

struct KxWindow;
struct KxInstance;
struct KxDrawTarget;
struct KxBitmap;
struct KxTreeItem;

using HWND = KxWindow*;
using HINSTANCE = KxInstance*;
using HDC = KxDrawTarget*;
using HBITMAP = KxBitmap*;
using HTREEITEM = KxTreeItem*;

struct RECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct POINT {
    int32_t x;
    int32_t y;
};

// A font description: height (negative for a character height, positive for a
// cell height), weight (400 normal, 700 bold), italic and a face name.
struct LOGFONT {
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
};
// The name the font interfaces use for the same record.
using LOGFONTA = LOGFONT;

// A dialog procedure: (dialog, message, wParam, lParam) -> handled.
using DLGPROC = intptr_t (*)(HWND, unsigned, uintptr_t, intptr_t);

static_assert(sizeof(RECT) == 16);
static_assert(sizeof(POINT) == 8);
static_assert(sizeof(LOGFONT) == 60);
