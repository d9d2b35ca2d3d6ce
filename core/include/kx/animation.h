// The scene's key-frame animation: a fixed number of frames and a table of
// animated objects, each holding the object's five shape vectors and two flags
// per frame; frame sequences and templates for rendering every frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kx/api.h"
#include "kx/stdfile.h"
#include "kx/types.h"

// The one animation of the process (GetAniSettings).
struct AniSettings {
    char name[260];        // animation (project) name
    char dir[260];         // output folder of rendered frames; empty when none
    uint32_t maxFrames;    // number of frames
    uint32_t capacity;     // entries in the animated-object table
    uint32_t objectCount;  // entries used, emptied ones included
    uint32_t currentFrame; // frame the objects show, from 0
    uint32_t deletedCount; // entries emptied by removing their object
    uint32_t copyForward;  // 1: storing a frame copies it into the following non-key frames
    uint32_t frameChange;  // 1: the objects were edited; the next frame change stores first
    uint32_t options[3];   // flags of the program's animation dialogs; the core ignores them
    uint32_t active;       // 1 while an animation exists
};

// One frame of one animated object.
struct AnimFrame {
    uint32_t hide;  // 1: the object is hidden in this frame
    uint32_t key;   // 1: key frame
    Point3d size;
    Point3d extraPoint;
    Point3d scale;
    Point3d rotate;
    Point3d move;   // the object's translate
};

// One entry of the animated-object table. object and frames are null for an
// entry whose object was removed.
struct AnimObject {
    CadObject* object;
    AnimFrame* frames;  // maxFrames records, owned by the entry
    uint32_t type;      // the object's type when added: shown again with it
};

static_assert(sizeof(AniSettings) == 564);
static_assert(offsetof(AniSettings, dir) == 260 && offsetof(AniSettings, maxFrames) == 520);
static_assert(offsetof(AniSettings, copyForward) == 540 && offsetof(AniSettings, options) == 548);
static_assert(offsetof(AniSettings, active) == 560);
static_assert(sizeof(AnimFrame) == 68);
static_assert(offsetof(AnimFrame, size) == 8 && offsetof(AnimFrame, move) == 56);
static_assert(offsetof(AnimObject, frames) == sizeof(void*) && offsetof(AnimObject, type) == 2 * sizeof(void*));

// A frame sequence: the texts the placeholders $N, $E, $R and $I stand for.
struct SeqInfo {
    char name[260];       // $N: the animation's file stem
    char extension[260];  // $E: the renderer's scene file extension
    char render[260];     // $R
    char image[260];      // $I
};

static_assert(sizeof(SeqInfo) == 1040 && offsetof(SeqInfo, image) == 780);

// Frames and the object table above these limits are refused as storage that
// cannot be had ("Error Out of Memory Allocating Frame Storage"); the frame
// records of all entries together are bounded the same way ("Error
// allocating animation object").
inline constexpr uint32_t KX_ANIM_MAX_FRAMES = 1u << 20;
inline constexpr uint32_t KX_ANIM_MAX_ENTRIES = 1u << 20;
inline constexpr uint64_t KX_ANIM_MAX_FRAME_RECORDS = 1ull << 23;

// --- lifecycle ---
// Clears the record (options 1, copyForward 1, not active) and forgets the
// table; the update flag becomes 1. 1.
KXCORE_API int InitAni() noexcept;
// Frees every entry's frames and the table (hidden objects get their type
// back first), then InitAni; nothing without a table. 1.
KXCORE_API int DestroyAni() noexcept;
// A new empty animation of maxFrames frames with room for capacity entries.
// 0 with "Error Out of Memory Allocating Frame Storage" when the table cannot
// be had; the animation is then inactive.
KXCORE_API int CreateFrames(unsigned maxFrames, unsigned capacity) noexcept;
// 0 for a null name; else a new animation of that name (cut to 259 characters).
KXCORE_API int CreateAnimation(const char* name, unsigned maxFrames) noexcept;
KXCORE_API AniSettings* GetAniSettings(CadScene* scene) noexcept;
KXCORE_API int IsAni() noexcept;
KXCORE_API unsigned GetMaxFrame() noexcept;
KXCORE_API unsigned GetCurrentFrame() noexcept;
// Only records the frame; nothing moves. 1.
KXCORE_API int SetCurrentFrame(unsigned f) noexcept;
// Entries minus emptied entries; -1 without an animation.
KXCORE_API int GetAniObjectCount() noexcept;
// Entry i (its object may be null); null without an animation or for
// i >= objectCount. Valid until the table grows.
KXCORE_API AnimObject* GetAniObject(unsigned i) noexcept;
KXCORE_API void SetFrameChange(int changed) noexcept;
// The update flag of the program's animation control; cleared by reading it.
KXCORE_API int IsUpdateAnimateCtrl() noexcept;

// --- objects ---
// Adds an object, or refreshes the non-key frames of an animated one; a
// Points object lays a motion path on the selected (or last) animated object
// instead. 0 for a null object ("Invalid CAD Object, %s line %d"), without an
// animation, for a group, segment or mesh without triangles ("Error Unable to
// Animate RAW Mesh Object"), and when storage runs out.
KXCORE_API int AddObjectToAni(CadObject* obj, unsigned unused) noexcept;
// A selected animated object leaves the animation: its entry is emptied (its
// type restored first). Others are left alone. 0 only for null.
KXCORE_API int DeleteObjectFromAni(CadObject* obj, unsigned unused) noexcept;
// The object's vectors into its record of the current frame.
KXCORE_API int UpdateAniObject(CadObject* obj) noexcept;
// Every animated object's vectors into frame f as a key frame, copied forward
// up to the next key frame when copyForward is set. 0 for an invalid frame,
// no animation or no entries.
KXCORE_API int UpdateObjectsFromFrame(unsigned f) noexcept;
KXCORE_API void UpdateObjectFromCurrent() noexcept;
// Shows frame f: every animated object takes its vectors (hidden: type 0) and
// is rebuilt; an animated camera object also aims the camera. 0 as above.
KXCORE_API int SetObjectsToFrame(unsigned f) noexcept;
// Puts back an animation taken earlier: its settings and its first count
// entries (emptied ones too), each naming its object (null for an emptied
// entry) and, for a live one, settings->maxFrames frames, which are copied.
// No object is touched: whoever puts the animation back puts the objects
// back too. Settings that say there is no animation leave none. Returns 1;
// 0 when the copy does not fit the limits or memory runs out, the animation
// then as it was.
KXCORE_API int SetAniTable(const AniSettings* settings, const AnimObject* entries, unsigned count) noexcept;
// attr 0: key flag, 1: hide flag of frame f, for every selected animated object.
KXCORE_API int SetObjectFrameAttrib(unsigned f, unsigned attr, int value) noexcept;
// Fills the frames strictly between f1 and f2 of one entry by midpoints.
// 0 for an invalid or emptied entry, an invalid frame, or f1 > f2.
KXCORE_API int InterpFrames(unsigned entry, unsigned f1, unsigned f2) noexcept;

// --- the animation block of scene files ---
// Writes "animate ..." to "end" after storing the current frame; 0 and
// nothing written without an animation.
KXCORE_API int WriteAnimate(StandardFile* f) noexcept;
// Reads the block after its "animate" keyword and name. Each "objectname"
// makes one entry (empty when no object of that name can be animated, with
// "Unable to select animation object \"%s\" ", result 0); values never reach
// another entry or frame than the file names. Reads to "end".
KXCORE_API int ReadAnimate(StandardFile* f, const char* name) noexcept;

// --- frame sequences and templates ---
KXCORE_API char* GetSequenceTemplate() noexcept;  // 1024-character buffer, editable
KXCORE_API char* GetObjectTemplate() noexcept;    // 1024-character buffer, editable
KXCORE_API int SetSequenceTemplateCmd(const char* text) noexcept;
KXCORE_API int SetSequenceTemplateExtension(const char* ext) noexcept;
KXCORE_API int SetListTemplateExtension(const char* ext) noexcept;
KXCORE_API int SetSequenceTemplateResolution(unsigned width, unsigned height) noexcept;
// The template expanded for one frame (the command template when the
// sequence template holds "$C"), cut at 1023 characters; a trailing "$" is
// dropped. Valid until the next call.
KXCORE_API char* ParseSeqTemplate(unsigned frame, SeqInfo* seq) noexcept;
// The object template with $X, $Y, $Z as "%g"; the same limits.
KXCORE_API char* ParseObjTemplate(double x, double y, double z) noexcept;
// The i-th frame of the coarse-to-fine order and its step; 0.
KXCORE_API int InsideOut(int count, int i, int* frame, int* step) noexcept;
// Writes <name><sequence extension> with one expanded line per frame.
KXCORE_API int CreateFrameTableEx(int count, int insideOut, SeqInfo* seq) noexcept;
// Writes <name><list extension> naming count frame images.
KXCORE_API int CreateFrameList(const char* name, const char* imageExt, int count) noexcept;
// Reads name + ".TPL" into buffer (1024 characters, lines joined with CR LF).
KXCORE_API int LoadTemplate(const char* name, char* buffer) noexcept;
KXCORE_API int SaveTemplate(const char* name, char* text) noexcept;
