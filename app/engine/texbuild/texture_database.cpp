#include "texbuild/texture_database.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <strings.h>
#include <unordered_set>
#include <unistd.h>

#include "model/scene_model.h"
#include "kxplatform/files.h"
#include "pixmo.h"
#include "texbuild/texture_file.h"
#include "texbuild/texture_names.h"

namespace kx::app {
namespace {

// The sample point of a preview's colour: images smaller than this cannot give one.
constexpr int kSampleAt = 50;

// A damaged image, or one too small to be sampled, counts as not loaded.
bool loadSwatch(const std::string& path, HWND owner) {
    if (path.empty() || !pxDisplayImageEx(owner, path.c_str(), 1)) return false;
    PxImageInfo info{};
    return pxGetImageInfo(&info) && info.width > kSampleAt && info.height > kSampleAt;
}

TextureInfo* lastTexture() {
    TextureInfo* last = GetTexture(nullptr);
    while (last && last->next) last = last->next;
    return last;
}

// Appends a record after `last` (the head when the list is empty).
TextureInfo* appendTexture(TextureInfo* last) {
    TextureInfo* info = AddTexture(last);
    if (info && !last) SetFirstTexture(info);
    return info;
}

TextureInfo* findTexture(const std::string& name) {
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next)
        if (strncasecmp(t->name, name.c_str(), sizeof t->name) == 0 && t->kind != 0) return t;
    return nullptr;
}

void setColour(TextureInfo& info, uint32_t packed) {
    info.colour[0] = static_cast<unsigned char>(packed & 0xFF);
    info.colour[1] = static_cast<unsigned char>((packed >> 8) & 0xFF);
    info.colour[2] = static_cast<unsigned char>((packed >> 16) & 0xFF);
}

void copyText(char* field, size_t size, const std::string& text) {
    size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

void TextureDatabase::setFolders(const std::string& programFolder, const std::string& texturesFolder) {
    programFolder_ = programFolder;
    texturesFolder_ = texturesFolder;
    std::error_code ec;
    if (!texturesFolder_.empty()) std::filesystem::create_directories(texturesFolder_, ec);
}

void TextureDatabase::appendUserIndexEntries(std::vector<TextureRecord>& records) const {
    StandardFile* index = OpenDbIndex();
    if (!index) return;
    UserDbIndex entry{};
    while (GetNextIndex(index, &entry)) {
        std::string name(entry.name, strnlen(entry.name, sizeof entry.name));
        // Deleted entries are zeros; a leading blank marks one kept out of the list.
        if (!entry.inUse || name.empty() || name.front() == ' ') continue;
        TextureRecord r;
        r.kind = 6;
        r.name = name.substr(0, kTextureNameMax);
        std::string preview(entry.previewName, strnlen(entry.previewName, sizeof entry.previewName));
        r.shortName = preview.empty() ? "NULL" : preview.substr(0, kShortNameMax);
        r.red = static_cast<uint8_t>(entry.colour & 0xFF);
        r.green = static_cast<uint8_t>((entry.colour >> 8) & 0xFF);
        r.blue = static_cast<uint8_t>((entry.colour >> 16) & 0xFF);
        records.push_back(std::move(r));
    }
    StdCloseFile(index);
}

bool TextureDatabase::load(const std::string& definitionFile, const platform::IniStore& store) {
    InitTextureBuiler(definitionFile.c_str());
    currentName_ = "None";
    if (GetTexture(nullptr)) return true;
    long long count = store.getInt("Texture", "UserCount", 0);
    SetCustomTextureCount(static_cast<int>(std::clamp<long long>(count, 0, INT32_MAX)));

    const std::string path = programFolder_ + "/" + kTextureDatabaseFile;
    std::string found = platform::findExisting(path);
    std::string bytes;
    if (found.empty() || platform::readWholeFile(found, bytes, kMaxTextureFileSize) != 0) {
        if (found.empty()) errno = ENOENT;
        StdFileError(1, "Texture database", path.c_str());
        return false;
    }
    TextureFileReading reading = parseTextureFile(bytes);
    bytes = {};
    if (!reading.error.empty()) {
        ErrorMessage("%s", reading.error.c_str());
        backupBeforeSave_ = true;
    }
    const size_t fromFile = reading.records.size();
    appendUserIndexEntries(reading.records);
    std::unordered_set<std::string> used;
    assignShortNames(reading.records, GetCustomTextureCount(), PreviewFolder(texturesFolder_), used);

    SceneModel::Transaction change(SceneDelta::Textures);
    TextureInfo* last = nullptr;
    for (size_t i = 0; i < reading.records.size(); ++i) {
        TextureInfo* info = appendTexture(last);
        if (!info) {
            ErrorMessage(i < fromFile ? "Error reading/adding texture" : "Error reading/adding custom texture");
            break;
        }
        toTextureInfo(reading.records[i], *info);
        last = info;
    }
    return true;
}

bool TextureDatabase::save() {
    const std::string path = programFolder_ + "/" + kTextureDatabaseFile;
    if (backupBeforeSave_) {
        std::string old;
        std::string found = platform::findExisting(path);
        if (!found.empty() && platform::readWholeFile(found, old, kMaxTextureFileSize) == 0 &&
            !platform::replaceFileWith(programFolder_ + "/" + kTextureDatabaseBackup, old, platform::Durability::Synced)) {
            StdFileError(0, "Texture database backup", (programFolder_ + "/" + kTextureDatabaseBackup).c_str());
            return false;
        }
        backupBeforeSave_ = false;
    }
    std::string bytes;
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) bytes += formatTextureRecord(*t);
    if (!platform::replaceFileWith(path, bytes, platform::Durability::Synced)) {
        StdFileError(0, "New Texture", path.c_str());
        return false;
    }
    return true;
}

void TextureDatabase::unload(platform::IniStore& store) {
    ExitTextureBuiler();
    store.setInt("Texture", "UserCount", GetCustomTextureCount());
    SceneModel::Transaction change(SceneDelta::Textures);
    if (TextureInfo* first = GetTexture(nullptr)) ClearTexture(first);
    SetFirstTexture(nullptr);
}

bool TextureDatabase::restoreUserTexture(const std::string& name, long offset) const {
    // The record is still in USER.TEX with its keyword marked: unmark it and
    // index the file again.
    StandardFile* f = StdOpenFile(GetProgramFileName("USER.TEX"), KX_OPEN_READWRITE);
    if (!f) return false;
    char u = 'u';
    bool ok = StdSeek(f, static_cast<unsigned long>(offset), 0) && StdWriteFile(f, &u, 1);
    ok = StdCloseFile(f) && ok;
    ok = ok && RebuildUserTexDbIndex();
    if (!ok) LogMessage(0, "User texture %s could not be restored", name.c_str());
    return ok;
}

int TextureDatabase::saveUserTexture(const UserTextureSave& request) {
    const std::string& name = request.name;
    if (name.empty()) {
        ErrorMessage("Texture Name not Defined!");
        return 0;
    }
    const bool editing = !request.originalName.empty();
    const bool renamed = editing && strcasecmp(name.c_str(), request.originalName.c_str()) != 0;
    if (editing && GetTextureNameCount(request.originalName.c_str()) > 1) {
        ErrorMessage("Texture name defined more than once");
        return 0;
    }
    if ((!editing || renamed) && (GetTextureNameCount(name.c_str()) > 0 || GetUserDbIndex(name.c_str()) > 0)) {
        ErrorMessage("Texture name already exists");
        return 0;
    }
    std::string shortName = request.shortName;
    if (!hasShortName(shortName) || !isSafeShortName(shortName)) shortName = newShortName(texturesFolder_);

    // What the edited texture was, to put back when the new one cannot be
    // saved; deleted records stay in the list, so the record itself is kept.
    TextureInfo* oldRecord = editing ? findTexture(request.originalName) : nullptr;
    const int32_t oldKind = oldRecord ? oldRecord->kind : 0;
    long oldOffset = 0;
    if (editing) {
        oldOffset = GetUserDbIndex(request.originalName.c_str());
        if (oldOffset > 0 && !DeleteCustomTexture(request.originalName.c_str())) return 0;
        SceneModel::Transaction change(SceneDelta::Textures);
        DeleteTexture(request.originalName.c_str());
    }
    CustomTexure* current = GetCustomTexture(0);
    copyText(current->previewName, sizeof current->previewName, shortName);
    current->colour = request.colour & 0xFFFFFF;
    if (!SaveCustomTexture(name.c_str()) || GetUserDbIndex(name.c_str()) <= 0) {
        if (editing) {
            if (oldOffset > 0) restoreUserTexture(request.originalName, oldOffset);
            if (oldRecord) {
                SceneModel::Transaction change(SceneDelta::Textures);
                copyText(oldRecord->name, sizeof oldRecord->name, request.originalName);
                oldRecord->kind = oldKind;
            }
        }
        return 0;
    }
    {
        SceneModel::Transaction change(SceneDelta::Textures);
        TextureInfo* record = findTexture(name);
        if (!record) record = appendTexture(lastTexture());
        if (!record) {
            ErrorMessage("Error adding user texture");
            return 0;
        }
        copyText(record->name, sizeof record->name, name);
        copyText(record->shortText1, sizeof record->shortText1, shortName);
        if (!record->shortText2[0]) copyText(record->shortText2, sizeof record->shortText2, "NULL");
        record->kind = 6;
        record->word1 = 1;
        setColour(*record, request.colour);
    }
    // A saved texture looks different now: its swatch is made again.
    for (std::string image = findPreviewImage(texturesFolder_, shortName); !image.empty();
         image = findPreviewImage(texturesFolder_, shortName))
        if (::unlink(image.c_str()) != 0) break;
    if (!editing) SetCustomTextureCount(-1);
    save();
    return 1;
}

int TextureDatabase::deleteUserTexture(const std::string& name) {
    TextureInfo* record = findTexture(name);
    if (!record || !(record->kind & KX_TEXTURE_USER) || GetUserDbIndex(name.c_str()) <= 0) return 0;
    if (!DeleteCustomTexture(name.c_str())) return 0;
    const std::string shortName(record->shortText1, strnlen(record->shortText1, sizeof record->shortText1));
    {
        SceneModel::Transaction change(SceneDelta::Textures);
        DeleteTexture(name.c_str());
    }
    for (std::string image = findPreviewImage(texturesFolder_, shortName); !image.empty();
         image = findPreviewImage(texturesFolder_, shortName))
        if (::unlink(image.c_str()) != 0) break;
    save();
    return 1;
}

TextureInfo* TextureDatabase::addTextureRecord(const char* name, int32_t kind, uint32_t packedColour) {
    if (!name || !*name || GetTextureNameCount(name) > 0) return nullptr;
    TextureInfo* record = nullptr;
    {
        SceneModel::Transaction change(SceneDelta::Textures);
        std::string shortName = newShortName(texturesFolder_);
        record = appendTexture(lastTexture());
        if (!record) {
            ErrorMessage("Error adding user texture");
            return nullptr;
        }
        copyText(record->name, sizeof record->name, std::string(name, strnlen(name, kTextureNameMax)));
        copyText(record->shortText1, sizeof record->shortText1, shortName);
        copyText(record->shortText2, sizeof record->shortText2, "NULL");
        record->kind = kind;
        record->word1 = 0;
        setColour(*record, packedColour);
    }
    save();
    return record;
}

std::string TextureDatabase::previewImagePath(const char* textureName) const {
    if (!textureName) return {};
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next)
        if (t->kind != 0 && std::strncmp(t->name, textureName, sizeof t->name) == 0)
            return findPreviewImage(texturesFolder_, std::string(t->shortText1, strnlen(t->shortText1, 16)));
    return {};
}

int TextureDatabase::loadPreviewImage(const char* textureName, HWND owner) const {
    return loadSwatch(previewImagePath(textureName), owner) ? 1 : 0;
}

int TextureDatabase::updatePreviewColours(HWND owner) {
    int taken = 0;
    SceneModel::Transaction change(SceneDelta::Textures);
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) {
        if (t->kind == 0) continue;
        const std::string path = findPreviewImage(texturesFolder_, std::string(t->shortText1, strnlen(t->shortText1, 16)));
        const bool loaded = loadSwatch(path, owner);
        const uint32_t colour = loaded ? pxGetPixelRGB(nullptr, kSampleAt, kSampleAt) : 0;
        if (loaded) {
            setColour(*t, colour);
            ++taken;
        }
        t->word1 = loaded ? 1 : 0;
    }
    save();
    return taken;
}

}  // namespace kx::app
