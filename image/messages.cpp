// Registration of the program, the application name and the message path.
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#include "image_state.h"
#include "kxplatform/c_locale.h"
#include "kxplatform/ui_callbacks.h"
#include "messages.h"
#include "surface.h"

namespace kx::image {

void reportWithCaption(const char* caption, const char* text) {
    MessageState& m = state().messages;
    // The buffer is fixed (callers hold its address); a longer text is cut.
    kx::platform::snprintfC(m.last, sizeof m.last, "%s", text);
    if (!m.display) return;
    HWND owner = state().image.owner ? state().image.owner : kx::platform::focusWindow();
    kx::platform::messageBox(owner, text, caption, KX_MB_OK | KX_MB_ICONEXCLAMATION);
}

}  // namespace kx::image

using kx::image::state;

void pxSetUiCallbacks(const KxUiCallbacks* table) { kx::platform::setUi(table); }

void pxSetDrawCallbacks(const PxDrawCallbacks* table) {
    PxDrawCallbacks fresh{};
    if (table) {
        size_t n = table->size < sizeof fresh ? table->size : sizeof fresh;
        std::memcpy(&fresh, table, n);
    }
    fresh.size = sizeof fresh;
    state().draw = fresh;
}

void ErrorMessage(const char* fmt, ...) {
    int savedErrno = errno;
    va_list args;
    va_start(args, fmt);
    std::string text = kx::platform::vformatC(fmt ? fmt : "", args);
    va_end(args);
    kx::image::reportWithCaption(state().messages.applicationName.c_str(), text.c_str());
    errno = savedErrno;
}

int pxGetLastErrorMessage(HWND, int size, char* buffer) {
    if (!buffer || size <= 0) return 0;
    const char* last = state().messages.last;
    size_t n = strnlen(last, sizeof state().messages.last);
    if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
    std::memcpy(buffer, last, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int pxSetErrorDisplayState(HWND, int on) {
    bool previous = state().messages.display;
    state().messages.display = on != 0;
    return previous ? 1 : 0;
}

char* pxRegisterApplicationEx(HWND window, const char* name) {
    kx::image::MessageState& m = state().messages;
    if (!window) {
        ErrorMessage("Error: Invalid Register Application Window\n");
        return nullptr;
    }
    if (m.registrations == 0) {
        m.last[0] = '\0';
        pxFreeMemoryDC();
        m.display = true;
        m.applicationName = name ? name : "ImageLibrary";
        state().image.owner = window;
    }
    pxInitImageInfo();
    ++m.registrations;
    return m.last;
}

int pxRegisterApplication(HWND window, const char* name) {
    return pxRegisterApplicationEx(window, name) ? 1 : 0;
}

int pxUnRegisterApplication() {
    kx::image::MessageState& m = state().messages;
    if (m.registrations <= 0) return 0;  // nothing registered: nothing to free twice
    if (--m.registrations == 0) {
        pxFreeMemoryDC();
        state().image.owner = nullptr;
    }
    return 1;
}

void pxSetApplicationName(const char* name) {
    state().messages.applicationName = name ? name : "";
}

const char* pxGetAplicationName() { return state().messages.applicationName.c_str(); }
