// Objects on the clipboard as native scene text: what Copy puts there and
// Paste reads back, in this or another running program. The text is a scene
// file holding only objects (groups with their members, user textures with
// the objects that use them), so it also reads as a file.
#pragma once

#include <string>

#include "document/edit_history.h"

namespace kx::app {

// The clipboard's own format; text/plain carries the same text.
inline constexpr const char* kSceneMimeType = "application/x-kalvex-scene";

// The selected objects (the camera left out) as scene text; empty when
// nothing is selected or the text could not be made.
std::string selectionAsSceneText();
// Cut: the text of the selection, then the selection deleted as one step named "Cut ...".
std::string cutSelection(EditHistory& history);
// Adds the objects of a scene text as one step: each gets a new name and each
// group a new group id, and they become the selection. False when the text
// holds no object the reader takes (the scene is then as it was).
bool pasteSceneText(EditHistory& history, const std::string& text);
// The base (cut to fit a name) followed by the lowest number that no object
// but `except` carries with it; empty when none is free.
std::string freeObjectName(const std::string& base, const CadObject* except = nullptr);

}  // namespace kx::app
