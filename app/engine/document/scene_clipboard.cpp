#include "document/scene_clipboard.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "document/scene_edits.h"
#include "kxplatform/files.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

// Copies pass through a file of our own: its size is whatever the writer made,
// bounded only so that a runaway cannot take all memory.
constexpr size_t kLargestClipboardText = size_t{1} << 32;

// The core reads and writes scene text through files: the text passes through
// a folder of our own that goes when the operation ends.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code ec;
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "kalvex-clip-XXXXXX").string();
        if (::mkdtemp(pattern.data())) folder_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool ok() const { return !folder_.empty(); }
    std::string file() const { return folder_ + "/clip.cad"; }

private:
    std::string folder_;
};

bool writeWhole(const std::string& path, const std::string& text) {
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_DERIVED);
    if (!f) return false;
    StdWriteFile(f, const_cast<char*>(text.data()), static_cast<unsigned long>(text.size()));
    return StdCloseFile(f) != 0;
}

bool hasSelectedAncestor(const CadObject* o) {
    int guard = 64;
    for (const CadObject* p = o->parent; p && guard > 0; p = p->parent, --guard)
        if (p->selected) return true;
    return false;
}

// Group ids of the text renumbered past every id in the scene, so that a
// pasted group never takes in the scene's own members.
std::string freshGroupIds(const std::string& text) {
    unsigned highest = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) highest = std::max(highest, o->groupId);
    std::map<long, unsigned> renumbered;
    std::istringstream in(text);
    std::string out;
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find("GroupId ");
        if (at != std::string::npos && line.find_first_not_of(" \t") == at) {
            const long old = std::strtol(line.c_str() + at + 8, nullptr, 10);
            auto [it, added] = renumbered.emplace(old, highest + 1);
            if (added) ++highest;
            line = line.substr(0, at) + "GroupId " + std::to_string(it->second) + (line.back() == '\r' ? "\r" : "");
        }
        out += line;
        out += '\n';
    }
    return out;
}

bool nameTaken(const std::string& name, const CadObject* except) {
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next)
        if (o != except && name == o->name) return true;
    return false;
}

}  // namespace

std::string freeObjectName(const std::string& base, const CadObject* except) {
    // Reading the pasted text has used up a number of the type's counter
    // already: a second draw from it made every paste skip one. The lowest
    // number no other object carries gives consecutive names instead.
    unsigned objects = 0;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) ++objects;
    for (unsigned n = 0; n <= objects; ++n) {
        const std::string digits = std::to_string(n);
        const size_t room = sizeof(CadObject::name) - 1 - digits.size();
        std::string name = base.substr(0, room) + digits;
        if (!nameTaken(name, except)) return name;
    }
    return {};
}

std::string selectionAsSceneText() {
    std::vector<CadObject*> chosen;
    for (CadObject* o = GetNextSelectedObject(nullptr); o; o = GetNextSelectedObject(o))
        // A group writes its members itself; the scene keeps its one camera.
        if (o->type != KX_CAMERA && !hasSelectedAncestor(o)) chosen.push_back(o);
    if (chosen.empty()) return {};
    ScratchFolder folder;
    if (!folder.ok()) return {};
    StandardFile* f = StdOpenFile(folder.file().c_str(), KX_OPEN_DERIVED);
    if (!f) return {};
    ClearTextureUsed();
    StdPutLine(f, "version 2.0\n");
    for (CadObject* o : chosen) WriteKalvexObject(f, o);
    if (!StdCloseFile(f)) return {};
    // Our own file, written a moment ago: any size the writer made is taken.
    std::string text;
    if (kx::platform::readWholeFile(folder.file(), text, kLargestClipboardText) != 0) return {};
    return text;
}

std::string cutSelection(EditHistory& history) {
    std::string text = selectionAsSceneText();
    if (text.empty()) return text;
    if (!deleteSelection(history, "Cut")) return {};
    return text;
}

bool pasteSceneText(EditHistory& history, const std::string& text) {
    if (text.compare(0, 8, "version ") != 0) return false;
    ScratchFolder folder;
    if (!folder.ok() || !writeWhole(folder.file(), freshGroupIds(text))) return false;
    SceneModel::Transaction lock;
    if (!lock.owns()) return false;
    EditRecorder rec(history, "Paste");
    CadObject* last = GetLastCadObject();
    Read3Dfile(GetCurrentScene(), folder.file().c_str(), KX_FILETYPE_KALVEX);
    std::vector<CadObject*> pasted;
    for (CadObject* o = last ? last->next : GetCadObject(nullptr); o; o = o->next) pasted.push_back(o);
    SetObjectsUnSelected();
    for (CadObject* o : pasted) {
        char base[32] = {};
        std::copy_n(o->name, sizeof base - 1, base);
        const std::string fresh = freeObjectName(StripObjectName(base), o);
        if (!fresh.empty()) SetCadObjectProperty(o, KX_PROP_NAME, fresh.c_str());
        AddSelectedObject(o);
    }
    rec.rename(countedName("Paste", pasted.size()));
    return rec.commit() && !pasted.empty();
}

}  // namespace kx::app
