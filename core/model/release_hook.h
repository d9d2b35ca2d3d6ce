// Tells the program when an object or an object's point list is about to be
// freed, so that nothing it keeps (plug-in handles, geometry cursors) outlives
// the memory. Not exported; the program installs the hook through
// SetObjectReleaseHook.
#pragma once

#include "kx/types.h"

namespace kx::model {

// obj's point list is about to be freed or replaced.
void notifyPointsReleased(CadObject* obj);
// obj itself is about to be freed.
void notifyObjectReleased(CadObject* obj);

}  // namespace kx::model
