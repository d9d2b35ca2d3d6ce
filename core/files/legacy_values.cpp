// Typed values of the statement form: value blocks ("info"), the principal
// field from one text ("string"), and the fields section ("begin fields"),
// read and written with one table of value-type words.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/legacy_internal.h"
#include "files/tokens.h"
#include "kxplatform/c_locale.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

using kx::files::legacy::Pending;

constexpr LookUp kValueTypeWords[] = {
    {KX_VALUE_UNKNOWN, "unknown"},
    {KX_VALUE_STRING, "string"},
    {KX_VALUE_FLOAT, "float"},
    {KX_VALUE_INTEGER, "integer"},
    {KX_VALUE_POINT, "points"},
    {KX_VALUE_FLOATARRAY, "floatarray"},
    {KX_VALUE_INTEGERARRAY, "integerarray"},
    {KX_VALUE_POINTSARRAY, "pointsarray"},
    {KX_LOOKUP_END, nullptr},
};

// Numbers a light's values text may hold.
constexpr size_t kLightTextNumbers = 64;

bool isEnd(const char* token) { return token && kx::text::equalNoCase(token, "end"); }

using kx::tokens::number;

long long whole(double v) { return kx::tokens::clampInt32(v); }

bool endOfFile() { return kx::tokens::reportEndOfFile() != 0; }

// The field a value block or a "string" statement fills for each kind of object.
struct Principal {
    unsigned id;
    unsigned type;
};

Principal principalOf(int statement) {
    using namespace kx::files::legacy;
    switch (statement) {
        case kHeightfield: return {KX_PROP_HEIGHTFIELDFILE, KX_VALUE_STRING};
        case kLight: return {KX_PROP_LIGHTVALUES, KX_VALUE_FLOATARRAY};
        case kText: return {KX_PROP_TEXTSTRING, KX_VALUE_STRING};
        case kPatch: return {KX_PROP_PATCHDATA, KX_VALUE_POINTSARRAY};
        default: return {KX_PROP_SIZE, KX_VALUE_STRING};
    }
}

// What a block or a field collected, stored under one id and type.
struct Values {
    std::string text;
    std::vector<double> numbers;
    std::vector<Point3d> points;
};

bool store(Pending& p, unsigned id, unsigned type, const Values& v) {
    switch (type) {
        case KX_VALUE_STRING: return SetObjectExtraInfo(&p.info, type, id, 1, v.text.c_str()) != 0;
        case KX_VALUE_FLOAT:
        case KX_VALUE_FLOATARRAY:
            if (v.numbers.empty()) return true;
            return SetObjectExtraInfo(&p.info, type, id, static_cast<unsigned>(v.numbers.size()),
                                      v.numbers.data()) != 0;
        case KX_VALUE_INTEGER:
        case KX_VALUE_INTEGERARRAY: {
            if (v.numbers.empty()) return true;
            std::vector<int32_t> ints;
            for (double d : v.numbers) ints.push_back(static_cast<int32_t>(whole(d)));
            return SetObjectExtraInfo(&p.info, type, id, static_cast<unsigned>(ints.size()), ints.data()) != 0;
        }
        case KX_VALUE_POINT:
        case KX_VALUE_POINTSARRAY:
            if (v.points.empty()) return true;
            return SetObjectExtraInfo(&p.info, type, id, static_cast<unsigned>(v.points.size()),
                                      v.points.data()) != 0;
        default: return false;
    }
}

// Three numbers; false (reported) when the file ends first.
bool readPoint(StandardFile* f, Point3d* out) {
    double c[3];
    for (double& v : c) {
        const char* token = StdGetNextArg(f);
        if (!token) return endOfFile();
        v = number(token);
    }
    *out = MakePoint(c[0], c[1], c[2]);
    return true;
}

// A damaged section is read over to its "end", so that the statements after
// it are read as statements.
bool damaged(StandardFile* f) {
    kx::tokens::skipRecordToEnd(f);
    return false;
}

// One field of the fields section whose name has been read; stores it.
bool readField(StandardFile* f, Pending& p, unsigned id) {
    const char* token = StdGetNextArg(f);
    if (!token) return endOfFile();
    if (isEnd(token)) return false;
    unsigned type = kx::files::legacy::valueTypeOfWord(token);
    if (type == KX_VALUE_UNKNOWN) return damaged(f);
    Values v;
    token = StdGetNextArg(f);
    if (!token) return endOfFile();
    if (type == KX_VALUE_STRING) {
        v.text = token;
        return store(p, id, type, v) || damaged(f);
    }
    long long count = kx::files::legacy::wholeNumber(token);
    if (count < 0 || count > kx::model::extraRoom(type)) return damaged(f);
    for (long long k = 0; k < count; ++k) {
        const char* marker = StdGetNextArg(f);
        if (!marker) return endOfFile();
        if (isEnd(marker)) return false;
        if (std::strcmp(marker, "D") != 0 && std::strcmp(marker, "I") != 0 && std::strcmp(marker, "P") != 0)
            return damaged(f);
        if (type == KX_VALUE_POINT || type == KX_VALUE_POINTSARRAY) {
            Point3d pt;
            if (!readPoint(f, &pt)) return false;
            v.points.push_back(pt);
            continue;
        }
        const char* value = StdGetNextArg(f);
        if (!value) return endOfFile();
        v.numbers.push_back(number(value));
    }
    return store(p, id, type, v) || damaged(f);
}

}  // namespace

namespace kx::files::legacy {

unsigned valueTypeOfWord(const char* word) { return GetLookUpId(word, kValueTypeWords); }

long long wholeNumber(const char* token) { return token ? whole(number(token)) : 0; }


bool readValueBlock(StandardFile* f, Pending& p, const char* typeWord) {
    const unsigned type = valueTypeOfWord(typeWord);
    if (type == KX_VALUE_UNKNOWN) return damaged(f);
    const char* token = StdGetNextArg(f);
    if (!token) return endOfFile();
    long long count = wholeNumber(token);
    if (count < 0) return damaged(f);
    const size_t limit = std::min<size_t>(static_cast<size_t>(count), kx::model::extraRoom(type));
    Values v;
    for (;;) {
        token = StdGetNextArg(f);
        if (!token) return endOfFile();
        if (isEnd(token)) break;
        if (std::strcmp(token, "S") == 0) {
            const char* text = StdGetNextArg(f);
            if (!text) return endOfFile();
            v.text = text;
        } else if (std::strcmp(token, "D") == 0) {
            const char* value = StdGetNextArg(f);
            if (!value) return endOfFile();
            if (v.numbers.size() < limit) v.numbers.push_back(number(value));
        } else if (std::strcmp(token, "P") == 0) {
            Point3d pt;
            if (!readPoint(f, &pt)) return false;
            if (v.points.size() < limit) v.points.push_back(pt);
        }
        // Any other item is no value: it is passed over.
    }
    return store(p, principalOf(p.statement).id, type, v);
}

bool readPrincipalText(Pending& p, const char* text) {
    const Principal principal = principalOf(p.statement);
    Values v;
    if (principal.type == KX_VALUE_STRING) {
        v.text = text ? text : "";
        return store(p, principal.id, principal.type, v);
    }
    if (principal.type != KX_VALUE_FLOATARRAY) return false;
    // The light's values: numbers separated by blanks, ":" or "|".
    std::string all = text ? text : "";
    std::replace_if(all.begin(), all.end(), [](char c) { return c == ':' || c == '|' || c == '\t'; }, ' ');
    size_t pos = 0;
    while (v.numbers.size() < kLightTextNumbers) {
        pos = all.find_first_not_of(' ', pos);
        if (pos == std::string::npos) break;
        size_t end = all.find(' ', pos);
        v.numbers.push_back(number(all.substr(pos, end - pos).c_str()));
        pos = end;
    }
    return store(p, principal.id, principal.type, v);
}

bool readFieldsSection(StandardFile* f, Pending& p) {
    for (;;) {
        const char* token = StdGetNextArg(f);
        if (!token) return endOfFile();
        if (isEnd(token)) return true;
        if (token[0] >= '0' && token[0] <= '9') {
            // An old layout kept the text of text objects under a number.
            Values v;
            const char* value = StdGetNextArg(f);
            if (!value) return endOfFile();
            v.text = value;
            if (!store(p, KX_PROP_TEXTSTRING, KX_VALUE_STRING, v)) return damaged(f);
            continue;
        }
        unsigned id = kx::text::equalNoCase(token, "packedstring")
                          ? static_cast<unsigned>(KX_PROP_TEXTSTRING)
                          : static_cast<unsigned>(GetObjectPropertyTypeId(token));
        if (id == 0) continue;  // not a property: the next token is taken as a name
        if (!readField(f, p, id)) return false;
    }
}

}  // namespace kx::files::legacy

int WriteExtraInfo(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    if (!obj->extra || obj->extra->count == 0) return 1;
    StdPutLine(f, "begin fields\n");
    const ExtraField* fields = ExtraBlockFields(obj->extra);
    for (uint32_t k = 0; k < obj->extra->count && fields[k].id != 0; ++k) {
        const ExtraField& field = fields[k];
        const char* name = GetObjectPropertyTypeName(static_cast<int>(field.id));
        const char* word = GetLookUpLabel(field.type, kValueTypeWords);
        // A value the reader could not give back (no name, no type, no values)
        // stays out of the file rather than breaking the section.
        const unsigned n = std::min(field.count, kx::model::extraRoom(field.type));
        if (!name || !word || field.type == KX_VALUE_UNKNOWN || (field.type != KX_VALUE_STRING && n == 0)) {
            LogMessage(1, "Extra field %u of %s not saved", field.id, obj->name);
            continue;
        }
        StdPutLine(f, "%s %s ", name, word);
        const auto* bytes = field.value;
        switch (field.type) {
            case KX_VALUE_STRING: {
                std::string text(reinterpret_cast<const char*>(bytes),
                                 strnlen(reinterpret_cast<const char*>(bytes), KX_EXTRA_TEXT_MAX));
                StdPutLine(f, "%s\n", SetArgStringQuote(text.c_str()));
                break;
            }
            case KX_VALUE_FLOAT:
            case KX_VALUE_FLOATARRAY:
                StdPutLine(f, "%d\n", static_cast<int>(n));
                for (unsigned i = 0; i < n; ++i)
                    StdPutLine(f, "D %g\n", reinterpret_cast<const double*>(bytes)[i]);
                break;
            case KX_VALUE_INTEGER:
            case KX_VALUE_INTEGERARRAY:
                StdPutLine(f, "%d\n", static_cast<int>(n));
                for (unsigned i = 0; i < n; ++i)
                    StdPutLine(f, "I %g\n", static_cast<double>(reinterpret_cast<const int32_t*>(bytes)[i]));
                break;
            default: {
                StdPutLine(f, "%d\n", static_cast<int>(n));
                const auto* pts = reinterpret_cast<const Point3d*>(bytes);
                for (unsigned i = 0; i < n; ++i) {
                    StdPutLine(f, "P ");
                    WritePoint(f, const_cast<Point3d*>(&pts[i]));
                    StdPutLine(f, "\n");
                }
                break;
            }
        }
    }
    StdPutLine(f, "end\n");
    return 1;
}
