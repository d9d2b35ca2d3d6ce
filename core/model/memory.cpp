#include "model/memory.h"

namespace kx::mem {
namespace {
long failCountdown = -1;
}

bool injectFailure() {
    if (failCountdown < 0) return false;
    if (failCountdown == 0) return true;
    --failCountdown;
    return false;
}

void failAllocationsAfter(long skip) { failCountdown = skip; }

}  // namespace kx::mem
