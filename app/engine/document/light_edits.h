// A light's kind and the values of that kind: the six light values (kind,
// radius, falloff, tightness, adaptive, jitter), the extra point that is a
// spot light's target or an area light's two sides and samples, and the
// object a light looks like. Every change is one undo step.
#pragma once

#include <string>
#include <vector>

#include "document/edit_history.h"
#include "document/profile_edits.h"
#include "kxcore.h"

namespace kx::app {

// As the first light value stores it and the renderer's export reads it.
enum class LightKind : int { Point = 0, Spot = 1, Area = 2, Cylinder = 3, Parallel = 4 };

struct LightKindName {
    LightKind kind;
    const char* label;
};
inline constexpr LightKindName kLightKinds[] = {
    {LightKind::Point, "Point"},
    {LightKind::Spot, "Spot"},
    {LightKind::Area, "Area"},
    {LightKind::Cylinder, "Cylinder"},
    {LightKind::Parallel, "Parallel"},
};

// Kinds that aim at their extra point.
inline bool aimedLight(LightKind kind) {
    return kind == LightKind::Spot || kind == LightKind::Cylinder || kind == LightKind::Parallel;
}

// What the panel shows of a light.
struct LightSettings {
    LightKind kind = LightKind::Point;
    double radius = 0;
    double falloff = 0;
    double tightness = 0;
    double adaptive = 0;
    bool jitter = false;
    unsigned options = 0;     // KX_LIGHT_* bits
    double fadeDistance = 0;  // 0: no fading
    double fadePower = 0;
    std::string looksLike;
};

struct LightOptionName {
    unsigned bit;
    const char* label;  // the step is "Set Light <label>" or "Clear Light <label>"
};
inline constexpr LightOptionName kLightOptions[] = {
    {KX_LIGHT_SHADOWLESS, "Shadowless"},
    {KX_LIGHT_CIRCULAR, "Circular"},
    {KX_LIGHT_ORIENT, "Orient"},
};

// A light's settings; a light without light values is a point light.
LightSettings lightSettingsOf(CadObject* light);

// Sets one light value (KX_PROP_LIGHTRADIUS, _LIGHTFALLOFF, _LIGHTTIGHTNESS,
// _LIGHTADAPTIVE, _LIGHTJITTER) of every light given and redraws it. The
// merge key makes typing in one field one step. False when no light changed.
bool setLightValue(EditHistory& history, const std::vector<CadObject*>& lights, int propertyId, double value,
                   const std::string& mergeKey = {});

// Turns one KX_LIGHT_* bit on or off for every light given, one step;
// false when none changed (circular and orient are kept on any kind, and
// written out only for an area light).
bool setLightOption(EditHistory& history, const std::vector<CadObject*>& lights, unsigned bit, bool on);

// The distance where a light has its full strength and the power of its
// fading beyond (2 as in nature); either at 0 turns fading off. Negative
// or non-finite values are refused. The merge key makes typing one step.
bool setLightFade(EditHistory& history, const std::vector<CadObject*>& lights, double distance, double power,
                  const std::string& mergeKey = {});

// Gives the lights a kind (a spot, cylinder and parallel light aims at its
// extra point; an area light's extra point holds its sides and samples). A light turned into an area light without a
// usable size (both sides above 0, at least one sample) gets a 2 by 2 one
// with 3 samples each way, as the renderer draws nothing for a side of 0; a
// spot light keeps what its extra point holds as its target, unless that is
// where the light stands: it then points straight down to the ground plane.
bool setLightKind(EditHistory& history, const std::vector<CadObject*>& lights, LightKind kind);

// The renderer text of the object shown where the light stands ("sphere {
// 0, 0.2 pigment { Yellow } }"); empty for none.
bool setLightLooksLike(EditHistory& history, const std::vector<CadObject*>& lights, const std::string& text);

// What the views draw beside a light's marker to show where it shines: a
// spot light's cone out to its target (opened by its falloff angle, 45
// degrees when none is set), a cylinder light's beam (as wide as its falloff,
// 1 when none is set), an area light's rectangle and a parallel light's
// direction as an arrow. Empty for a point light, or for an aimed light whose
// target is where it stands.
std::vector<OutlineSegment> lightGuide(CadObject* light);

}  // namespace kx::app
