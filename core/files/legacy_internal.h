// What the statement reader and the value and fields sections share; not exported.
#pragma once

#include <string>

#include "files/formats_internal.h"
#include "model/memory.h"

namespace kx::files::legacy {

// Statement ids of the object keywords that matter beyond creation.
enum : int {
    kNoObject = 0,
    kHeightfield = 8,
    kLight = 11,
    kCamera = 12,
    kText = 13,
    kPatch = 14,
    kGroup = 15,
    kEllipsoid = 16,
    kPointsPlaceholder = 30,  // names the object a "points" statement read
};

// The object being described by the statements read since its keyword.
struct Pending {
    int statement = kNoObject;  // the keyword's statement id
    CadObjectInfo info{};       // its extra block is owned here until created
    std::string name;
    std::string material = "None";
    unsigned materialKind = 0;
    unsigned groupId = 0;
    CadObject* target = nullptr;  // the object of a "points" statement

    Pending() { reset(kNoObject); }
    ~Pending() { kx::mem::release(info.extra); }
    Pending(const Pending&) = delete;
    Pending& operator=(const Pending&) = delete;

    void reset(int kind) {
        kx::mem::release(info.extra);
        info = CadObjectInfo{};
        info.flags = KX_FLAG_VISIBLE;
        info.scale = Point3d{1, 1, 1};
        statement = kind;
        name.clear();
        material = "None";
        materialKind = 0;
        groupId = 0;
        target = nullptr;
    }
};

// The value type of a type word ("string" ... "pointsarray", any case); 0 when none.
unsigned valueTypeOfWord(const char* word);

// The "info" statement and "begin info": a value block whose type word has
// been read. The "string" statement: the principal field from one text.
// The "begin fields" section. Each reports its own failure and returns false.
bool readValueBlock(StandardFile* f, Pending& p, const char* typeWord);
bool readPrincipalText(Pending& p, const char* text);
bool readFieldsSection(StandardFile* f, Pending& p);

// A token as a whole number in the 32-bit signed range (NaN and junk give 0).
long long wholeNumber(const char* token);

}  // namespace kx::files::legacy
