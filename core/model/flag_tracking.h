// Which objects' selected flags may be set, so that deselecting all after each
// creation need not visit the whole list. Not exported.
#pragma once

#include "kxcore.h"

namespace kx::model {

// Records that obj's selected flag may be set (the core set it, or obj is new
// and its creator may), so that the next deselect-all clears it.
void noteFlagged(CadObject* obj);

// Forgets every record: the object list was emptied.
void forgetFlagged();

}  // namespace kx::model
