// The program's texture list: loaded at start from "KALVEX.TEX" and the user
// texture index, saved back, unloaded at exit; user textures saved from the
// builder, records added for plug-ins, and colours taken from the previews.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kxcore.h"
#include "kxplatform/ini_store.h"

namespace kx::app {

// The database file beside the program, and the copy kept of one that could
// not be read whole.
inline constexpr const char* kTextureDatabaseFile = "KALVEX.TEX";
inline constexpr const char* kTextureDatabaseBackup = "KALVEX.BAK";

// What the builder saves.
struct UserTextureSave {
    std::string name;
    std::string originalName;  // the texture being edited; empty for a new one
    std::string shortName;     // empty: a new one is made
    uint32_t colour = 0xFFFFFF;  // packed, red in the low byte
};

struct TextureRecord;

class TextureDatabase {
public:
    // Where the files are; the textures folder is made when missing.
    void setFolders(const std::string& programFolder, const std::string& texturesFolder);
    const std::string& programFolder() const { return programFolder_; }
    const std::string& texturesFolder() const { return texturesFolder_; }

    // Every change of the list is a change of the scene model's texture list.

    // Starts the texture definitions of `definitionFile`, then, when the list
    // is empty, reads "UserCount", the database file and the user texture
    // index into it. False when the database could not be opened (reported);
    // a file that stops early keeps the records before the bad line.
    bool load(const std::string& definitionFile, const platform::IniStore& store);
    // Writes every record but user textures (and texts that would break the
    // file) to "KALVEX.TEX" through a temporary file. False when it failed
    // (reported); the old file is then as it was.
    bool save();
    // Stops the definitions, stores "UserCount" and frees the list.
    void unload(platform::IniStore& store);

    // The builder's current texture name ("None" after loading).
    const std::string& currentName() const { return currentName_; }
    void setCurrentName(const std::string& name) { currentName_ = name; }

    // Saves the builder's current user texture (GetCustomTexture) under
    // request.name. 1 when saved; 0 with the message shown otherwise, the
    // database and the list then as before.
    int saveUserTexture(const UserTextureSave& request);

    // Deletes a user texture from the database and the list (its record
    // becomes "None"), removes its swatch and saves the list. 0 when it is no
    // user texture (the database reports what it could not do).
    int deleteUserTexture(const std::string& name);

    // Appends a record with a new short name (for plug-ins); the list is
    // saved. Null when the name is already listed or no record could be added.
    TextureInfo* addTextureRecord(const char* name, int32_t kind, uint32_t packedColour);

    // The preview image file of a listed texture; empty when there is none.
    std::string previewImagePath(const char* textureName) const;
    // Loads the preview into the image library's current picture. 1 when it
    // loaded and is large enough to be sampled at (50, 50); else 0.
    int loadPreviewImage(const char* textureName, HWND owner) const;
    // Every texture whose preview loads takes its colour from the pixel at
    // (50, 50) and first word 1; others get first word 0. Saves the list.
    // Returns the number of colours taken.
    int updatePreviewColours(HWND owner);

private:
    void appendUserIndexEntries(std::vector<TextureRecord>& records) const;
    bool restoreUserTexture(const std::string& name, long offset) const;

    std::string programFolder_;
    std::string texturesFolder_;
    std::string currentName_ = "None";
    // The last reading stopped at a bad line: the file is kept as
    // "KALVEX.BAK" before it is first written over.
    bool backupBeforeSave_ = false;
};

}  // namespace kx::app
