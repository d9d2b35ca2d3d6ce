// Host functions on files, the animation, textures, the document and the
// plug-ins themselves.
#include <strings.h>

#include <cstring>
#include <string>

#include "kxcore.h"
#include "document/file_dispatch.h"
#include "kxplatform/process.h"
#include "plugins/builtin_tools.h"
#include "plugins/host_dispatch.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"
#include "plugins/texture_properties.h"
#include "plugins/plugin_manager.h"

namespace kx::plugins::host {
namespace {

// The file table: handle n names files[n - 1]; checked on every use.
StandardFile* fileOf(int file) {
    auto& files = hostState().files;
    if (file < 1 || static_cast<size_t>(file) > files.size()) return nullptr;
    return files[static_cast<size_t>(file) - 1];
}

constexpr unsigned long kOpenRead = 64;
constexpr unsigned long kOpenWrite = 4161;

}  // namespace

int GetViewHandle(const char*, int) {
    ::ErrorMessage("Function GetViewHandle not implemented");
    return 0;
}

int CallPlugin(const char* function) {
    if (function == nullptr) return 0;
    if (PluginManager* m = hostState().manager) {
        const int result = m->callBuildItem(function);
        if (result >= 0) return result;
    }
    const int built = builtinTools().run(function);
    if (built >= 0) {
        if (built > 0 && !hostState().sceneRedrawOff) document().redraw();
        return built;
    }
    ::ErrorMessage("Plugin function \"%s\" not found", function);
    return 0;
}

int Shell(const char* command) {
    if (command == nullptr) return 0;
    const auto argv = platform::splitCommandLine(command);
    if (argv.empty()) return 0;
    return platform::startDetached(argv, "") == 0 ? 1 : 0;
}

int GetFileName(int open, const char* filter, char* path) {
    if (path == nullptr) return 0;
    std::string chosen;
    std::string filters = filter != nullptr ? filter : "";
    filters += "All files (*.*)|*.*||";
    if (!document().chooseFile(open != 0, filters, chosen)) return 0;
    // The answer travels in the 72-byte value area: never a cut path.
    if (chosen.size() > KXVAR_TEXT_BYTES - 1) {
        ::ErrorMessage("File name too long");
        return 0;
    }
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return 1;
}

int OpenFile(const char* name, int write) {
    if (name == nullptr) return 0;
    StandardFile* f = StdOpenFile(name, write != 0 ? kOpenWrite : kOpenRead);
    if (f == nullptr) return 0;
    auto& files = hostState().files;
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i] == nullptr) {
            files[i] = f;
            return static_cast<int>(i + 1);
        }
    }
    files.push_back(f);
    return static_cast<int>(files.size());
}

int CloseFile(int file) {
    StandardFile* f = fileOf(file);
    if (f == nullptr) return 0;
    hostState().files[static_cast<size_t>(file) - 1] = nullptr;
    return StdCloseFile(f);
}

int ReadFile(int file, void* buffer, int count) {
    StandardFile* f = fileOf(file);
    if (f == nullptr || buffer == nullptr || count <= 0) return 0;
    return StdReadFile(f, buffer, static_cast<unsigned long>(count));
}

int WriteFile(int file, void* buffer, int count) {
    StandardFile* f = fileOf(file);
    if (f == nullptr || buffer == nullptr || count <= 0) return 0;
    return StdWriteFile(f, buffer, static_cast<unsigned long>(count));
}

int GetFunctionOrdinal(const char* name) { return hostFunctionOrdinal(name); }

int ErrorMessage(const char* text) {
    if (text == nullptr) return 0;
    ::ErrorMessage("%s", text);
    return 1;
}

int AnimCreate(const char* name, int frames) {
    if (name == nullptr) return 0;
    return CreateAnimation(name, frames < 0 ? 0u : static_cast<unsigned>(frames));
}

int AnimSetObject(int handle) {
    if (handle == -2) {
        for (CadObject* o = GetCadObject(nullptr); o; o = GetCadObject(o)) AddObjectToAni(o, 0);
        return 1;
    }
    HandleEntry* e = hostState().handles.entry(handle);
    if (e == nullptr) return 0;
    if (e->object == nullptr) return logFailure(0, "SetAnimObject: Invalid Object Pointer\n");
    return AddObjectToAni(e->object, 0);
}

int AnimGetMaxFrame() { return static_cast<int>(GetMaxFrame()); }

int AnimSetFrame(int frame) { return frame < 0 ? 0 : UpdateObjectsFromFrame(static_cast<unsigned>(frame)); }

int AnimGotoFrame(int frame) { return frame < 0 ? 0 : SetObjectsToFrame(static_cast<unsigned>(frame)); }

int AnimGetCurrentFrame() { return static_cast<int>(GetCurrentFrame()); }

int AnimSetAttrib(int a, int b) {
    return SetObjectFrameAttrib(GetCurrentFrame(), static_cast<unsigned>(a), b);
}

int CustomTexture(const char* name, int op, void* property) {
    if (name == nullptr) return 0;
    switch (op) {
    case 1:
        if (GetUserDbIndex(name) >= 0) LogMessage(1, "piCustomTexture: create on existing\n");
        LoadCustomTexture(name);
        return 1;
    case 2:
        DeleteCustomTexture(name);
        if (!SaveCustomTexture(name)) return logFailure(0, "piCustomTexture: error saving custom texture\n");
        return 1;
    case 3: return DeleteCustomTexture(name);
    case 4:
    case 5: {
        auto* p = static_cast<PluginProperty*>(property);
        if (p == nullptr || p->size != PLUGIN_PROPERTY_SIZE) return logFailure(0, "piCustomTexture: invalid argument\n");
        // The named texture becomes the current one unless it is already.
        if (strcasecmp(GetCustomTexture(0)->name, name) != 0 && !LoadCustomTexture(name))
            return logFailure(0, "piCustomTexture: texure not present\n");
        const int ok = op == 4 ? readTextureProperty(*p) : writeTextureProperty(*p);
        return ok ? 1 : logFailure(0, "GetCustomTextureProprerty: unknown texure property\n");
    }
    default:
        return 0;
    }
}

namespace {

// The user texture of the object a handle names, loaded for the texture
// property functions, and the checked property record; 0 after a failure.
PluginProperty* loadedTextureProperty(int handle, void* property) {
    CadObject* obj = hostState().handles.object(handle);
    if (obj == nullptr) return nullptr;
    auto* p = static_cast<PluginProperty*>(property);
    if (p == nullptr || p->size != PLUGIN_PROPERTY_SIZE) {
        logFailure(0, "GetTextureProperty: invalid argument\n");
        return nullptr;
    }
    if (obj->materialType != 2) {
        logFailure(0, "GetTextureProperty: invalid texure\n");
        return nullptr;
    }
    if (!LoadCustomTexture(obj->material)) {
        logFailure(0, "GetTextureProperty: texure not present\n");
        return nullptr;
    }
    return p;
}

}  // namespace

int GetTextureProperty(int handle, void* property) {
    PluginProperty* p = loadedTextureProperty(handle, property);
    if (p == nullptr) return 0;
    if (readTextureProperty(*p)) return 1;
    return logFailure(0, "GetCustomTextureProprerty: unknown texure property\n");
}

int SetTextureProperty(int handle, void* property) {
    PluginProperty* p = loadedTextureProperty(handle, property);
    if (p == nullptr) return 0;
    if (writeTextureProperty(*p)) return 1;
    return logFailure(0, "GetCustomTextureProprerty: unknown texure property\n");
}

int Load(const char* file) {
    if (file == nullptr) return 0;
    return document().load(file);
}

int Save(const char* file, int type) {
    if (file == nullptr) return 0;
    const unsigned t = type != 0 ? static_cast<unsigned>(type) : GetCadFileType(file);
    // Plug-in file types are plug-in items, and only SAVE items write files.
    if (t >= app::kFirstPluginFileType) {
        PluginManager* m = hostState().manager;
        if (m == nullptr) {
            ::ErrorMessage("Error unknown file type: %s", file);
            return 0;
        }
        return m->saveWithItem(static_cast<int>(t - app::kFirstPluginFileType), file);
    }
    return document().save(file, t);
}

int Render() {
    document().render();
    return 0;
}

int NewScene() {
    ClearScene(GetCurrentScene());
    ClearKalvexEvent();
    return document().newScene();
}

int Redraw() {
    if (!hostState().sceneRedrawOff) document().redraw();
    return 1;
}

}  // namespace kx::plugins::host
