// Writing the statement form of the scene file: a header of scene settings,
// the camera, then one run of statements per object.
#include <cstring>
#include <string>

#include "anim/anim_internal.h"
#include "files/formats_internal.h"
#include "model/point_compare.h"

namespace {

using kx::model::isZero;

void line(StandardFile* f, const char* label, Point3d p) { WriteArgLine(f, label, &p); }

// A name as one token: quoted only when it would otherwise fall apart.
std::string nameToken(const char* name) {
    if (name[0] && !std::strpbrk(name, " \t\r\n,\"")) return name;
    return SetArgStringQuote(name);
}

void writeHeader(StandardFile* f, const CadScene* scene) {
    StdPutLine(f, "version %s\n", "1.5");
    StdPutLine(f, "distance %g\n", GetDistance(0));
    for (unsigned view = 1; view <= 2; ++view)
        if (GetDistance(view) != 16.0) StdPutLine(f, "zoom %g %d\n", GetDistance(view), static_cast<int>(view));
    if (GetGridInterval() != 1.0 || GetGridExtent() != 32.0)
        StdPutLine(f, "interval %g %d\n", GetGridInterval(), static_cast<int>(GetGridExtent()));
    if (scene->description[0]) StdPutLine(f, "description %s\n", SetArgStringQuote(scene->description));
    if (scene->image[0]) StdPutLine(f, "image %s\n", SetArgStringQuote(scene->image));
    if (scene->include[0]) StdPutLine(f, "include %s\n", SetArgStringQuote(scene->include));
    if (scene->backColor) StdPutLine(f, "backcolor %d\n", static_cast<int>(scene->backColor));
    StdPutLine(f, "_camera _camera0\r\n");
    WriteAllArgs(f, CameraToObject(GetActiveCamera()));
}

void writeObject(StandardFile* f, CadObject* obj) {
    // An object hidden in the current frame is saved as what it is.
    kx::anim::SavedTypeScope shown(obj);
    switch (obj->type) {
        case KX_GROUP:
            StdPutLine(f, "%s %s\r\n", "_group", nameToken(obj->name).c_str());
            StdPutLine(f, "  group %d\r\n", static_cast<int>(obj->groupId));
            if (!isZero(obj->extraPoint)) line(f, "  extra", obj->extraPoint);
            return;
        case KX_POINTS:
            WriteCadPoints(f, obj);
            WriteArgsCommon(f, obj);
            SaveTexture(f, obj);
            return;
        case KX_POLYGON:
            WriteCadPoints(f, obj);
            if (obj->polygons) WriteAllArgs(f, obj);
            else WriteArgsCommon(f, obj);
            SaveTexture(f, obj);
            return;
        default: break;
    }
    // Null objects, the camera (written with the header), line segments and
    // the unused ids have no statements of their own.
    // The renderer's own shapes have no statement in this format either.
    if (obj->type < KX_LIGHT || obj->type == KX_CAMERA || obj->type > KX_USERDEFINED) {
        if (obj->type != KX_NULL && obj->type != KX_CAMERA)
            LogMessage(1, "Object %s of type %u not saved", obj->name, obj->type);
        return;
    }
    StdPutLine(f, "%s %s\r\n", GetObjectTypeLabel(obj->type), nameToken(obj->name).c_str());
    WriteExtraInfo(f, obj);
    WriteAllArgs(f, obj);
    SaveTexture(f, obj);
}

}  // namespace

int WriteArgs(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    line(f, "  size", obj->size);
    if (!isZero(obj->extraPoint)) line(f, "  extra", obj->extraPoint);
    line(f, "  scale", obj->scale);
    if (!isZero(obj->rotate)) line(f, "  rotate", obj->rotate);
    if (!isZero(obj->translate)) line(f, "  move", obj->translate);
    return 1;
}

int WriteArgsCommon(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    if (obj->groupId) StdPutLine(f, "  group %d\n", static_cast<int>(obj->groupId));
    std::string letters;
    for (const KxObjectFlag& flag : KX_OBJECT_FLAGS) {
        const bool on = (obj->flags & flag.flag) != 0;
        if (flag.legacyLetter && on != flag.defaultOn) letters += flag.legacyLetter;
    }
    if (!letters.empty()) StdPutLine(f, "  attrib %s\n", letters.c_str());
    return 1;
}

int WriteAllArgs(StandardFile* f, CadObject* obj) {
    if (!WriteArgs(f, obj)) return 0;
    return WriteArgsCommon(f, obj);
}

char* StripObjectName(char* name) {
    auto& stripped = kx::core().results.strippedName;
    if (!name || name[0] != '_' || strnlen(name, 33) > 32) return name;
    size_t n = std::strcspn(name, "0123456789");
    std::memcpy(stripped, name, n);
    stripped[n] = '\0';
    return stripped;
}

int SaveScene(CadScene* scene, const char* name) {
    StandardFile* f = StdOpenFile(name, KX_OPEN_CREATE);
    if (!f) {
        StdFileError(0, "Kalvex", name);
        return 0;
    }
    LogMessage(2, "SaveScene: %s", name);
    if (!scene) scene = GetCurrentScene();
    f->scene = scene;
    ClearTextureUsed();
    writeHeader(f, scene);
    const bool empty = GetCadObject(nullptr) == nullptr;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) writeObject(f, o);
    if (!empty) WriteAnimate(f);
    if (!StdCloseFile(f)) {
        StdFileError(0, "Kalvex", name);
        return 0;
    }
    return empty ? 0 : 1;
}
