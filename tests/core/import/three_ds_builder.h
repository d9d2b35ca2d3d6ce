// Builds 3D Studio files chunk by chunk for the tests: little-endian values
// and chunks whose length is computed (or given, to lie).
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

namespace kxtest::tds {

inline std::string u16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
inline std::string u32(uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); }
inline std::string f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u32(bits);
}
inline std::string floats(std::initializer_list<float> values) {
    std::string out;
    for (float v : values) out += f32(v);
    return out;
}
inline std::string cstr(const std::string& s) { return s + std::string(1, '\0'); }

// A chunk whose length counts its head and body.
inline std::string chunk(unsigned id, const std::string& body) {
    return u16(id) + u32(static_cast<uint32_t>(body.size() + 6)) + body;
}
// A chunk with a length of the caller's choosing.
inline std::string chunkWithLength(unsigned id, uint32_t length, const std::string& body) {
    return u16(id) + u32(length) + body;
}
inline std::string chunks(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) out += p;
    return out;
}

inline std::string file(const std::string& editor) { return chunk(0x4D4D, chunk(0x0002, u32(3)) + chunk(0x3D3D, editor)); }

inline std::string vertices(std::initializer_list<float> xyz) {
    return chunk(0x4110, u16(static_cast<unsigned>(xyz.size() / 3)) + floats(xyz));
}
// Faces (three indices each, flag word 0), then sub-chunks.
inline std::string faces(std::initializer_list<unsigned> abc, const std::string& subs = "") {
    std::string body = u16(static_cast<unsigned>(abc.size() / 3));
    unsigned k = 0;
    for (unsigned i : abc) {
        body += u16(i);
        if (++k % 3 == 0) body += u16(0);
    }
    return chunk(0x4120, body + subs);
}
inline std::string materialGroup(const std::string& name, std::initializer_list<unsigned> faceNumbers) {
    std::string body = cstr(name) + u16(static_cast<unsigned>(faceNumbers.size()));
    for (unsigned f : faceNumbers) body += u16(f);
    return chunk(0x4130, body);
}
inline std::string object(const std::string& name, const std::string& subs) { return chunk(0x4000, cstr(name) + subs); }
inline std::string mesh(const std::string& subs) { return chunk(0x4100, subs); }
inline std::string rgbFloats(float r, float g, float b) { return chunk(0x0010, floats({r, g, b})); }
inline std::string rgbBytes(unsigned r, unsigned g, unsigned b) {
    return chunk(0x0011, std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)});
}
inline std::string material(const std::string& name, const std::string& diffuse, const std::string& more = "") {
    return chunk(0xAFFF, chunk(0xA000, cstr(name)) + chunk(0xA020, diffuse) + more);
}

}  // namespace kxtest::tds
