// What the texture files share; not exported.
#pragma once

#include "core_state.h"

namespace kx::texture {

inline TextureState& textures() { return core().textures; }

// The user texture memory list kept beside the database (asked through its
// exported functions).
bool userListInfo(const char* name, TextureInfo* out);
bool userListState(const char* name);
void clearUserListUsed();

}  // namespace kx::texture

namespace kx::texture {

// The red, green and blue of a named colour (name in any case); false when
// the name is none of them.
bool namedColour(const char* name, unsigned char rgb[3]);

}  // namespace kx::texture
