// Colour names that only this scene knows: imported material names stand in
// the text as colour identifiers, so each gets a value unless the renderer's
// colour file or the user's includes already give it one.
#include <cctype>
#include <string>
#include <unordered_set>

#include "export/export_internal.h"
#include "texture/texture_internal.h"

namespace {

// The named colours are written as the renderer's colour file spells them:
// a capital and small letters.
bool renderersOwnColour(const char* name) {
    unsigned char rgb[3];
    if (!kx::texture::namedColour(name, rgb)) return false;
    if (!std::isupper(static_cast<unsigned char>(name[0]))) return false;
    for (const char* p = name + 1; *p; ++p)
        if (!std::islower(static_cast<unsigned char>(*p))) return false;
    return true;
}

}  // namespace

namespace kx::exporter {

void writeColourDeclarations(StandardFile* f) {
    std::unordered_set<std::string> written;
    for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) {
        // A renderer's own word gets its colour written where it is used.
        if ((o->materialType & 3) != 1 || !isPlainIdentifier(o->material) || isPovReservedWord(o->material)) continue;
        unsigned r, g, b;
        if (GetEncodedRgb(o->material, &r, &g, &b) || renderersOwnColour(o->material)) continue;
        if (!written.insert(o->material).second) continue;  // the first object's colour counts
        const unsigned c = o->rgb;
        StdPutLine(f, "#ifndef (%s) #declare %s = color rgb < %g, %g, %g >; #end\n", o->material, o->material,
                   (c & 0xFF) * (1.0 / 255), ((c >> 8) & 0xFF) * (1.0 / 255), ((c >> 16) & 0xFF) * (1.0 / 255));
    }
}

}  // namespace kx::exporter
