/* "Spring": a BUILD plug-in that makes a helical tube, one quad at a time
   through the host's CreateObject and PutGeometry. Its settings live in a
   property table of its own that the host sets through SetPluginProperty. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugkit.h"

#define EXPORT __attribute__((visibility("default")))

#ifndef M_PI
#define M_PI 3.14159265358979323846
#endif

enum { PROP_TURNS, PROP_RADIUS, PROP_THICKNESS, PROP_HEIGHT, PROP_SIDES, PROP_STEPS };

static PluginProperty properties[] = {
    {1, "Turns", {KXVAR_SIZE, KXVAR_INT, {0}, {.i = 5}}},
    {1, "Radius", {KXVAR_SIZE, KXVAR_DOUBLE, {0}, {.d = 1.0}}},
    {1, "Thickness", {KXVAR_SIZE, KXVAR_DOUBLE, {0}, {.d = 0.15}}},
    {1, "Height", {KXVAR_SIZE, KXVAR_DOUBLE, {0}, {.d = 3.0}}},
    {1, "Sides", {KXVAR_SIZE, KXVAR_INT, {0}, {.i = 8}}},
    {1, "Steps", {KXVAR_SIZE, KXVAR_INT, {0}, {.i = 24}}},
    {0, "", {0, 0, {0}, {.i = 0}}},
};

/* A property as a number whichever of the two types the host sent. */
static double number(int which) {
    const KxVar* v = &properties[which].value;
    return v->type == KXVAR_INT ? (double)v->value.i : v->value.d;
}

static int clampInt(double v, int lo, int hi) {
    if (!(v >= lo)) return lo;
    if (v > hi) return hi;
    return (int)v;
}

/* The point of the tube's surface at path parameter t (turns) and angle a
   around the wire. */
static void surfacePoint(double t, double a, double radius, double thickness, double rise, float out[3]) {
    const double phi = 2.0 * M_PI * t;
    /* centre of the wire, and the two directions across it */
    const double cx = radius * cos(phi), cz = radius * sin(phi), cy = rise * t;
    const double nx = cos(phi), nz = sin(phi); /* outwards from the axis */
    out[0] = (float)(cx + thickness * cos(a) * nx);
    out[1] = (float)(cy + thickness * sin(a));
    out[2] = (float)(cz + thickness * cos(a) * nz);
}

static int build(void) {
    const int turns = clampInt(number(PROP_TURNS), 1, 100);
    const int sides = clampInt(number(PROP_SIDES), 3, 32);
    const int steps = clampInt(number(PROP_STEPS), 4, 128);
    double radius = number(PROP_RADIUS), thickness = number(PROP_THICKNESS), height = number(PROP_HEIGHT);
    if (!(radius > 0)) radius = 1.0;
    if (!(thickness > 0) || thickness > radius) thickness = radius * 0.15;
    if (!(height > 0)) height = 3.0;
    const double rise = height / turns;

    const int h = piCreateObject("Spring", 10);
    if (h < 0) return 0;
    const int segments = turns * steps;
    for (int s = 0; s < segments; ++s) {
        const double t0 = (double)s / steps, t1 = (double)(s + 1) / steps;
        for (int k = 0; k < sides; ++k) {
            const double a0 = 2.0 * M_PI * k / sides, a1 = 2.0 * M_PI * (k + 1) / sides;
            float quad[12];
            /* counter-clockwise seen from outside the tube */
            surfacePoint(t0, a0, radius, thickness, rise, quad);
            surfacePoint(t0, a1, radius, thickness, rise, quad + 3);
            surfacePoint(t1, a1, radius, thickness, rise, quad + 6);
            surfacePoint(t1, a0, radius, thickness, rise, quad + 9);
            if (!piPutGeometry(h, 4, quad)) {
                piDeleteObject(h);
                piFreeObject(h);
                return 0;
            }
        }
    }
    piClearSelection();
    piSelectObject(h, 1);
    piFreeObject(h);
    piRedraw();
    return 1;
}

/* The property the request's index names, so that the host can ask for the
   settings before it builds; 0 past the last one. */
static int listProperty(PluginProperty* req) {
    if (req == NULL || req->value.size != KXVAR_SIZE) return 0;
    char index[PLUGIN_PROPERTY_NAME + 1] = {0};
    memcpy(index, req->name, PLUGIN_PROPERTY_NAME);
    char* end = NULL;
    const long n = strtol(index, &end, 10);
    if (end == index || *end != '\0' || n < 0) return 0;
    for (long i = 0; properties[i].size != 0; ++i) {
        if (i != n) continue;
        memcpy(req->name, properties[i].name, PLUGIN_PROPERTY_NAME);
        req->value = properties[i].value;
        return 1;
    }
    return 0;
}

EXPORT int spring(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (rec == NULL || rec->size != PLUGIN_RECORD_SIZE) return 0;
    switch (reason) {
    case 128:
        return piSetLocalPluginProperty((PluginProperty*)rec->data, properties);
    case 256:
        return piGetLocalPluginProperty((PluginProperty*)rec->data, properties);
    case PLUGIN_REASON_LIST_PROPERTY:
        return listProperty((PluginProperty*)rec->data);
    case 1024: {
        /* The toolbar icon: an image file beside this plug-in. */
        static const char icon[] = "spring.xpm";
        rec->kind = 1;
        rec->length = sizeof icon - 1;
        rec->data = (void*)icon;
        return 1;
    }
    case 1:
        return build();
    default:
        return 0;
    }
}

static PluginFunctionEntry functions[] = {
    {"BUILD", "spring", "Spring"},
};

EXPORT int piInit(int reason, PluginHostBlock* block) {
    return piLibInit(reason, block, functions, (int)(sizeof functions / sizeof functions[0]));
}

EXPORT void piExit(void* p) { (void)p; }
