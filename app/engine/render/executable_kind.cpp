#include "render/executable_kind.h"

#include "kxplatform/process.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "kxcore.h"

namespace kx::app {
namespace {

constexpr unsigned kConsole = 3;

uint16_t word(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t dword(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads exactly n bytes; shows the specified message otherwise.
bool readExactly(std::ifstream& in, unsigned char* buffer, std::streamsize n) {
    in.read(reinterpret_cast<char*>(buffer), n);
    if (in.bad()) {
        ErrorMessage("ReadFile failed, error %lu.", static_cast<unsigned long>(errno));
        return false;
    }
    if (in.gcount() != n) {
        ErrorMessage("Read the wrong number of bytes, expected %lu, got %lu.", static_cast<unsigned long>(n),
                     static_cast<unsigned long>(in.gcount()));
        return false;
    }
    return true;
}

}  // namespace

unsigned executableSubsystem(const std::string& path) {
    std::string file = kx::platform::findProgram(path);
    std::ifstream in(file.empty() ? path : file, std::ios::binary);
    if (!in) {
        ErrorMessage("Could not open %s, error %lu", path.c_str(), static_cast<unsigned long>(errno ? errno : ENOENT));
        return 0;
    }
    unsigned char dos[64] = {};
    in.read(reinterpret_cast<char*>(dos), sizeof dos);
    std::streamsize got = in.gcount();
    if (got >= 4 && dos[0] == 0x7F && dos[1] == 'E' && dos[2] == 'L' && dos[3] == 'F') return kConsole;
    if (got >= 2 && dos[0] == '#' && dos[1] == '!') return kConsole;
    if (got != static_cast<std::streamsize>(sizeof dos)) {
        if (in.bad()) ErrorMessage("ReadFile failed, error %lu.", static_cast<unsigned long>(errno));
        else ErrorMessage("Read the wrong number of bytes, expected %lu, got %lu.", 64UL, static_cast<unsigned long>(got));
        return 0;
    }
    if (word(dos) != 0x5A4D) {
        ErrorMessage("Sorry, I do not understand this file.");
        return 0;
    }
    in.clear();
    in.seekg(dword(dos + 60), std::ios::beg);
    if (!in) {
        ErrorMessage("SetFilePointer failed, error %lu.", static_cast<unsigned long>(errno));
        return 0;
    }
    unsigned char signature[4];
    if (!readExactly(in, signature, 4)) return 0;
    if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0) {
        ErrorMessage("Missing NT signature. Unknown file type.");
        return 0;
    }
    unsigned char fileHeader[20];
    unsigned char optional[224];
    if (!readExactly(in, fileHeader, sizeof fileHeader) || !readExactly(in, optional, sizeof optional)) return 0;
    return word(optional + 68);
}

}  // namespace kx::app
