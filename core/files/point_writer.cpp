// The point writer of the exporters: one line (or block) per vertex in the
// syntax of the format.
#include <string>

#include "files/formats_internal.h"

int WritePointsEx(StandardFile* f, int format, double x, double y, double z) {
    if (!f) return 0;
    switch (format) {
        case KX_FILETYPE_RAW:
            if (GetExportComma()) StdPutLine(f, "%g,%g,%g\r\n", x, y, z);
            else StdPutLine(f, "%g %g %g\r\n", x, y, z);
            return 1;
        case 7: StdPutLine(f, "%s\r\n", ParseObjTemplate(x, y, z)); return 1;
        case 8: StdPutLine(f, "\"SPH .5 0.0 0.0 0.0 %g %g %g 1 1 1\"\r\n", x, y, z); return 1;
        case KX_FILETYPE_3D: StdPutLine(f, "Point %g %g %g\r\n", x, y, z); return 1;
        case KX_FILETYPE_POVRAY2:
        case KX_FILETYPE_POVRAY3: StdPutLine(f, "sphere { <%g, %g, %g> 2.0 pigment {color RichBlue } }\n", x, y, z); return 1;
        case KX_FILETYPE_QRT:
            StdPutLine(f, "    SPHERE ( loc      = (%g, %g, %g),\r\n", x, y, z);
            StdPutLine(f,
                       "             radius   = 2,\r\n"
                       "             diff     = (.3, .3, .8),\r\n"
                       "             amb      = (.32, .32, .32),\r\n"
                       "             reflect  = .60\r\n"
                       "             sreflect = 20\r\n"
                       "             pattern = CHECK_BLUE,\r\n"
                       "             xmult   = 1.0,\r\n"
                       "             ymult   = 1.0\r\n"
                       "           )\r\n");
            return 1;
        case KX_FILETYPE_DXF: return 0;  // DXF points are written as one polyline per object
        default: return 1;
    }
}

int WritePointsAs(CadObject* obj, StandardFile* f, int format) {
    if (!obj || !f) return 0;
    if (GetExportSelected() && !IsSelected(obj)) return 1;
    if (!obj->points) {
        ErrorMessage("Error unable to save zero points");
        return 0;
    }
    if (format == KX_FILETYPE_DXF) {
        const auto writer = kx::files::exportHooks().writeDxfPoints;
        return writer ? writer(obj, f) : 0;
    }
    for (const ListEntry* node = obj->points; node; node = node->next)
        for (uint32_t k = 0; k < node->count; ++k)
            WritePointsEx(f, format, node->points[k].x, node->points[k].y, node->points[k].z);
    return 1;
}
