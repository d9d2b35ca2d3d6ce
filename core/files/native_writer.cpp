// Writing the native scene file.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "anim/anim_internal.h"
#include "files/files_internal.h"
#include "kxplatform/c_locale.h"
#include "model/model_internal.h"
#include "model/point_compare.h"

namespace {

// Nesting depth of the object being written (one file at a time).
int& depth() { return kx::core().files.nativeWriteDepth; }

std::string tabs() { return std::string(static_cast<size_t>(depth()), '\t'); }

using kx::model::isZero;

void writeAttributes(StandardFile* f, const CadObject* obj) {
    const std::string t = tabs();
    if (obj->groupId) StdPutLine(f, "%s\tGroupId %d\n", t.c_str(), static_cast<int>(obj->groupId));
    for (const KxObjectFlag& flag : KX_OBJECT_FLAGS) {
        const bool on = (obj->flags & flag.flag) != 0;
        if (flag.legacyLetter && on != flag.defaultOn) StdPutLine(f, "%s\t%s %d\n", t.c_str(), flag.name, on ? 1 : 0);
    }
}

void writeLabelled(StandardFile* f, const char* label, Point3d p) {
    std::string line = tabs() + label;
    WriteArgLine(f, line.c_str(), &p);
}

void writeTransforms(StandardFile* f, CadObject* obj) {
    writeLabelled(f, "\tsize", obj->size);
    if (!isZero(obj->extraPoint)) writeLabelled(f, "\textra", obj->extraPoint);
    writeLabelled(f, "\tscale", obj->scale);
    if (!isZero(obj->rotate)) writeLabelled(f, "\trotate", obj->rotate);
    if (!isZero(obj->translate)) writeLabelled(f, "\tposition", obj->translate);
    writeAttributes(f, obj);
}

void writeExtraValue(StandardFile* f, const ExtraField& field, const char* name) {
    const unsigned char* v = field.value;
    const auto* d = reinterpret_cast<const double*>(v);
    const auto* i = reinterpret_cast<const int32_t*>(v);
    const auto* p = reinterpret_cast<const Point3d*>(v);
    unsigned n = field.count;
    if (field.type != KX_VALUE_STRING) n = std::min(n, kx::model::extraRoom(field.type));
    switch (field.type) {
        case KX_VALUE_STRING: {
            // Always quoted, so that an empty text still reads back as a value.
            std::string text(reinterpret_cast<const char*>(v), strnlen(reinterpret_cast<const char*>(v), KX_EXTRA_TEXT_MAX));
            StdPutLine(f, "%s\n", SetArgStringQuote(text.c_str()));
            break;
        }
        case KX_VALUE_FLOAT: StdPutLine(f, "%g\n", d[0]); break;
        case KX_VALUE_INTEGER: StdPutLine(f, "%d\n", i[0]); break;
        case KX_VALUE_POINT: StdPutLine(f, "%g %g %g ", p[0].x, p[0].y, p[0].z); break;
        case KX_VALUE_FLOATARRAY:
            StdPutLine(f, "[ %d ", static_cast<int>(n));
            for (unsigned k = 0; k < n; ++k) StdPutLine(f, " %g", d[k]);
            StdPutLine(f, " ]\n");
            break;
        case KX_VALUE_INTEGERARRAY:
            StdPutLine(f, "[ %d ", static_cast<int>(n));
            for (unsigned k = 0; k < n; ++k) StdPutLine(f, " %g\n", static_cast<double>(i[k]));
            StdPutLine(f, " ]\n");
            break;
        case KX_VALUE_POINTSARRAY:
            StdPutLine(f, "[ %d\n", static_cast<int>(n));
            for (unsigned k = 0; k < n; ++k) {
                StdPutLine(f, "< ");
                WritePoint(f, const_cast<Point3d*>(&p[k]));
                StdPutLine(f, " >\n");
            }
            StdPutLine(f, " ]\n");
            break;
        default:
            ErrorMessage("Unknown property type found: Field %s Data %d", name, static_cast<int>(field.type));
            break;
    }
}

void writeExtraFields(StandardFile* f, CadObject* obj) {
    if (!obj->extra) return;
    ExtraField* fields = ExtraBlockFields(obj->extra);
    for (uint32_t k = 0; k < obj->extra->count; ++k) {
        const ExtraField& field = fields[k];
        if (field.id == 0) break;
        if (field.count == 0) continue;
        const char* name = GetObjectPropertyTypeName(static_cast<int>(field.id));
        int tableType = GetObjectPropertyType(static_cast<int>(field.id));
        // A field the reader could not give back as it is stays out of the file.
        bool readable = field.type == static_cast<uint32_t>(tableType) ||
                        (tableType == KX_VALUE_FLOATARRAY && field.type == KX_VALUE_INTEGERARRAY);
        if (!name || !readable) {
            LogMessage(1, "Extra field %u of %s not saved", field.id, obj->name);
            continue;
        }
        StdPutLine(f, "%s\t%s ", tabs().c_str(), name);
        writeExtraValue(f, field, name);
    }
}

// The header lines of a block: type name, "{", name.
void writeHeader(StandardFile* f, const char* typeName, const CadObject* obj, bool crlfName) {
    const std::string t = tabs();
    StdPutLine(f, "%s%s\n%s{\n%s\tName %s%s", t.c_str(), typeName, t.c_str(), t.c_str(), obj->name,
               crlfName ? "\r\n" : "\n");
}

void closeBlock(StandardFile* f) { StdPutLine(f, "%s}\n", tabs().c_str()); }

int writeGroup(StandardFile* f, CadObject* group) {
    writeHeader(f, "Group", group, true);
    StdPutLine(f, "%s\tGroupId %d\r\n", tabs().c_str(), static_cast<int>(group->groupId));
    if (!isZero(group->extraPoint)) writeLabelled(f, "\textra", group->extraPoint);
    ++depth();
    unsigned guard = GetCadObjectsCount();
    for (CadObject* c = group->firstChild; c && guard > 0; c = c->nextSibling, --guard) WriteKalvexObject(f, c);
    --depth();
    closeBlock(f);
    return 1;
}

int writePointObject(StandardFile* f, CadObject* obj, const char* typeName) {
    writeHeader(f, typeName, obj, true);
    WriteCadPoints(f, obj);
    // A mesh's extras (its picture, photons, media) go with it; a mesh without
    // any is written as it always was.
    writeExtraFields(f, obj);
    if (obj->type == KX_POLYGON && obj->polygons) writeTransforms(f, obj);
    else writeAttributes(f, obj);
    SaveTexture(f, obj);
    closeBlock(f);
    return 1;
}

void writeSceneBlock(StandardFile* f, const CadScene* scene) {
    StdPutLine(f, "Scene\n{\n");
    for (unsigned view = 1; view <= 2; ++view)
        if (GetDistance(view) != 16.0) StdPutLine(f, "\tZoom %g %d\n", GetDistance(view), static_cast<int>(view));
    if (GetGridInterval() != 1.0 || GetGridExtent() != 32.0)
        StdPutLine(f, "\tInterval %g %d\n", GetGridInterval(), static_cast<int>(GetGridExtent()));
    if (scene->description[0]) StdPutLine(f, "\tDescription %s\n", SetArgStringQuote(scene->description));
    if (scene->image[0]) StdPutLine(f, "\tImage %s\n", SetArgStringQuote(scene->image));
    if (scene->include[0]) StdPutLine(f, "\tInclude %s\n", SetArgStringQuote(scene->include));
    if (scene->backColor) StdPutLine(f, "\tBackColor %d\n", static_cast<int>(scene->backColor));
    for (unsigned i = 0; const char* name = GetSceneSettingName(i); ++i)
        if (const std::string& value = kx::model::sceneSetting(name); !value.empty())
            StdPutLine(f, "\t%s %s\n", name, SetArgStringQuote(value.c_str()));
    StdPutLine(f, "}\n");
}

void writeCameraBlock(StandardFile* f) {
    CameraInfo* cam = GetActiveCamera();
    StdPutLine(f, "Camera\n{\tName _camera0\r\n");
    for (const KxCameraField& field : KX_CAMERA_FIELDS) {
        const std::string label = std::string("\t") + field.keyword;
        WriteArgLine(f, label.c_str(), &(cam->*field.camera));
    }
    StdPutLine(f, "}\n");
}

}  // namespace

int WritePoint(StandardFile* f, Point3d* p) {
    if (!f || !p) return 0;
    // Every corner of every mesh passes here: "%g %g %g " made directly.
    char text[3 * (kx::platform::kGTextMax + 1)];
    char* at = text;
    for (float v : {p->x, p->y, p->z}) {
        at = kx::platform::writeG(at, v);
        *at++ = ' ';
    }
    return kx::files::queueWrite(f, text, static_cast<size_t>(at - text)) ? 1 : 0;
}

int WriteArgLine(StandardFile* f, const char* label, Point3d* p) {
    if (!p) return 0;
    return StdPutLine(f, "%s %g %g %g\r\n", label ? label : "", p->x, p->y, p->z);
}

int SaveTexture(StandardFile* f, CadObject* obj) {
    if (!f || !obj) return 0;
    if (obj->materialType & 1) StdPutLine(f, "  color %s\r\n", obj->material);
    if (obj->materialType & 2) {
        StdPutLine(f, "  texture %s\r\n", obj->material);
        // A user texture travels with the scene, once per file.
        if (IsUserTexture(obj->material) && LoadCustomTexture(obj->material))
            SaveCustomTextureEx(f, obj->material, 0);
    }
    return 1;
}

int WriteKalvexObject(StandardFile* f, CadObject* obj) {
    if (!obj) return 0;
    // An object hidden in the current frame is saved as what it is.
    kx::anim::SavedTypeScope shown(obj);
    const char* typeName = GetObjectTypeName(static_cast<int>(obj->type));
    switch (obj->type) {
        case KX_NULL:
        case KX_CAMERA: return 1;
        case KX_GROUP: return writeGroup(f, obj);
        case KX_POINTS:
        case KX_LINESEG:
        case KX_POLYGON: return writePointObject(f, obj, typeName);
        default: break;
    }
    // Types without a readable name would stop the reader at this block.
    if (!typeName || obj->type < KX_POINTS || obj->type >= KX_TYPE_COUNT) {
        LogMessage(1, "Object %s of type %u not saved", obj->name, obj->type);
        return 1;
    }
    writeHeader(f, typeName, obj, false);
    writeExtraFields(f, obj);
    writeTransforms(f, obj);
    SaveTexture(f, obj);
    closeBlock(f);
    return 1;
}

int WriteKalvexScene2(StandardFile* f) {
    if (!f) return 0;
    depth() = 0;
    ClearTextureUsed();
    StdPutLine(f, "version 2.0\n");
    const CadScene* scene = f->scene ? f->scene : GetCurrentScene();
    writeSceneBlock(f, scene);
    writeCameraBlock(f);
    if (!GetCadObject(nullptr)) return 0;
    // Each grouped object is written exactly once, inside its group.
    kx::model::linkToGroups(GetCadObject(nullptr));
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (!o->parent) WriteKalvexObject(f, o);
    WriteAnimate(f);
    return 1;
}

int SaveScene2(CadScene* scene, const char* name) {
    std::string path = AddExt(name, ".CAD");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
    if (!f) {
        StdFileError(0, "Kalvex", path.c_str());
        return 0;
    }
    LogMessage(2, "SaveScene: %s", path.c_str());
    f->scene = scene;
    WriteKalvexScene2(f);
    if (!StdCloseFile(f)) {
        StdFileError(0, "Kalvex", path.c_str());
        return 0;
    }
    return 1;
}
