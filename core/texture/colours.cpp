// Named colours, colours encoded as names, giving objects a colour or a
// texture, and the small routines the texture dialogs use.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "kxplatform/c_locale.h"
#include "model/memory.h"
#include "model/text.h"
#include "texture/texture_internal.h"

namespace {

struct NamedColour {
    const char* name;
    unsigned char red, green, blue;
};

// Searched in this order, by name and by value.
constexpr NamedColour kNamedColours[] = {
    {"Red", 255, 0, 0},       {"Green", 0, 255, 0},    {"Blue", 0, 0, 255},
    {"Yellow", 255, 255, 0},  {"Cyan", 0, 255, 255},   {"Magenta", 255, 0, 255},
    {"Black", 0, 0, 0},       {"White", 255, 255, 255}, {"Pink", 189, 146, 148},
    {"Violet", 82, 44, 82},   {"Brown", 165, 40, 41},
};

constexpr char kEncodedPrefix[] = "Rgb.";
constexpr size_t kFieldMax = 17;
constexpr unsigned kTexStringSize = 1024;

// Decimal text to integer: leading blanks, a sign, then the leading digits
// (0 when there are none); saturated instead of overflowing.
long long leadingInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value > LLONG_MAX / 20 ? LLONG_MAX / 20 : value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

// A channel as the colour byte it stands for: read as signed, kept in 0..255.
unsigned clampChannel(unsigned v) {
    int s = static_cast<int>(v);
    return s < 0 ? 0u : s > 255 ? 255u : static_cast<unsigned>(s);
}

}  // namespace

namespace kx::texture {

bool namedColour(const char* name, unsigned char rgb[3]) {
    if (!name) return false;
    for (const NamedColour& c : kNamedColours)
        if (kx::text::equalNoCase(c.name, name)) {
            rgb[0] = c.red;
            rgb[1] = c.green;
            rgb[2] = c.blue;
            return true;
        }
    return false;
}

}  // namespace kx::texture

int GetEncodedRgb(const char* name, unsigned* r, unsigned* g, unsigned* b) {
    if (!name || std::strlen(name) < 6 || std::strncmp(name, kEncodedPrefix, 4) != 0) return 0;
    unsigned red = 0, green = 0, blue = 0;
    std::string field;
    int dots = 0;
    for (const char* p = name + 4; *p; ++p) {
        if (*p == '.') {
            if (dots == 0) red = static_cast<unsigned>(leadingInteger(field));
            else if (dots == 1) green = static_cast<unsigned>(leadingInteger(field));
            ++dots;
            field.clear();
            continue;
        }
        if (field.size() == kFieldMax) break;  // a field this long ends the scan
        field += *p;
    }
    blue = static_cast<unsigned>(leadingInteger(field));
    if (r) *r = red;
    if (g) *g = green;
    if (b) *b = blue;
    return 1;
}

int SetEncodedRgb(CadObject* obj, unsigned r, unsigned g, unsigned b) {
    if (!obj) return 0;
    // Name and packed colour are made from the same bytes, so they agree.
    r = clampChannel(r);
    g = clampChannel(g);
    b = clampChannel(b);
    std::string name;
    for (const NamedColour& c : kNamedColours)
        if (c.red == r && c.green == g && c.blue == b) {
            name = c.name;
            break;
        }
    if (name.empty()) name = kx::platform::formatC("Rgb.%u.%u.%u", r, g, b);
    SetObjectMaterial(obj, name.c_str(), KX_TEXTURE_COLOUR);
    obj->rgb = r | (g << 8) | (b << 16);
    return 1;
}

int SetObjectTextureEx(CadObject* obj, unsigned kind, const char* name) {
    if (!obj) return 0;
    SetObjectMaterial(obj, name, kind);
    obj->rgb = static_cast<uint32_t>(GetTextureColorByName(name));
    obj->flags &= ~KX_FLAG_TINDEX;
    return 1;
}

char* AllocTexMem(unsigned size) {
    char* p = kx::mem::allocZeroed<char>(size ? size : 1);
    if (!p) ErrorMessage("Error out of memory");
    return p;
}

char* AllocTexString() {
    char* p = kx::mem::allocZeroed<char>(kTexStringSize);
    if (!p) ErrorMessage("Out of memory in texture string");
    return p;
}

int FreeTexMem(char* p) {
    kx::mem::release(p);
    return 1;
}

int DoubleToRange(double value) {
    double scaled = std::trunc(value * 10.0);
    if (std::isnan(scaled)) return 0;
    if (scaled >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (scaled <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(scaled);
}

double RangeToDouble(int value) { return value * 0.1; }

char* DoubleToString(double value) {
    std::string& text = kx::core().results.number;
    text = kx::platform::formatC("%g", value);
    return text.data();
}
