#include "kxplatform/ui_callbacks.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace kx::platform {
namespace {

// Headless message box: one "caption: text" line on standard error, default button.
int headlessMessageBox(void*, HWND, const char* text, const char* caption, unsigned style) {
    std::string line = caption ? caption : "";
    line += ": ";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\r') continue;
        line += (*p == '\n') ? ' ' : *p;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    unsigned buttons = style & 0xF;
    return (buttons == KX_MB_YESNO || buttons == KX_MB_YESNOCANCEL) ? KX_IDYES : KX_IDOK;
}

KxUiCallbacks headlessTable() {
    KxUiCallbacks t{};
    t.size = sizeof(KxUiCallbacks);
    t.messageBox = headlessMessageBox;
    return t;
}

KxUiCallbacks& current() {
    static KxUiCallbacks table = headlessTable();
    return table;
}

}  // namespace

const KxUiCallbacks& ui() { return current(); }

void setUi(const KxUiCallbacks* table) {
    KxUiCallbacks fresh = headlessTable();
    if (table) {
        // Copy only as much as the caller's table holds; later members stay null.
        size_t n = table->size < sizeof(KxUiCallbacks) ? table->size : sizeof(KxUiCallbacks);
        if (n >= offsetof(KxUiCallbacks, messageBox)) std::memcpy(&fresh, table, n);
        fresh.size = sizeof(KxUiCallbacks);
        if (!fresh.messageBox) fresh.messageBox = headlessMessageBox;
    }
    current() = fresh;
}

int messageBox(HWND owner, const char* text, const char* caption, unsigned style) {
    const KxUiCallbacks& t = ui();
    return t.messageBox(t.context, owner, text, caption, style);
}

HWND focusWindow() {
    const KxUiCallbacks& t = ui();
    return t.focusWindow ? t.focusWindow(t.context) : nullptr;
}

}  // namespace kx::platform
