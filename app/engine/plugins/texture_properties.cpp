#include "plugins/texture_properties.h"

#include <cstring>
#include <string>

#include "kxcore.h"

namespace kx::plugins {
namespace {

// The element a property names; its name need not be terminated.
TexItem* elementOf(const PluginProperty& p) {
    std::string name(p.name, strnlen(p.name, PLUGIN_PROPERTY_NAME));
    if (name.empty()) return nullptr;
    return FindTexItem(name.data());
}

char kindOf(const TexItem* e) {
    return e->type > KX_TEXITEM_GROUP && e->type < 128 ? static_cast<char>(e->type) : '\0';
}

void setType(KxVar& v, uint32_t type) {
    std::memset(&v, 0, sizeof v);
    v.size = KXVAR_SIZE;
    v.type = type;
}

}  // namespace

int readTextureProperty(PluginProperty& p) {
    TexItem* e = elementOf(p);
    if (e == nullptr) return 0;
    KxVar& v = p.value;
    switch (kindOf(e)) {
        case 'B': case 'I': case 'L': case 'O':
            setType(v, KXVAR_INT);
            v.value.i = e->value.integer;
            return 1;
        case 'D':
            setType(v, KXVAR_DOUBLE);
            v.value.d = e->value.real;
            return 1;
        case 'P':
            setType(v, KXVAR_POINT);
            std::memcpy(v.value.p, e->value.point, sizeof v.value.p);
            return 1;
        case 'C': case 'H': case 'T':
            // The first colour's red, green and blue.
            setType(v, KXVAR_POINT);
            std::memcpy(v.value.p, e->value.colour[0], sizeof v.value.p);
            return 1;
        case 'F': case 'M': case 'S': {
            setType(v, KXVAR_STRING);
            if (e->text) std::memcpy(v.value.s, e->text, strnlen(e->text, KXVAR_TEXT_BYTES - 1));
            return 1;
        }
        default:
            return 0;
    }
}

int writeTextureProperty(const PluginProperty& p) {
    TexItem* e = elementOf(p);
    const KxVar& v = p.value;
    if (e == nullptr || v.size != KXVAR_SIZE) return 0;
    switch (kindOf(e)) {
        case 'B': case 'I': case 'L': case 'O':
            if (v.type != KXVAR_INT) return 0;
            e->value.integer = v.value.i;
            break;
        case 'D':
            if (v.type == KXVAR_DOUBLE) e->value.real = v.value.d;
            else if (v.type == KXVAR_INT) e->value.real = v.value.i;
            else return 0;
            break;
        case 'P':
            if (v.type != KXVAR_POINT) return 0;
            std::memcpy(e->value.point, v.value.p, sizeof e->value.point);
            break;
        case 'C': case 'H': case 'T':
            if (v.type != KXVAR_POINT) return 0;
            std::memcpy(e->value.colour[0], v.value.p, sizeof v.value.p);
            e->value.colour[0][3] = 0.0f;
            break;
        case 'F': case 'M': case 'S': {
            if (e->text == nullptr) return 0;
            const char* text = nullptr;
            size_t limit = 0;
            if (v.type == KXVAR_STRING) {
                text = v.value.s;
                limit = KXVAR_TEXT_BYTES - 1;
            } else if (v.type == KXVAR_POINTER && v.value.ptr != nullptr) {
                text = static_cast<const char*>(v.value.ptr);
                limit = KX_TEXTEXT_SIZE - 1;
            } else {
                return 0;
            }
            const size_t n = strnlen(text, limit);
            std::memmove(e->text, text, n);
            e->text[n] = '\0';
            break;
        }
        default:
            return 0;
    }
    e->set = 1;
    return 1;
}

}  // namespace kx::plugins
