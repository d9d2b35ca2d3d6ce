// The renderer's scene settings (global settings, radiosity, photons, fog,
// media, sky sphere, the camera's kind and focal blur) as the user changes
// them: a set of them at once is one undo step, and a set in which the
// renderer would refuse one value changes none.
#pragma once

#include <string>
#include <vector>

#include "document/edit_history.h"

namespace kx::app {

// One setting by its name ("FogDistance") and its text; "" clears it.
struct SceneSettingValue {
    std::string name;
    std::string value;
};

struct SceneSettingsEdit {
    bool changed = false;  // a step was recorded
    std::string setting;   // the setting refused ("" when none was)
    std::string refused;   // why, as the core says it ("is out of range")
};

// The text of a setting; empty when it is not set or is no setting.
std::string sceneSettingText(const char* name);

// Every setting's text in the order the core names them: what an undo step
// keeps of them.
std::vector<std::string> sceneSettingsNow();
// Puts the texts of sceneSettingsNow() back; a shorter list clears the rest.
void restoreSceneSettings(const std::vector<std::string>& texts);

// Sets the values given as one step, "Change Scene Settings". Each is
// checked first: an unknown name or a value the renderer would refuse leaves
// every setting as it was, with no step, and says which and why. Values
// equal to what is set make no step either.
SceneSettingsEdit setSceneSettings(EditHistory& history, const std::vector<SceneSettingValue>& values);

}  // namespace kx::app
