// The POV-Ray 3 text of the scene settings: global settings with radiosity
// and photons, fog, an atmospheric media, a sky sphere, the camera's kind and
// its focal blur. Nothing is written for a setting that is not set, so a
// scene without any exports as it always did.
#include <string>
#include <vector>

#include "export/export_internal.h"
#include "model/model_internal.h"

namespace kx::exporter {
namespace {

using kx::model::sceneSetting;
using kx::model::sceneSettingNumbers;

bool isSet(const char* name) { return !sceneSetting(name).empty(); }

double numberOf(const char* name, double otherwise) {
    const std::vector<double> v = sceneSettingNumbers(name);
    return v.empty() ? otherwise : v[0];
}

void writeColour(StandardFile* f, const char* label, const double* c, const char* suffix) {
    StdPutLine(f, "%srgb < %g, %g, %g >%s", label, c[0], c[1], c[2], suffix);
}

// The renderer's radiosity presets in the order of the setting's words
// (after "Default", which is an empty block): pretrace end, count, nearest
// count, error bound, recursion limit, low error factor, minimum reuse. All
// share pretrace_start 0.08, gray_threshold 0, brightness 1 and adc_bailout 0.005.
struct RadiosityPreset {
    const char* name;
    double pretraceEnd;
    int count;
    int nearestCount;
    double errorBound;
    int recursionLimit;
    double lowErrorFactor;
    double minimumReuse;
};
constexpr RadiosityPreset kPresets[] = {
    {"Debug", 0.02, 10, 1, 0.3, 1, 0.8, 0.015},       {"Fast", 0.02, 80, 5, 0.4, 1, 0.9, 0.025},
    {"Normal", 0.01, 200, 7, 0.3, 1, 0.75, 0.017},    {"2Bounce", 0.01, 200, 7, 0.3, 2, 0.75, 0.017},
    {"Final", 0.004, 800, 9, 0.2, 1, 0.7, 0.01},      {"OutdoorLQ", 0.01, 80, 4, 0.6, 1, 0.8, 0.015},
    {"OutdoorHQ", 0.004, 500, 7, 0.1, 1, 0.5, 0.015}, {"OutdoorLight", 0.01, 50, 4, 0.8, 1, 0.9, 0.015},
    {"IndoorLQ", 0.01, 80, 5, 0.7, 2, 0.8, 0.015},    {"IndoorHQ", 0.004, 400, 8, 0.15, 3, 0.5, 0.015},
};

void writeRadiosity(StandardFile* f) {
    const std::string& choice = sceneSetting("Radiosity");
    if (choice.empty()) return;
    StdPutLine(f, " radiosity {\n");
    for (const RadiosityPreset& p : kPresets) {
        if (choice != p.name) continue;
        StdPutLine(f, "  pretrace_start 0.08\n  pretrace_end %g\n  count %d\n  nearest_count %d\n", p.pretraceEnd, p.count,
                   p.nearestCount);
        StdPutLine(f, "  error_bound %g\n  recursion_limit %d\n  low_error_factor %g\n  gray_threshold 0\n",
                   p.errorBound, p.recursionLimit, p.lowErrorFactor);
        StdPutLine(f, "  minimum_reuse %g\n  adc_bailout 0.005\n", p.minimumReuse);
    }
    if (choice == "Custom") {
        if (isSet("RadiosityCount")) StdPutLine(f, "  count %g\n", numberOf("RadiosityCount", 35));
        if (isSet("RadiosityErrorBound")) StdPutLine(f, "  error_bound %g\n", numberOf("RadiosityErrorBound", 1.8));
    }
    // A preset's own brightness is 1; a set brightness replaces it.
    const bool preset = choice != "Default" && choice != "Custom";
    if (isSet("RadiosityBrightness") || preset) StdPutLine(f, "  brightness %g\n", numberOf("RadiosityBrightness", 1));
    StdPutLine(f, " }\n");
}

void writePhotons(StandardFile* f) {
    if (!isSet("PhotonSpacing") && !isSet("PhotonCount")) return;
    StdPutLine(f, " photons {\n");
    if (isSet("PhotonSpacing")) StdPutLine(f, "  spacing %g\n", numberOf("PhotonSpacing", 0.05));
    else StdPutLine(f, "  count %g\n", numberOf("PhotonCount", 20000));
    if (isSet("PhotonAutostop")) StdPutLine(f, "  autostop %g\n", numberOf("PhotonAutostop", 0));
    if (isSet("PhotonJitter")) StdPutLine(f, "  jitter %g\n", numberOf("PhotonJitter", 0.4));
    StdPutLine(f, " }\n");
}

void writeGlobalSettings(StandardFile* f) {
    const bool any = isSet("AssumedGamma") || isSet("MaxTraceLevel") || isSet("AmbientLight") || isSet("Radiosity") ||
                     isSet("PhotonSpacing") || isSet("PhotonCount");
    if (!any) return;
    StdPutLine(f, "global_settings {\n");
    if (isSet("AssumedGamma")) StdPutLine(f, " assumed_gamma %g\n", numberOf("AssumedGamma", 1));
    if (isSet("MaxTraceLevel")) StdPutLine(f, " max_trace_level %g\n", numberOf("MaxTraceLevel", 5));
    if (isSet("AmbientLight")) writeColour(f, " ambient_light ", sceneSettingNumbers("AmbientLight").data(), "\n");
    writeRadiosity(f);
    writePhotons(f);
    StdPutLine(f, "}\n\n");
}

void writeFog(StandardFile* f) {
    const std::string& kind = sceneSetting("Fog");
    if (kind.empty()) return;
    StdPutLine(f, "fog {\n fog_type %d\n distance %g\n", kind == "Ground" ? 2 : 1, numberOf("FogDistance", 10));
    const std::vector<double> colour = sceneSettingNumbers("FogColour");
    const double grey[3] = {0.7, 0.7, 0.7};
    writeColour(f, " color ", colour.size() == 3 ? colour.data() : grey, "\n");
    if (kind == "Ground") {
        StdPutLine(f, " fog_offset %g\n fog_alt %g\n", numberOf("FogOffset", 0), numberOf("FogAltitude", 1));
    }
    if (isSet("FogTurbulence")) StdPutLine(f, " turbulence %g\n", numberOf("FogTurbulence", 0));
    StdPutLine(f, "}\n\n");
}

void writeMedia(StandardFile* f) {
    const std::string& scattering = sceneSetting("MediaScattering");
    if (scattering.empty()) return;
    int type = 1;
    for (int k = 0; const char* w = GetSceneSettingWord("MediaScattering", static_cast<unsigned>(k)); ++k)
        if (scattering == w) type = k + 1;
    std::vector<double> c = sceneSettingNumbers("MediaColour");
    if (c.size() != 3) c = {0.5, 0.5, 0.5};
    // The density scales how much the colour scatters.
    const double d = numberOf("MediaDensity", 0.05);
    const double scaled[3] = {c[0] * d, c[1] * d, c[2] * d};
    StdPutLine(f, "media {\n");
    if (isSet("MediaIntervals")) StdPutLine(f, " intervals %g\n", numberOf("MediaIntervals", 1));
    if (isSet("MediaSamples")) StdPutLine(f, " samples %g\n", numberOf("MediaSamples", 1));
    StdPutLine(f, " scattering { %d, ", type);
    writeColour(f, "", scaled, " }\n");
    StdPutLine(f, "}\n\n");
}

void writeSkySphere(StandardFile* f) {
    const std::vector<double> c = sceneSettingNumbers("SkyColours");
    if (c.size() < 6) return;
    const size_t n = c.size() / 3;
    StdPutLine(f, "sky_sphere {\n pigment { gradient y\n  color_map {\n");
    for (size_t k = 0; k < n; ++k) {
        StdPutLine(f, "   [ %g ", static_cast<double>(k) / static_cast<double>(n - 1));
        writeColour(f, "color ", &c[3 * k], " ]\n");
    }
    // The gradient runs from the nadir (0) to the zenith (1).
    StdPutLine(f, "  }\n  scale 2\n  translate < 0, -1, 0 >\n }\n}\n\n");
}

}  // namespace

void writePovSceneSettings(StandardFile* f) {
    writeGlobalSettings(f);
    writeSkySphere(f);
    writeFog(f);
    writeMedia(f);
}

void writePovCameraKind(StandardFile* f) {
    const std::string& kind = sceneSetting("CameraKind");
    if (kind.empty() || kind == "Perspective") return;
    if (kind == "Cylinder") StdPutLine(f, " cylinder 1\n");
    else if (kind == "Orthographic") StdPutLine(f, " orthographic\n");
    else if (kind == "Fisheye") StdPutLine(f, " fisheye\n");
    else StdPutLine(f, " panoramic\n");
}

void writePovFocalBlur(StandardFile* f) {
    if (!isSet("Aperture")) return;
    StdPutLine(f, " aperture %g\n blur_samples %g\n", numberOf("Aperture", 0.2), numberOf("BlurSamples", 20));
    const std::vector<double> p = sceneSettingNumbers("FocalPoint");
    if (p.size() == 3) StdPutLine(f, " focal_point < %g, %g, %g >\n", p[0], p[1], p[2]);
    else writeLabelledVector(f, " focal_point ", GetActiveCamera()->lookAt, "\n");
}

}  // namespace kx::exporter
