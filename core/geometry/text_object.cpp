// The text object's mesh: extruded glyph outlines of its TextString.
#include "kxcore.h"

int CreateTextEx(CadObject* obj) {
    // Glyph outlines are not turned into facets yet: a text object has no
    // mesh, and an existing one is left as it is.
    (void)obj;
    return 0;
}
