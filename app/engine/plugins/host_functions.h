// The host functions plug-ins (and scripts) call, as typed C++ functions.
// HostDispatch decodes a plug-in's KxVar arguments into these, by the kinds of
// the one host function table (kxplugin_functions.h): S const char*, O char*
// (a 72-byte area the answer is written to), I and W int, D double, P void*,
// Q float* (three floats). Results go back to the plug-in unchanged.
#pragma once

namespace kx::plugins::host {

int GetViewHandle(const char* view, int a);
int GetPluginProperty(const char* function, const char* property, void* value);
int SetPluginProperty(const char* function, const char* property, void* value);
int CallPlugin(const char* function);
int Shell(const char* command);
int GetFileName(int open, const char* filter, char* path);
int OpenFile(const char* name, int write);
int CloseFile(int file);
int ReadFile(int file, void* buffer, int count);
int WriteFile(int file, void* buffer, int count);
int Bind(int handle, const char* description);
int GetFunctionOrdinal(const char* name);
int SetAutoFree(int on);
int RegisterEvent(int handle, int event, void* unused);
int FireEvent(int handle, int event);
int ErrorMessage(const char* text);
int CreateObject(const char* name, int type);
int GetObject(int handle, int flags);
int GetObjectByName(const char* name, int a);
int GetObjectByType(int type, int a);
int CreateDefaultObject(int type);
int FindObject(const char* name);
int GetNextChildObject(int handle, int a);
int DeleteObject(int handle);
int AddChildObject(int parent, int child);
int RemoveChildObject(int parent, int child);
int FreeObject(int handle);
int GetObjectCount(int flags);
int SelectObject(int handle, int on);
int ClearSelection();
int AnimCreate(const char* name, int frames);
int AnimSetObject(int handle);
int AnimGetMaxFrame();
int AnimSetFrame(int frame);
int AnimGotoFrame(int frame);
int AnimGetCurrentFrame();
int AnimSetAttrib(int a, int b);
int CustomTexture(const char* name, int op, void* property);
int Load(const char* file);
int Save(const char* file, int type);
int Render();
int NewScene();
int Redraw();
int Rebuild();
int Update();
int SetSceneProperty(int id, void* value);
int RebuildObject(int handle, int a);
int GetObjectPropertyId(const char* name);
int GetPropertyId(const char* name);
int GetObjectProperty(int handle, const char* property, void* value);
int SetObjectProperty(int handle, const char* property, void* value);
int SetObjectPropPnt(int handle, const char* property, float* p);
int GetObjectPropPnt(int handle, const char* property, float* p);
int GetObjectPropInt(int handle, const char* property);
int SetObjectPropInt(int handle, const char* property, int value);
int GetObjectName(int handle, char* name);
int SetObjectName(int handle, const char* name);
int SetObjectColor(int handle, const char* colour);
int SetObjectTexture(int handle, const char* texture);
int GetObjectTexture(int handle, char* texture);
int GetTextureProperty(int handle, void* property);
int SetTextureProperty(int handle, void* property);
int SetObjectData(int handle, int data);
int GetObjectData(int handle, void* data);
int GetObjectType(int handle);
int GetObjectGroup(int handle);
int DeleteGeometry(int handle);
int GetGeometry(int handle, int flags, float* points);
int PutGeometry(int handle, int n, float* points);
int Smooth(int handle, int undo);
int Size(int handle, float* p);
int Move(int handle, float* p);
int Scale(int handle, float* p);
int ScaleAbout(int handle, float* p, float* about);
int Rotate(int handle, float* p);
int RotateAbout(int handle, float* p, float* about);
int SetCursor(float* p);
int MoveF(double x, double y, double z);
int ScaleF(double x, double y, double z);
int RotateF(double x, double y, double z);
int RotateAboutF(double x, double y, double z, double ax, double ay, double az);
int SetCursorF(double x, double y, double z);
int Transform(int handle, const char* operation);

}  // namespace kx::plugins::host
