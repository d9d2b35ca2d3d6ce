// The image library's readers own their descriptors through the platform's one
// owning type.
#pragma once

#include "kxplatform/files.h"

namespace kx::io {

using kx::platform::UniqueFd;

}  // namespace kx::io
