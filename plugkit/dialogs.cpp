// Messages, dialog controls and text drawing through the program's UI table.
#include <array>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kxplatform/ui_callbacks.h"
#include "plugkit.h"
#include "plugkit_state.h"

namespace {

// "%g" without regard to the process locale.
void formatG(double d, char* out, size_t size) {
    auto r = std::to_chars(out, out + size - 1, d, std::chars_format::general, 6);
    *(r.ec == std::errc{} ? r.ptr : out) = '\0';
}

}  // namespace

extern "C" {

void plkSetUiCallbacks(const KxUiCallbacks* table) noexcept { kx::platform::setUi(table); }

int ErrorMessage(const char* fmt, ...) noexcept {
    auto& text = kx::plugkit::state().results.message;
    text[0] = '\0';
    if (fmt != nullptr) {
        va_list args;
        va_start(args, fmt);
        std::vsnprintf(text.data(), text.size(), fmt, args);
        va_end(args);
    }
    return kx::platform::messageBox(kx::platform::focusWindow(), text.data(), "Plug-In Tools",
                                    KX_MB_OK | KX_MB_ICONEXCLAMATION);
}

char* dtoa(double d) noexcept {
    auto& text = kx::plugkit::state().results.number;
    formatG(d, text.data(), text.size());
    return text.data();
}

int SetDlgItemDouble(HWND dlg, int item, double d) noexcept {
    std::array<char, 32> text;
    formatG(d, text.data(), text.size());
    const auto& ui = kx::platform::ui();
    if (ui.setDialogItemText == nullptr) return 0;
    return ui.setDialogItemText(ui.context, dlg, item, text.data()) != 0 ? 1 : 0;
}

double GetDlgItemDouble(HWND dlg, int item) noexcept {
    std::array<char, 32> text{};
    const auto& ui = kx::platform::ui();
    if (ui.getDialogItemText == nullptr ||
        ui.getDialogItemText(ui.context, dlg, item, text.data(), text.size()) == 0) {
        return 0.0;
    }
    text.back() = '\0';
    const char* p = text.data();
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '+') ++p;
    double d = 0.0;
    const auto r = std::from_chars(p, text.data() + std::strlen(text.data()), d);
    return r.ec == std::errc{} ? d : 0.0;
}

int ScreenToClientRect(HWND dlg, int item, RECT* r) noexcept {
    const auto& ui = kx::platform::ui();
    if (r == nullptr || ui.getDialogItemRect == nullptr) return 0;
    return ui.getDialogItemRect(ui.context, dlg, item, r) != 0 ? 1 : 0;
}

int PrintFont(HDC dc, int x, int y, int size, const LOGFONTA* font, const char* text) noexcept {
    const auto& ui = kx::platform::ui();
    if (font == nullptr || text == nullptr || ui.drawText == nullptr) return 0;
    LOGFONTA sized = *font;
    sized.lfHeight = size;
    sized.lfWidth = size;
    return ui.drawText(ui.context, dc, x, y, &sized, text) != 0 ? 1 : 0;
}

}  // extern "C"
