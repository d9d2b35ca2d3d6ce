// Reading scene files: the version line decides between the block form and
// the statement form of older files, read here one keyword at a time into a
// pending object that is created when the next object begins.
#include <cstring>
#include <string>

#include "files/legacy_internal.h"
#include "files/tokens.h"
#include "kxplatform/c_locale.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

using namespace kx::files::legacy;

// A scene file that loads scene files, which load others: deeper than this is
// taken as a file that loads itself.
constexpr int kMaxLoadDepth = 16;
int& loadDepth() { return kx::core().files.legacyLoadDepth; }

// Longest text argument a statement takes.
constexpr size_t kTextArgMax = 135;

enum class Arg { None, Text, Number, Integer, Point };

struct Statement {
    int id;
    const char* keyword;  // matched exactly
    Arg first;
    Arg second;
};

enum : int {
    kBegin = 17, kSize, kExtra, kRotate, kMove, kScale, kGroupId, kTexture, kColor, kAttrib,
    kInfo, kString, kVersion, kPoints, kAnimate, kLoad, kZoom, kDistance, kInterval, kUserTex,
    kDescription, kInclude, kImage, kBackColor = 41, kScript = 42,
};

constexpr Statement kStatements[] = {
    {1, "_sphere", Arg::Text, Arg::None},
    {2, "_plane", Arg::Text, Arg::None},
    {3, "_disc", Arg::Text, Arg::None},
    {4, "_cylinder", Arg::Text, Arg::None},
    {5, "_cone", Arg::Text, Arg::None},
    {6, "_torus", Arg::Text, Arg::None},
    {7, "_box", Arg::Text, Arg::None},
    {kHeightfield, "_heightfield", Arg::Text, Arg::None},
    {9, "_userdefined", Arg::Text, Arg::None},
    {10, "_blob", Arg::Text, Arg::None},
    {kLight, "_light", Arg::Text, Arg::None},
    {kCamera, "_camera", Arg::Text, Arg::None},
    {kText, "_text", Arg::Text, Arg::None},
    {kPatch, "_patch", Arg::Text, Arg::None},
    {kGroup, "_group", Arg::Text, Arg::None},
    // Ellipsoids are saved under their label; reading it back keeps them.
    {kEllipsoid, "_ellipse", Arg::Text, Arg::None},
    {kBegin, "begin", Arg::Text, Arg::None},
    {kSize, "size", Arg::Point, Arg::None},
    {kExtra, "extra", Arg::Point, Arg::None},
    {kRotate, "rotate", Arg::Point, Arg::None},
    {kMove, "move", Arg::Point, Arg::None},
    {kScale, "scale", Arg::Point, Arg::None},
    {kGroupId, "group", Arg::Integer, Arg::None},
    {kTexture, "texture", Arg::Text, Arg::None},
    {kColor, "color", Arg::Text, Arg::None},
    {kAttrib, "attrib", Arg::Text, Arg::None},
    {kInfo, "info", Arg::Text, Arg::None},
    {kString, "string", Arg::Text, Arg::None},
    {kVersion, "version", Arg::Number, Arg::None},
    {kPoints, "points", Arg::Text, Arg::None},
    {kAnimate, "animate", Arg::Text, Arg::None},
    {kLoad, "load", Arg::Text, Arg::None},
    {kZoom, "zoom", Arg::Number, Arg::Integer},
    {kDistance, "distance", Arg::Number, Arg::None},
    {kInterval, "interval", Arg::Number, Arg::Integer},
    {kUserTex, "usertex", Arg::Text, Arg::None},
    {kDescription, "description", Arg::Text, Arg::None},
    {kInclude, "include", Arg::Text, Arg::None},
    {kImage, "image", Arg::Text, Arg::None},
    {kBackColor, "backcolor", Arg::Text, Arg::None},
    {kScript, "script", Arg::Text, Arg::None},
};

// The primitives made by a creator from the pending creation record.
struct ObjectKind {
    int statement;
    unsigned type;  // the type the creator makes
    int (*create)(CadObjectInfo*);
};

constexpr ObjectKind kObjectKinds[] = {
    {1, KX_SPHERE, CreateSphere},       {2, KX_PLANE, CreatePlane},
    {3, KX_DISC, CreateDisc},           {4, KX_CYLINDER, CreateCylinder},
    {5, KX_CONE, CreateCone},           {6, KX_TORUS, CreateTorus},
    {7, KX_BOX, CreateBox},             {kHeightfield, KX_HEIGHTFIELD, CreateHeightfield},
    {9, KX_USERDEFINED, CreateUserDefined}, {10, KX_BLOB, CreateBlob},
    {kLight, KX_LIGHT, CreateLight},    {kText, KX_TEXT, CreateText},
    {kPatch, KX_PATCH, CreatePatch},    {kEllipsoid, KX_SPHERE, CreateSphere},
};

// Transform statements seen for the pending object.
enum : unsigned { kSeenSize = 1, kSeenExtra = 2, kSeenScale = 4, kSeenRotate = 8, kSeenMove = 16 };

struct Args {
    std::string text;
    double number = 0.0;
    long long integer = 0;
    Point3d point{0, 0, 0};
    bool notFinite = false;  // a number was "nan" or "inf": the file is damaged
};

struct Reader {
    StandardFile* f;
    CadScene* scene;
    Pending pending;
    unsigned seen = 0;
};

const Statement* findStatement(const char* keyword) {
    for (const Statement& s : kStatements)
        if (std::strcmp(s.keyword, keyword) == 0) return &s;
    return nullptr;
}

const ObjectKind* findKind(int statement) {
    for (const ObjectKind& k : kObjectKinds)
        if (k.statement == statement) return &k;
    return nullptr;
}

// Reads one argument; false when the file ended first (a point keeps zeros
// for its missing numbers).
bool readArg(StandardFile* f, Arg kind, Args& a) {
    if (kind == Arg::None) return true;
    if (kind == Arg::Point) {
        double c[3] = {0, 0, 0};
        bool complete = true;
        for (double& v : c) {
            const char* token = complete ? StdGetNextArg(f) : nullptr;
            complete = token != nullptr;
            if (token && !kx::tokens::finiteNumber(token, v)) a.notFinite = true;
        }
        a.point = MakePoint(c[0], c[1], c[2]);
        return complete;
    }
    const char* token = StdGetNextArg(f);
    if (!token) return false;
    if (kind == Arg::Text) a.text.assign(token, strnlen(token, kTextArgMax));
    else if (kind == Arg::Number && !kx::tokens::finiteNumber(token, a.number)) a.notFinite = true;
    else a.integer = wholeNumber(token);
    return true;
}

void applyAttributes(CadObject* obj, const Pending& p) {
    obj->flags = (obj->flags & ~KX_STORED_FLAGS) | (p.info.flags & KX_STORED_FLAGS);
    obj->groupId = p.groupId;
    SetObjectTextureEx(obj, p.materialKind, p.material.c_str());
}

void completePrimitive(Reader& r) {
    Pending& p = r.pending;
    const ObjectKind* kind = findKind(p.statement);
    if (!kind) return;
    // The creator only builds the mesh; the object is placed from its fields
    // below. A light's creator would make its target relative to a position
    // it does not take, so it is handed none.
    const Point3d place = p.info.translate;
    p.info.translate = Point3d{0, 0, 0};
    CadObject* before = GetLastCadObject();
    kind->create(&p.info);
    CadObject* obj = GetLastCadObject();
    // Only the object this creation made is completed, never an older one.
    if (!obj || obj == before || obj->type != kind->type) return;
    if (p.statement == kEllipsoid) obj->type = KX_ELLIPSOID;
    if (!p.name.empty()) SetCadObjectProperty(obj, KX_PROP_NAME, p.name.c_str());
    applyAttributes(obj, p);
    obj->extraPoint = p.info.extraPoint;
    obj->scale = p.info.scale;
    obj->rotate = p.info.rotate;
    obj->translate = place;
    RebuildObjectEx(obj, 1);
}

void completeGroup(Reader& r) {
    Pending& p = r.pending;
    CadObject* group = CreateGroup(&p.info);
    if (!group) return;
    if (!p.name.empty()) SetCadObjectProperty(group, KX_PROP_NAME, p.name.c_str());
    const unsigned ownId = group->groupId;
    applyAttributes(group, p);
    if (p.groupId) kx::model::raiseGroupCounter(p.groupId);
    else group->groupId = ownId;
}

// The object of a "points" statement takes what the statements after it gave.
void completeMesh(Reader& r) {
    Pending& p = r.pending;
    CadObject* obj = p.target;
    if (!obj || !kx::model::isLive(obj)) return;
    applyAttributes(obj, p);
    if (!r.seen) return;
    if (obj->polygons) {
        // The list is the mesh around its own origin; the fields place it.
        if (r.seen & kSeenSize) obj->size = p.info.size;
        if (r.seen & kSeenExtra) obj->extraPoint = p.info.extraPoint;
        if (r.seen & kSeenScale) obj->scale = p.info.scale;
        if (r.seen & kSeenRotate) obj->rotate = p.info.rotate;
        if (r.seen & kSeenMove) obj->translate = p.info.translate;
        RebuildObjectEx(obj, 1);
        return;
    }
    CentreInfo centre{};
    if (!GetSingleObjectCenterPoint(obj, &centre, 1)) return;
    TransformObject(obj, KX_TRANSFORM_SCALE | KX_TRANSFORM_ROTATE | KX_TRANSFORM_MOVE, &p.info.scale,
                    &p.info.rotate, &p.info.translate, &centre.centre, 0);
}

void complete(Reader& r) {
    switch (r.pending.statement) {
        case kNoObject: break;
        case kCamera: CreateCamera(&r.pending.info); break;
        case kGroup: completeGroup(r); break;
        case kPointsPlaceholder: completeMesh(r); break;
        default: completePrimitive(r); break;
    }
    r.pending.reset(kNoObject);
    r.seen = 0;
}

void start(Reader& r, int statement) {
    complete(r);
    r.pending.reset(statement);
}

bool readPointsStatement(Reader& r, const std::string& name) {
    complete(r);
    CadObject* before = GetLastCadObject();
    int ok = ReadCadPoints(r.f, "points", nullptr);
    CadObject* obj = GetLastCadObject();
    if (obj == before) obj = nullptr;
    if (!ok || !obj) {
        // No half-read object stays behind to be taken for this one.
        if (obj) DeleteCadObject(obj);
        return false;
    }
    if (!name.empty()) SetCadObjectProperty(obj, KX_PROP_NAME, name.c_str());
    r.pending.reset(kPointsPlaceholder);
    r.pending.target = obj;
    return true;
}

bool readSection(Reader& r, const std::string& section) {
    if (section == "fields") return readFieldsSection(r.f, r.pending);
    if (section == "info") {
        const char* word = StdGetNextArg(r.f);
        if (!word) {
            kx::tokens::reportEndOfFile();
            return false;
        }
        std::string type = word;
        return readValueBlock(r.f, r.pending, type.c_str());
    }
    kx::tokens::skipRecordToEnd(r.f);
    return true;
}

// A user texture's definition travels with the scene that uses it; it joins
// the list of user textures known to this run.
bool readUserTexture(StandardFile* f, const std::string& name) {
    if (LoadCustomTextureEx(f, name.c_str())) return AddCustomTexToList(name.c_str()) != 0;
    // A definition that could not be taken is read over, so that the lines
    // after it are read as statements again.
    kx::tokens::skipRecordToEnd(f);
    return false;
}

void setAttrib(Pending& p, const std::string& letters) {
    p.info.flags = KX_DEFAULT_FLAGS;
    for (char c : letters)
        for (const KxObjectFlag& flag : KX_OBJECT_FLAGS)
            if (flag.legacyLetter && c == flag.legacyLetter)
                p.info.flags = flag.defaultOn ? (p.info.flags & ~flag.flag) : (p.info.flags | flag.flag);
}

void setPoint(Reader& r, Point3d& field, unsigned seen, const Point3d& value) {
    field = value;
    r.seen |= seen;
}

bool execute(Reader& r, int id, const Args& a) {
    Pending& p = r.pending;
    if (id >= 1 && id <= kEllipsoid) {
        start(r, id);
        p.name = a.text;
        return true;
    }
    switch (id) {
        case kBegin: return readSection(r, a.text);
        case kSize: setPoint(r, p.info.size, kSeenSize, a.point); return true;
        case kExtra: setPoint(r, p.info.extraPoint, kSeenExtra, a.point); return true;
        case kRotate: setPoint(r, p.info.rotate, kSeenRotate, a.point); return true;
        case kMove: setPoint(r, p.info.translate, kSeenMove, a.point); return true;
        case kScale: setPoint(r, p.info.scale, kSeenScale, a.point); return true;
        // Ids are written as signed numbers; the bits are the id.
        case kGroupId: p.groupId = static_cast<uint32_t>(static_cast<int32_t>(a.integer)); return true;
        case kTexture:
        case kColor:
            p.material = a.text.substr(0, sizeof(CadObject::material) - 1);
            p.materialKind = id == kTexture ? 2 : 1;
            return true;
        case kAttrib: setAttrib(p, a.text); return true;
        case kInfo: return readValueBlock(r.f, p, a.text.c_str());
        case kString: return readPrincipalText(p, a.text.c_str());
        case kVersion:
        case kDistance: return true;
        case kPoints: return readPointsStatement(r, a.text);
        case kAnimate: complete(r); return ReadAnimate(r.f, a.text.c_str()) != 0;
        case kLoad:
            complete(r);
            if (loadDepth() >= kMaxLoadDepth) {
                LogMessage(1, "Scene files nested deeper than %d: %s not loaded", kMaxLoadDepth, a.text.c_str());
                return false;
            }
            return LoadScene(r.scene, a.text.c_str()) != 0;
        case kZoom: return SetDistance(a.number, static_cast<unsigned>(a.integer)) != 0;
        case kInterval:
            // A zero or broken interval would stall the grid drawing.
            if (!(a.number > 0 && a.number < 1e30) || a.integer <= 0 || a.integer > 1000000) return false;
            return SetGridInterval(a.number, static_cast<int>(a.integer)) != 0;
        case kUserTex: return readUserTexture(r.f, a.text);
        case kDescription: return SetSceneProperty(r.scene, "Description", a.text.c_str()) != 0;
        case kInclude: return SetSceneProperty(r.scene, "Include", a.text.c_str()) != 0;
        case kImage: return SetSceneProperty(r.scene, "Image", a.text.c_str()) != 0;
        case kBackColor:
            r.scene->backColor = static_cast<uint32_t>(static_cast<int32_t>(wholeNumber(a.text.c_str())));
            return true;
        default: return false;  // "script" has no meaning in this form
    }
}

int readStatements(StandardFile* f, CadScene* scene) {
    Reader r{f, scene, {}};
    CadObject* lastBefore = GetLastCadObject();
    int result = 1;
    bool truncated = false;
    for (int index = 0;; ++index) {
        const char* token = ReadNextArgument(f);
        if (!token) break;
        const Statement* statement = findStatement(token);
        if (!statement) {
            ErrorMessage("Error Invalid Kalvex File");
            result = 0;
            break;
        }
        Args args;
        bool complete = readArg(f, statement->first, args) && readArg(f, statement->second, args);
        if (args.notFinite) {
            result = 0;
            break;
        }
        // A statement cut off by the end of the file ends the list; only
        // a point has values for its missing numbers. The objects read so far
        // are kept, but the caller learns the file was not read whole.
        if (!complete) truncated = true;
        if (!complete && statement->first != Arg::Point) break;
        const unsigned endsBefore = kx::tokens::endsInsideRecord();
        const bool failed = !execute(r, statement->id, args);
        // A section the file ended in fails its statement; then nothing follows.
        if (kx::tokens::endsInsideRecord() != endsBefore) truncated = true;
        if (failed)
            ErrorMessage("Error Reading File, Statement Line %d : \"%s\" ", index, statement->keyword);
        if (!complete) break;
    }
    if (result) complete(r);
    StdCloseFile(f);
    // Grouped objects read before their group are linked to it once all is read.
    kx::model::linkToGroups(lastBefore ? lastBefore->next : GetCadObject(nullptr));
    if (result) SetObjectsUnSelected();
    return truncated ? 0 : result;
}

}  // namespace

int LoadScene(CadScene* scene, const char* name) {
    const std::string path = kx::files::withDefaultExtension(name, ".CAD");
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_READ);
    if (!f) {
        StdFileError(1, "Kalvex", path.c_str());
        return 0;
    }
    LogMessage(2, "LoadScene: %s", path.c_str());
    if (!scene) scene = GetCurrentScene();
    f->scene = scene;
    scene->image[0] = '\0';
    scene->description[0] = '\0';
    scene->include[0] = '\0';
    scene->backColor = 0;
    double version = 0;
    // A bad version line has been reported and the file closed.
    if (!ReadKalvexVersion(f, &version)) return 0;
    kx::files::ReadingScope reading;
    struct DepthScope {
        DepthScope() { ++loadDepth(); }
        ~DepthScope() { --loadDepth(); }
    } depth;
    if (version >= 2.0) return ReadKalvexScene2(f);
    return readStatements(f, scene);
}
