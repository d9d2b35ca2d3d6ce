// Output routines shared by every export format.
#include <cctype>
#include <cstring>

#include "export/export_internal.h"

namespace kx::exporter {

ExportRun& run() {
    thread_local ExportRun state;
    return state;
}

void writeVector(StandardFile* f, const Point3d& p) {
    switch (f->type) {
        case kPovray2:
        case kPovray3:
        case kPolyray: StdPutLine(f, "< %g, %g, %g >", p.x, p.y, p.z); break;
        case kPovray1: StdPutLine(f, "< %g %g %g >", p.x, p.y, p.z); break;
        case 13: case 14: case 15: case 16: case 17: case 18: case 23: case 24: case 38:
            StdPutLine(f, "%g %g %g", p.x, p.y, p.z);
            break;
        case 20:
        case 21: StdPutLine(f, "%g, %g, %g", p.x, p.y, p.z); break;
        default: break;
    }
}

void writeLabelledVector(StandardFile* f, const char* label, const Point3d& p, const char* suffix) {
    StdPutLine(f, "%s ", label);
    writeVector(f, p);
    StdPutLine(f, " %s", suffix);
}

void indent(StandardFile* f) {
    int spaces = run().indentUnit * run().indentDepth;
    if (spaces > 0) StdPutLine(f, "%*s", spaces, "");
}

void indentIn() { ++run().indentDepth; }

void indentOut() {
    if (run().indentDepth > 0) --run().indentDepth;
}

void resetIndent() {
    run().indentUnit = 4;
    run().indentDepth = 0;
}

bool isPlainIdentifier(const char* name) {
    if (!name || !*name || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
    for (const char* p = name; *p; ++p)
        if (!std::isalnum(static_cast<unsigned char>(*p)) && *p != '_') return false;
    return true;
}

std::string identifierOf(const char* name) {
    std::string id;
    for (const char* p = name ? name : ""; *p; ++p)
        id += (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_') ? *p : '_';
    if (id.empty()) id = "_unnamed";
    // The renderer's own words are all lower case: a name that could be one of
    // them, or that starts with a digit, is kept apart by a leading "_".
    bool couldBeKeyword = std::islower(static_cast<unsigned char>(id[0]));
    for (char c : id)
        if (std::isupper(static_cast<unsigned char>(c))) couldBeKeyword = false;
    if (couldBeKeyword || std::isdigit(static_cast<unsigned char>(id[0]))) id = "_" + id;
    return id;
}

std::string commentText(const char* text) {
    std::string out = text ? text : "";
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

int exportObjectExtras(StandardFile* f, CadObject* obj, bool userInlineOnly) {
    run().userInline.erase(obj);
    int result = 0;
    if (!obj->extra) return 0;
    ExtraField* fields = ExtraBlockFields(obj->extra);
    for (uint32_t i = 0; i < obj->extra->count; ++i) {
        const ExtraField& field = fields[i];
        if (field.type != KX_VALUE_STRING) continue;
        const char* text = reinterpret_cast<const char*>(field.value);
        if (!text[0]) continue;
        if (userInlineOnly) {
            if (field.id == 304) {
                StdPutLine(f, "%s\n", text);
                run().userInline.insert(obj);
            }
            continue;
        }
        switch (field.id) {
            case 301:  // Comment
                if (isPov(f->type) || f->type == kPolyray) StdPutLine(f, "// %s\n", commentText(text).c_str());
                else if (f->type == 24 || f->type == 38) StdPutLine(f, "# %s\n", commentText(text).c_str());
                break;
            case 304:  // UserInline: written with the attributes
                run().userInline.insert(obj);
                result |= 2;
                break;
            default: break;
        }
    }
    return result;
}

}  // namespace kx::exporter
