/* "Flat shaded": a RENDER item that draws the scene's mesh triangles with one
   shade per triangle and a depth buffer, seen from the scene camera, into the
   image library's current image (render_image.cpp). */
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "plugkit.h"
#include "render_image.h"

#define EXPORT __attribute__((visibility("default")))

#ifndef M_PI
#define M_PI 3.14159265358979323846
#endif

typedef struct Vec {
    double x, y, z;
} Vec;

static Vec sub(Vec a, Vec b) { return (Vec){a.x - b.x, a.y - b.y, a.z - b.z}; }
static double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static Vec cross(Vec a, Vec b) { return (Vec){a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
static Vec unit(Vec a) {
    const double l = sqrt(dot(a, a));
    return l > 0 ? (Vec){a.x / l, a.y / l, a.z / l} : a;
}

typedef struct Camera {
    Vec eye, forward, right, up;
    double focal;
    int width, height;
} Camera;

typedef struct Triangles {
    float* points; /* 9 floats a triangle */
    size_t count, capacity;
} Triangles;

enum { kMaxTriangles = 2000000 };

static int addTriangle(Triangles* t, const float* a, const float* b, const float* c) {
    if (t->count == t->capacity) {
        if (t->capacity >= kMaxTriangles) return 0;
        const size_t more = t->capacity ? t->capacity * 2 : 256;
        float* grown = realloc(t->points, more * 9 * sizeof(float));
        if (grown == NULL) return 0;
        t->points = grown;
        t->capacity = more;
    }
    float* out = t->points + t->count * 9;
    memcpy(out, a, 3 * sizeof(float));
    memcpy(out + 3, b, 3 * sizeof(float));
    memcpy(out + 6, c, 3 * sizeof(float));
    ++t->count;
    return 1;
}

/* Every node of every mesh as a fan of triangles. */
static void collectTriangles(Triangles* t) {
    for (int h = piGetObject(-1, 1); h != -1; h = piGetObject(h, 0)) {
        if (piGetObjectType(h) != 10) continue;
        float pts[8 * 3 * 2];
        for (int flags = 1;; flags = 0) {
            for (size_t i = 0; i < sizeof pts / sizeof pts[0]; ++i) pts[i] = NAN;
            if (!piGetGeometry(h, flags, pts)) break;
            int n = 0;
            while (n < 8 && !isnan(pts[n * 3])) ++n;
            for (int k = 2; k < n; ++k)
                if (!addTriangle(t, pts, pts + 3 * (k - 1), pts + 3 * k)) return;
        }
    }
}

static Camera sceneCamera(int width, int height) {
    Camera c;
    float eye[3] = {0, 0, -10}, at[3] = {0, 0, 0};
    for (int h = piGetObject(-1, 1); h != -1; h = piGetObject(h, 0)) {
        if (piGetObjectType(h) != 12) continue;
        piGetObjectPropPnt(h, "Translate", eye);
        piGetObjectPropPnt(h, "LookAt", at);
        piFreeObject(h);
        break;
    }
    c.eye = (Vec){eye[0], eye[1], eye[2]};
    c.forward = unit(sub((Vec){at[0], at[1], at[2]}, c.eye));
    if (dot(c.forward, c.forward) == 0) c.forward = (Vec){0, 0, 1};
    Vec worldUp = fabs(c.forward.y) > 0.99 ? (Vec){0, 0, 1} : (Vec){0, 1, 0};
    c.right = unit(cross(worldUp, c.forward));
    c.up = cross(c.forward, c.right);
    c.width = width;
    c.height = height;
    c.focal = (width / 2.0) / tan(30.0 * M_PI / 180.0);
    return c;
}

/* Screen x, y and depth of a point; 0 when it is behind the camera. */
static int project(const Camera* c, const float* p, double out[3]) {
    const Vec d = sub((Vec){p[0], p[1], p[2]}, c->eye);
    const double z = dot(d, c->forward);
    if (z < 1e-3) return 0;
    out[0] = c->width / 2.0 + c->focal * dot(d, c->right) / z;
    out[1] = c->height / 2.0 - c->focal * dot(d, c->up) / z;
    out[2] = z;
    return 1;
}

static double edge(const double* a, const double* b, double x, double y) {
    return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
}

static void drawTriangle(const Camera* c, const float* tri, unsigned char* bgr, float* depth) {
    double s[3][3];
    for (int i = 0; i < 3; ++i)
        if (!project(c, tri + 3 * i, s[i])) return;
    const double area = edge(s[0], s[1], s[2][0], s[2][1]);
    if (fabs(area) < 1e-12) return;
    const Vec a = {tri[0], tri[1], tri[2]}, b = {tri[3], tri[4], tri[5]}, d = {tri[6], tri[7], tri[8]};
    const Vec n = unit(cross(sub(b, a), sub(d, a)));
    const double shade = 0.25 + 0.75 * fabs(dot(n, c->forward));
    const unsigned char level = (unsigned char)(shade * 230.0);
    int x0 = (int)floor(fmin(s[0][0], fmin(s[1][0], s[2][0])));
    int x1 = (int)ceil(fmax(s[0][0], fmax(s[1][0], s[2][0])));
    int y0 = (int)floor(fmin(s[0][1], fmin(s[1][1], s[2][1])));
    int y1 = (int)ceil(fmax(s[0][1], fmax(s[1][1], s[2][1])));
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > c->width - 1) x1 = c->width - 1;
    if (y1 > c->height - 1) y1 = c->height - 1;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double w0 = edge(s[1], s[2], px, py) / area;
            const double w1 = edge(s[2], s[0], px, py) / area;
            const double w2 = 1.0 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            /* perspective-correct depth from the reciprocals */
            const double z = 1.0 / (w0 / s[0][2] + w1 / s[1][2] + w2 / s[2][2]);
            float* zb = depth + (size_t)y * c->width + x;
            if (z >= *zb) continue;
            *zb = (float)z;
            unsigned char* p = bgr + ((size_t)y * c->width + x) * 3;
            p[0] = (unsigned char)(level * 0.8);
            p[1] = level;
            p[2] = level;
        }
    }
}

static int render(const PluginRenderView* view) {
    if (view == NULL) return 0;
    const int width = view->width, height = view->height;
    if (width < 1 || height < 1 || width > 4096 || height > 4096) return 0;
    const size_t pixels = (size_t)width * height;
    unsigned char* bgr = malloc(pixels * 3);
    float* depth = malloc(pixels * sizeof(float));
    Triangles tris = {NULL, 0, 0};
    int ok = bgr != NULL && depth != NULL;
    if (ok) {
        for (size_t i = 0; i < pixels; ++i) {
            bgr[i * 3] = 60;
            bgr[i * 3 + 1] = 40;
            bgr[i * 3 + 2] = 30;
            depth[i] = INFINITY;
        }
        collectTriangles(&tris);
        const Camera cam = sceneCamera(width, height);
        for (size_t i = 0; i < tris.count; ++i) drawTriangle(&cam, tris.points + i * 9, bgr, depth);
        ok = renderImageBegin(width, height);
        for (int y = 0; ok && y < height; ++y) ok = renderImageRow(y, bgr + (size_t)y * width * 3, width);
        if (ok) renderImageEnd();
    }
    free(tris.points);
    free(depth);
    free(bgr);
    return ok;
}

/* Fills the renderer record from its description on (byte 32 of the record). */
static int describe(char* record) {
    static const char description[] = "Flat shaded (plug-in)";
    if (record == NULL) return 0;
    memcpy(record, description, sizeof description);
    return 1;
}

EXPORT int flatRender(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (rec == NULL || rec->size != PLUGIN_RECORD_SIZE) return 0;
    if (reason == 16) return describe((char*)rec->data);
    if (reason == 1) return render((const PluginRenderView*)rec->data);
    return 0;
}

static PluginFunctionEntry functions[] = {
    {"RENDER", "flatRender", "Flat shaded"},
};

EXPORT int piInit(int reason, PluginHostBlock* block) {
    return piLibInit(reason, block, functions, (int)(sizeof functions / sizeof functions[0]));
}

EXPORT void piExit(void* p) { (void)p; }
