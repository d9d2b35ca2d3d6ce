// The point-list block shared by the native and the legacy scene formats.
#include <algorithm>
#include <vector>

#include "model/release_hook.h"
#include "files/files_internal.h"
#include "files/tokens.h"
#include "kxplatform/c_locale.h"
#include "model/memory.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

void writeNormals(StandardFile* f, const ListEntry* node, unsigned n) {
    for (unsigned k = 0; k < n; ++k) {
        if (node->normals) WritePoint(f, &node->normals[k]);
        else StdPutLine(f, "0 0 0 ");
    }
}

void writeUv(StandardFile* f, const CadObject* obj, unsigned nodeIndex, unsigned n) {
    for (unsigned k = 0; k < n; ++k) {
        size_t entry = static_cast<size_t>(nodeIndex) * 3 + k;
        // Beyond the array, or past the third corner, there is no mapping.
        Point3d uv = (k < 3 && entry < obj->uvCount) ? obj->uv[entry] : Point3d{0, 0, 0};
        WritePoint(f, &uv);
    }
}

void writeNode(StandardFile* f, const CadObject* obj, const char* marker, const Point3d* points,
               const ListEntry* normalsFrom, unsigned nodeIndex, unsigned n) {
    StdPutLine(f, "%s", marker);
    for (unsigned k = 0; k < n; ++k) WritePoint(f, const_cast<Point3d*>(&points[k]));
    if (marker[0] == 'S' || marker[0] == 'U') writeNormals(f, normalsFrom, n);
    if (marker[0] == 'U') writeUv(f, obj, nodeIndex, n);
    StdPutLine(f, "\r\n");
}

using kx::tokens::number;

enum class PointsRead { Complete, Ended, NotFinite };

// Reads n points into out (zero-filled).
PointsRead readPoints(StandardFile* f, Point3d* out, unsigned n) {
    for (unsigned k = 0; k < n; ++k) {
        double v[3] = {0, 0, 0};
        for (double& c : v) {
            if (kx::files::quickNumber(f, c)) continue;
            const char* token = StdGetNextArg(f);
            if (!token) return PointsRead::Ended;
            if (!kx::tokens::finiteNumber(token, c)) return PointsRead::NotFinite;
        }
        out[k] = MakePoint(v[0], v[1], v[2]);
    }
    return PointsRead::Complete;
}

}  // namespace

int WriteCadPoints(StandardFile* f, CadObject* obj) {
    if (!f || !obj || !obj->points) return 0;
    unsigned n = obj->points->count;
    bool fan = n > 3;
    if (fan) {
        // The reader takes at most triangles: bigger polygons go as fans of them.
        LogMessage(1, "Polygons of %s saved as triangles", obj->name);
        n = 3;
    }
    const char* marker = n == 1 ? "P " : n == 2 ? "L " : (obj->uv && obj->uvCount) ? "U " : obj->points->normals ? "S " : "F ";
    StdPutLine(f, "points %s\r\n", obj->name);
    StdPutLine(f, "%d\r\n", static_cast<int>(n));
    unsigned index = 0;
    for (const ListEntry* node = obj->points; node; node = node->next, ++index) {
        if (n == 3 && node->count >= 3) {
            // A node of 4 to 8 corners is written as the fan (0, k, k+1).
            for (unsigned k = 1; k + 1 < node->count; ++k) {
                Point3d tri[3] = {node->points[0], node->points[k], node->points[k + 1]};
                ListEntry normals{};
                Point3d nrm[3];
                if (node->normals) {
                    nrm[0] = node->normals[0];
                    nrm[1] = node->normals[k];
                    nrm[2] = node->normals[k + 1];
                    normals.normals = nrm;
                }
                writeNode(f, obj, fan ? "F " : marker, tri, &normals, index, 3);
            }
        } else if (node->count == n) {
            writeNode(f, obj, marker, node->points, node, index, n);
        } else {
            LogMessage(1, "A node of %u points in %s not saved", node->count, obj->name);
        }
    }
    StdPutLine(f, "end\r\n");
    return 1;
}

int ReadCadPoints(StandardFile* f, const char* keyword, CadObject* obj) {
    if (!f) return 0;
    if (!keyword && !StdGetNextArg(f)) {
        ErrorMessage("Error file truncated");
        return 0;
    }
    const char* countToken = StdGetNextArg(f);
    if (!countToken) {
        ErrorMessage("Error file truncated");
        return 0;
    }
    double nValue = number(countToken);
    if (nValue > 3) {
        ErrorMessage("Error: Unable to Load Polygons Greater than 3 Points");
        return 0;
    }
    if (!(nValue >= 1)) {
        ErrorMessage("Error unexpected scene data in %s", keyword ? keyword : "points");
        return 0;
    }
    unsigned n = static_cast<unsigned>(nValue);
    if (!obj) {
        const char* base = n == 1 ? "_points" : n == 2 ? "_lines" : "_facets";
        unsigned type = n == 1 ? KX_POINTS : n == 2 ? KX_LINESEG : KX_POLYGON;
        obj = AddCadAtom(CreateDefaultInfo(), base, type);
        if (!obj) return 0;
    }
    kx::model::notifyPointsReleased(obj);
    DeleteObjectPolygons(obj);
    ClearEntry(obj->points);
    obj->points = nullptr;
    obj->count = 0;
    obj->boundValid = 0;
    std::vector<Point3d> uv;
    bool anyUv = false;
    ListEntry* tail = nullptr;
    for (;;) {
        const char* marker = StdGetNextArg(f);
        if (!marker || kx::text::equalNoCase(marker, "end")) break;
        char kind = marker[0] == 'S' || marker[0] == 'U' ? marker[0] : 'P';
        if (marker[1] != '\0') kind = 'P';
        Point3d points[3] = {}, normals[3] = {}, mapping[3] = {};
        PointsRead read = readPoints(f, points, n);
        if (read == PointsRead::Complete && kind != 'P') read = readPoints(f, normals, n);
        if (read == PointsRead::Complete && kind == 'U') read = readPoints(f, mapping, n);
        // A point that is no number damages the whole list: nothing of it is kept.
        if (read == PointsRead::NotFinite) {
            kx::model::notifyPointsReleased(obj);
            ClearEntry(obj->points);
            obj->points = nullptr;
            obj->count = 0;
            return 0;
        }
        const bool complete = read == PointsRead::Complete;
        ListEntry* node = AddEntryEx(n, tail, points, kind != 'P' ? normals : nullptr);
        if (!node) break;
        if (!obj->points) obj->points = node;
        tail = node;
        // Mapping is kept only once a node has some: a mesh without it does
        // not carry a second copy of its size in zeros.
        if (kind == 'U' && !anyUv) uv.assign(size_t{obj->count} * 3, Point3d{});
        anyUv = anyUv || kind == 'U';
        if (anyUv) uv.insert(uv.end(), mapping, mapping + 3);
        ++obj->count;
        if (!complete) break;
    }
    if (anyUv) {
        if (!AllocCadObjectUV(obj, static_cast<unsigned>(uv.size()))) {
            ErrorMessage("Error allocating texture map list");
            return 0;
        }
        std::copy(uv.begin(), uv.end(), obj->uv);
    }
    if (obj->points && n == 3) {
        obj->polygons = CopyListToPolygons(obj->points, obj->count);
        obj->polygonCount = obj->polygons ? obj->count : 0;
        CalcObjectBounds(obj);
    }
    return 1;
}
