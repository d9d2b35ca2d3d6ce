// Shows the busy cursor for the lifetime of the object (when asked to).
#pragma once

#include "kxplatform/ui_callbacks.h"

namespace kx::image {

class WaitCursor {
public:
    explicit WaitCursor(bool show) : show_(show) { set(1); }
    ~WaitCursor() { set(0); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    void set(int busy) {
        const KxUiCallbacks& ui = kx::platform::ui();
        if (show_ && ui.waitCursor) ui.waitCursor(ui.context, busy);
    }
    bool show_;
};

}  // namespace kx::image
