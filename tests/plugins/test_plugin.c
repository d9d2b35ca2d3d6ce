/* Plug-ins the host tests load; one source, one variant per build. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "plugkit.h"

#define EXPORT __attribute__((visibility("default")))

/* Each piInit and piExit is noted in the file KX_TEST_PLUGIN_LOG names. */
static void note(const char* what) {
    const char* path = getenv("KX_TEST_PLUGIN_LOG");
    if (path == NULL) return;
    FILE* f = fopen(path, "a");
    if (f == NULL) return;
    fprintf(f, "%s %s\n", TEST_PLUGIN_NAME, what);
    fclose(f);
}

#if defined(TEST_PLUGIN_ENTRY_ONLY)

EXPORT int ENTRY(void) { return 0; }

#elif defined(TEST_PLUGIN_REASONS)

/* Reason 16384 makes an object and answers its handle; reason 512 answers
   text in each of the ways a plug-in may. */
EXPORT int widget(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (reason == 16384) return piCreateObject("Widget", 13);
    if (reason == 512 && rec->data != NULL) {
        strcpy((char*)rec->data, "written in place");
        return 1;
    }
    return 0;
}

EXPORT int nothing(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    (void)rec;
    return reason == 16384 ? -1 : 0;
}

EXPORT int pointer(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    static const char text[] = "answered by pointer";
    if (reason != 512) return 0;
    rec->kind = 1;
    rec->length = 1;
    rec->data = (void*)text;
    return 1;
}

EXPORT int longText(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    static char text[600];
    if (reason != 512) return 0;
    memset(text, 'x', sizeof text);
    rec->kind = 6;
    rec->length = sizeof text;
    rec->data = text;
    return 1;
}

/* SCREEN: asks to paint at start; while painting it reads the scene and
   tries to change it, which the host refuses. */
EXPORT int overlay(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (reason == 64) {
        rec->kind = 2;
        rec->length = 1;
        return 1;
    }
    if (reason != 1 || rec->data == NULL) return 0;
    const PluginScreenView* view = (const PluginScreenView*)rec->data;
    if (view->width <= 0 || view->height <= 0 || piGetObjectCount(0) < 0) return 0;
    piCreateObject("Painted", 13);
    return 1;
}

static PluginFunctionEntry functions[] = {
    {"BUILD", "widget", "Widget maker"},
    {"BUILD", "nothing", "Makes nothing"},
    {"BUILD", "pointer", "Pointer text"},
    {"BUILD", "longText", "Long text"},
    {"UTIL", "nothing", "Not a builder"},
    {"SCREEN", "overlay", "Overlay"},
};

EXPORT int piInit(int reason, PluginHostBlock* block) {
    return piLibInit(reason, block, functions, (int)(sizeof functions / sizeof functions[0]));
}

#else

static PluginProperty properties[] = {
    {1, "Turns", {88, KXVAR_INT, {0}, {.i = 3}}},
    {1, "Radius", {88, KXVAR_DOUBLE, {0}, {.d = 0.5}}},
    {0, "", {0, 0, {0}, {.i = 0}}},
};

/* UTIL: a round trip through the host functions; 1 only when every answer is right. */
EXPORT int hello(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (!piLibFuncInit(reason, 0, rec, 0)) return 0;
    int h = piCreateObject("PluginBall", 13);
    if (h < 1) return 0;
    const float at[3] = {1.0f, 2.0f, 3.0f};
    float back[3] = {0, 0, 0};
    char name[PLUGIN_TEXT_BUFFER];
    int ok = piSetObjectPropPnt(h, "Translate", at) == 1;
    ok = ok && piGetObjectPropPnt(h, "Translate", back) == 1;
    ok = ok && back[0] == 1.0f && back[1] == 2.0f && back[2] == 3.0f;
    ok = ok && piGetObjectName(h, name) == 1 && strcmp(name, "PluginBall") == 0;
    ok = ok && piGetObjectType(h) == 13;
    ok = ok && piFreeObject(h) == 1;
    return ok;
}

/* BUILD: two triangles handed over in a malloc'ed array. */
EXPORT int tri(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (reason == 128) {
        return piSetLocalPluginProperty((PluginProperty*)rec->data, properties);
    }
    if (!piLibFuncInit(reason, 0, rec, 0)) return 0;
    float* t = calloc(2 * 18, sizeof(float));
    if (t == NULL) return 0;
    const int turns = properties[0].value.value.i;
    /* triangle 1 */
    t[3] = 1; t[7] = 1;
    /* triangle 2, shifted by the Turns property */
    t[18] = (float)turns; t[21] = (float)turns + 1; t[25] = 1;
    rec->kind = 3;
    rec->length = 2;
    rec->data = t;
    return 1;
}

/* BUILD: an object built node by node through PutGeometry. */
EXPORT int steps(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (!piLibFuncInit(reason, 0, rec, 0)) return 0;
    int h = piCreateObject("Steps", 10);
    if (h < 1) return 0;
    float p[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    int ok = piPutGeometry(h, 3, p) && piPutGeometry(h, 3, p);
    ok = ok && piPutGeometry(h, 9, p) == 0 && piPutGeometry(70, 3, p) == 0;
    float first[24];
    ok = ok && piGetGeometry(h, 1, first) == 1 && first[3] == 1.0f;
    piFreeObject(h);
    return ok;
}

/* SAVE: a filter text by pointer; writing the file name it gets. */
EXPORT int save(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    static const char filter[] = "Test files (*.tst)|*.tst|";
    if (reason == 8) {
        rec->kind = 1;
        rec->length = 1;
        rec->data = (void*)filter;
        return 1;
    }
    if (reason == 2) {
        FILE* f = fopen((const char*)rec->data, "w");
        if (f == NULL) return 0;
        /* Asked to, it gives up half-way, as on a full disk. */
        if (getenv("KALVEX_TEST_SAVE_FAILS")) {
            fputs("obj", f);
            fclose(f);
            return 0;
        }
        fprintf(f, "objects %d\n", piGetObjectCount(0));
        fclose(f);
        return 1;
    }
    return 0;
}

/* Answers that must not take the host past its buffers or into a loop. */
EXPORT int bad(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    static char big[600];
    if (reason == 8) {
        memset(big, 'b', sizeof big - 1);
        rec->kind = 6;
        rec->length = sizeof big;
        rec->data = big;
        return 1;
    }
    if (reason == 16) {
        rec->kind = 5;
        rec->length = 100;
        rec->data = (void*)0x4142434445464748ull;
        return 1;
    }
    if (reason == 1024) return 1; /* no data: must not be called again */
    if (reason == 1) return 2;    /* always "again": the host gives up */
    return 0;
}

/* RENDER: fills the whole record it gets, type word and text ends included. */
EXPORT int render(int reason, int zero, PluginCallRecord* rec) {
    (void)zero;
    if (reason != 16 || rec->data == NULL) return 0;
    memset(rec->data, 'r', 2440 - 32);
    return 1;
}

static PluginFunctionEntry functions[] = {
    {"UTIL", "hello", "Hello"},
#if defined(TEST_PLUGIN_MISSING_EXPORT)
    {"BUILD", "notThere", "Missing"},
#endif
    {"BUILD", "tri", "Triangles"},
    {"BUILD", "steps", "Steps"},
    {"SAVE", "save", "Test save"},
    {"UTIL", "bad", "Bad answers"},
    {"RENDER", "render", "Flat renderer"},
};

EXPORT int piInit(int reason, PluginHostBlock* block) {
    note("init");
#if defined(TEST_PLUGIN_INIT_FAILS)
    (void)reason;
    (void)block;
    return 0;
#elif defined(TEST_PLUGIN_INIT_CRASHES)
    (void)reason;
    (void)block;
    abort();
#else
    return piLibInit(reason, block, functions, (int)(sizeof functions / sizeof functions[0]));
#endif
}

EXPORT void piExit(void* p) {
    (void)p;
    note("exit");
}

#endif
