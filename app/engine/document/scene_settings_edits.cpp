#include "document/scene_settings_edits.h"

#include "kxcore.h"
#include "model/scene_model.h"

namespace kx::app {

namespace {

// Longer than any normal form: nine colour numbers of %g each.
constexpr unsigned kSettingTextSize = 512;

}  // namespace

std::string sceneSettingText(const char* name) {
    char text[kSettingTextSize] = {};
    GetSceneSetting(name, text, sizeof text);
    return text;
}

std::vector<std::string> sceneSettingsNow() {
    std::vector<std::string> out;
    for (unsigned i = 0; const char* name = GetSceneSettingName(i); ++i) out.push_back(sceneSettingText(name));
    return out;
}

void restoreSceneSettings(const std::vector<std::string>& texts) {
    for (unsigned i = 0; const char* name = GetSceneSettingName(i); ++i) {
        // Texts kept from the core are in its normal form, which it takes back as they are.
        static_cast<void>(SetSceneSetting(name, i < texts.size() ? texts[i].c_str() : ""));
    }
}

SceneSettingsEdit setSceneSettings(EditHistory& history, const std::vector<SceneSettingValue>& values) {
    SceneSettingsEdit result;
    for (const SceneSettingValue& v : values) {
        if (const char* why = CheckSceneSetting(v.name.c_str(), v.value.c_str())) {
            result.setting = v.name;
            result.refused = why;
            return result;
        }
    }
    if (values.empty()) return result;
    SceneModel::Transaction lock(SceneDelta::SceneBlock);
    if (!lock.owns()) return result;
    EditRecorder rec(history, "Change Scene Settings");
    rec.changingSceneSettings();
    for (const SceneSettingValue& v : values) static_cast<void>(SetSceneSetting(v.name.c_str(), v.value.c_str()));
    // Values as they were (even typed another way, "1.0" for "1") make no step.
    result.changed = rec.commit();
    return result;
}

}  // namespace kx::app
