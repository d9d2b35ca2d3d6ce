// Names of the texture database: which short names may become file names,
// new user texture and short names, and where a texture's preview image is.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace kx::app {

// Room of the texts of a database record, terminator excluded.
inline constexpr size_t kTextureNameMax = 31;
inline constexpr size_t kShortNameMax = 15;

// The short name of the layered-texture preview.
inline constexpr const char* kLayersShortName = "Layers$";

// A short name becomes a file name in the textures folder and an argument of
// the preview script, so only 1 to 15 characters of A-Z, a-z, 0-9, "_", "$"
// and "-" are accepted.
bool isSafeShortName(std::string_view name);

// "NULL" and an empty text stand for "no short name".
bool hasShortName(std::string_view name);

// A name that may stand in a scene as it is: a letter or "_" first, then
// letters, digits and "_".
bool isSceneIdentifier(std::string_view name);
// Identifiers joined by "+" (a layered texture); no empty layer.
bool isLayeredIdentifier(std::string_view name);

// The short names that have a preview image or scene in the textures folder,
// read once (letter case ignored).
class PreviewFolder {
public:
    explicit PreviewFolder(const std::string& texturesFolder);
    bool hasFiles(std::string_view shortName) const;

private:
    std::unordered_set<std::string> stems_;
};

// "tex%03d" from `cursor` upwards: the first one that is not `taken` and has
// no files in the folder (a swatch left by a deleted texture must not become
// a new texture's). The cursor is left after the number given.
std::string nextShortName(unsigned& cursor, const PreviewFolder& folder,
                          const std::function<bool(const std::string&)>& taken);

// A short name no texture of the list has, from the custom texture counter on.
std::string newShortName(const std::string& texturesFolder);

// "UserTexture%03d" from the counter + 1 upwards until no texture has the name.
std::string newUserTextureName();

// The preview image of a short name: "<short>.TGA", else "<short>.GIF", each
// under its exact name or a case-insensitive match. Empty when there is none.
std::string findPreviewImage(const std::string& texturesFolder, const std::string& shortName);

}  // namespace kx::app
