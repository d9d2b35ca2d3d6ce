#include "document/write_scene.h"

#include <strings.h>

#include "kxcore.h"

namespace kx::app {
namespace {

// Where the name's last extension starts, or npos; a dotted folder does not count.
size_t lastExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // ".hidden" is a name, "name." has no extension.
    if (dot == nameStart || dot + 1 == path.size()) return std::string::npos;
    return dot;
}

bool keepsEveryName(unsigned type) {
    return type == KX_FILETYPE_KALVEX || type == KX_FILETYPE_WAVEFRONT || type == KX_FILETYPE_STL ||
           type == KX_FILETYPE_PLY || type == KX_FILETYPE_GLTF;
}

}  // namespace

unsigned fileTypeOfLastExtension(const std::string& path) {
    const size_t dot = lastExtension(path);
    if (dot == std::string::npos) return 0;
    return GetCadFileType(("x" + path.substr(dot)).c_str());
}

std::string exportPathFor(const std::string& path, unsigned type) {
    if (type == 0) return path;
    if (type == kStatementFormScene) type = KX_FILETYPE_KALVEX;
    const size_t dot = lastExtension(path);
    const std::string ext = type == KX_FILETYPE_VRML2 ? ".wrl" : GetCadFileExtension(type);
    if (keepsEveryName(type)) {
        if (dot != std::string::npos || type == KX_FILETYPE_KALVEX) return path;
        // As the OBJ writer itself names a bare name.
        return path + (type == KX_FILETYPE_WAVEFRONT ? ".OBJ" : ext);
    }
    if (dot == std::string::npos) return path + ext;
    const std::string given = path.substr(dot);
    if (strcasecmp(given.c_str(), ext.c_str()) == 0 ||
        (type == KX_FILETYPE_VRML2 && strcasecmp(given.c_str(), GetCadFileExtension(type)) == 0))
        return path;
    return path.substr(0, dot) + ext;
}

int writeSceneAs(const std::string& path, unsigned type) {
    if (type == 0) type = fileTypeOfLastExtension(path);
    if (type == 0) type = GetCadFileType(path.c_str());
    const std::string out = exportPathFor(path, type);
    if (type == kStatementFormScene) return SaveScene(GetCurrentScene(), out.c_str());
    if (type == KX_FILETYPE_KALVEX) return SaveScene2(GetCurrentScene(), out.c_str());
    return WriteExportFile(GetCurrentScene(), out.c_str(), type);
}

}  // namespace kx::app
