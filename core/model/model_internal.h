// Helpers shared by the object manager's files; not exported.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// Links every grouped object from first on that has no parent to the group
// of its id, when that group exists: objects read before their group, or
// whose link was lost, end up inside it exactly once.
void linkToGroups(CadObject* first);

// Keeps the group counter at or above id, so no later draw repeats a live id.
void raiseGroupCounter(unsigned id);

// Shows obj's new name in the object tree, when the tree shows it.
void renameTreeItem(CadObject* obj);

// Takes obj out of the selection array (its selected flag is left alone).
void forgetSelected(const CadObject* obj);

// Size in bytes of an extra block with room for n fields.
inline size_t extraBlockBytes(size_t n) { return sizeof(ExtraBlock) + n * sizeof(ExtraField); }

// Room of an extra field's value area in values of the given type (1 for a text).
unsigned extraRoom(unsigned type);
// Bytes of one value of the type (0 for a text or an unknown type).
size_t extraElementSize(unsigned type);
// The first field with that id, or null.
ExtraField* findExtra(const ExtraBlock* block, unsigned id);
// Copies at most n values of a field that has exactly the given type; returns
// how many were copied (0 when the field is missing or of another type).
unsigned readExtra(CadObject* obj, unsigned id, unsigned type, unsigned n, void* out);

// The id of an object property name, 0 when unknown; the value type of an id, 0 when unknown.
int objectPropertyId(const char* name);
int objectPropertyTypeOf(int id);

// The object that AddCadAtom made last, or null once it is deleted.
CadObject* lastAtom();

// The triangles of an object's array: polygonCount when the core set it, else
// the number of records the array was allocated with, at most one per node
// (a plug-in or program attaching an array sets neither). 0 without an array.
uint32_t triangleCount(const CadObject* obj);
bool hasTriangles(const CadObject* obj);

// A group's CSG operation as its extra point holds it, made a whole number:
// 0 (a union) for a value that is not a number or out of range. Writers take
// any number they do not know as a union.
int groupOperation(const CadObject& group);
void rememberPolygonArray(const TriPolygon* array, uint32_t length);
void forgetPolygonArray(const TriPolygon* array);

// The text of a scene setting ("" when it is not set) and its numbers.
const std::string& sceneSetting(const char* name);
std::vector<double> sceneSettingNumbers(const char* name);
bool isSceneSetting(const char* name);

}  // namespace kx::model
