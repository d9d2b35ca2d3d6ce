/* The one table of host functions: ordinal, the plug-in tools export, the host
   function's name, the kinds of its arguments, the export's parameters and
   how they are passed on. The tools library generates its exports and its
   ordinal table from it; the host generates its dispatch table from it.

   Kinds: S text (inline up to 71 characters, else a pointer to the caller's
   text), O text the host writes back (sent empty, 72 bytes returned),
   I int, W int sent in a pointer slot, D double, P pointer,
   Q pointer to three floats. */
#pragma once

#define KXPLUGIN_HOST_FUNCTION_COUNT 83

#define KXPLUGIN_HOST_FUNCTIONS(X) \
    X(1, piGetViewHandle, GetViewHandle, (S, I), (const char* view, int a), (view, a)) \
    X(2, piGetPluginProperty, GetPluginProperty, (S, S, P), (const char* func, const char* prop, KxVar* v), (func, prop, v)) \
    X(3, piSetPluginProperty, SetPluginProperty, (S, S, P), (const char* func, const char* prop, KxVar* v), (func, prop, v)) \
    X(4, piCallPlugin, CallPlugin, (S), (const char* description), (description)) \
    X(5, piShell, Shell, (S), (const char* command), (command)) \
    X(6, piGetFileName, GetFileName, (I, S, O), (int open, const char* filter, char* path), (open, filter, path)) \
    X(7, piOpenFile, OpenFile, (S, I), (const char* name, int write), (name, write)) \
    X(8, piCloseFile, CloseFile, (I), (int file), (file)) \
    X(9, piReadFile, ReadFile, (I, P, I), (int file, void* buf, int n), (file, buf, n)) \
    X(10, piWriteFile, WriteFile, (I, P, I), (int file, const void* buf, int n), (file, buf, n)) \
    X(11, piBind, Bind, (I, S), (int handle, const char* description), (handle, description)) \
    X(12, piGetFunctionOrdinal, GetFunctionOrdinal, (S), (const char* name), (name)) \
    X(13, piSetAutoFree, SetAutoFree, (I), (int on), (on)) \
    X(14, piRegisterEvent, RegisterEvent, (I, I, P), (int handle, int event, void* p), (handle, event, p)) \
    X(15, piFireEvent, FireEvent, (I, I), (int handle, int event), (handle, event)) \
    X(16, piErrorMessage, ErrorMessage, (S), (const char* text), (text)) \
    X(17, piCreateObject, CreateObject, (S, I), (const char* name, int type), (name, type)) \
    X(18, piGetObject, GetObject, (I, I), (int handle, int flags), (handle, flags)) \
    X(19, piGetObjectByName, GetObjectByName, (S, I), (const char* name, int a), (name, a)) \
    X(20, piGetObjectByType, GetObjectByType, (I, I), (int type, int a), (type, a)) \
    X(21, piCreateDefaultObject, CreateDefaultObject, (I), (int type), (type)) \
    X(22, piFindObject, FindObject, (S), (const char* name), (name)) \
    X(23, piGetNextChildObject, GetNextChildObject, (I, I), (int handle, int a), (handle, a)) \
    X(24, piDeleteObject, DeleteObject, (I), (int handle), (handle)) \
    X(25, piAddChildObject, AddChildObject, (I, I), (int parent, int child), (parent, child)) \
    X(26, piRemoveChildObject, RemoveChildObject, (I, I), (int parent, int child), (parent, child)) \
    X(27, piFreeObject, FreeObject, (I), (int handle), (handle)) \
    X(28, piGetObjectCount, GetObjectCount, (I), (int flags), (flags)) \
    X(29, piSelectObject, SelectObject, (I, I), (int handle, int on), (handle, on)) \
    X(30, piClearSelection, ClearSelection, (), (void), ()) \
    X(31, piAnimCreate, AnimCreate, (S, I), (const char* name, int a), (name, a)) \
    X(32, piAnimSetObject, AnimSetObject, (I), (int handle), (handle)) \
    X(33, piAnimGetMaxFrame, AnimGetMaxFrame, (), (void), ()) \
    X(34, piAnimSetFrame, AnimSetFrame, (I), (int frame), (frame)) \
    X(35, piAnimGotoFrame, AnimGotoFrame, (I), (int frame), (frame)) \
    X(36, piAnimGetCurrentFrame, AnimGetCurrentFrame, (), (void), ()) \
    X(37, piAnimSetAttrib, AnimSetAttrib, (I, I), (int a, int b), (a, b)) \
    X(38, piCustomTexture, CustomTexture, (S, I, P), (const char* name, int op, void* prop), (name, op, prop)) \
    X(39, piLoad, Load, (S), (const char* file), (file)) \
    X(40, piSave, Save, (S, I), (const char* file, int type), (file, type)) \
    X(41, piRender, Render, (), (void), ()) \
    X(42, piNewScene, NewScene, (), (void), ()) \
    X(43, piRedraw, Redraw, (), (void), ()) \
    X(44, piRebuild, Rebuild, (), (void), ()) \
    X(45, piUpdate, Update, (), (void), ()) \
    X(46, piSetSceneProperty, SetSceneProperty, (I, P), (int id, KxVar* v), (id, v)) \
    X(47, piRebuildObject, RebuildObject, (I, I), (int handle, int a), (handle, a)) \
    X(48, piGetObjectPropertyId, GetObjectPropertyId, (S), (const char* name), (name)) \
    X(49, piGetPropertyId, GetPropertyId, (S), (const char* name), (name)) \
    X(50, piGetObjectProperty, GetObjectProperty, (I, S, P), (int handle, const char* prop, KxVar* v), (handle, prop, v)) \
    X(51, piSetObjectProperty, SetObjectProperty, (I, S, P), (int handle, const char* prop, KxVar* v), (handle, prop, v)) \
    X(52, piSetObjectPropPnt, SetObjectPropPnt, (I, S, Q), (int handle, const char* prop, const float p[3]), (handle, prop, p)) \
    X(53, piGetObjectPropPnt, GetObjectPropPnt, (I, S, Q), (int handle, const char* prop, float p[3]), (handle, prop, p)) \
    X(54, piGetObjectPropInt, GetObjectPropInt, (I, S), (int handle, const char* prop), (handle, prop)) \
    X(55, piSetObjectPropInt, SetObjectPropInt, (I, S, I), (int handle, const char* prop, int value), (handle, prop, value)) \
    X(56, piGetObjectName, GetObjectName, (I, O), (int handle, char* name), (handle, name)) \
    X(57, piSetObjectName, SetObjectName, (I, S), (int handle, const char* name), (handle, name)) \
    X(58, piSetObjectColor, SetObjectColor, (I, S), (int handle, const char* color), (handle, color)) \
    X(59, piSetObjectTexture, SetObjectTexture, (I, S), (int handle, const char* texture), (handle, texture)) \
    X(60, piGetObjectTexture, GetObjectTexture, (I, O), (int handle, char* texture), (handle, texture)) \
    X(61, piGetTextureProperty, GetTextureProperty, (I, P), (int handle, void* prop), (handle, prop)) \
    X(62, piSetTextureProperty, SetTextureProperty, (I, P), (int handle, void* prop), (handle, prop)) \
    X(63, piSetObjectData, SetObjectData, (I, W), (int handle, int data), (handle, data)) \
    X(64, piGetObjectData, GetObjectData, (I, P), (int handle, int* data), (handle, data)) \
    X(65, piGetObjectType, GetObjectType, (I), (int handle), (handle)) \
    X(66, piGetObjectGroup, GetObjectGroup, (I), (int handle), (handle)) \
    X(67, piDeleteGeometry, DeleteGeometry, (I), (int handle), (handle)) \
    X(68, piGetGeometry, GetGeometry, (I, I, Q), (int handle, int flags, float* points), (handle, flags, points)) \
    X(69, piPutGeometry, PutGeometry, (I, I, Q), (int handle, int n, const float* points), (handle, n, points)) \
    X(70, piSmooth, Smooth, (I, I), (int handle, int undo), (handle, undo)) \
    X(71, piSize, Size, (I, Q), (int handle, const float p[3]), (handle, p)) \
    X(72, piMove, Move, (I, Q), (int handle, const float p[3]), (handle, p)) \
    X(73, piScale, Scale, (I, Q), (int handle, const float p[3]), (handle, p)) \
    X(74, piScaleAbout, ScaleAbout, (I, Q, Q), (int handle, const float p[3], const float about[3]), (handle, p, about)) \
    X(75, piRotate, Rotate, (I, Q), (int handle, const float p[3]), (handle, p)) \
    X(76, piRotateAbout, RotateAbout, (I, Q, Q), (int handle, const float p[3], const float about[3]), (handle, p, about)) \
    X(77, piSetCursor, SetCursor, (Q), (const float p[3]), (p)) \
    X(78, piMoveF, MoveF, (D, D, D), (double x, double y, double z), (x, y, z)) \
    X(79, piScaleF, ScaleF, (D, D, D), (double x, double y, double z), (x, y, z)) \
    X(80, piRotateF, RotateF, (D, D, D), (double x, double y, double z), (x, y, z)) \
    X(81, piRotateAboutF, RotateAboutF, (D, D, D, D, D, D), (double x, double y, double z, double ax, double ay, double az), (x, y, z, ax, ay, az)) \
    X(82, piSetCursorF, SetCursorF, (D, D, D), (double x, double y, double z), (x, y, z)) \
    X(83, piTransform, Transform, (I, S), (int handle, const char* operation), (handle, operation))
