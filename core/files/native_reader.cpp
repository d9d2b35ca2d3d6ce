// Reading the native scene file.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/files_internal.h"
#include "files/numbers.h"
#include "files/tokens.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

// Deeper nesting than any real scene has is taken as damage.
constexpr int kMaxGroupDepth = 64;
int& readDepth() { return kx::core().files.nativeReadDepth; }

using kx::tokens::number;
using kx::tokens::reportEndOfFile;

// Whole-number properties hold signed values and unsigned flags and colours.
long long integer(const char* token) { return kx::tokens::clampWord(number(token)); }

bool is(const char* token, const char* word) { return kx::tokens::isKeyword(token, word); }

// Skips the rest of a block whose "{" was read.
int skipBlockBody(StandardFile* f) {
    for (int depth = 1; depth > 0;) {
        const char* token = StdGetNextArg(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, "{") == 0) ++depth;
        else if (std::strcmp(token, "}") == 0) --depth;
    }
    return 1;
}

// Skips a value, whose first token was read, that belongs to no known
// property: one token, or a bracketed run.
int skipValueFrom(StandardFile* f, const char* token) {
    const char* close = std::strcmp(token, "[") == 0 ? "]" : std::strcmp(token, "<") == 0 ? ">" : nullptr;
    if (!close) return 1;
    for (;;) {
        token = StdGetNextArg(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, close) == 0) return 1;
    }
}

int skipValue(StandardFile* f) {
    const char* token = ReadNextArgument(f);
    if (!token) return reportEndOfFile();
    return skipValueFrom(f, token);
}

// A word no table knows inside an object: a property of a newer program, or
// (followed by a block) an object of a kind this reader does not know inside
// a group. Either is reported and read over, so none of its words are taken
// for the object's own.
int skipUnknownWord(StandardFile* f, const std::string& word) {
    const char* token = ReadNextArgument(f);
    if (!token) return reportEndOfFile();
    if (std::strcmp(token, "{") == 0) {
        ErrorMessage("Unknown entity %s in Kalvex file\n", word.c_str());
        return skipBlockBody(f);
    }
    ErrorMessage("Unknown property %s in Kalvex file\n", word.c_str());
    return skipValueFrom(f, token);
}

// "[ n v1 ... vn ]" (points as "< x y z >") into at most `room` values; values
// beyond the room are read and dropped, and reported.
int readArray(StandardFile* f, const char* name, bool points, std::vector<double>& values,
              std::vector<Point3d>& pointValues, unsigned room) {
    auto damaged = [name] {
        ErrorMessage("Error unexpected scene data in %s", name);
        return 0;
    };
    const char* token = StdGetNextArg(f);
    if (!token) return reportEndOfFile();
    if (std::strcmp(token, "[") != 0) return damaged();
    if (!StdGetNextArg(f)) return reportEndOfFile();  // the count: the values themselves decide
    bool surplus = false;
    for (;;) {
        token = StdGetNextArg(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, "]") == 0) break;
        if (!points) {
            double value = 0;
            if (!kx::tokens::finiteNumber(token, value)) return 0;
            if (values.size() < room) values.push_back(value);
            else surplus = true;
            continue;
        }
        Point3d p{};
        if (std::strcmp(token, "<") != 0) return damaged();
        if (!ReadKalvexPoint(f, &p)) return 0;
        token = StdGetNextArg(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, ">") != 0) return damaged();
        if (pointValues.size() < room) pointValues.push_back(p);
        else surplus = true;
    }
    if (surplus) damaged();
    return 1;
}

int readSceneEntity(StandardFile* f) {
    CadScene* scene = GetCurrentScene();
    for (;;) {
        const char* token = ReadNextArgument(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, "}") == 0) return 1;
        if (std::strcmp(token, "{") == 0) continue;
        if (is(token, "Zoom")) {
            double distance = number(StdGetNextArg(f));
            long long view = integer(StdGetNextArg(f));
            // Only the four views exist; any other id in a file is ignored.
            if (view >= 0 && view <= 3) SetDistance(distance, static_cast<unsigned>(view));
            continue;
        }
        if (is(token, "Interval")) {
            double interval = number(StdGetNextArg(f));
            long long extent = integer(StdGetNextArg(f));
            // A zero or broken interval would stall the grid drawing.
            if (std::isfinite(interval) && interval > 0 && extent > 0 && extent < 1000000)
                SetGridInterval(interval, static_cast<int>(extent));
            continue;
        }
        std::string name = token;
        int type = GetScenePropertyType(name.c_str());
        if (type == KX_VALUE_STRING) {
            const char* value = ReadNextArgument(f);
            if (!value) return reportEndOfFile();
            SetSceneProperty(scene, name.c_str(), value);
        } else if (type == KX_VALUE_INTEGER) {
            const char* value = ReadNextArgument(f);
            if (!value) return reportEndOfFile();
            SetSceneProperty(scene, name.c_str(), static_cast<unsigned>(integer(value)));
        } else {
            // A newer program may know more about a scene: its value is read
            // over, as an unknown object property is, and the rest still loads.
            ErrorMessage("Unknown property %s in Kalvex file\n", name.c_str());
            if (!skipValue(f)) return 0;
        }
    }
}

int readScriptEntity(StandardFile* f) {
    std::string values[3];
    for (std::string& v : values) {
        const char* token = ReadNextArgument(f);
        if (!token) return reportEndOfFile();
        v = token;
    }
    return RegisterKalvexScriptEvent(static_cast<int>(GetEventType(values[1].c_str())), nullptr,
                                     values[2].c_str(), nullptr);
}

// The camera block: the active camera is made from it, whatever the show setting.
int readCameraBlock(StandardFile* f) {
    CadObjectInfo info = *CameraToInfo(GetActiveCamera());
    for (;;) {
        const char* token = ReadNextArgument(f);
        if (!token) return reportEndOfFile();
        if (std::strcmp(token, "}") == 0) break;
        if (std::strcmp(token, "{") == 0) continue;
        Point3d* target = nullptr;
        for (const KxCameraField& field : KX_CAMERA_FIELDS)
            if (is(token, field.keyword) || (field.alsoRead && is(token, field.alsoRead))) {
                target = &(info.*field.info);
                break;
            }
        if (target) {
            if (!ReadKalvexPoint(f, target)) return 0;
        } else if (is(token, "Name")) {
            if (!ReadNextArgument(f)) return reportEndOfFile();
        } else if (!skipValue(f)) {
            return 0;
        }
    }
    return CreateCamera(&info);
}

// The animation section: its name, then the block the animation reads.
int readAnimateEntity(StandardFile* f) {
    const char* name = StdGetNextArg(f);
    if (!name) return reportEndOfFile();
    const std::string animation = name;
    return ReadAnimate(f, animation.c_str());
}

struct Entity {
    const char* keyword;
    bool anyCase;  // the animation is written in lower case
    int (*read)(StandardFile*);
};

constexpr Entity kEntities[] = {
    {"Scene", false, readSceneEntity},
    {"Script", false, readScriptEntity},
    {"Animate", true, readAnimateEntity},
};

const Entity* findEntity(const char* keyword) {
    for (const Entity& e : kEntities)
        if (e.anyCase ? is(keyword, e.keyword) : std::strcmp(keyword, e.keyword) == 0) return &e;
    return nullptr;
}

// A block no reader knows, as a newer program or a plug-in may write: it is
// reported and read over to its closing brace, and the rest of the file loads.
int skipUnknownBlock(StandardFile* f, const std::string& keyword) {
    ErrorMessage("Unknown entity %s in Kalvex file\n", keyword.c_str());
    const char* token = ReadNextArgument(f);
    if (!token) return reportEndOfFile();
    if (std::strcmp(token, "{") != 0) {
        ErrorMessage("Error unexpected scene data in %s", keyword.c_str());
        return 0;
    }
    return skipBlockBody(f);
}

}  // namespace

char* ReadNextArgument(StandardFile* f) {
    for (;;) {
        char* token = StdGetNextArg(f);
        if (!token || std::strcmp(token, "/*") != 0) return token;
        for (;;) {
            token = StdGetNextArg(f);
            if (!token) return nullptr;
            if (std::strcmp(token, "*/") == 0) break;
        }
    }
}

int ReadKalvexVersion(StandardFile* f, double* version) {
    if (!f) return 0;
    const char* token = ReadNextArgument(f);
    const char* value = is(token, "version") ? StdGetNextArg(f) : nullptr;
    const char* end = nullptr;
    const double v = value ? kx::numbers::leading(value, &end) : 0.0;
    if (!value || end == value) {
        ErrorMessage("Error Invalid Kalvex File");
        StdCloseFile(f);
        return 0;
    }
    if (version) *version = v;
    return 1;
}

int ReadKalvexOtherEntity(StandardFile* f, const char* keyword) {
    if (!keyword) return 0;
    const Entity* entity = findEntity(keyword);
    return entity ? entity->read(f) : 0;
}

int ReadObjectType(StandardFile* f) {
    const char* keyword = ReadNextArgument(f);
    if (!keyword) return 0;
    int type = GetObjectInfoType(keyword);
    if (type > 0) return type;
    std::string word = keyword;
    return ReadKalvexOtherEntity(f, word.c_str()) ? 2 : 0;
}

int ReadKalvexPoint(StandardFile* f, Point3d* p) {
    double v[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const char* token = StdGetNextArg(f);
        if (!token && k == 2) {
            ErrorMessage("Error reading file");
            return 0;
        }
        if (!kx::tokens::finiteNumber(token, v[k])) return 0;
    }
    if (p) *p = MakePoint(v[0], v[1], v[2]);
    return 1;
}

int parseGetPoint(StandardFile* f, Point3d* p) { return ReadKalvexPoint(f, p); }

int ReadKalvexObjectProperty(StandardFile* f, CadObject* obj, const char* name) {
    if (!f || !obj || !name) return 0;
    std::string key = name;
    int id = GetObjectPropertyTypeId(key.c_str());
    int type = GetObjectPropertyType(key.c_str());
    if (id == 0 && type == 0) return skipUnknownWord(f, key);
    switch (type) {
        case KX_VALUE_STRING: {
            const char* token = ReadNextArgument(f);
            if (!token) break;
            SetCadObjectProperty(obj, key.c_str(), token);
            return 1;
        }
        case KX_VALUE_FLOAT: {
            const char* token = ReadNextArgument(f);
            if (!token) break;
            double value = 0;
            if (!kx::tokens::finiteNumber(token, value)) return 0;
            SetCadObjectProperty(obj, key.c_str(), value);
            return 1;
        }
        case KX_VALUE_INTEGER: {
            const char* token = ReadNextArgument(f);
            if (!token) break;
            SetCadObjectProperty(obj, key.c_str(), static_cast<unsigned>(integer(token)));
            return 1;
        }
        case KX_VALUE_POINT: {
            Point3d p;
            if (!ReadKalvexPoint(f, &p)) return 0;
            SetCadObjectProperty(obj, key.c_str(), &p);
            return 1;
        }
        case KX_VALUE_FLOATARRAY:
        case KX_VALUE_INTEGERARRAY: {
            std::vector<double> values;
            std::vector<Point3d> unused;
            if (!readArray(f, key.c_str(), false, values, unused, kx::model::extraRoom(KX_VALUE_FLOATARRAY))) return 0;
            SetCadObjectProperty(obj, key.c_str(), values.data(), static_cast<int>(values.size()));
            return 1;
        }
        case KX_VALUE_POINTSARRAY: {
            std::vector<double> unused;
            std::vector<Point3d> points;
            if (!readArray(f, key.c_str(), true, unused, points, kx::model::extraRoom(KX_VALUE_POINTSARRAY))) return 0;
            SetCadObjectProperty(obj, key.c_str(), points.data(), static_cast<int>(points.size()));
            return 1;
        }
        default: return 1;
    }
    return reportEndOfFile();
}

int ReadKalvexObject(StandardFile* f, CadObject* parent, int type) {
    if (!f) return 0;
    if (type == KX_CAMERA) return readCameraBlock(f);
    if (readDepth() >= kMaxGroupDepth) {
        // The user is told which limit the file passed, not only where.
        ErrorMessage("Error unexpected scene data in %s (groups nest at most %d deep)", GetObjectTypeName(type),
                     kMaxGroupDepth);
        return 0;
    }
    CadObject* obj = type == KX_LINESEG ? AddCadAtom(CreateDefaultInfo(), "_lines", KX_LINESEG)
                                         : CreateDefaultObjectEx(nullptr, static_cast<unsigned>(type), nullptr);
    if (!obj) {
        const char* name = GetObjectTypeName(type);
        ErrorMessage("Error unexpected scene data in %s", name ? name : "");
        return 0;
    }
    struct DepthScope {
        DepthScope() { ++readDepth(); }
        ~DepthScope() { --readDepth(); }
    } scope;
    // A block that breaks off leaves no half-read object behind.
    auto fail = [obj]() {
        DeleteCadObject(obj);
        return 0;
    };
    for (;;) {
        const char* token = ReadNextArgument(f);
        if (!token) {
            reportEndOfFile();
            return fail();
        }
        if (std::strcmp(token, "}") == 0) break;
        if (std::strcmp(token, "{") == 0) continue;
        std::string keyword = token;
        if (is(token, "points")) {
            if (!StdGetNextArg(f) || !ReadCadPoints(f, "points", obj)) return fail();
            continue;
        }
        if (is(token, "usertex")) {
            const char* name = ReadNextArgument(f);
            if (!name) {
                reportEndOfFile();
                return fail();
            }
            std::string texture = name;
            if (LoadCustomTextureEx(f, texture.c_str())) AddCustomTexToList(texture.c_str());
            // A definition that could not be taken is read over to its "end",
            // so its words are never taken for the object's properties.
            else if (!kx::tokens::skipRecordToEnd(f)) return fail();
            continue;
        }
        if (obj->type == KX_GROUP && is(token, "GroupId")) {
            const char* value = ReadNextArgument(f);
            if (!value) {
                reportEndOfFile();
                return fail();
            }
            obj->groupId = static_cast<unsigned>(integer(value));
            kx::model::raiseGroupCounter(obj->groupId);
            continue;
        }
        if (obj->type == KX_GROUP) {
            int childType = GetObjectInfoType(keyword.c_str());
            if (childType > 0) {
                if (!ReadKalvexObject(f, obj, childType)) return fail();
                continue;
            }
        }
        if (parent && is(token, "GroupId")) {
            const char* value = ReadNextArgument(f);
            if (!value) {
                reportEndOfFile();
                return fail();
            }
            const unsigned id = static_cast<unsigned>(integer(value));
            obj->groupId = id;
            AddChildObject(parent, obj);
            // Linking a group's first member gives it the group's id; the
            // file's own stands, or a group grouped again would lose its
            // first member to the group around it.
            obj->groupId = id;
            continue;
        }
        if (!ReadKalvexObjectProperty(f, obj, keyword.c_str())) {
            reportEndOfFile();
            return fail();
        }
    }
    // A block inside a group belongs to it even without a GroupId line.
    if (parent && obj->parent != parent) AddChildObject(parent, obj);
    RebuildObjectEx(obj, 1);
    return 1;
}

int ReadKalvexScene2(StandardFile* f) {
    if (!f) return 0;
    // Reading ends at the end of the file, or at the first block that could not
    // be read; what was read before stays in the scene, but the caller learns
    // that the scene is not the whole file.
    int complete = 1;
    {
        kx::files::ReadingScope reading;
        for (const char* token = ReadNextArgument(f); token; token = ReadNextArgument(f)) {
            std::string keyword = token;
            int type = GetObjectInfoType(keyword.c_str());
            int ok = type > 0                     ? ReadKalvexObject(f, nullptr, type)
                     : findEntity(keyword.c_str()) ? ReadKalvexOtherEntity(f, keyword.c_str())
                                                   : skipUnknownBlock(f, keyword);
            if (!ok) {
                complete = 0;
                break;
            }
        }
    }
    StdCloseFile(f);
    SetObjectsUnSelected();
    return complete;
}
