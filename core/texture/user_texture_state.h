// The user texture database's share of the core state.
#pragma once

#include "kx/user_textures.h"

namespace kx {

// A cross-reference entry: a short name for an element deep in the tree.
struct TexXref {
    char name[KX_TEXNAME_SIZE];
    TexItem* item;
};

struct UserTextureState {
    TexItem* tree = nullptr;       // the top list, beginning with its placeholder
    ItemOpt options[KX_TEXOPT_MAX] = {};
    unsigned optionCount = 0;
    TexXref* xref = nullptr;       // KX_TEXXREF_MAX entries once allocated
    unsigned xrefCount = 0;
    CustomTexure current = {};     // the current texture (never holds snapshots)
    CustomTexure* list = nullptr;  // the memory list
    unsigned listCapacity = 0;
    unsigned listCount = 0;
    bool indexRebuilt = false;     // a lookup found USER.IDX damaged and rebuilt it
};

}  // namespace kx
