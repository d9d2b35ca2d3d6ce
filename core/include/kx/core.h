// Core start and end, settings, messages, the log, string helpers, lookup tables
// and the dialog helpers that route through the user-interface table.
#pragma once

#include "kx/api.h"
#include "kx/types.h"
#include "kxplatform/ui_callbacks.h"

// --- start and end ---
KXCORE_API int InitCore(HINSTANCE instance, const char* title);
KXCORE_API int ExitCore();
// Switch ids of SetCoreParamInt; any other id is ignored.
enum : unsigned {
    KX_COREPARAM_NO_NORMALS_IN_EXPORT = 0,
    KX_COREPARAM_NO_UV_IN_EXPORT = 1,
    KX_COREPARAM_EXPORT_SELECTED = 3,
    // STL and PLY exports written as text instead of binary (off by default).
    KX_COREPARAM_TEXT_MESHES = 4,
    // DXF, NFF and VRML exports write every primitive as the triangles the
    // views draw, not as the format's own shape (off by default).
    KX_COREPARAM_TESSELLATE_PRIMITIVES = 5,
    // RenderMan exports place their camera where the scene's camera stands,
    // looking where it looks with its angle, instead of the fixed camera of
    // the format's first version (off by default).
    KX_COREPARAM_RIB_SCENE_CAMERA = 6,
};
KXCORE_API void SetCoreParamInt(unsigned id, unsigned value);
// Installs the program's user-interface table for this library (null: headless).
KXCORE_API void KxSetUiCallbacks(const KxUiCallbacks* table);

// --- settings ---
KXCORE_API void SetViewSide(int side);
KXCORE_API int GetViewSide();
KXCORE_API void SetShowCamera(int show);
KXCORE_API int GetShowCamera();
KXCORE_API void SetShowSpotLights(int show);
KXCORE_API int GetShowSpotLights();
KXCORE_API void SetExtrude(int extrude);
KXCORE_API int GetExtrude();
KXCORE_API void SetExportComma(int comma);
KXCORE_API int GetExportComma();
KXCORE_API void SetExportSelected(int selected);
KXCORE_API int GetExportSelected();
KXCORE_API void SetMousePos3D(Point3d* p);
KXCORE_API void SetSceneChanged(int changed);
KXCORE_API void ReDrawAllChangeEx(int changed);
// Returns the flag and clears it.
KXCORE_API int GetSceneChanged();
KXCORE_API void SetProgramPath(const char* path);
KXCORE_API void SetSnapGrid(double step, int enabled);
// Writes the step; 1 only when snapping is on and the step is above 0.
KXCORE_API int GetSnapGrid(double* step);
KXCORE_API int SetGridInterval(double interval, int extent);
KXCORE_API double GetGridInterval();
KXCORE_API double GetGridExtent();
// The program path and the file name joined with "/", valid until the next call.
KXCORE_API const char* GetProgramFileName(const char* file);

// --- messages and log ---
KXCORE_API void EnableLogMessage(int level);
KXCORE_API void LogMessage(int level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
KXCORE_API void ErrorMessage(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
KXCORE_API int GetSystemErrorMessage(unsigned long code, char* buffer, unsigned size);
KXCORE_API void StdFileError(int kind, const char* what, const char* file);
KXCORE_API unsigned long kxc_getlasterror();

// --- string helpers (results valid until the next call of the same function) ---
KXCORE_API char* GetArgString(char* token);
KXCORE_API char* SetArgStringQuote(const char* text);
KXCORE_API char* SetArgString(const char* text);
// Appends a formatted text with LF turned into CR LF to dst, a buffer of 1024
// bytes; "Error string too long" and 0 when it would not fit.
KXCORE_API int PutLineMem(char* dst, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// The same for a buffer of the given size.
KXCORE_API int PutLineMemEx(char* dst, unsigned size, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
KXCORE_API char* dtoa(double value);
KXCORE_API char* AddExt(const char* name, const char* ext);
KXCORE_API char* AddNewExt(const char* name, const char* ext);
KXCORE_API int FileExist(const char* name);
KXCORE_API int kxc_strcmpi(const char* a, const char* b);

// --- lookup tables ---
KXCORE_API const char* GetLookUpLabel(unsigned id, const LookUp* table);
KXCORE_API unsigned GetLookUpId(const char* label, const LookUp* table);

// --- dialog helpers ---
KXCORE_API int SetDlgItemDouble(HWND dialog, int id, double value);
KXCORE_API double GetDlgItemDouble(HWND dialog, int id);
KXCORE_API int SetUIpoint(HWND dialog, unsigned idX, unsigned idY, unsigned idZ, Point3d* p);
KXCORE_API int GetUIpoint(HWND dialog, unsigned idX, unsigned idY, unsigned idZ, Point3d* p);
KXCORE_API int ShowText(HDC target, unsigned x, unsigned y, LOGFONT* font, const char* text);
KXCORE_API int ToolboxMoveTo(HWND window, RECT r);
KXCORE_API int ReSizeTo(HWND window, RECT r);
KXCORE_API int ScreenToClientRect(HWND dialog, unsigned id, RECT* r);
KXCORE_API int BuildFilter(HINSTANCE instance, unsigned stringId, char* buffer, unsigned size);
KXCORE_API int ExecDialog(HWND owner, DLGPROC proc, HINSTANCE instance, unsigned short templateId);
