/* The binary interface between the program, the plug-in tools library and
   plug-ins: the value that carries every argument, the block handed to
   piInit, a plug-in's function table, the record of every call and a plug-in
   property. One header for all three sides, valid C11 and C++, with the LP64
   layouts fixed by assertions: pointers fill 8 bytes wherever they travel. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Value types of a KxVar. */
enum {
    KXVAR_INT = 2,
    KXVAR_DOUBLE = 3,
    KXVAR_POINT = 4,
    KXVAR_STRING = 5,
    KXVAR_POINTER = 6
};

#define KXVAR_SIZE 88u
/* The inline text area holds this many characters and the terminator. */
#define KXVAR_TEXT_BYTES 72u
/* Arguments of one host call: the array the caller builds. */
#define KXVAR_ARGS 12

/* The unit of every argument and result. A pointer (type 6, and the point
   arguments sent as type 4) fills the 8 bytes at offset 16; an int sent in a
   pointer slot is read back as the low word. */
typedef struct KxVar {
    uint32_t size; /* always 88 */
    uint32_t type; /* KXVAR_INT ... KXVAR_POINTER */
    uint8_t reserved[8];
    union {
        int32_t i;
        double d;
        float p[3];
        char s[KXVAR_TEXT_BYTES];
        void* ptr;
    } value;
} KxVar;

/* The host's single entry point: a function name, or a short id (byte 0 zero,
   ordinal in byte 1), the argument count and the arguments. */
typedef int (*HostDispatchFunc)(const char* function, int argc, KxVar* args);

/* One plug-in function: kind ("UTIL", "BUILD" ...), exported name, description. */
typedef struct PluginFunctionEntry {
    const char* kind;
    const char* name;
    const char* description;
} PluginFunctionEntry;

/* Filled by the host before piInit; piLibInit stores the plug-in's table.
   The size word stays 20, the value plug-ins check against. */
typedef struct PluginHostBlock {
    HostDispatchFunc dispatch;
    uint32_t size;  /* 20 */
    uint32_t count; /* entries of table */
    const PluginFunctionEntry* table;
    void* reserved; /* piExit receives this word's address */
} PluginHostBlock;

#define PLUGIN_RECORD_SIZE 20u

/* Built by the host for every call of a plug-in function. */
typedef struct PluginCallRecord {
    uint32_t size;   /* 20 */
    uint32_t kind;   /* kind of the returned data */
    uint32_t length; /* length or integer value */
    void* data;      /* data pointer; for kind 5 its own 8 bytes are the data */
    int32_t handle;  /* object handle, -1 for none */
} PluginCallRecord;

#define PLUGIN_PROPERTY_SIZE 128u
#define PLUGIN_PROPERTY_NAME 36u

/* A plug-in property: a present flag (128 when the host sends one; any
   non-zero value marks a used entry of a plug-in's table, zero ends it), a
   name that need not be terminated when it fills all 36 bytes, and a value. */
typedef struct PluginProperty {
    uint32_t size;
    char name[PLUGIN_PROPERTY_NAME];
    KxVar value;
} PluginProperty;

/* Reason 2048 of a BUILD function lists its properties, so that the host can
   ask for them in a dialog before it builds: the host sends a PluginProperty
   whose name is an index in decimal, from "0"; the function writes the name
   and current value of that property into it and returns 1, or returns 0
   past its last property. A function that does not know the reason returns
   0 at once, and the host builds without asking. */
#define PLUGIN_REASON_LIST_PROPERTY 2048

/* Data of a RENDER item's reason-1 call. */
typedef struct PluginRenderView {
    void* window;
    uint32_t viewData;
    int32_t width;
    int32_t height;
} PluginRenderView;

/* Data of a SCREEN item's reason-1 call, made each time a view is painted:
   the view (an HWND) and the painter of this paint (an HDC, for PrintFont). */
typedef struct PluginScreenView {
    void* window;
    void* dc;
    int32_t viewKind;
    int32_t width;
    int32_t height;
    int32_t reserved;
} PluginScreenView;

/* Caller buffers the host fills: texts written through GetObjectName,
   GetObjectTexture and GetFileName need 72 bytes; extra fields 301 to 305
   read through GetObjectProperty need 1024 bytes; filter texts and the text
   of a reason-512 call 260 bytes. */
#define PLUGIN_TEXT_BUFFER 72
#define PLUGIN_EXTRA_BUFFER 1024
#define PLUGIN_FILTER_BUFFER 260

#ifdef __cplusplus
}  /* extern "C" */
#define KXPLUGIN_ASSERT(cond, what) static_assert(cond, what)
#define KXPLUGIN_ALIGNOF(t) alignof(t)
#else
#define KXPLUGIN_ASSERT(cond, what) _Static_assert(cond, what)
#define KXPLUGIN_ALIGNOF(t) _Alignof(t)
#endif

KXPLUGIN_ASSERT(sizeof(KxVar) == 88, "KxVar is 88 bytes");
KXPLUGIN_ASSERT(offsetof(KxVar, size) == 0, "KxVar.size");
KXPLUGIN_ASSERT(offsetof(KxVar, type) == 4, "KxVar.type");
KXPLUGIN_ASSERT(offsetof(KxVar, reserved) == 8, "KxVar.reserved");
KXPLUGIN_ASSERT(offsetof(KxVar, value) == 16, "KxVar.value");
KXPLUGIN_ASSERT(KXPLUGIN_ALIGNOF(KxVar) == 8, "KxVar alignment");
KXPLUGIN_ASSERT(sizeof(PluginFunctionEntry) == 24, "PluginFunctionEntry");
KXPLUGIN_ASSERT(sizeof(PluginHostBlock) == 32, "PluginHostBlock is 32 bytes");
KXPLUGIN_ASSERT(offsetof(PluginHostBlock, dispatch) == 0, "block.dispatch");
KXPLUGIN_ASSERT(offsetof(PluginHostBlock, size) == 8, "block.size");
KXPLUGIN_ASSERT(offsetof(PluginHostBlock, count) == 12, "block.count");
KXPLUGIN_ASSERT(offsetof(PluginHostBlock, table) == 16, "block.table");
KXPLUGIN_ASSERT(offsetof(PluginHostBlock, reserved) == 24, "block.reserved");
KXPLUGIN_ASSERT(sizeof(PluginCallRecord) == 32, "PluginCallRecord is 32 bytes");
KXPLUGIN_ASSERT(offsetof(PluginCallRecord, size) == 0, "record.size");
KXPLUGIN_ASSERT(offsetof(PluginCallRecord, kind) == 4, "record.kind");
KXPLUGIN_ASSERT(offsetof(PluginCallRecord, length) == 8, "record.length");
KXPLUGIN_ASSERT(offsetof(PluginCallRecord, data) == 16, "record.data");
KXPLUGIN_ASSERT(offsetof(PluginCallRecord, handle) == 24, "record.handle");
KXPLUGIN_ASSERT(sizeof(PluginProperty) == 128, "PluginProperty is 128 bytes");
KXPLUGIN_ASSERT(offsetof(PluginProperty, name) == 4, "property.name");
KXPLUGIN_ASSERT(offsetof(PluginProperty, value) == 40, "property.value");
KXPLUGIN_ASSERT(sizeof(PluginRenderView) == 24, "PluginRenderView is 24 bytes");
KXPLUGIN_ASSERT(offsetof(PluginRenderView, viewData) == 8, "render.viewData");
KXPLUGIN_ASSERT(offsetof(PluginRenderView, width) == 12, "render.width");
KXPLUGIN_ASSERT(offsetof(PluginRenderView, height) == 16, "render.height");
KXPLUGIN_ASSERT(sizeof(PluginScreenView) == 32, "PluginScreenView is 32 bytes");
KXPLUGIN_ASSERT(offsetof(PluginScreenView, dc) == 8, "screen.dc");
KXPLUGIN_ASSERT(offsetof(PluginScreenView, viewKind) == 16, "screen.viewKind");
KXPLUGIN_ASSERT(offsetof(PluginScreenView, height) == 24, "screen.height");
