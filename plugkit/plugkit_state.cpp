#include "plugkit_state.h"

namespace kx::plugkit {

PlugkitState& state() {
    static PlugkitState s;
    return s;
}

}  // namespace kx::plugkit
