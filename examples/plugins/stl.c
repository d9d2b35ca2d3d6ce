/* "STL": a SAVE item that writes the scene's meshes as ASCII STL, and a LOAD
   item that reads such a file back as one mesh. Numbers are written and read
   with a '.' whatever the program's locale says. */
#define _POSIX_C_SOURCE 200809L

#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "plugkit.h"

#define EXPORT __attribute__((visibility("default")))

static const char kFilter[] = "STL files (*.stl)|*.stl|";

static int answerFilter(PluginCallRecord* rec) {
    rec->kind = 1;
    rec->length = sizeof kFilter - 1;
    rec->data = (void*)kFilter;
    return 1;
}

/* "%g" with a '.' as the decimal point. */
static const char* numberText(double v, char* buf, size_t size) {
    snprintf(buf, size, "%.7g", v);
    for (char* p = buf; *p; ++p)
        if (*p == ',') *p = '.';
    return buf;
}

static int writeFacet(FILE* f, const float* a, const float* b, const float* c) {
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double len = sqrt(nx * nx + ny * ny + nz * nz);
    if (len > 0) {
        nx /= len;
        ny /= len;
        nz /= len;
    }
    char x[32], y[32], z[32];
    fprintf(f, "  facet normal %s %s %s\n    outer loop\n", numberText(nx, x, sizeof x),
            numberText(ny, y, sizeof y), numberText(nz, z, sizeof z));
    const float* corners[3] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        fprintf(f, "      vertex %s %s %s\n", numberText(corners[i][0], x, sizeof x),
                numberText(corners[i][1], y, sizeof y), numberText(corners[i][2], z, sizeof z));
    return fprintf(f, "    endloop\n  endfacet\n") > 0;
}

/* Every node of the object's point list as a fan of triangles; the count of
   points in a node is what GetGeometry filled of a buffer of not-a-numbers. */
static int writeObject(FILE* f, int h, int* facets) {
    float pts[8 * 3 * 2];
    int flags = 1;
    for (;;) {
        for (size_t i = 0; i < sizeof pts / sizeof pts[0]; ++i) pts[i] = NAN;
        if (!piGetGeometry(h, flags, pts)) return 1;
        flags = 0;
        int n = 0;
        while (n < 8 && !isnan(pts[n * 3])) ++n;
        for (int k = 2; k < n; ++k) {
            if (!writeFacet(f, pts, pts + 3 * (k - 1), pts + 3 * k)) return 0;
            ++*facets;
        }
    }
}

static int saveStl(const char* path) {
    if (path == NULL) return 0;
    FILE* f = fopen(path, "w");
    if (f == NULL) {
        ErrorMessage("Unable to create %s: %s", path, strerror(errno));
        return 0;
    }
    int ok = fprintf(f, "solid kalvex\n") > 0;
    int error = ok ? 0 : errno;
    int facets = 0;
    for (int h = piGetObject(-1, 1); ok && h != -1; h = piGetObject(h, 0))
        if (piGetObjectType(h) == 10) ok = writeObject(f, h, &facets);
    ok = ok && fprintf(f, "endsolid kalvex\n") > 0;
    if (!ok && error == 0) error = errno;
    /* A full disk often shows only when the last buffer is written out. */
    if (fclose(f) != 0) {
        if (error == 0) error = errno;
        ok = 0;
    }
    if (!ok) ErrorMessage("Error writing %s: %s", path, strerror(error ? error : EIO));
    return ok;
}

EXPORT int stlSave(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (rec == NULL || rec->size != PLUGIN_RECORD_SIZE) return 0;
    if (reason == 8) return answerFilter(rec);
    if (reason == 2) return saveStl((const char*)rec->data);
    return 0;
}

/* A finite number in either decimal-point convention. */
static int readNumber(const char* text, float* out) {
    if (text == NULL) return 0;
    char buf[64];
    const size_t n = strlen(text);
    if (n == 0 || n >= sizeof buf) return 0;
    memcpy(buf, text, n + 1);
    const char point = localeconv()->decimal_point[0];
    for (char* p = buf; *p; ++p)
        if (*p == '.') *p = point;
    char* end = NULL;
    const double v = strtod(buf, &end);
    if (end == buf || *end != '\0' || !isfinite(v) || fabs(v) > 3.0e38) return 0;
    *out = (float)v;
    return 1;
}

static const char* baseName(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

static int loadStl(const char* path) {
    if (path == NULL) return 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ErrorMessage("Unable to open %s", path);
        return 0;
    }
    GetNextArg(-1); /* forget tokens of an earlier file that had this descriptor */
    const char* first = GetNextArg(fd);
    if (first == NULL || strcmp(first, "solid") != 0) {
        close(fd);
        ErrorMessage("%s is not an ASCII STL file", path);
        return 0;
    }
    char name[32];
    snprintf(name, sizeof name, "%s", baseName(path));
    char* dot = strrchr(name, '.');
    if (dot != NULL && dot != name) *dot = '\0';
    const int h = piCreateObject(name, 10);
    if (h < 0) {
        close(fd);
        return 0;
    }
    float tri[9];
    int corner = 0, facets = 0, ok = 1;
    for (const char* t = GetNextArg(fd); ok && t != NULL; t = GetNextArg(fd)) {
        if (strcmp(t, "vertex") != 0) continue;
        for (int i = 0; ok && i < 3; ++i) ok = readNumber(GetNextArg(fd), &tri[corner * 3 + i]);
        if (ok && ++corner == 3) {
            corner = 0;
            ok = piPutGeometry(h, 3, tri);
            ++facets;
        }
    }
    close(fd);
    GetNextArg(-1);
    if (!ok || corner != 0 || facets == 0) {
        ErrorMessage("Error reading STL file %s", path);
        piDeleteObject(h);
        piFreeObject(h);
        return 0;
    }
    piClearSelection();
    piSelectObject(h, 1);
    piFreeObject(h);
    piRedraw();
    return 1;
}

EXPORT int stlLoad(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (rec == NULL || rec->size != PLUGIN_RECORD_SIZE) return 0;
    if (reason == 8) return answerFilter(rec);
    if (reason == 1) return loadStl((const char*)rec->data);
    return 0;
}

static PluginFunctionEntry functions[] = {
    {"SAVE", "stlSave", "STL"},
    {"LOAD", "stlLoad", "STL"},
};

EXPORT int piInit(int reason, PluginHostBlock* block) {
    return piLibInit(reason, block, functions, (int)(sizeof functions / sizeof functions[0]));
}

EXPORT void piExit(void* p) { (void)p; }
