// A viewport as the library keeps it: the record handed out plus its surface.
#pragma once

#include <memory>

#include "pixmo/types.h"
#include "surface.h"

namespace kx::image {

struct ViewportRecord {
    PxViewport view{};
    std::unique_ptr<Surface> surface;
};

}  // namespace kx::image
