// The file-type table and the import/export dispatchers that route by it.
#include <cstring>
#include <string>
#include <unistd.h>

#include "files/formats_internal.h"
#include "model/text.h"

namespace {

using Reader = int (*)(CadScene*, const char*);

enum class Writer { None, Scene, Export, Obj, Mesh };

struct FileType {
    unsigned id;
    const char* extension;
    const char* description;
    Reader read;   // null: the format is not imported
    Writer write;
};

int loadScene(CadScene* scene, const char* name) { return LoadScene(scene, name); }
int readFacets(CadScene*, const char* name) { return ReadFacets(name); }
int readPts(CadScene*, const char* name) { return ReadPTS(name); }
int readNff(CadScene*, const char* name) { return ReadNFF(name); }
int readDxf(CadScene*, const char* name) { return ReadDXF(name); }
int read3ds(CadScene*, const char* name) { return Read3DS(name); }
int readObj(CadScene*, const char* name) { return ReadOBJ(name); }
int readStl(CadScene*, const char* name) { return ReadSTL(name); }
int readPly(CadScene*, const char* name) { return ReadPLY(name); }
int readGltf(CadScene*, const char* name) { return ReadGLTF(name); }

// In stored order: lookups by extension return the first matching row.
constexpr FileType kFileTypes[] = {
    {KX_FILETYPE_KALVEX, ".cad", "Kalvex", loadScene, Writer::Scene},
    {KX_FILETYPE_RAW, ".raw", "ASCII Facet List", readFacets, Writer::Export},
    {KX_FILETYPE_POVRAY3, ".pov", "Persistence of Vision", nullptr, Writer::Export},
    {KX_FILETYPE_POVRAY2, ".pov", "Persistence of Vision", nullptr, Writer::Export},
    {KX_FILETYPE_POVRAY1, ".pov", "Persistence of Vision", nullptr, Writer::Export},
    {KX_FILETYPE_3DSTUDIO, ".3ds", "Autodesk 3D-Studio", read3ds, Writer::None},
    {KX_FILETYPE_PTS, ".pts", "ASCII Point List Files", readPts, Writer::Export},
    {KX_FILETYPE_PGN, ".pgn", "ASCII Polygon List Files", readFacets, Writer::Export},
    {KX_FILETYPE_PSF, ".psf", "ASCII Point Surface", nullptr, Writer::Export},
    {KX_FILETYPE_VEC, ".vec", "ASCII Vector List", nullptr, Writer::Export},
    {KX_FILETYPE_NFF, ".nff", "Neutral file format", readNff, Writer::Export},
    {KX_FILETYPE_VIVID, ".viv", "Vivid", nullptr, Writer::None},
    {KX_FILETYPE_RAYSHADE, ".rsh", "Rayshade", nullptr, Writer::None},
    {KX_FILETYPE_RTRACE, ".rt", "Rtrace", nullptr, Writer::None},
    {KX_FILETYPE_POLYRAY, ".pi", "Polyray", nullptr, Writer::Export},
    {KX_FILETYPE_QRT, ".qrt", "Qraytrace", nullptr, Writer::None},
    {KX_FILETYPE_ART, ".art", "Art", nullptr, Writer::None},
    {KX_FILETYPE_DXF, ".dxf", "AutoCAD DXF Files", readDxf, Writer::Export},
    {KX_FILETYPE_RENDERMAN, ".rib", "RenderMAN RIB", nullptr, Writer::Export},
    {KX_FILETYPE_VRML, ".wrl", "VRML 1.1", nullptr, Writer::Export},
    {KX_FILETYPE_VRML2, ".vrm", "VRML 2.0", nullptr, Writer::Export},
    {KX_FILETYPE_WAVEFRONT, ".obj", "Wavefront OBJ", readObj, Writer::Obj},
    {KX_FILETYPE_STL, ".stl", "STL triangle mesh", readStl, Writer::Mesh},
    {KX_FILETYPE_PLY, ".ply", "PLY polygon mesh", readPly, Writer::Mesh},
    // One type, two forms: the container, or the JSON with its buffer beside it.
    {KX_FILETYPE_GLTF, ".gltf", "glTF 2.0 model", readGltf, Writer::Mesh},
    {KX_FILETYPE_GLTF, ".glb", "glTF 2.0 model", readGltf, Writer::Mesh},
    {KX_FILETYPE_3DMF, ".3mf", "Quicktime 3DMF", nullptr, Writer::None},
    {KX_FILETYPE_WORLDTOOLKIT, ".wtk", "World toolkit NFF", nullptr, Writer::None},
    {KX_FILETYPE_TRUESPACE, ".cob", "Truespace COB", nullptr, Writer::None},
    {KX_FILETYPE_STK, ".stk", "Stik Figure Format", nullptr, Writer::None},
    {KX_FILETYPE_3D, ".3d", "ComputerScape 3D File", nullptr, Writer::None},
    {KX_FILETYPE_D3D, ".d3d", "D3D File", nullptr, Writer::None},
    {KX_FILETYPE_DAT, ".dat", "Interactive CAD File", nullptr, Writer::None},
};

const FileType* findType(unsigned id) {
    for (const FileType& t : kFileTypes)
        if (t.id == id) return &t;
    return nullptr;
}

int unsupportedExport() {
    ErrorMessage("Unsupported export type");
    return 0;
}

int exportThroughDriver(CadScene* scene, const std::string& out, const FileType& type, bool exactName = false) {
    const kx::files::ExportHooks& hooks = kx::files::exportHooks();
    if (!hooks.exportObjects) return unsupportedExport();
    std::string path = exactName ? out : std::string(AddNewExt(out.c_str(), type.extension));
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(2, nullptr, out.c_str());
        return 0;
    }
    f->type = type.id;
    f->scene = scene;
    // Each export writes the definitions of the user textures it uses anew.
    ClearTextureUsed();
    if (hooks.resetLightCounter) hooks.resetLightCounter();
    int result = hooks.exportObjects(f);
    // A format that found nothing it holds wrote not a byte: an empty file
    // over the old one would be reported as a good export.
    StdFlush(f);
    if (!f->error && ::lseek(static_cast<int>(StdGetFileHandle(f)), 0, SEEK_END) == 0) {
        StdAbortFile(f);
        unsigned objects = 0;
        for (CadObject* o = GetCadObject(nullptr); o; o = o->next) ++objects;
        ErrorMessage("Nothing to export to %s: no object of the scene is one the %s format holds (%s)", path.c_str(),
                     type.description,
                     objects ? ("left out: " + std::to_string(objects) + (objects == 1 ? " object" : " objects")).c_str()
                             : "the scene has no objects");
        return 0;
    }
    if (!StdCloseFile(f)) {
        StdFileError(2, nullptr, out.c_str());
        return 0;
    }
    return result;
}

int writeMesh(const FileType& t, const char* path) {
    const int binary = !kx::core().settings.textMeshes;
    switch (t.id) {
        case KX_FILETYPE_STL: return WriteSTL(path, binary);
        case KX_FILETYPE_PLY: return WritePLY(path, binary);
        default: return WriteGLTF(path);
    }
}

}  // namespace

namespace kx::files {

std::string withDefaultExtension(const char* name, const char* ext) {
    std::string path = name ? name : "";
    if (!std::strchr(kx::text::lastComponent(path.c_str()), '.')) path += ext;
    return path;
}

}  // namespace kx::files

unsigned GetCadFileType(const char* name) {
    const char* file = kx::text::lastComponent(name);
    if (!file) return 0;
    const char* ext = nullptr;
    for (const char* p = file; *p; ++p)
        if (p[0] == '.' && p[1] != '\0' && p[1] != '.') {
            ext = p;
            break;
        }
    if (!ext) return 0;
    for (const FileType& t : kFileTypes)
        if (kx::text::equalNoCase(t.extension, ext)) return t.id;
    return 0;
}

const char* GetCadFileDescription(unsigned id) {
    const FileType* t = findType(id);
    return (t ? t : &kFileTypes[0])->description;
}

const char* GetCadFileExtension(unsigned id) {
    const FileType* t = findType(id);
    return (t ? t : &kFileTypes[0])->extension;
}

int IsWritableFileType(unsigned id) {
    const FileType* t = findType(id);
    return t && t->write != Writer::None ? 1 : 0;
}

int Read3Dfile(CadScene* scene, const char* name, unsigned id) {
    if (id == 0) id = GetCadFileType(name);
    if (id == 0) {
        ErrorMessage("Unsupported import type");
        return 0;
    }
    const FileType* t = findType(id);
    if (!t || !t->read) {
        ErrorMessage("Unable to import %s file", GetCadFileDescription(id));
        return 0;
    }
    return t->read(scene, name);
}

int WriteExportFile(CadScene* scene, const char* path, unsigned id) {
    if (!path || !*path) return 0;
    const FileType* t = findType(id ? id : GetCadFileType(path));
    if (t && t->write == Writer::Export) return exportThroughDriver(scene, path, *t, true);
    if (t && t->write == Writer::Mesh) {
        return writeMesh(*t, path);
    }
    return Write3Dfile(scene, path, id);
}

int Write3Dfile(CadScene* scene, const char* name, unsigned id) {
    const std::string out = (name && *name) ? name : "untitled";
    if (id == 0) id = GetCadFileType(out.c_str());
    const FileType* t = findType(id);
    if (!t) return unsupportedExport();
    switch (t->write) {
        case Writer::Scene: return SaveScene(scene, out.c_str());
        case Writer::Export: return exportThroughDriver(scene, out, *t);
        case Writer::Obj: {
            const kx::files::ExportHooks& hooks = kx::files::exportHooks();
            if (!hooks.writeObj) return unsupportedExport();
            ClearTextureUsed();
            return hooks.writeObj(out.c_str());
        }
        case Writer::Mesh: {
            return writeMesh(*t, kx::files::withDefaultExtension(out.c_str(), t->extension).c_str());
        }
        case Writer::None: break;
    }
    return unsupportedExport();
}
