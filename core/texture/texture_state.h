// The texture subsystem's share of the core state.
#pragma once

struct TextureInfo;

namespace kx {

struct TextureState {
    TextureInfo* head = nullptr;
    unsigned customCount = 0;  // stored by the program as "UserCount"
};

}  // namespace kx
