#include "plugins/plugin_manager.h"

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "kxplatform/process.h"
#include "kxplatform/ui_callbacks.h"
#include "plugins/builtin_tools.h"
#include "plugins/host_dispatch.h"
#include "plugins/host_state.h"
#include "plugins/replacing_save.h"

namespace kx::plugins {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCheck = "\r\n\r\nCheck that the plugin is for Kalvex\r\nand the supported by the current version";
constexpr const char* kLoadingMarker = "plugins.loading";
constexpr const char* kDisabledList = "plugins.disabled";
constexpr int kMaxRepeats = 16;

struct KindRow {
    const char* name;
    int id;
};
constexpr KindRow kKinds[] = {{"NULL", 0}, {"UTIL", 1},   {"LOAD", 2},   {"SAVE", 3},  {"BUILD", 4},
                              {"XFORM", 5}, {"SCREEN", 6}, {"RENDER", 7}, {"ANIMAT", 8}};

std::string lastDlError() {
    const char* e = dlerror();
    return e ? e : "unknown error";
}

std::string extensionOf(const std::string& path) { return fs::path(path).filename().extension().string(); }

template <typename F>
F symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

template <size_t N>
void terminate(char (&field)[N]) {
    field[N - 1] = '\0';
}

void copyField(char* field, size_t size, const char* text) {
    std::memset(field, 0, size);
    std::memcpy(field, text, std::min(std::strlen(text), size - 1));
}

bool same(const std::string& a, const char* b) { return b != nullptr && strcasecmp(a.c_str(), b) == 0; }

}  // namespace

int pluginKindId(const char* name) {
    if (name == nullptr) return -1;
    for (const KindRow& k : kKinds)
        if (strcasecmp(k.name, name) == 0) return k.id;
    return -1;
}

PluginManager::PluginManager(PluginManagerOptions options) : options_(std::move(options)) { readCrashMarker(); }

PluginManager::~PluginManager() { shutdown(); }

bool PluginManager::loadToolsLibrary() {
    if (tools_) return true;
    tools_ = dlopen(options_.toolsLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!tools_) {
        ErrorMessage("Error loading plugin tools library: %s (%s)", options_.toolsLibrary.c_str(),
                     lastDlError().c_str());
        return false;
    }
    // The tools library never links a toolkit: it shows its boxes through ours.
    using SetUi = void (*)(const KxUiCallbacks*);
    if (auto setUi = symbol<SetUi>(tools_, "plkSetUiCallbacks")) setUi(&platform::ui());
    return true;
}

// Each running program marks what it loads in a file of its own
// ("plugins.loading.PID"): a farm runs several at once, and one must not take
// another's load in progress for a crash. A marker whose program is gone
// (or one without a number, as older versions wrote it) names a crash.
std::string PluginManager::markerName() { return std::string(kLoadingMarker) + "." + std::to_string(::getpid()); }

void PluginManager::readCrashMarker() {
    if (options_.dataFolder.empty()) return;
    const fs::path folder(options_.dataFolder);
    {
        std::ifstream list(folder / kDisabledList);
        for (std::string line; std::getline(list, line);)
            if (!line.empty()) disabled_.insert(line);
    }
    std::error_code ec;
    std::vector<fs::path> markers;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == kLoadingMarker) {
            markers.push_back(it->path());
        } else if (name.rfind(std::string(kLoadingMarker) + ".", 0) == 0) {
            const std::string digits = name.substr(std::strlen(kLoadingMarker) + 1);
            char* rest = nullptr;
            const long pid = std::strtol(digits.c_str(), &rest, 10);
            const bool alive = pid > 0 && *rest == '\0' && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
            if (!alive || pid == ::getpid()) markers.push_back(it->path());
        }
    }
    std::sort(markers.begin(), markers.end());
    for (const fs::path& m : markers) {
        std::string path;
        {
            std::ifstream marker(m);
            if (!marker || !std::getline(marker, path)) path.clear();
        }
        fs::remove(m, ec);
        if (path.empty() || disabled_.count(path) != 0) continue;
        ErrorMessage("The plug-in %s stopped Kalvex while loading and has been disabled.", path.c_str());
        disabled_.insert(path);
        std::ofstream list(folder / kDisabledList, std::ios::app);
        list << path << '\n';
    }
}

void PluginManager::markLoading(const std::string& path) {
    if (options_.dataFolder.empty()) return;
    std::ofstream marker(fs::path(options_.dataFolder) / markerName(), std::ios::trunc);
    marker << path << '\n';
    marker.flush();
}

void PluginManager::clearLoading() {
    if (options_.dataFolder.empty()) return;
    std::error_code ec;
    fs::remove(fs::path(options_.dataFolder) / markerName(), ec);
}

void PluginManager::loadFiles(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
        if (modules_.size() >= kMaxModules) break;
        loadFile(p);
    }
    for (PluginItem& item : items_)
        if (item.state == 0) item.state = 1;
}

bool PluginManager::addBatch(const std::string& path) {
    auto m = std::make_unique<PluginModule>();
    m->path = path;
    if (items_.size() < kMaxItems) {
        PluginItem item;
        item.kind = "UTIL";
        item.kindId = KindUtil;
        item.description = fs::path(path).stem().string();
        item.exportName = ":bat";
        item.module = m.get();
        item.state = 2;
        items_.push_back(item);
        ++utilCount_;
    }
    modules_.push_back(std::move(m));
    return true;
}

void PluginManager::loadFile(const std::string& path) {
    if (modules_.size() >= kMaxModules) return;
    if (disabled_.count(path) != 0) return;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        ErrorMessage("Error unable to load plugin: %s%s", path.c_str(), kCheck);
        return;
    }
    // Only the last component decides: a folder named "tools.sh/" holds plug-ins.
    const std::string ext = extensionOf(path);
    if (ext == ".sh" || ext == ".SH") {
        addBatch(path);
        return;
    }
    auto m = std::make_unique<PluginModule>();
    m->path = path;
    markLoading(path);
    m->library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->library) {
        clearLoading();
        ErrorMessage("Error unable to create plug-in instance: %s %s%s", path.c_str(), lastDlError().c_str(), kCheck);
        return;
    }
    m->init = symbol<PluginInitFunc>(m->library, "piInit");
    if (!m->init) {
        clearLoading();
        if (dlsym(m->library, "ENTRY") != nullptr) {
            if (items_.size() < kMaxItems) {
                PluginItem item;
                item.kind = "SCREEN";
                item.kindId = KindScreen;
                item.description = "Adobe photoshop plugin";
                item.module = m.get();
                item.state = 2;
                items_.push_back(item);
            }
            modules_.push_back(std::move(m));
            return;
        }
        ErrorMessage("Error binding plug-in init function, unknown plug-in type");
        dlclose(m->library);
        return;
    }
    m->block = PluginHostBlock{};
    m->block.dispatch = &HostDispatch;
    m->block.size = PLUGIN_RECORD_SIZE;
    const int ok = m->init(5, &m->block);
    clearLoading();
    if (!ok) {
        ErrorMessage("Error plug-in init failed: %s", path.c_str());
        dlclose(m->library);
        return;
    }
    m->initialised = true;
    m->exit = symbol<PluginExitFunc>(m->library, "piExit");

    // The whole table must check out before any of its items is kept.
    std::vector<PluginItem> staged;
    const PluginFunctionEntry* table = m->block.table;
    const uint32_t count = table ? m->block.count : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const PluginFunctionEntry& e = table[i];
        if (!e.kind || !e.name || !e.description) break;
        auto entry = symbol<PluginEntryFunc>(m->library, e.name);
        if (!entry) {
            ErrorMessage("Error invalid plug-in function: %s %s", path.c_str(), e.name);
            unload(*m);
            return;
        }
        PluginItem item;
        item.kind = e.kind;
        item.description = e.description;
        item.exportName = e.name;
        item.entry = entry;
        item.module = m.get();
        item.kindId = pluginKindId(e.kind);
        staged.push_back(std::move(item));
    }
    for (PluginItem& item : staged) {
        if (items_.size() >= kMaxItems) break;
        if (item.kindId == KindUtil) ++utilCount_;
        items_.push_back(std::move(item));
    }
    modules_.push_back(std::move(m));
}

void PluginManager::unload(PluginModule& m) {
    if (m.initialised && m.exit) m.exit(&m.block.reserved);
    m.initialised = false;
    if (m.library) dlclose(m.library);
    m.library = nullptr;
}

void PluginManager::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (auto& m : modules_) unload(*m);
    items_.clear();
    modules_.clear();
    if (tools_) dlclose(tools_);
    tools_ = nullptr;
}

int PluginManager::call(size_t i, CadObject* obj, int reason, void* data, char* buffer, size_t size, int* value) {
    if (i >= items_.size()) return 0;
    const PluginItem& item = items_[i];
    if (item.description.empty() || item.exportName.empty()) {
        ErrorMessage("Error invalid plug-in function");
        return 0;
    }
    if (item.exportName[0] == ':') {
        if (reason != 1) return 1;
        return platform::startDetached({"/bin/sh", item.module->path}, "") == 0 ? 1 : 0;
    }
    if (!item.entry) return 0;
    GrowthRun growth;
    HandleTable& handles = hostState().handles;
    // One handle for the object across repeated calls, freed once the plug-in is done.
    int taken = -1;
    struct Release {
        HandleTable& handles;
        int& taken;
        ~Release() {
            if (taken != -1) handles.release(taken);
        }
    } release{handles, taken};
    for (int round = 0; round < kMaxRepeats; ++round) {
        PluginCallRecord rec{};
        rec.size = PLUGIN_RECORD_SIZE;
        rec.data = data;
        rec.handle = -1;
        if (obj && taken == -1) taken = handles.take(obj);
        rec.handle = taken;
        const int result = item.entry(reason, 0, &rec);
        if (taken != -1 && result != 2) {
            handles.release(taken);
            taken = -1;
        }
        if (result == 0) return 0;
        switch (reason) {
        case 1:
            if (rec.kind == 3 && rec.data != nullptr && rec.data != data) {
                // The host takes over the plug-in's malloc'ed triangles.
                makeMeshObject("_mesh", static_cast<const TriPolygon*>(rec.data), rec.length);
                std::free(rec.data);
                if (!hostState().sceneRedrawOff) document().redraw();
            } else if (rec.kind != 0 && rec.kind != 4 && rec.data != nullptr && rec.data != data) {
                std::free(rec.data);
            }
            if (result >= 2) continue;
            return result;
        case 4:
        case 64:
            if (rec.kind == 2 && value) *value = static_cast<int>(rec.length);
            return 1;
        case 16384:
            // The answer is a handle; -1 for none.
            return result;
        case 512:
            // The plug-in may write into the caller's buffer itself, or answer
            // as for a filter text.
            if (rec.data == data || rec.data == nullptr || rec.length == 0) {
                if (buffer != nullptr && size > 0) buffer[size - 1] = '\0';
                return 1;
            }
            [[fallthrough]];
        case 8:
        case 16:
        case 1024:
            if (rec.data != nullptr && rec.length != 0 && buffer != nullptr && size > 0) {
                size_t n = 0;
                if (rec.kind == 1) {
                    n = strnlen(static_cast<const char*>(rec.data), size - 1);
                    std::memcpy(buffer, rec.data, n);
                } else if (rec.kind == 6) {
                    n = std::min<size_t>(rec.length, size - 1);
                    std::memcpy(buffer, rec.data, n);
                } else if (rec.kind == 5) {
                    n = std::min<size_t>({rec.length, sizeof rec.data, size - 1});
                    std::memcpy(buffer, &rec.data, n);
                }
                buffer[n] = '\0';
                return 1;
            }
            if (result >= 2) continue;
            return result;
        default:
            return 1;
        }
    }
    return 0;
}

int PluginManager::findItem(const char* kind, const char* name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        const PluginItem& it = items_[i];
        if (kind && !same(it.kind, kind)) continue;
        if (name && kind && !same(it.exportName, name)) continue;
        if (name && !kind && !same(it.exportName, name) && !same(it.description, name)) continue;
        return static_cast<int>(i);
    }
    return -1;
}

int PluginManager::findByDescriptionOrExport(const char* name) const { return findItem(nullptr, name); }

int PluginManager::callBuildItem(const char* exportName) {
    const int i = findItem("BUILD", exportName);
    return i < 0 ? -1 : call(static_cast<size_t>(i), nullptr, 1, nullptr);
}

int PluginManager::setItemProperty(const char* exportName, const char* property, const KxVar& value) {
    const int i = findItem("BUILD", exportName);
    if (i < 0) return -1;
    PluginProperty p{};
    p.size = PLUGIN_PROPERTY_SIZE;
    std::memcpy(p.name, property, strnlen(property, PLUGIN_PROPERTY_NAME - 1));
    p.value = value;
    return call(static_cast<size_t>(i), nullptr, 128, &p);
}

int PluginManager::getItemProperty(const char* exportName, const char* property, KxVar& value) {
    const int i = findItem("BUILD", exportName);
    if (i < 0) return -1;
    PluginProperty p{};
    p.size = PLUGIN_PROPERTY_SIZE;
    std::memcpy(p.name, property, strnlen(property, PLUGIN_PROPERTY_NAME - 1));
    p.value.size = KXVAR_SIZE;
    const int result = call(static_cast<size_t>(i), nullptr, 256, &p);
    if (result) value = p.value;
    return result;
}

std::vector<PluginManager::ListedProperty> PluginManager::listItemProperties(const char* exportName) {
    std::vector<ListedProperty> out;
    const int i = findItem("BUILD", exportName);
    if (i < 0) return out;
    for (size_t index = 0; index < kMaxListedProperties; ++index) {
        PluginProperty p{};
        p.size = PLUGIN_PROPERTY_SIZE;
        const std::string asked = std::to_string(index);
        std::memcpy(p.name, asked.data(), asked.size());
        p.value.size = KXVAR_SIZE;
        if (!call(static_cast<size_t>(i), nullptr, PLUGIN_REASON_LIST_PROPERTY, &p)) break;
        // What came back is the plug-in's: the name may fill its field without an end.
        std::string name(p.name, strnlen(p.name, PLUGIN_PROPERTY_NAME));
        if (name.empty() || name == asked || p.value.size != KXVAR_SIZE) break;
        out.push_back({std::move(name), p.value});
    }
    return out;
}

int PluginManager::callBound(CadObject* obj, int reason, void* data) {
    std::string text(KX_EXTRA_TEXT_MAX + 1, '\0');
    if (!GetObjectExtraString(obj, KX_PROP_PLUGIN, text.data())) return 0;
    const int i = findByDescriptionOrExport(text.c_str());
    return i < 0 ? 0 : call(static_cast<size_t>(i), obj, reason, data);
}

int PluginManager::fileItemFor(int kindId, const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    if (ext.empty()) return -1;
    std::string want = "*" + ext;
    for (char& c : want) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kindId != kindId || !items_[i].entry) continue;
        char filter[PLUGIN_FILTER_BUFFER] = {};
        if (!call(i, nullptr, 8, nullptr, filter, sizeof filter)) continue;
        std::string lower = filter;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // The patterns are the filter's odd "|" fields: "Text|*.a;*.b|...".
        size_t field = 0, begin = 0;
        for (;;) {
            const size_t end = lower.find('|', begin);
            const std::string part = lower.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
            if (field % 2 == 1) {
                size_t b = 0;
                for (;;) {
                    const size_t e = part.find(';', b);
                    if (part.substr(b, e == std::string::npos ? std::string::npos : e - b) == want)
                        return static_cast<int>(i);
                    if (e == std::string::npos) break;
                    b = e + 1;
                }
            }
            if (end == std::string::npos) break;
            begin = end + 1;
            ++field;
        }
    }
    return -1;
}

int PluginManager::boundText(CadObject* obj, char* buffer, size_t size) {
    if (obj == nullptr || buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    std::string text(KX_EXTRA_TEXT_MAX + 1, '\0');
    if (!GetObjectExtraString(obj, KX_PROP_PLUGIN, text.data())) return 0;
    const int i = findByDescriptionOrExport(text.c_str());
    if (i < 0) return 0;
    return call(static_cast<size_t>(i), obj, 512, buffer, buffer, size);
}

CadObject* PluginManager::createByTypeName(const char* typeName) {
    if (typeName == nullptr) return nullptr;
    int i = -1;
    for (size_t k = 0; k < items_.size() && i < 0; ++k) {
        const PluginItem& it = items_[k];
        if (it.kindId == KindBuild && (same(it.description, typeName) || same(it.exportName, typeName)))
            i = static_cast<int>(k);
    }
    if (i < 0) return nullptr;
    std::array<char, PLUGIN_FILTER_BUFFER> scratch{};
    const int h = call(static_cast<size_t>(i), nullptr, 16384, scratch.data());
    HandleTable& handles = hostState().handles;
    CadObject* obj = handles.object(h);
    // The host takes the object; the plug-in's handle is done with.
    if (obj != nullptr) handles.release(h);
    return obj;
}

int PluginManager::renderWithItems(void* window, uint32_t viewData, int width, int height) {
    int drawn = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kindId != KindRender || !items_[i].entry || items_[i].state == 0) continue;
        PluginRenderView view{window, viewData, width, height};
        if (call(i, nullptr, 1, &view)) ++drawn;
    }
    return drawn;
}

int PluginManager::openWithItem(int n, const std::string& path) {
    if (n < 0 || static_cast<size_t>(n) >= items_.size() || items_[static_cast<size_t>(n)].kindId != KindLoad) {
        ErrorMessage("Error unknown file type: %s", path.c_str());
        return 0;
    }
    std::string copy = path;
    return call(static_cast<size_t>(n), nullptr, 1, copy.data());
}

int PluginManager::saveWithItem(int n, const std::string& path) {
    if (n < 0 || static_cast<size_t>(n) >= items_.size() || items_[static_cast<size_t>(n)].kindId != KindSave) {
        ErrorMessage("Error unknown file type: %s", path.c_str());
        return 0;
    }
    // The plug-in writes a file of its own; the target is replaced only by a whole one.
    return saveReplacing(path, [&](const std::string& made) {
        std::string copy = made;
        return call(static_cast<size_t>(n), nullptr, 2, copy.data());
    });
}

std::vector<app::RendererDefinition> PluginManager::registerRenderers() {
    std::vector<app::RendererDefinition> out;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kindId != KindRender || !items_[i].entry) continue;
        app::RendererDefinition r{};
        auto* bytes = reinterpret_cast<unsigned char*>(&r);
        if (!call(i, nullptr, 16, bytes + 32)) continue;
        copyField(r.infoFile, sizeof r.infoFile, "plugin.inf");
        // The whole type word, not one byte of it: the plug-in may have filled the rest.
        r.type = app::kPluginRendererType;
        terminate(r.description);
        terminate(r.quality);
        terminate(r.commandTemplate);
        terminate(r.antiAlias);
        terminate(r.userBreak);
        terminate(r.displayImage);
        terminate(r.frameOption);
        out.push_back(r);
    }
    return out;
}

std::vector<std::string> PluginManager::modulePaths(const platform::IniStore& store, bool executeAll,
                                                    const std::vector<std::string>& folders) {
    std::vector<std::string> paths;
    if (!executeAll) {
        for (int i = 1; i <= 16; ++i) {
            const std::string p = store.getString("PlugIn", "Module" + std::to_string(i), "");
            if (!p.empty()) paths.push_back(p);
        }
        return paths;
    }
    std::set<std::string> seen;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::vector<std::string> here;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code e2;
            if (!it->is_regular_file(e2)) continue;
            const std::string ext = it->path().extension().string();
            if (ext != ".pi" && ext != ".sh") continue;
            here.push_back(it->path().filename().string());
        }
        std::sort(here.begin(), here.end());
        for (const std::string& name : here) {
            if (!seen.insert(name).second) continue;
            paths.push_back((fs::path(folder) / name).string());
        }
    }
    return paths;
}

void PluginManager::saveModuleList(platform::IniStore& store) const {
    for (const std::string& name : store.names("PlugIn")) store.remove("PlugIn", name);
    std::string last;
    int n = 0;
    for (const PluginItem& item : items_) {
        if (item.state != 1 && item.state != 2) continue;
        if (!item.module || item.module->path == last) continue;
        last = item.module->path;
        store.set("PlugIn", "Module" + std::to_string(++n), last);
    }
}

}  // namespace kx::plugins
