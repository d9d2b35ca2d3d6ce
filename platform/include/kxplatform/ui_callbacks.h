// The user-interface services the libraries call: message boxes, the focus
// window, dialog controls, window placement and the scene tree. The libraries
// never link a toolkit; the program installs a table that implements these with
// its toolkit, tests install a capturing table, and the default is headless.
#pragma once

#include "kxplatform/handles.h"

extern "C" {

// Message box styles and results, as the callers pass and expect them.
enum : unsigned {
    KX_MB_OK = 0x0,
    KX_MB_OKCANCEL = 0x1,
    KX_MB_YESNOCANCEL = 0x3,
    KX_MB_YESNO = 0x4,
    KX_MB_ICONERROR = 0x10,
    KX_MB_ICONQUESTION = 0x20,
    KX_MB_ICONEXCLAMATION = 0x30,
    KX_MB_ICONINFORMATION = 0x40,
};
enum : int { KX_IDOK = 1, KX_IDCANCEL = 2, KX_IDYES = 6, KX_IDNO = 7 };

// Every member may be null; a null member behaves like the headless default.
// Append new members at the end only: the size field tells old tables apart.
struct KxUiCallbacks {
    unsigned size;  // sizeof(KxUiCallbacks) of the table's author
    void* context;  // handed back to every callback

    // Shows a message box and returns the button pressed (KX_IDOK ...).
    int (*messageBox)(void* context, HWND owner, const char* text, const char* caption,
                      unsigned style);
    // The window that has the keyboard focus, or null.
    HWND (*focusWindow)(void* context);
    // Dialog controls: 1 on success, 0 when there is no such control.
    int (*setDialogItemText)(void* context, HWND dialog, int id, const char* text);
    int (*getDialogItemText)(void* context, HWND dialog, int id, char* buffer, unsigned size);
    int (*getDialogItemRect)(void* context, HWND dialog, int id, RECT* rect);
    // Moves (and with resize non-zero, resizes) a window; topmost keeps it above others.
    int (*moveWindow)(void* context, HWND window, int x, int y, int width, int height,
                      int resize, int topmost);
    // The scene tree: insert returns the new item or null.
    HTREEITEM (*insertTreeItem)(void* context, HWND tree, HTREEITEM parent, const char* text,
                                void* data);
    int (*deleteTreeItem)(void* context, HWND tree, HTREEITEM item);
    int (*renameTreeItem)(void* context, HWND tree, HTREEITEM item, const char* text);
    // Shows or hides the busy cursor.
    void (*waitCursor)(void* context, int busy);
    // Loads a string resource of the program; 1 when found.
    int (*loadString)(void* context, HINSTANCE instance, unsigned id, char* buffer, unsigned size);
    // Runs a modal dialog; returns its result.
    intptr_t (*runDialog)(void* context, HWND owner, DLGPROC proc, HINSTANCE instance,
                          unsigned short templateId);
    // Draws text in black on a transparent background.
    int (*drawText)(void* context, HDC target, int x, int y, const LOGFONT* font,
                    const char* text);
};

}  // extern "C"

namespace kx::platform {

// The table in force for this library; never null (the headless one by default).
const KxUiCallbacks& ui();
// Installs a table (copied); null restores the headless default.
void setUi(const KxUiCallbacks* table);

// Convenience wrappers that fall back to the headless behaviour for null members.
int messageBox(HWND owner, const char* text, const char* caption, unsigned style);
HWND focusWindow();

}  // namespace kx::platform
