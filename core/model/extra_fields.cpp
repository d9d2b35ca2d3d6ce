// An object's extra block (typed values keyed by property id) and its uv array.
#include <algorithm>
#include <cstring>

#include "model/memory.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace kx::model {

unsigned extraRoom(unsigned type) {
    switch (type) {
        case KX_VALUE_STRING: return 1;
        case KX_VALUE_FLOAT:
        case KX_VALUE_FLOATARRAY: return sizeof(ExtraField::value) / sizeof(double);
        case KX_VALUE_INTEGER:
        case KX_VALUE_INTEGERARRAY: return sizeof(ExtraField::value) / sizeof(int32_t);
        case KX_VALUE_POINT:
        case KX_VALUE_POINTSARRAY: return sizeof(ExtraField::value) / sizeof(Point3d);
        default: return 0;
    }
}

size_t extraElementSize(unsigned type) {
    switch (type) {
        case KX_VALUE_FLOAT:
        case KX_VALUE_FLOATARRAY: return sizeof(double);
        case KX_VALUE_INTEGER:
        case KX_VALUE_INTEGERARRAY: return sizeof(int32_t);
        case KX_VALUE_POINT:
        case KX_VALUE_POINTSARRAY: return sizeof(Point3d);
        default: return 0;
    }
}

ExtraField* findExtra(const ExtraBlock* block, unsigned id) {
    if (!block) return nullptr;
    ExtraField* fields = ExtraBlockFields(const_cast<ExtraBlock*>(block));
    for (uint32_t i = 0; i < block->count; ++i)
        if (fields[i].id == id) return &fields[i];
    return nullptr;
}

unsigned readExtra(CadObject* obj, unsigned id, unsigned type, unsigned n, void* out) {
    ExtraField* f = obj ? findExtra(obj->extra, id) : nullptr;
    size_t element = extraElementSize(type);
    if (!f || !out || f->type != type || element == 0) return 0;
    unsigned copied = std::min({n, f->count, extraRoom(type)});
    std::memcpy(out, f->value, copied * element);
    return copied;
}

}  // namespace kx::model

namespace {

using kx::model::extraBlockBytes;

// Grows a block to room for `fields` entries (capacity kept in `reserved`).
ExtraBlock* reserveExtra(ExtraBlock* block, uint32_t fields) {
    uint32_t capacity = block ? block->reserved : 0;
    if (block && capacity >= fields) return block;
    uint32_t grown = std::max<uint32_t>(fields, std::min<uint32_t>(capacity * 2 + 4, KX_EXTRA_FIELDS_MAX));
    size_t oldBytes = block ? extraBlockBytes(capacity) : 0;
    auto* bytes = kx::mem::resizeZeroed(reinterpret_cast<unsigned char*>(block), oldBytes,
                                        extraBlockBytes(grown));
    if (!bytes) return nullptr;
    auto* resized = reinterpret_cast<ExtraBlock*>(bytes);
    resized->reserved = grown;
    return resized;
}

// Stores a value into a block held by `slot` (an object's or a creation record's).
int setExtra(ExtraBlock*& slot, unsigned type, unsigned id, unsigned count, const void* data) {
    if (type < KX_VALUE_STRING || type > KX_VALUE_POINTSARRAY) return 0;
    // The value area is fixed: a count that does not fit is refused before any change.
    if (type != KX_VALUE_STRING && count > kx::model::extraRoom(type)) {
        LogMessage(1, "Extra field %u: %u values do not fit", id, count);
        return 0;
    }
    ExtraField* field = kx::model::findExtra(slot, id);
    if (!field) {
        uint32_t used = slot ? slot->count : 0;
        ExtraBlock* block = used < KX_EXTRA_FIELDS_MAX ? reserveExtra(slot, used + 1) : nullptr;
        if (!block) {
            ErrorMessage("Error allocting object extra information");
            return 0;
        }
        slot = block;
        field = &ExtraBlockFields(block)[block->count++];
    }
    std::memset(field, 0, sizeof *field);
    field->type = type;
    field->id = id;
    field->count = (type == KX_VALUE_STRING) ? 1 : count;
    if (!data) return 0;
    if (type == KX_VALUE_STRING) {
        const char* text = static_cast<const char*>(data);
        std::memcpy(field->value, text, strnlen(text, KX_EXTRA_TEXT_MAX));
    } else {
        std::memcpy(field->value, data, count * kx::model::extraElementSize(type));
    }
    return 1;
}

}  // namespace

int AllocateObjectExtra(CadObject* obj) {
    if (!obj) return 0;
    if (obj->extra) return 1;
    obj->extra = reserveExtra(nullptr, 0);
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
    uint32_t count = src->extra->count;
    auto* bytes = kx::mem::allocZeroed<unsigned char>(extraBlockBytes(count));
    if (!bytes) {
        ErrorMessage("Error allocting object extra information");
        return 0;
    }
    std::memcpy(bytes, src->extra, extraBlockBytes(count));
    kx::mem::release(dst->extra);
    dst->extra = reinterpret_cast<ExtraBlock*>(bytes);
    dst->extra->reserved = count;
    return 1;
}

int SetObjectExtra(CadObject* obj, unsigned type, unsigned id, unsigned count, const void* data) {
    if (!obj || !AllocateObjectExtra(obj)) return 0;
    return setExtra(obj->extra, type, id, count, data);
}

int SetObjectExtraInfo(CadObjectInfo* info, unsigned type, unsigned id, unsigned count,
                       const void* data) {
    if (!info) return 0;
    if (!info->extra) {
        info->extra = reserveExtra(nullptr, 0);
        if (!info->extra) {
            ErrorMessage("Error allocting object extra information");
            return 0;
        }
    }
    return setExtra(info->extra, type, id, count, data);
}

ExtraField* GetObjectExtraField(CadObject* obj, unsigned index) {
    if (!obj || !obj->extra || index >= obj->extra->count) return nullptr;
    return &ExtraBlockFields(obj->extra)[index];
}

int SetObjectExtraField(CadObject* obj, unsigned index, ExtraField* field) {
    ExtraField* target = GetObjectExtraField(obj, index);
    if (!target || !field) return 0;
    if (field->type < KX_VALUE_STRING || field->type > KX_VALUE_POINTSARRAY) return 0;
    if (field->type != KX_VALUE_STRING && field->count > kx::model::extraRoom(field->type)) return 0;
    std::memmove(target, field, sizeof *target);
    if (target->type == KX_VALUE_STRING) target->value[KX_EXTRA_TEXT_MAX] = '\0';
    return 1;
}

int GetObjectExtra(CadObject* obj, unsigned id, unsigned n, void* out) {
    ExtraField* f = obj ? kx::model::findExtra(obj->extra, id) : nullptr;
    if (!f || !out) return 0;
    if (f->type == KX_VALUE_STRING) {
        const char* text = reinterpret_cast<const char*>(f->value);
        size_t len = strnlen(text, KX_EXTRA_TEXT_MAX);
        std::memcpy(out, text, len);
        static_cast<char*>(out)[len] = '\0';
        return 1;
    }
    // Never more than the field holds: what it lacks reads as zero.
    size_t element = kx::model::extraElementSize(f->type);
    unsigned copied = kx::model::readExtra(obj, id, f->type, n, out);
    if (n > copied) std::memset(static_cast<char*>(out) + copied * element, 0, (n - copied) * element);
    return 1;
}

int GetObjectExtraString(CadObject* obj, int id, char* out) {
    return GetObjectExtra(obj, static_cast<unsigned>(id), 1, out);
}

int SetObjectExtraValues(CadObject* obj, int id, unsigned n, double* values) {
    return SetObjectExtra(obj, KX_VALUE_FLOATARRAY, static_cast<unsigned>(id), n, values);
}

int GetObjectExtraValues(CadObject* obj, unsigned n, double* out) {
    if (!obj || !out || n == 0) return 0;
    std::fill_n(out, n, 0.0);
    return GetObjectExtra(obj, 5, n, out);
}

int SetObjectMaterial(CadObject* obj, const char* name, unsigned materialType) {
    if (!obj) return 0;
    kx::text::copyField(obj->material, name);
    obj->materialType = materialType;
    return 1;
}

int ClearObjectTransformation(CadObject* obj, int alsoExtra) {
    if (!obj) return 0;
    obj->size = obj->rotate = obj->translate = Point3d{0, 0, 0};
    obj->scale = Point3d{1, 1, 1};
    if (alsoExtra) obj->extraPoint = Point3d{0, 0, 0};
    return 1;
}

int SetString(char*& slot, const char* text) {
    constexpr size_t kSlot = 260;
    if (!text) {
        kx::mem::release(slot);
        slot = nullptr;
        return 1;
    }
    if (!slot) {
        slot = kx::mem::allocZeroed<char>(kSlot);
        if (!slot) {
            ErrorMessage("Error out of memory allocating string");
            return 0;
        }
    }
    kx::text::copyField(slot, kSlot, text);
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
