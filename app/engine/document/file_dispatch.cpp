#include "document/file_dispatch.h"

#include <filesystem>
#include <string>
#include <unistd.h>

#include "kxcore.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"
#include "model/scene_model.h"
#include "document/write_scene.h"
#include "render/render_job.h"

namespace kx::app {
namespace {

constexpr int kRawFacetFormat = 18;

void unknownType(const std::string& path) { ErrorMessage("Error unknown file type: %s", path.c_str()); }

std::string withoutExtension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return path.substr(0, dot);
    return path;
}

CadObject* firstSelected() {
    CadObject* obj = GetNextSelectedObject(nullptr);
    if (!obj) ErrorMessage("No objects selected");
    return obj;
}

// One point file of the object in a point format.
int writePointFile(CadObject* obj, const std::string& path, int format) {
    std::string name = AddNewExt(path.c_str(), ".PTS");
    StandardFile* f = StdOpenFile(name.c_str(), KX_OPEN_DERIVED);
    if (!f) {
        StdFileError(0, "Points", name.c_str());
        return 0;
    }
    f->type = static_cast<uint32_t>(format);
    int ok = WritePointsAs(obj, f, format);
    if (!StdCloseFile(f)) {
        StdFileError(0, "Points", name.c_str());
        return 0;
    }
    return ok;
}

// One include file per point, numbered after the scene name: a point series.
int writePointSeries(CadObject* obj, const std::string& path) {
    if (!obj->points) {
        ErrorMessage("Error unable to save zero points");
        return 0;
    }
    const std::string stem = withoutExtension(path);
    int number = 0;
    for (ListEntry* node = obj->points; node; node = node->next) {
        for (unsigned k = 0; k < node->count; ++k, ++number) {
            std::string name = stem + std::to_string(number) + ".INC";
            StandardFile* f = StdOpenFile(name.c_str(), KX_OPEN_DERIVED);
            if (!f) {
                StdFileError(0, "Point Series", name.c_str());
                return 0;
            }
            // An include file is read by the POV-Ray renderer: each point as its sphere.
            f->type = KX_FILETYPE_POVRAY2;
            const Point3d& p = node->points[k];
            WritePointsEx(f, KX_FILETYPE_POVRAY2, p.x, p.y, p.z);
            if (!StdCloseFile(f)) {
                StdFileError(0, "Point Series", name.c_str());
                return 0;
            }
        }
    }
    return 1;
}

int saveSelectedObject(const std::string& path, unsigned type) {
    CadObject* obj = firstSelected();
    if (!obj) return 0;
    if (type == KX_FILETYPE_RAW) {
        if (obj->type == KX_POINTS) return writePointFile(obj, path, KX_FILETYPE_RAW);
        // Facet lists are written in the facet writer's plain syntax (its format 18).
        return WriteFacetFile(obj, path.c_str(), kRawFacetFormat);
    }
    if (type == 6) return writePointSeries(obj, path);
    return writePointFile(obj, path, static_cast<int>(type));
}

}  // namespace

int openSceneFile(const std::string& path, unsigned type) {
    std::error_code ec;
    const std::string full = std::filesystem::absolute(path, ec).string();
    const std::string& name = ec ? path : full;
    std::string folder = std::filesystem::path(name).parent_path().string();
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        LogMessage(1, "Unable to change to the folder %s", folder.c_str());
    if (type == 0) type = fileTypeOfLastExtension(name);
    if (type == 0) type = GetCadFileType(name.c_str());
    // Files no reader of ours knows may be a LOAD plug-in's; only LOAD items open.
    if (plugins::PluginManager* m = plugins::hostState().manager) {
        if (type == 0) {
            if (const int item = m->fileItemFor(plugins::KindLoad, name); item >= 0)
                type = kFirstPluginFileType + static_cast<unsigned>(item);
        }
        if (type >= kFirstPluginFileType) return m->openWithItem(static_cast<int>(type - kFirstPluginFileType), name);
    }
    if (type == 0 || type > kLastBuiltInFileType) {
        unknownType(name);
        return 0;
    }
    if (type == KX_FILETYPE_KALVEX) return LoadScene(GetCurrentScene(), name.c_str());
    return Read3Dfile(GetCurrentScene(), name.c_str(), type);
}

int saveSceneFile(const std::string& path, unsigned type, const Settings& settings) {
    {
        SceneModel::Transaction change(SceneDelta::Camera);
        if (!change.owns()) return 0;
        SetCameraSize(GetActiveCamera(), POINT{settings.render.renderX, settings.render.renderY});
    }
    if (type == 0) type = fileTypeOfLastExtension(path);
    if (type == 0) type = GetCadFileType(path.c_str());
    if (plugins::PluginManager* m = plugins::hostState().manager) {
        if (type == 0) {
            if (const int item = m->fileItemFor(plugins::KindSave, path); item >= 0)
                type = kFirstPluginFileType + static_cast<unsigned>(item);
        }
        if (type >= kFirstPluginFileType) return m->saveWithItem(static_cast<int>(type - kFirstPluginFileType), path);
    }
    if (type > kLastBuiltInFileType) {
        unknownType(path);
        return 0;
    }
    CadScene* scene = GetCurrentScene();
    switch (type) {
        case KX_FILETYPE_KALVEX: {
            int ok = SaveScene2(scene, path.c_str());
            if (ok && settings.exports.autoSave) ok = Write3Dfile(scene, path.c_str(), KX_FILETYPE_POVRAY2);
            return ok;
        }
        case 8: case KX_FILETYPE_NFF: case KX_FILETYPE_POLYRAY: case KX_FILETYPE_QRT: case KX_FILETYPE_DXF:
        case KX_FILETYPE_RENDERMAN: case KX_FILETYPE_VRML: case KX_FILETYPE_WAVEFRONT: case KX_FILETYPE_VRML2:
        case KX_FILETYPE_STL: case KX_FILETYPE_PLY: case KX_FILETYPE_GLTF:
            return WriteExportFile(scene, exportPathFor(path, type).c_str(), type);
        case KX_FILETYPE_RAW: case 6: case 7: case KX_FILETYPE_3D:
            return saveSelectedObject(path, type);
        case KX_FILETYPE_POVRAY2: case KX_FILETYPE_POVRAY3: case KX_FILETYPE_POVRAY1: {
            const std::string pov = exportPathFor(path, KX_FILETYPE_POVRAY2);
            int ok = WriteExportFile(scene, pov.c_str(), KX_FILETYPE_POVRAY2);
            if (ok && settings.exports.renderBatch) ok = writeRenderBatch(settings, pov);
            return ok;
        }
        default:
            unknownType(path);
            return 0;
    }
}

}  // namespace kx::app
