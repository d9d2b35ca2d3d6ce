#include "image_state.h"

#include "kxplatform/ui_callbacks.h"
#include "surface.h"
#include "viewport_record.h"

namespace kx::image {

ImageState& state() {
    static ImageState s;
    return s;
}

void resetImageForTests() {
    ImageState& s = state();
    s.viewports.clear();
    s.image = CurrentImage{};
    s.palette = PaletteState{};
    s.messages = MessageState{};
    s.commandLine = CommandLine{};
    s.names = NameResults{};
    s.draw = PxDrawCallbacks{};
    s.codec.directoryOverride.clear();  // the loaded codec stays loaded
    kx::platform::setUi(nullptr);
}

}  // namespace kx::image
