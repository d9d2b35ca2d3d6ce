// The plug-in manager: loads the plug-in tools library and the plug-in files,
// keeps their functions as items by kind, calls them through the call-record
// protocol, and unloads everything in order at exit.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kxcore.h"
#include "kxplatform/ini_store.h"
#include "kxplugin.h"
#include "render/renderer_definitions.h"

namespace kx::plugins {

using PluginEntryFunc = int (*)(int reason, int zero, PluginCallRecord* rec);
using PluginInitFunc = int (*)(int reason, PluginHostBlock* block);
using PluginExitFunc = void (*)(void* p);

enum PluginKind { KindNull = 0, KindUtil, KindLoad, KindSave, KindBuild, KindXform, KindScreen, KindRender, KindAnimat };

// The kind id of a kind name (any case), -1 when unknown.
int pluginKindId(const char* name);

struct PluginModule {
    void* library = nullptr;  // null for a batch file
    PluginHostBlock block{};
    std::string path;
    PluginInitFunc init = nullptr;
    PluginExitFunc exit = nullptr;
    bool initialised = false;  // piInit succeeded: piExit is owed
};

struct PluginItem {
    std::string kind;
    std::string description;
    std::string exportName;  // ":bat" for a batch file
    PluginEntryFunc entry = nullptr;
    PluginModule* module = nullptr;
    int state = 0;  // 0 disabled, 1 enabled, 2 always present
    int kindId = -1;
};

struct PluginManagerOptions {
    // The plug-in tools library, loaded first by absolute path.
    std::string toolsLibrary;
    // Where "plugins.loading" marks the module being loaded; empty: no marking.
    std::string dataFolder;
};

class PluginManager {
public:
    static constexpr size_t kMaxModules = 16;
    static constexpr size_t kMaxItems = 64;

    explicit PluginManager(PluginManagerOptions options);
    ~PluginManager();  // shutdown()
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    // Loads the tools library; false (reported) when it could not be loaded.
    bool loadToolsLibrary();
    // Loads each file in order, up to 16 modules; then enables state-0 items.
    void loadFiles(const std::vector<std::string>& paths);
    // One file; failures are reported and leave no item of it.
    void loadFile(const std::string& path);
    // piExit of every module past piInit, unload them, the tools library last.
    void shutdown();

    const std::vector<PluginItem>& items() const { return items_; }
    std::vector<PluginItem>& items() { return items_; }
    size_t moduleCount() const { return modules_.size(); }
    int utilCount() const { return utilCount_; }
    // Paths skipped because an earlier start stopped while loading them.
    const std::set<std::string>& disabledPaths() const { return disabled_; }

    // Calls item i with reason and data. For reasons 8, 16 and 1024 the
    // answer is copied into buffer (at most size-1 bytes and a terminator);
    // for 4 and 64 an integer answer goes to *value.
    int call(size_t i, CadObject* obj, int reason, void* data, char* buffer = nullptr, size_t size = 0,
             int* value = nullptr);

    // Item lookups (any case): -1 when none.
    int findItem(const char* kind, const char* name) const;
    int findByDescriptionOrExport(const char* name) const;

    // CallPlugin: reason 1 of the BUILD item of that export name; -1 when none.
    int callBuildItem(const char* exportName);
    // SetPluginProperty: reason 128 of the BUILD item; -1 when none.
    int setItemProperty(const char* exportName, const char* property, const KxVar& value);
    // The value a BUILD function's property holds now: -1 when there is no
    // such function, 0 when it does not answer.
    int getItemProperty(const char* exportName, const char* property, KxVar& value);
    // The properties a BUILD function lists (reason 2048), with their values
    // now, at most kMaxListedProperties; empty for a function that lists none.
    static constexpr size_t kMaxListedProperties = 64;
    struct ListedProperty {
        std::string name;
        KxVar value;
    };
    std::vector<ListedProperty> listItemProperties(const char* exportName);
    // The function bound to obj through its "Plugin" field; 0 when none.
    int callBound(CadObject* obj, int reason, void* data);
    // Open and save through item n: only LOAD items open, only SAVE items save.
    int openWithItem(int n, const std::string& path);
    int saveWithItem(int n, const std::string& path);

    // The LOAD or SAVE item (kindId) whose filter offers the file's extension; -1 when none.
    int fileItemFor(int kindId, const std::string& path);
    // Reason 512: the text of the function bound to obj (through its "Plugin"
    // field), written into buffer (size bytes, always terminated); 0 when
    // there is no such function or it failed.
    int boundText(CadObject* obj, char* buffer, size_t size);
    // Reason 16384: an object of a type name that is no built-in type, made by
    // the BUILD item of that description or export name. The host takes the
    // object of the handle the function returns and frees the handle; null
    // when no item answers with an object.
    CadObject* createByTypeName(const char* typeName);
    // Every RENDER item draws the scene (reason 1) at width x height; the
    // number of items that succeeded.
    int renderWithItems(void* window, uint32_t viewData, int width, int height);

    // Each RENDER item's renderer (reason 16 on a zeroed record it fills from
    // byte 32 on), made safe to use: type 42, every text terminated.
    std::vector<app::RendererDefinition> registerRenderers();

    // The files the settings name: with executeAll every "*.pi" and "*.sh" of
    // the folders in name order (a name once), else "Module1".."Module16".
    static std::vector<std::string> modulePaths(const platform::IniStore& store, bool executeAll,
                                                const std::vector<std::string>& folders);
    // Writes the modules of enabled and always-present items as "Module%d".
    void saveModuleList(platform::IniStore& store) const;

private:
    bool addBatch(const std::string& path);
    static std::string markerName();
    void readCrashMarker();
    void markLoading(const std::string& path);
    void clearLoading();
    void unload(PluginModule& m);

    PluginManagerOptions options_;
    void* tools_ = nullptr;
    std::vector<std::unique_ptr<PluginModule>> modules_;
    std::vector<PluginItem> items_;
    int utilCount_ = 0;
    std::set<std::string> disabled_;
    bool shutDown_ = false;
};

}  // namespace kx::plugins
