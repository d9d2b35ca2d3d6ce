// Small helpers for the program's dialogs, routed through the user-interface table.
#include <cstring>

#include "core_state.h"
#include "files/numbers.h"
#include "kxplatform/c_locale.h"
#include "kxplatform/ui_callbacks.h"

namespace {

const KxUiCallbacks& ui() { return kx::platform::ui(); }

}  // namespace

int SetDlgItemDouble(HWND dialog, int id, double value) {
    char text[64];
    kx::platform::snprintfC(text, sizeof text, "%g", value);
    if (ui().setDialogItemText) ui().setDialogItemText(ui().context, dialog, id, text);
    return 1;
}

double GetDlgItemDouble(HWND dialog, int id) {
    char text[32] = {};
    if (!ui().getDialogItemText ||
        !ui().getDialogItemText(ui().context, dialog, id, text, sizeof text))
        return 0.0;
    text[sizeof text - 1] = '\0';
    const char* end = nullptr;
    const double v = kx::numbers::leading(text, &end);
    return end == text ? 0.0 : v;
}

int SetUIpoint(HWND dialog, unsigned idX, unsigned idY, unsigned idZ, Point3d* p) {
    if (!p) return 0;
    SetDlgItemDouble(dialog, static_cast<int>(idX), p->x);
    SetDlgItemDouble(dialog, static_cast<int>(idY), p->y);
    SetDlgItemDouble(dialog, static_cast<int>(idZ), p->z);
    return 1;
}

int GetUIpoint(HWND dialog, unsigned idX, unsigned idY, unsigned idZ, Point3d* p) {
    if (!p) return 0;
    p->x = static_cast<float>(GetDlgItemDouble(dialog, static_cast<int>(idX)));
    p->y = static_cast<float>(GetDlgItemDouble(dialog, static_cast<int>(idY)));
    p->z = static_cast<float>(GetDlgItemDouble(dialog, static_cast<int>(idZ)));
    return 1;
}

int ShowText(HDC target, unsigned x, unsigned y, LOGFONT* font, const char* text) {
    LOGFONT f{};
    if (font) f = *font;
    f.lfWidth = 0;
    f.lfEscapement = 0;
    f.lfOrientation = 0;
    if (ui().drawText)
        ui().drawText(ui().context, target, static_cast<int>(x), static_cast<int>(y), &f,
                      text ? text : "");
    return 1;
}

int ToolboxMoveTo(HWND window, RECT r) {
    if (ui().moveWindow) ui().moveWindow(ui().context, window, r.left, r.top, 0, 0, 0, 1);
    return 1;
}

int ReSizeTo(HWND window, RECT r) {
    if (ui().moveWindow)
        ui().moveWindow(ui().context, window, r.left, r.top, r.right, r.bottom, 1, 0);
    return 1;
}

int ScreenToClientRect(HWND dialog, unsigned id, RECT* r) {
    if (!r) return 0;
    if (!ui().getDialogItemRect ||
        !ui().getDialogItemRect(ui().context, dialog, static_cast<int>(id), r))
        *r = RECT{0, 0, 0, 0};
    return 1;
}

int BuildFilter(HINSTANCE instance, unsigned stringId, char* buffer, unsigned size) {
    if (!buffer || size == 0) return 1;
    std::memset(buffer, 0, size);
    // Keep the last byte for the list's closing NUL.
    if (ui().loadString && size > 1) ui().loadString(ui().context, instance, stringId, buffer, size - 1);
    buffer[size - 1] = '\0';
    size_t length = strnlen(buffer, size);
    for (size_t i = 0; i < length; ++i)
        if (buffer[i] == '|') buffer[i] = '\0';
    return 1;
}

int ExecDialog(HWND owner, DLGPROC proc, HINSTANCE instance, unsigned short templateId) {
    if (ui().runDialog) ui().runDialog(ui().context, owner, proc, instance, templateId);
    return 1;
}
