// The object manager: the one scene, its object list, groups, selection and naming.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// --- creation and deletion ---
// A new visible object appended to the list; the name is cut to 31 characters.
KXCORE_API CadObject* NewCadObject(const char* name);
KXCORE_API CadObject* NewDefaultCadObjectEx(const char* name, unsigned type, int deselectOthers);
KXCORE_API CadObject* NewDefaultCadObject(const char* name, unsigned type);
KXCORE_API CadObject* AddDefaultCadAtom(const char* base, unsigned type);
KXCORE_API CadObject* NewPointObject(const char* base);
KXCORE_API CadObject* AddCadAtom(CadObjectInfo* info, const char* base, unsigned type);
KXCORE_API CadObject* AddObject(const char* path, ListEntry* list, unsigned count, unsigned type);
// Unlinks and frees one object; returns the object that followed it.
KXCORE_API CadObject* DeleteCadObject(CadObject* obj);
KXCORE_API int DeleteObjects();
KXCORE_API int DeleteAllCadObjects();
KXCORE_API void DeleteObjectPolygons(CadObject* obj);
KXCORE_API int CopyCadObject(const CadObject* src, CadObject* dst);
KXCORE_API int InitCadObjects();
// Called with whole 1 just before an object is freed and with whole 0 just
// before its point list is freed or replaced, while the list and the
// triangles made from it are still whole; returns the hook it replaces.
using KxObjectReleaseHook = void (*)(CadObject* obj, int whole);
KXCORE_API KxObjectReleaseHook SetObjectReleaseHook(KxObjectReleaseHook hook);
// A digest of an object's geometry (its point list with normals, triangles
// and texture coordinates, bit for bit, and their shape): records with the
// same geometry give the same value, and a change of any of it another one.
KXCORE_API uint64_t GetGeometryDigest(const CadObject* obj);

// --- access and enumeration ---
KXCORE_API CadObject* GetCadObject(CadObject* obj);
KXCORE_API CadObject* GetLastCadObject();
KXCORE_API CadObject* GetCadObjectByName(const char* name);
KXCORE_API CadObject* GetCadObjectByIndex(int index);
KXCORE_API unsigned GetCadObjectsCount();
KXCORE_API unsigned CountAllCadObjects();
KXCORE_API int EnumAllCadObjects(int (*callback)(CadObject*, long), long arg);
KXCORE_API int EnumCadObjects(int (*callback)(CadObject*, unsigned), unsigned arg);
KXCORE_API CadObject* GetNextSelectedObject(CadObject* obj);
KXCORE_API unsigned GetCadObjectType(CadObject* obj);
KXCORE_API unsigned GetCadObjectType();
KXCORE_API int IsObjectAtomic(CadObject* obj);
KXCORE_API int IsSelected(CadObject* obj);
KXCORE_API unsigned GetObjectSize(CadObject* obj);
KXCORE_API int GetObjectInfoIndex(const char* name);
KXCORE_API int GetObjectInfoType(const char* name);
KXCORE_API const char* GetObjectTypeName(int id);
KXCORE_API char* GetObjectTypeLabel(unsigned id);

// --- groups ---
// A group's CSG operation: the x of the group object's extra point, as the
// scene file stores it; a value that is none of these is a union.
enum : unsigned { KX_CSG_UNION = 0, KX_CSG_MERGE = 1, KX_CSG_INTERSECTION = 2, KX_CSG_DIFFERENCE = 3 };
// The renderer's word for each operation, by its number.
inline constexpr const char* KX_CSG_KEYWORDS[] = {"union", "merge", "intersection", "difference"};

// Links child under parent. 0 for null arguments, for the parent itself and for
// any ancestor of the parent; a child already in the chain is left as it is.
KXCORE_API int AddChildObject(CadObject* parent, CadObject* child);
KXCORE_API CadObject* GetNextChildObject(CadObject* obj, int first);
KXCORE_API CadObject* FindParentObject(unsigned groupId);
KXCORE_API int SetObjectsGroupEx(CadObject* group, unsigned groupId, int* deleted);
KXCORE_API int SelectCadGroup(CadObject* group, unsigned groupId, int select);

// --- selection list ---
KXCORE_API void InitSelectList();
KXCORE_API void ReleaseSelectList();
KXCORE_API void ClearSelectedObject();
KXCORE_API int AddSelectedObject(CadObject* obj);
KXCORE_API int RemoveSelectedObject(CadObject* obj);
KXCORE_API unsigned GetObjectsSelectedCount();
KXCORE_API CadObject* GetSelectedObject(unsigned index);
KXCORE_API int SetObjectsUnSelected();
KXCORE_API int SelectCadObjectByName(const char* name, int add);

// --- naming ---
// Counter values for type ids 0..25; 0 for any other id.
KXCORE_API unsigned GetNextObjectNo(unsigned type, int reset);
KXCORE_API unsigned GetCurrentObjectNo(unsigned type);
// "%s%d" of base and the type's next number, at most 31 characters (the base is
// shortened, never the number). Type 0 resets the counters and gives null.
KXCORE_API char* GetNextObjectNameEx(const char* base, unsigned type, unsigned* no);
KXCORE_API char* GetNextObjectName(const char* base, unsigned type);
KXCORE_API const char* GetDefaultObjectName(unsigned type);
KXCORE_API char* NormalizeObjectName(const char* path);

// --- the scene tree of the program ---
KXCORE_API void RegisterObjectSelector(HWND tree);
KXCORE_API void RegisterLastObjectSelector(HTREEITEM parent);

// --- scene ---
KXCORE_API CadScene* InitScene();
KXCORE_API int ClearScene(CadScene* scene);
KXCORE_API int DestroyScene(CadScene* scene);
KXCORE_API CadScene* GetCurrentScene();
KXCORE_API CadScene* CreateDefaultScene();

// --- extra blocks and uv arrays owned by objects ---
KXCORE_API int AllocateObjectExtra(CadObject* obj);
KXCORE_API int FreeObjectExtra(CadObject* obj);
KXCORE_API int CopyObjectExtra(CadObject* dst, const CadObject* src);
// Makes the uv array n entries long; new entries are zero.
KXCORE_API int AllocCadObjectUV(CadObject* obj, unsigned n);
