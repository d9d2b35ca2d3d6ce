// Scene and object events: plug-ins register callbacks, scene files register
// scripts, and firing an event calls the matching callbacks in order.
#pragma once

#include "kx/api.h"
#include "kx/types.h"

// Event ids; GetEventType maps their names to them.
enum : unsigned {
    KX_EVENT_SCENE_CREATE = 1,
    KX_EVENT_SCENE_DELETE = 2,
    KX_EVENT_SCENE_UPDATE = 3,
    KX_EVENT_SCENE_FRAME = 4,
    KX_EVENT_SCENE_RENDER = 5,
    KX_EVENT_SCENE_EXPORT = 6,
    KX_EVENT_SCENE_IMPORT = 7,
    KX_EVENT_OBJECT_CREATE = 100,
    KX_EVENT_OBJECT_DELETE = 101,
    KX_EVENT_OBJECT_UPDATE = 102,
    KX_EVENT_OBJECT_FRAME = 103,
    KX_EVENT_OBJECT_RENDER = 104,
    KX_EVENT_OBJECT_IMPORT = 105,
    KX_EVENT_OBJECT_EXPORT = 106,
    KX_EVENT_OBJECT_SELECT = 107,
    KX_EVENT_OBJECT_TRANSFORM = 108,
    KX_EVENT_OBJECT_TEXTURE = 109,
};

// The table holds this many registrations at most.
inline constexpr unsigned KX_MAX_EVENTS = 128;

// Called with the event type and the object the registration is bound to
// (null for a registration that is not bound to an object).
using KalvexEventProc = int (*)(int type, CadObject* obj);

// Empty the table, freeing the stored script texts. Return 1.
KXCORE_API int InitKalvexEvent();
KXCORE_API int ClearKalvexEvent();
KXCORE_API int DestroyKalvexEvent();

// Appends a registration of type, bound to obj (null: any object), with a
// copy of script (may be null) and callback (may be null). 0 when the table
// is full or the copy cannot be made.
KXCORE_API int RegisterKalvexScriptEvent(int type, CadObject* obj, const char* script,
                                         KalvexEventProc callback);
KXCORE_API int RegisterKalvexEvent(int type, CadObject* obj, KalvexEventProc callback);

// Calls, in registration order, the callback of every registration of type
// that is bound to obj, or of every registration of type when obj is null.
// Registrations bound to an object that has since been deleted are never
// called. Returns 1.
KXCORE_API int FireKalvexEvent(int type, CadObject* obj);
KXCORE_API int FireKalvexEventAll(int type);

// The id of an event name (any case); 0 for an unknown name or null.
KXCORE_API unsigned GetEventType(const char* name);

// The first registration of type at or after position *index: stores its
// position in *index and returns its script (null for a callback). Null and
// *index unchanged when there is none. Registrations bound to a deleted
// object are passed over; positions never shift.
KXCORE_API char* GetEventScript(int type, unsigned* index);
