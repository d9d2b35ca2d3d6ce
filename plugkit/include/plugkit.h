/* The plug-in tools library: what plug-ins link against to call the program.
   Plain C names; valid C11 and C++. */
#pragma once

#include "kxplatform/handles.h"
#include "kxplugin.h"
#include "kxplugin_functions.h"

#define PLUGKIT_API __attribute__((visibility("default")))
#ifdef __cplusplus
#define PLUGKIT_NOEXCEPT noexcept
extern "C" {
#else
#define PLUGKIT_NOEXCEPT
#endif

struct KxUiCallbacks;

/* --- initialisation and the plug-in side --- */
/* Reason 5 only: keeps the host's dispatch address, stores table and count in
   the block, resolves the ordinal table; 1. Any other reason: 0. */
PLUGKIT_API int piLibInit(int reason, PluginHostBlock* block, PluginFunctionEntry* table,
                          int count) PLUGKIT_NOEXCEPT;
/* 1 when rec's size word is 20 and (allow is non-zero or reason is 1). */
PLUGKIT_API int piLibFuncInit(int reason, int ignored, PluginCallRecord* rec,
                              int allow) PLUGKIT_NOEXCEPT;
PLUGKIT_API int piLibDefault(void) PLUGKIT_NOEXCEPT;
PLUGKIT_API int piInitVar(KxVar* v, int type) PLUGKIT_NOEXCEPT;
/* Each returns its own static value, valid until the same function runs again. */
PLUGKIT_API KxVar* piReturnKxVarDbl(double d) PLUGKIT_NOEXCEPT;
PLUGKIT_API KxVar* piReturnKxVarInt(int i) PLUGKIT_NOEXCEPT;
/* Keeps at most 31 characters. */
PLUGKIT_API KxVar* piReturnKxVarStr(const char* s) PLUGKIT_NOEXCEPT;
PLUGKIT_API KxVar* piReturnKxVarPnt(const float p[3]) PLUGKIT_NOEXCEPT;
PLUGKIT_API KxVar* piReturnKxVarPtr(void* p) PLUGKIT_NOEXCEPT;
PLUGKIT_API int piGetLocalPluginProperty(PluginProperty* req,
                                         PluginProperty* table) PLUGKIT_NOEXCEPT;
PLUGKIT_API int piSetLocalPluginProperty(PluginProperty* req,
                                         PluginProperty* table) PLUGKIT_NOEXCEPT;
PLUGKIT_API void plkTracePrintf(const char* fmt, ...) PLUGKIT_NOEXCEPT;
PLUGKIT_API void plkTracePrintfF(const char* fmt, ...) PLUGKIT_NOEXCEPT;
/* A warning box captioned "Plug-In Tools"; the box's result. */
PLUGKIT_API int ErrorMessage(const char* fmt, ...) PLUGKIT_NOEXCEPT;
/* The program's user-interface table (copied); null restores the headless one. */
PLUGKIT_API void plkSetUiCallbacks(const struct KxUiCallbacks* table) PLUGKIT_NOEXCEPT;

/* --- host calls: one export per host function (the table in kxplugin_functions.h).
   piGetObjectName, piGetObjectTexture and piGetFileName write at most 72 bytes
   (PLUGIN_TEXT_BUFFER) into their text buffer. A GetObjectProperty of the
   extra fields 301 to 305 writes up to 1024 bytes at the value's address. --- */
#define PLUGKIT_DECLARE_HOST_CALL(ord, exportName, hostName, kinds, params, args) \
    PLUGKIT_API int exportName params PLUGKIT_NOEXCEPT;
KXPLUGIN_HOST_FUNCTIONS(PLUGKIT_DECLARE_HOST_CALL)
#undef PLUGKIT_DECLARE_HOST_CALL

/* --- text files on POSIX descriptors the plug-in opened --- */
/* Next byte 0..255, -1 at the end or on a read error. */
PLUGKIT_API int GetChar(int file) PLUGKIT_NOEXCEPT;
PLUGKIT_API int FlushLine(int file) PLUGKIT_NOEXCEPT;
PLUGKIT_API int RewindLine(int file) PLUGKIT_NOEXCEPT;
/* Next line without CR and LF (an empty line is " "), at most 4096 characters
   at a time; null at the end. Valid until the next call. */
PLUGKIT_API char* GetLine(int file) PLUGKIT_NOEXCEPT;
/* Next token split at " ,\t\n"; null at the end. Valid until the next call. */
PLUGKIT_API char* GetNextArg(int file) PLUGKIT_NOEXCEPT;
/* Writes the formatted text whole (no newline added); 1, 0 when the write fails. */
PLUGKIT_API int PutLine(int file, const char* fmt, ...) PLUGKIT_NOEXCEPT;
/* name with ext appended when its last path component has no '.'. Valid until
   the next call. */
PLUGKIT_API char* AddExt(const char* name, const char* ext) PLUGKIT_NOEXCEPT;
/* Replaces the extension of the last path component in place; name must have
   room for the result. */
PLUGKIT_API char* AddNewExt(char* name, const char* ext) PLUGKIT_NOEXCEPT;

/* A plug-in's text table for BuildFilter: entries ending with id -1. */
typedef struct PluginStringEntry {
    int id;
    const char* text;
} PluginStringEntry;
/* module points at the plug-in's PluginStringEntry table. Writes text id with
   every '|' turned into a zero byte, cut to size-1 bytes; 1, 0 when not found. */
PLUGKIT_API int BuildFilter(HINSTANCE module, int id, char* buf, int size) PLUGKIT_NOEXCEPT;

/* --- dialogs and drawing --- */
PLUGKIT_API int SetDlgItemDouble(HWND dlg, int item, double d) PLUGKIT_NOEXCEPT;
PLUGKIT_API double GetDlgItemDouble(HWND dlg, int item) PLUGKIT_NOEXCEPT;
/* "%g" of d; valid until the next call. */
PLUGKIT_API char* dtoa(double d) PLUGKIT_NOEXCEPT;
PLUGKIT_API int ScreenToClientRect(HWND dlg, int item, RECT* r) PLUGKIT_NOEXCEPT;
PLUGKIT_API int PrintFont(HDC dc, int x, int y, int size, const LOGFONTA* font,
                          const char* text) PLUGKIT_NOEXCEPT;

/* --- one rotation about an axis through a point, shared by the three --- */
PLUGKIT_API void InitTransform(double px, double py, double pz, double ax, double ay,
                               double az, double angle) PLUGKIT_NOEXCEPT;
PLUGKIT_API void RotateZ(double x, double y, double z, double* ox, double* oy,
                         double* oz) PLUGKIT_NOEXCEPT;
/* RotateZ with the second and third coordinates exchanged on input and output. */
PLUGKIT_API void Rotate(double x, double y, double z, double* ox, double* oy,
                        double* oz) PLUGKIT_NOEXCEPT;

#ifdef __cplusplus
}  /* extern "C" */
#endif
