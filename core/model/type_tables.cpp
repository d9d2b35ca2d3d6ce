// The object type table's readers: ids, the names of the native format and the labels.
#include "model/model_internal.h"
#include "model/text.h"

// The readers below index the table by id.
static_assert([] {
    for (uint32_t i = 0; i < KX_TYPE_COUNT; ++i)
        if (KX_OBJECT_TYPES[i].id != i || !KX_OBJECT_TYPES[i].label) return false;
    return true;
}());

// A type's index counts only the types that have a name in the scene format.
int GetObjectInfoIndex(const char* name) {
    if (!name) return -1;
    int index = 0;
    for (const KxObjectType& t : KX_OBJECT_TYPES) {
        if (!t.nativeName) continue;
        if (kx::text::equalNoCase(t.nativeName, name)) return index;
        ++index;
    }
    return -1;
}

int GetObjectInfoType(const char* name) {
    if (!name) return 0;
    const bool shapesRead = kx::core().settings.readRendererShapes;
    for (const KxObjectType& t : KX_OBJECT_TYPES) {
        if (KxIsRendererShape(t.id) && !shapesRead) continue;
        if (t.nativeName && kx::text::equalNoCase(t.nativeName, name)) return static_cast<int>(t.id);
    }
    return 0;
}

const char* GetObjectTypeName(int id) {
    return id >= 0 && id < static_cast<int>(KX_TYPE_COUNT) ? KX_OBJECT_TYPES[id].nativeName : nullptr;
}

char* GetObjectTypeLabel(unsigned id) {
    // Callers only read the label; the table itself is constant.
    return id < KX_TYPE_COUNT ? const_cast<char*>(KX_OBJECT_TYPES[id].label) : nullptr;
}

int IsObjectAtomic(CadObject* obj) {
    return (obj && ((obj->type >= KX_LIGHT && obj->type <= KX_TEXT) || KxIsRendererShape(obj->type))) ? 1 : 0;
}

const char* GetDefaultObjectName(unsigned) { return "Unknown"; }
