// Packing of one host call: the argument kinds of the host function table and
// how each becomes a KxVar. Shared by the exports and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kxplugin.h"

namespace kx::plugkit {

enum class Kind { S, O, I, W, D, P, Q };

// The kinds as the table spells them.
inline constexpr Kind S = Kind::S;
inline constexpr Kind O = Kind::O;
inline constexpr Kind I = Kind::I;
inline constexpr Kind W = Kind::W;
inline constexpr Kind D = Kind::D;
inline constexpr Kind P = Kind::P;
inline constexpr Kind Q = Kind::Q;

inline void setHeader(KxVar& v, uint32_t type) noexcept {
    v.size = KXVAR_SIZE;
    v.type = type;
}

// A text of up to 71 characters travels inline; a longer one (or null) as a
// pointer to the caller's text, so that no path or command is ever cut.
inline void packText(KxVar& v, const char* text) noexcept {
    if (text != nullptr) {
        const size_t n = strnlen(text, KXVAR_TEXT_BYTES);
        if (n < KXVAR_TEXT_BYTES) {
            setHeader(v, KXVAR_STRING);
            std::memcpy(v.value.s, text, n + 1);
            return;
        }
    }
    setHeader(v, KXVAR_POINTER);
    v.value.ptr = const_cast<char*>(text);
}

inline void pack(KxVar& v, Kind kind, const char* text) noexcept {
    if (kind == Kind::O) {
        // The caller's buffer may hold anything; the host only writes into it.
        setHeader(v, KXVAR_STRING);
        return;
    }
    packText(v, text);
}
inline void pack(KxVar& v, Kind kind, char* text) noexcept {
    pack(v, kind, static_cast<const char*>(text));
}
inline void pack(KxVar& v, Kind kind, int i) noexcept {
    if (kind == Kind::W) {
        setHeader(v, KXVAR_POINTER);
        v.value.ptr = reinterpret_cast<void*>(static_cast<intptr_t>(i));
        return;
    }
    setHeader(v, KXVAR_INT);
    v.value.i = i;
}
inline void pack(KxVar& v, Kind, double d) noexcept {
    setHeader(v, KXVAR_DOUBLE);
    v.value.d = d;
}
inline void pack(KxVar& v, Kind kind, const float* p) noexcept {
    setHeader(v, kind == Kind::Q ? KXVAR_POINT : KXVAR_POINTER);
    v.value.ptr = const_cast<float*>(p);
}
inline void pack(KxVar& v, Kind kind, float* p) noexcept {
    pack(v, kind, static_cast<const float*>(p));
}
inline void pack(KxVar& v, Kind, const void* p) noexcept {
    setHeader(v, KXVAR_POINTER);
    v.value.ptr = const_cast<void*>(p);
}
inline void pack(KxVar& v, Kind, void* p) noexcept {
    setHeader(v, KXVAR_POINTER);
    v.value.ptr = p;
}
inline void pack(KxVar& v, Kind, int* p) noexcept {
    setHeader(v, KXVAR_POINTER);
    v.value.ptr = p;
}
inline void pack(KxVar& v, Kind, KxVar* p) noexcept {
    setHeader(v, KXVAR_POINTER);
    v.value.ptr = p;
}

// Copies a text the host wrote into an argument back to the caller: at most
// the 72-byte value area, always terminated.
inline void copyBack(const KxVar& v, char* out) noexcept {
    if (out == nullptr) return;
    const size_t n = strnlen(v.value.s, KXVAR_TEXT_BYTES - 1);
    std::memcpy(out, v.value.s, n);
    out[n] = '\0';
}

// Dispatches host function `index` (0-based in the table) with its packed
// arguments; 0 when no host is known yet.
int dispatchByIndex(int index, int argc, KxVar* args) noexcept;

}  // namespace kx::plugkit
