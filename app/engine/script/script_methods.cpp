// The scene's script methods: a thin layer over the host functions plug-ins
// call, with the checks a script's arguments need first.
#include "script/script_methods.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kxcore.h"
#include "plugins/host_functions.h"
#include "plugins/host_state.h"

namespace kx::script {
namespace {

namespace host = kx::plugins::host;

// Methods that write files or type keys: a scene's own script must not
// reach them, or opening a downloaded scene could overwrite the user's files.
bool refusedToEvents(RunContext& run, const char* method) {
    if (run.options.kind != RunKind::Event) return false;
    LogMessage(1, "Script method %s is not available to scene event scripts\n", method);
    run.failed = true;
    return true;
}

void setFloats(float* to, const Arg* a, int n) {
    for (int k = 0; k < n; ++k) to[k] = static_cast<float>(a[k].d);
}

KxVar emptyValue() {
    KxVar v{};
    v.size = KXVAR_SIZE;
    return v;
}

void copyText(std::string& to, const char* from, std::size_t limit) { to.assign(from, strnlen(from, limit)); }

// Runs a value method: builds the value, then calls the host.
template <typename Call>
int withValue(const Arg& a, RunContext& run, Call call) {
    KxVar v = emptyValue();
    if (!toValue(a, run, v)) return 0;
    return call(v);
}

KxVar intValue(int i) {
    KxVar v = emptyValue();
    v.type = KXVAR_INT;
    v.value.i = i;
    return v;
}

KxVar doubleValue(double d) {
    KxVar v = emptyValue();
    v.type = KXVAR_DOUBLE;
    v.value.d = d;
    return v;
}

// A text argument as a value (the text kinds of the property methods).
Arg asTextArg(const Arg& a) {
    Arg t = a;
    t.kind = KXVAR_STRING;
    return t;
}

int objectProperty(const Arg* a, RunContext& run, const KxVar& v) {
    (void)run;
    const char* name = GetObjectPropertyTypeName(a[1].i);
    // An unknown id has no name; the host would read a null one.
    if (name == nullptr) return 0;
    KxVar copy = v;
    return host::SetObjectProperty(a[0].i, name, &copy);
}

int textureProperty(const Arg* a, const KxVar& v) {
    PluginProperty p{};
    p.size = PLUGIN_PROPERTY_SIZE;
    if (a[1].s == nullptr || a[1].n >= PLUGIN_PROPERTY_NAME) return 0;
    std::memcpy(p.name, a[1].s, a[1].n);
    p.value = v;
    return host::SetTextureProperty(a[0].i, &p);
}

int pluginProperty(const Arg* a, const KxVar& v) {
    KxVar copy = v;
    return host::SetPluginProperty(a[0].s, a[1].s, &copy);
}

int runFile(const RunContext& run, int handle) {
    return std::find(run.files.begin(), run.files.end(), handle) != run.files.end() ? handle : 0;
}

#define M(name) void name(const Arg* a, RunContext& run, MethodResult& out)
#define UNUSED (void)a, (void)run

M(render) { UNUSED; out.i = host::Render(); }
M(createDefaultObject) { UNUSED; out.i = host::CreateDefaultObject(a[0].i); }
M(createObject) { UNUSED; out.i = host::CreateObject(a[0].s, a[1].i); }
M(getObject) { UNUSED; out.i = host::GetObject(a[0].i, a[1].i); }
M(freeObject) { UNUSED; out.i = host::FreeObject(a[0].i); }
M(getObjectCount) { UNUSED; out.i = host::GetObjectCount(a[0].i); }
M(selectObject) { UNUSED; out.i = host::SelectObject(a[0].i, a[1].i); }
M(clearSelection) { UNUSED; out.i = host::ClearSelection(); }
M(move) { UNUSED; out.i = host::MoveF(a[0].d, a[1].d, a[2].d); }
M(scale) { UNUSED; out.i = host::ScaleF(a[0].d, a[1].d, a[2].d); }
M(rotate) { UNUSED; out.i = host::RotateF(a[0].d, a[1].d, a[2].d); }
M(setCursor) { UNUSED; out.i = host::SetCursorF(a[0].d, a[1].d, a[2].d); }
M(rotateAbout) { UNUSED; out.i = host::RotateAboutF(a[0].d, a[1].d, a[2].d, a[3].d, a[4].d, a[5].d); }
M(scaleAbout) {
    UNUSED;
    float p[3], about[3];
    setFloats(p, a, 3);
    setFloats(about, a + 3, 3);
    out.i = host::ScaleAbout(0, p, about);
}
M(load) { UNUSED; out.i = host::Load(a[0].s); }
M(save) {
    if (refusedToEvents(run, "Save")) return;
    out.i = host::Save(a[0].s, a[1].i);
}
M(deleteObject) { UNUSED; out.i = host::DeleteObject(a[0].i); }
M(newScene) { UNUSED; out.i = host::NewScene(); }
M(setTexture) { UNUSED; out.i = host::SetObjectTexture(a[0].i, a[1].s); }
M(setColor) { UNUSED; out.i = host::SetObjectColor(a[0].i, a[1].s); }
M(getTexture) {
    (void)a;
    std::array<char, 260> text{};
    out.i = host::GetObjectTexture(a[0].i, text.data());
    copyText(run.text, text.data(), text.size() - 1);
}
M(createAnimation) { UNUSED; out.i = host::AnimCreate(a[0].s, a[1].i); }
M(animateObject) { UNUSED; out.i = host::AnimSetObject(a[0].i); }
M(gotoFrame) { UNUSED; out.i = host::AnimGotoFrame(a[0].i); }
M(getMaxFrame) { UNUSED; out.i = host::AnimGetMaxFrame(); }
M(callPlugin) { UNUSED; out.i = host::CallPlugin(a[0].s); }
M(findObject) { UNUSED; out.i = host::FindObject(a[0].s); }
M(addPoint) {
    UNUSED;
    float p[3];
    setFloats(p, a + 1, 3);
    out.i = host::PutGeometry(a[0].i, 1, p);
}
M(addFacet) {
    UNUSED;
    float p[9];
    setFloats(p, a + 1, 9);
    out.i = host::PutGeometry(a[0].i, 3, p);
}
M(selectName) { UNUSED; out.i = SelectCadObjectByName(a[0].s, 0); }
M(selectGroup) {
    UNUSED;
    SetObjectsUnSelected();
    out.i = SelectCadObjectByName(a[0].s, 1);
}
M(setSize) {
    UNUSED;
    float p[3];
    setFloats(p, a + 1, 3);
    out.i = host::Size(a[0].i, p);
}
M(rebuildObject) { UNUSED; out.i = host::RebuildObject(a[0].i, 1); }
M(rebuildObjects) { UNUSED; out.i = host::Rebuild(); }
M(setPluginPropertyInt) { UNUSED; out.i = pluginProperty(a, intValue(a[2].i)); }
M(setPluginPropertyStr) {
    out.i = withValue(asTextArg(a[2]), run, [&](const KxVar& v) { return pluginProperty(a, v); });
}
M(setPluginPropertyDbl) { UNUSED; out.i = pluginProperty(a, doubleValue(a[2].d)); }
M(setObjectPropertyInt) { out.i = objectProperty(a, run, intValue(a[2].i)); }
M(setObjectPropertyStr) {
    if (GetObjectPropertyTypeName(a[1].i) == nullptr) return;
    out.i = withValue(asTextArg(a[2]), run, [&](const KxVar& v) { return objectProperty(a, run, v); });
}
M(setObjectPropertyPnt) {
    KxVar v = emptyValue();
    v.type = KXVAR_POINT;
    setFloats(v.value.p, a + 2, 3);
    out.i = objectProperty(a, run, v);
}
M(setTexturePropertyInt) { UNUSED; out.i = textureProperty(a, intValue(a[2].i)); }
M(setTexturePropertyDbl) { UNUSED; out.i = textureProperty(a, doubleValue(a[2].d)); }
M(setTexturePropertyStr) {
    out.i = withValue(asTextArg(a[2]), run, [&](const KxVar& v) { return textureProperty(a, v); });
}
M(setPluginProperty) {
    out.i = withValue(a[2], run, [&](const KxVar& v) { return pluginProperty(a, v); });
}
M(setObjectProperty) {
    if (GetObjectPropertyTypeName(a[1].i) == nullptr) return;
    out.i = withValue(a[2], run, [&](const KxVar& v) { return objectProperty(a, run, v); });
}
M(setTextureProperty) {
    out.i = withValue(a[2], run, [&](const KxVar& v) { return textureProperty(a, v); });
}
M(setSceneProperty) {
    out.i = withValue(a[1], run, [&](KxVar v) { return host::SetSceneProperty(a[0].i, &v); });
}
M(getObjectPropertyId) { UNUSED; out.i = host::GetObjectPropertyId(a[0].s); }
M(getPropertyId) { UNUSED; out.i = host::GetPropertyId(a[0].s); }
M(getObjectProperty) {
    UNUSED;
    const char* name = GetObjectPropertyTypeName(a[1].i);
    if (name == nullptr) return;
    // The long extra texts are written to a buffer the value points at.
    std::array<char, PLUGIN_EXTRA_BUFFER> extra{};
    KxVar v = emptyValue();
    v.value.ptr = extra.data();
    if (!host::GetObjectProperty(a[0].i, name, &v)) return;
    if (v.type == KXVAR_INT) {
        out.kind = KXVAR_INT;
        out.i = v.value.i;
    } else if (v.type == KXVAR_DOUBLE) {
        out.kind = KXVAR_DOUBLE;
        out.d = v.value.d;
    }
}
M(redraw) { UNUSED; (void)out; host::Redraw(); }
M(getFileName) {
    // The host's answer travels in a plug-in's 72-byte value; a script takes
    // the whole name, so the document is asked directly, as the host does.
    std::string filters = a[1].s != nullptr ? a[1].s : "";
    filters += "All files (*.*)|*.*||";
    std::string chosen;
    run.text.clear();
    if (!kx::plugins::document().chooseFile(a[0].i == 0, filters, chosen)) return;
    run.text = chosen;
    out.i = 1;
}
M(getPoint) {
    UNUSED;
    auto& buffer = facetBuffer();
    buffer.fill(0.0f);
    out.i = host::GetGeometry(a[0].i, a[1].i, buffer.data());
}
M(getPointValue) {
    UNUSED;
    const int k = a[1].i;
    out.d = k >= 0 && k <= 8 ? static_cast<double>(facetBuffer()[static_cast<std::size_t>(k)]) : 0.0;
}
M(transform) { UNUSED; out.i = host::Transform(0, a[0].s); }
M(openFile) {
    if (a[1].i != 0 && refusedToEvents(run, "OpenFile")) return;
    const int handle = host::OpenFile(a[0].s, a[1].i);
    if (handle > 0) run.files.push_back(handle);
    out.i = handle;
}
M(closeFile) {
    UNUSED;
    // Only the run's own files: a plug-in's file is not a script's to close.
    const int handle = runFile(run, a[0].i);
    if (handle == 0) return;
    run.files.erase(std::find(run.files.begin(), run.files.end(), handle));
    out.i = host::CloseFile(handle);
}
M(writeFile) {
    if (refusedToEvents(run, "WriteFile")) return;
    const int handle = runFile(run, a[0].i);
    if (handle == 0 || a[1].s == nullptr || a[1].n == 0 || a[1].n > 0x7fffffff) return;
    out.i = host::WriteFile(handle, const_cast<char*>(a[1].s), static_cast<int>(a[1].n));
}
M(findWindow) {
    (void)a;
    if (run.options.hooks.findWindow) out.i = static_cast<int>(run.options.hooks.findWindow(a[0].s, a[1].s));
}
M(sendKeys) {
    (void)out;
    if (refusedToEvents(run, "SendKeys")) return;
    if (run.options.hooks.sendKeys) run.options.hooks.sendKeys(a[0].i, std::string_view(a[1].s, a[1].n));
}
M(getObjectByName) { UNUSED; out.i = host::GetObjectByName(a[0].s, 0); }

#undef UNUSED
#undef M

constexpr Method kMethods[] = {
    {"Render", "", Returns::Bool, render, false},
    {"CreateDefaultObject", "h", Returns::Long, createDefaultObject, true},
    {"CreateObject", "sh", Returns::Long, createObject, true},
    {"GetObject", "lh", Returns::Long, getObject, false},
    {"FreeObject", "l", Returns::Bool, freeObject, false},
    {"GetObjectCount", "h", Returns::Long, getObjectCount, false},
    {"SelectObject", "lb", Returns::Bool, selectObject, false},
    {"ClearSelection", "", Returns::Bool, clearSelection, false},
    {"Move", "ddd", Returns::Bool, move, true},
    {"MoveObjects", "ddd", Returns::Bool, move, true},
    {"Scale", "ddd", Returns::Bool, scale, true},
    {"ScaleObjects", "ddd", Returns::Bool, scale, true},
    {"Rotate", "ddd", Returns::Bool, rotate, true},
    {"RotateObjects", "ddd", Returns::Bool, rotate, true},
    {"SetCursor", "ddd", Returns::Bool, setCursor, false},
    {"RotateAbout", "dddddd", Returns::Bool, rotateAbout, true},
    {"ScaleAbout", "dddddd", Returns::Bool, scaleAbout, true},
    {"Load", "s", Returns::Bool, load, true},
    {"Save", "sh", Returns::Bool, save, false},
    {"DeleteObject", "l", Returns::Bool, deleteObject, true},
    {"New", "", Returns::Bool, newScene, true},
    {"SetTexture", "ls", Returns::Bool, setTexture, true},
    {"SetColor", "ls", Returns::Bool, setColor, true},
    {"GetTexture", "l", Returns::Text, getTexture, false},
    {"CreateAnimation", "sl", Returns::Bool, createAnimation, true},
    {"AnimateObject", "l", Returns::Bool, animateObject, true},
    {"GotoFrame", "l", Returns::Bool, gotoFrame, true},
    {"GetMaxFrame", "", Returns::Long, getMaxFrame, false},
    {"CallFunction", "s", Returns::Bool, callPlugin, true},
    {"CallPlugin", "s", Returns::Bool, callPlugin, true},
    {"FindObject", "s", Returns::Long, findObject, false},
    {"AddPoint", "lddd", Returns::Bool, addPoint, true},
    {"AddFacet", "lddddddddd", Returns::Bool, addFacet, true},
    {"SelectName", "s", Returns::Bool, selectName, false},
    {"SelectGroup", "s", Returns::Bool, selectGroup, false},
    {"SetSize", "lddd", Returns::Bool, setSize, true},
    {"RebuildObject", "l", Returns::Bool, rebuildObject, false},
    {"RebuildObjects", "", Returns::Bool, rebuildObjects, false},
    {"SetPluginPropertyInt", "ssl", Returns::Bool, setPluginPropertyInt, true},
    {"SetPluginPropertyStr", "sss", Returns::Bool, setPluginPropertyStr, true},
    {"SetPluginPropertyDbl", "ssd", Returns::Bool, setPluginPropertyDbl, true},
    {"SetObjectPropertyInt", "lll", Returns::Bool, setObjectPropertyInt, true},
    {"SetObjectPropertyStr", "lls", Returns::Bool, setObjectPropertyStr, true},
    {"SetObjectPropertyPnt", "llddd", Returns::Bool, setObjectPropertyPnt, true},
    {"SetTexturePropertyInt", "lsl", Returns::Bool, setTexturePropertyInt, true},
    {"SetTexturePropertyDbl", "lsd", Returns::Bool, setTexturePropertyDbl, true},
    {"SetTexturePropertyStr", "lss", Returns::Bool, setTexturePropertyStr, true},
    {"SetPluginProperty", "ssv", Returns::Bool, setPluginProperty, true},
    {"SetObjectProperty", "llv", Returns::Bool, setObjectProperty, true},
    {"SetTextureProperty", "lsv", Returns::Bool, setTextureProperty, true},
    {"SetSceneProperty", "lv", Returns::Bool, setSceneProperty, true},
    {"GetObjectPropertyId", "s", Returns::Long, getObjectPropertyId, false},
    {"GetPropertyId", "s", Returns::Long, getPropertyId, false},
    {"GetObjectProperty", "ll", Returns::Variant, getObjectProperty, false},
    {"Redraw", "", Returns::None, redraw, false},
    {"GetFileName", "bs", Returns::Text, getFileName, false},
    {"GetPoint", "lh", Returns::Long, getPoint, false},
    {"GetPointValue", "ll", Returns::Double, getPointValue, false},
    {"Transform", "s", Returns::Long, transform, true},
    {"OpenFile", "sb", Returns::Long, openFile, false},
    {"CloseFile", "l", Returns::Bool, closeFile, false},
    {"WriteFile", "ls", Returns::Long, writeFile, false},
    {"FindWindow", "ss", Returns::Long, findWindow, false},
    {"SendKeys", "ls", Returns::None, sendKeys, false},
    {"GetObjectByName", "s", Returns::Long, getObjectByName, false},
};

}  // namespace

std::span<const Method> methods() { return kMethods; }

bool toValue(const Arg& a, RunContext& run, KxVar& v) {
    v = emptyValue();
    switch (a.kind) {
    case KXVAR_INT:
        v.type = KXVAR_INT;
        v.value.i = a.i;
        return true;
    case KXVAR_DOUBLE:
        v.type = KXVAR_DOUBLE;
        v.value.d = a.d;
        return true;
    case KXVAR_STRING:
        if (a.s == nullptr) return true;
        if (a.n <= kInlineText) {
            v.type = KXVAR_STRING;
            std::memcpy(v.value.s, a.s, a.n);
            return true;
        }
        if (a.n > kLongestText) {
            // An empty text in its place would erase what the value sets.
            ErrorMessage("String too long");
            return false;
        }
        std::memcpy(run.longText.data(), a.s, a.n);
        run.longText[a.n] = '\0';
        v.type = KXVAR_POINTER;
        v.value.ptr = run.longText.data();
        return true;
    default: return true;
    }
}

std::array<float, kFacetFloats>& facetBuffer() {
    static std::array<float, kFacetFloats> buffer{};
    return buffer;
}

void closeRunFiles(RunContext& run) {
    for (int handle : run.files) host::CloseFile(handle);
    run.files.clear();
}

}  // namespace kx::script
