// What the object manager tells the event table; not exported.
#pragma once

#include "kx/types.h"

namespace kx::model {

// Marks every registration bound to obj as dead; obj is about to be freed.
void forgetEventObject(const CadObject* obj);

}  // namespace kx::model
