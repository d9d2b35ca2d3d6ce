// Ownership of an object's extra block and uv array.
#include <cstring>

#include "model/memory.h"
#include "model/model_internal.h"

int AllocateObjectExtra(CadObject* obj) {
    if (!obj) return 0;
    if (obj->extra) return 1;
    obj->extra = static_cast<ExtraBlock*>(
        static_cast<void*>(kx::mem::allocZeroed<unsigned char>(kx::model::extraBlockBytes(0))));
    if (!obj->extra) {
        ErrorMessage("Error allocting object extra information");
        return 0;
    }
    return 1;
}

int FreeObjectExtra(CadObject* obj) {
    if (!obj) return 0;
    kx::mem::release(obj->extra);
    obj->extra = nullptr;
    return 1;
}

int CopyObjectExtra(CadObject* dst, const CadObject* src) {
    if (!dst || !src) return 0;
    if (!src->extra || src == dst) return 1;
    size_t bytes = kx::model::extraBlockBytes(src->extra->count);
    void* copy = kx::mem::allocZeroed<unsigned char>(bytes);
    if (!copy) {
        ErrorMessage("Error allocting object extra information");
        return 0;
    }
    std::memcpy(copy, src->extra, bytes);
    kx::mem::release(dst->extra);
    dst->extra = static_cast<ExtraBlock*>(copy);
    return 1;
}

int AllocCadObjectUV(CadObject* obj, unsigned n) {
    if (!obj) return 0;
    if (n == 0) {
        kx::mem::release(obj->uv);
        obj->uv = nullptr;
        obj->uvCount = 0;
        return 1;
    }
    Point3d* grown = kx::mem::resizeZeroed(obj->uv, obj->uvCount, n);
    if (!grown) {
        ErrorMessage("Error allocating texture mapping coordinates");
        return 0;
    }
    obj->uv = grown;
    obj->uvCount = n;
    return 1;
}
