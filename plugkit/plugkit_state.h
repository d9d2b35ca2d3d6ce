// The plug-in tools library's state: one aggregate, one accessor.
#pragma once

#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>

#include "plugkit.h"

namespace kx::plugkit {

// One read buffer, belonging to the last file passed; another file discards it.
struct ReadBuffer {
    int file = -1;
    std::array<char, 4096> bytes{};
    size_t used = 0;
    size_t filled = 0;

    void claim(int f) {
        if (f != file) {
            file = f;
            discard();
        }
    }
    void discard() { used = filled = 0; }
    int next() {
        if (used == filled) {
            ssize_t n;
            do {
                n = ::read(file, bytes.data(), bytes.size());
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return -1;
            filled = static_cast<size_t>(n);
            used = 0;
        }
        return static_cast<unsigned char>(bytes[used++]);
    }
};

// The tokenizer's current line and position, restarted for another file.
struct Tokens {
    int file = -1;
    std::string line;
    size_t pos = 0;
    std::string token;
};

// One rotation prepared by InitTransform.
struct Transform {
    double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double t[3] = {0, 0, 0};
};

// What the exports that hand back a pointer into the library point at: each
// stays valid until the next call of the same function.
struct ResultBuffers {
    std::array<char, 4097> line{};     // GetLine
    std::string withExtension;         // AddExt
    std::array<char, 1024> message{};  // ErrorMessage's formatted text
    std::array<char, 32> number{};     // dtoa
    KxVar doubleValue{};               // piReturnKxVarDbl
    KxVar intValue{};                  // piReturnKxVarInt
    KxVar textValue{};                 // piReturnKxVarStr
    KxVar pointValue{};                // piReturnKxVarPnt
    KxVar pointerValue{};              // piReturnKxVarPtr
};

// The program's dispatch function and the ordinal it gave each host call.
// Until piLibInit asks, each call's ordinal is its own index in the table.
struct HostLink {
    HostDispatchFunc dispatch = nullptr;
    std::array<int, KXPLUGIN_HOST_FUNCTION_COUNT> ordinals = [] {
        std::array<int, KXPLUGIN_HOST_FUNCTION_COUNT> own{};
        for (size_t i = 0; i < own.size(); ++i) own[i] = static_cast<int>(i);
        return own;
    }();
};

struct PlugkitState {
    HostLink host;
    ReadBuffer buffer;
    Tokens tokens;
    Transform transform;
    ResultBuffers results;
};

// The single state of the library, initialised on first use. A plug-in is
// called by the program on one thread at a time (its calls into the program
// hold the scene lock), so nothing here is guarded or kept per thread.
PlugkitState& state();

}  // namespace kx::plugkit
