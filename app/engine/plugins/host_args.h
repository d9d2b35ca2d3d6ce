// Reading a plug-in's arguments safely: an argument past the count, past the
// twelve of the array, in a null array or with a size other than 88 reads as
// zero; inline texts never run past their 72 bytes; pointers are handed on as
// they are (null makes the host function fail).
#pragma once

#include <array>
#include <cstring>
#include <string>

#include "kxplugin.h"

namespace kx::plugins {

class HostArgs {
public:
    HostArgs(int argc, KxVar* args) : argc_(args == nullptr ? 0 : argc), args_(args) {}

    const KxVar* at(int k) const {
        if (k < 0 || k >= argc_ || k >= KXVAR_ARGS) return nullptr;
        const KxVar& v = args_[k];
        return v.size == KXVAR_SIZE ? &v : nullptr;
    }
    // An int; in a pointer slot its low word.
    int integer(int k) const {
        const KxVar* v = at(k);
        return v ? v->value.i : 0;
    }
    double number(int k) const {
        const KxVar* v = at(k);
        if (!v) return 0.0;
        return v->type == KXVAR_INT ? static_cast<double>(v->value.i) : v->value.d;
    }
    // Inline text (cut to 71 characters when unterminated), or the text a
    // type-6 argument points at; null for anything else.
    const char* text(int k) {
        const KxVar* v = at(k);
        if (!v) return nullptr;
        if (v->type == KXVAR_POINTER) return static_cast<const char*>(v->value.ptr);
        if (v->type != KXVAR_STRING) return nullptr;
        texts_[k].assign(v->value.s, strnlen(v->value.s, KXVAR_TEXT_BYTES - 1));
        return texts_[k].c_str();
    }
    // The 72-byte value area of a type-5 argument, where the host writes a text back.
    char* outText(int k) const {
        const KxVar* v = at(k);
        return v && v->type == KXVAR_STRING ? const_cast<char*>(v->value.s) : nullptr;
    }
    void* pointer(int k) const {
        const KxVar* v = at(k);
        return v && (v->type == KXVAR_POINTER || v->type == KXVAR_POINT) ? v->value.ptr : nullptr;
    }
    float* point(int k) const { return static_cast<float*>(pointer(k)); }

private:
    int argc_;
    KxVar* args_;
    std::array<std::string, KXVAR_ARGS> texts_;
};

}  // namespace kx::plugins
