// The renderer's scene settings: one table of names and the values each
// takes, which checks, normalises and keeps them as text.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "files/numbers.h"
#include "model/model_internal.h"
#include "model/text.h"

namespace {

enum class Kind { Number, Integer, Word, Numbers };

struct SettingRow {
    const char* name;
    Kind kind;
    double low;  // numbers: the least value (taken when `lowTaken`, else only above it)
    double high;
    bool lowTaken;
    unsigned fewest;  // Numbers: how many values, at least and at most
    unsigned most;
    const char* const* words;  // Word: the words, null ended
};

constexpr const char* kRadiosityWords[] = {"Default", "Debug",     "Fast",         "Normal",   "2Bounce",  "Final",
                                           "OutdoorLQ", "OutdoorHQ", "OutdoorLight", "IndoorLQ", "IndoorHQ", "Custom",
                                           nullptr};
constexpr const char* kFogWords[] = {"Constant", "Ground", nullptr};
constexpr const char* kScatteringWords[] = {"Isotropic", "MieHazy", "MieMurky", "Rayleigh", "HenyeyGreenstein", nullptr};
constexpr const char* kCameraWords[] = {"Perspective", "Orthographic", "Fisheye", "Panoramic", "Cylinder", nullptr};

constexpr double kBig = 1e9;

constexpr SettingRow kSettings[] = {
    {"AssumedGamma", Kind::Number, 0, 10, false, 1, 1, nullptr},
    {"MaxTraceLevel", Kind::Integer, 1, 256, true, 1, 1, nullptr},
    {"AmbientLight", Kind::Numbers, 0, kBig, true, 3, 3, nullptr},
    {"Radiosity", Kind::Word, 0, 0, true, 1, 1, kRadiosityWords},
    {"RadiosityBrightness", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"RadiosityCount", Kind::Integer, 1, 1600, true, 1, 1, nullptr},
    {"RadiosityErrorBound", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"PhotonSpacing", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"PhotonCount", Kind::Integer, 1, 1e8, true, 1, 1, nullptr},
    {"PhotonAutostop", Kind::Number, 0, 1, true, 1, 1, nullptr},
    {"PhotonJitter", Kind::Number, 0, 1, true, 1, 1, nullptr},
    {"Fog", Kind::Word, 0, 0, true, 1, 1, kFogWords},
    {"FogDistance", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"FogColour", Kind::Numbers, 0, kBig, true, 3, 3, nullptr},
    {"FogOffset", Kind::Number, -kBig, kBig, true, 1, 1, nullptr},
    {"FogAltitude", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"FogTurbulence", Kind::Number, 0, kBig, true, 1, 1, nullptr},
    {"MediaScattering", Kind::Word, 0, 0, true, 1, 1, kScatteringWords},
    {"MediaColour", Kind::Numbers, 0, kBig, true, 3, 3, nullptr},
    {"MediaDensity", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"MediaIntervals", Kind::Integer, 1, 1000, true, 1, 1, nullptr},
    {"MediaSamples", Kind::Integer, 1, 1000, true, 1, 1, nullptr},
    {"SkyColours", Kind::Numbers, 0, kBig, true, 6, 9, nullptr},
    {"CameraKind", Kind::Word, 0, 0, true, 1, 1, kCameraWords},
    {"Aperture", Kind::Number, 0, kBig, false, 1, 1, nullptr},
    {"BlurSamples", Kind::Integer, 1, 4096, true, 1, 1, nullptr},
    {"FocalPoint", Kind::Numbers, -kBig, kBig, true, 3, 3, nullptr},
};
constexpr size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

const SettingRow* rowOf(const char* name) {
    if (!name) return nullptr;
    for (const SettingRow& row : kSettings)
        if (kx::text::equalNoCase(row.name, name)) return &row;
    return nullptr;
}

std::vector<std::string>& values() { return kx::core().objects.sceneSettings; }

std::string& slot(const SettingRow& row) {
    std::vector<std::string>& v = values();
    v.resize(kSettingCount);
    return v[static_cast<size_t>(&row - kSettings)];
}

// The whitespace separated words of a value.
std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::strchr(" \t\r\n,", text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !std::strchr(" \t\r\n,", text[i])) ++i;
        if (i > start) out.emplace_back(text.substr(start, i - start));
    }
    return out;
}

std::string numberText(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// The value's normal form in `normal`, or the reason it is refused.
const char* normalise(const SettingRow& row, const char* value, std::string& normal) {
    const std::vector<std::string> parts = words(value);
    if (row.kind == Kind::Word) {
        if (parts.size() != 1) return "takes one word";
        for (const char* const* w = row.words; *w; ++w)
            if (kx::text::equalNoCase(*w, parts[0].c_str())) {
                normal = *w;
                return nullptr;
            }
        return "takes none of the words given";
    }
    const unsigned fewest = row.kind == Kind::Numbers ? row.fewest : 1;
    const unsigned most = row.kind == Kind::Numbers ? row.most : 1;
    if (parts.size() < fewest || parts.size() > most) return row.kind == Kind::Numbers ? "takes another count of numbers" : "takes one number";
    if (row.kind == Kind::Numbers && parts.size() % 3 != 0) return "takes colours of three numbers";
    normal.clear();
    for (const std::string& part : parts) {
        const char* end = nullptr;
        const double v = kx::numbers::leading(part.c_str(), &end);
        if (!end || *end || !std::isfinite(v)) return "takes numbers only";
        if (row.kind == Kind::Integer && v != std::floor(v)) return "takes a whole number";
        if (v > row.high || v < row.low || (!row.lowTaken && v == row.low)) return "is out of range";
        if (!normal.empty()) normal += ' ';
        normal += numberText(v);
    }
    return nullptr;
}

}  // namespace

namespace kx::model {

const std::string& sceneSetting(const char* name) {
    static const std::string kNone;
    const SettingRow* row = rowOf(name);
    return row ? slot(*row) : kNone;
}

std::vector<double> sceneSettingNumbers(const char* name) {
    std::vector<double> out;
    for (const std::string& w : words(sceneSetting(name))) out.push_back(kx::numbers::leading(w.c_str()));
    return out;
}

bool isSceneSetting(const char* name) { return rowOf(name) != nullptr; }

}  // namespace kx::model

const char* CheckSceneSetting(const char* name, const char* value) {
    const SettingRow* row = rowOf(name);
    if (!row) return "is not a scene setting";
    if (!value || !*value) return nullptr;
    std::string normal;
    return normalise(*row, value, normal);
}

int SetSceneSetting(const char* name, const char* value) {
    const SettingRow* row = rowOf(name);
    if (!row) return 0;
    if (!value || words(value).empty()) {
        slot(*row).clear();
        return 1;
    }
    std::string normal;
    if (const char* problem = normalise(*row, value, normal)) {
        LogMessage(1, "Scene setting %s %s: \"%s\" not taken", row->name, problem, value);
        return 0;
    }
    slot(*row) = normal;
    return 1;
}

int GetSceneSetting(const char* name, char* out, unsigned size) {
    const std::string& text = kx::model::sceneSetting(name);
    if (out && size) kx::text::copyField(out, size, text.c_str());
    return !text.empty() && rowOf(name) ? 1 : 0;
}

const char* GetSceneSettingName(unsigned index) { return index < kSettingCount ? kSettings[index].name : nullptr; }

const char* GetSceneSettingWord(const char* name, unsigned index) {
    const SettingRow* row = rowOf(name);
    if (!row || row->kind != Kind::Word) return nullptr;
    for (unsigned i = 0; row->words[i]; ++i)
        if (i == index) return row->words[i];
    return nullptr;
}

int ClearSceneSettings() {
    values().clear();
    return 1;
}
