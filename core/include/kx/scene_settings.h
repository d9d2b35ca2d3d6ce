// The renderer's scene settings: global settings, radiosity, photons, fog,
// an atmospheric media, a sky sphere, the camera's kind and its focal blur.
// Each is a named text value of the scene, kept in the scene block of the
// scene file under its name and written to POV-Ray 3 exports only when set;
// they are also scene properties, so scripts and plug-ins set them with the
// scene property calls. A new or cleared scene has none set.
#pragma once

#include "kx/api.h"

// Sets a setting from its text ("" clears it). The stored text is the
// value's normal form (numbers as %g, words in the table's spelling). Returns
// 1, or 0 for an unknown name or a value the renderer would refuse, which
// leaves the setting as it was.
KXCORE_API int SetSceneSetting(const char* name, const char* value);
// Copies the setting's text into out (size bytes, terminated); 1 when it is
// set, 0 when it is not set or the name is unknown (out then holds "").
KXCORE_API int GetSceneSetting(const char* name, char* out, unsigned size);
// Why value would be refused for the setting, or null when it would be taken.
KXCORE_API const char* CheckSceneSetting(const char* name, const char* value);
// The settings' names in the order files keep them; null past the last.
KXCORE_API const char* GetSceneSettingName(unsigned index);
// The words a setting takes (its index-th, null past the last or for a
// setting that takes numbers).
KXCORE_API const char* GetSceneSettingWord(const char* name, unsigned index);
KXCORE_API int ClearSceneSettings();
