// Helpers shared by the object manager's files; not exported.
#pragma once

#include <cstddef>

#include "core_state.h"

namespace kx::model {

inline ObjectManager& objects() { return core().objects; }

// True when obj is an object of the scene list (not freed, not foreign memory).
bool isLive(const CadObject* obj);

// Takes obj out of its parent's child chain and clears its parent link.
void unlinkFromParent(CadObject* obj);
// Clears the parent and sibling links of every child of obj and obj's firstChild.
void detachChildren(CadObject* obj);
// True when candidate is obj itself or one of obj's ancestors.
bool isSelfOrAncestor(const CadObject* candidate, const CadObject* obj);

// Keeps the group counter at or above id, so no later draw repeats a live id.
void raiseGroupCounter(unsigned id);

// Takes obj out of the selection array (its selected flag is left alone).
void forgetSelected(const CadObject* obj);

// Size in bytes of an extra block with room for n fields.
inline size_t extraBlockBytes(size_t n) { return sizeof(ExtraBlock) + n * sizeof(ExtraField); }

// The object that AddCadAtom made last, or null once it is deleted.
CadObject* lastAtom();

}  // namespace kx::model
