// The scene's texture list as a value, so that an edit which adds to it or
// changes it (an import bringing materials, a script, a plug-in) can be a
// step: what it was before and after is kept, and undo puts it back.
#pragma once

#include <cstddef>
#include <vector>

#include "kxcore.h"

namespace kx::app {

// The records in list order, without their links and without decoded image
// maps (pictures are decoded again from their files when needed).
struct TextureListCopy {
    std::vector<TextureInfo> records;
    size_t heldBytes() const { return sizeof *this + records.capacity() * sizeof(TextureInfo); }
};

TextureListCopy copyTextureList();
// The same records in the same order (the marks an export leaves aside).
bool sameTextureList(const TextureListCopy& a, const TextureListCopy& b);
// Makes the list hold copy's records. A record that the list holds now under
// the same name and image file keeps its decoded picture. False when memory
// ran out; the list then holds what could be made.
bool restoreTextureList(const TextureListCopy& copy);

}  // namespace kx::app
