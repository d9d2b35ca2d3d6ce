#include "texbuild/preview_scene.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "texbuild/texture_names.h"

namespace kx::app {
namespace {

constexpr unsigned kPolyray = KX_FILETYPE_POLYRAY;

void put(StandardFile* f, const char* const* lines) {
    for (; *lines; ++lines) StdPutLine(f, "%s", *lines);
}

void putTexture(StandardFile* f, const std::string& texture, TextureForm form) {
    if (form == TextureForm::Layered) {
        SaveTextureLayers(f, texture.c_str());
    } else if (f->type == kPolyray) {
        StdPutLine(f, " texture { surface { color %s } }\r\n", texture.c_str());
    } else {
        StdPutLine(f, " texture { pigment { %s } }\r\n", texture.c_str());
    }
}

constexpr const char* kPovPlaneSetting[] = {
    "// CAMERA POSITION\n", "camera {\n", " location  < 0,     0, 20 >\n", " up        < 0,     1, 0  >\n",
    " right     < -1.33, 0, 0  >\n", " look_at   < 0,     0, 0 >\n", "}\n", "// LIGHT_SOURCE\n",
    "  light_source{<-20 ,  35 , 34  > color White }\n", "  light_source{< 7.25 , 5.5  , 90  > color White }\n",
    "\n// BACK_PLANE\n", "plane {  < 0, 0, 1 > 0\n", " texture { pigment { White } }\n", " translate < 0, 0, -1 >\n",
    "}\n\n", "\n// FRONT_PLANE\n", "plane {  < 0, 0, 1 > 0\n", " texture { pigment { White } }\n",
    " translate < 0, 0, 200 >\n", "}\n\n", "\n// TEX_PLANE\n", "plane {  < 0, 0, 1 > 0\n", nullptr};
constexpr const char* kPovPlaneEnd[] = {" scale  < 4, 4, 1 >\n", " translate < 0, 0, 0 >\n", "}\n\n", nullptr};

constexpr const char* kPolyPlaneSetting[] = {
    "// CAMERA POSITION\n", "viewpoint {\r\n", " from       < 0, 0, 20 >\r\n", " at         < 0, 0, 0 >\r\n",
    " up         < 0, 1, 0 >\r\n", " resolution 100, 100\r\n", "}\r\n", "// LIGHT_SOURCE\r\n",
    "  light <-20 ,  35 , 34  >\r\n", "  light < 7.25 ,  5.5 , 90  >\r\n", "background white\r\n",
    "define Plane_XY object {\r\n", "\t\t\tpolygon 4, <-1000,1000,0>, <-1000,-1000,0>,\r\n",
    "\t\t\t<1000,-100,0>, <1000,1000,0>\r\n", "\t\t\t}\r\n", "\n// BACK_PLANE\n", "object { Plane_XY\n",
    " texture { surface { color White } }\n", " translate < 0, 0, -1 >\n", "}\n\n", "\n// FRONT_PLANE\n",
    "object { Plane_XY\n", " texture { surface { color White } }\n", " translate < 0, 0, 200 >\n", "}\n\n",
    "\n// TEX_PLANE\n", "object { Plane_XY\n", nullptr};
constexpr const char* kPolyPlaneEnd[] = {"}\n\n", nullptr};

constexpr const char* kPovSky[] = {
    "// CAMERA POSITION\r\n", "camera {\r\n", " location  < 0, 0, -20 >\r\n", " up        < 0, 1, 0  >\r\n",
    " right     < 0, 1, 0  >\r\n", " look_at   < 0, 0, 0 >\r\n", "}\r\n", "// LIGHT_SOURCE\r\n",
    "  light_source{<-20 ,  35 , -34  > color White }\r\n", "  light_source{< 0 ,  0 , -24  > color White }\r\n",
    "sky_sphere {\r\n", nullptr};
constexpr const char* kPovSkyEnd[] = {"}\r\n", "\r\n// PLANE\r\n", "plane {  < 0, 1, 0 >, -4\r\n",
                                      " texture { pigment { Green } }\r\n", "}\r\n\r\n", nullptr};

constexpr const char* kPovSolidSetting[] = {
    "// CAMERA POSITION\r\n", "camera {\r\n", " location  < 0, 0, -20 >\r\n", " up        < 0, 1, 0  >\r\n",
    " right     < 0, 1, 0  >\r\n", " look_at   < 0, 0, 0 >\r\n", "}\r\n", "// LIGHT_SOURCE\r\n",
    "  light_source{<-20 ,  35 , -34  > color White }\r\n", "  light_source{< 0 ,  0 , -24  > color White }\r\n",
    "\r\n// PLANE\r\n", "plane {  < 0, 0, 1 > 0\r\n", " texture { pigment { White } }\r\n",
    " translate < 0, 0, -4 >\r\n", "}\r\n\r\n", nullptr};
constexpr const char* kPolySolidSetting[] = {
    "// CAMERA POSITION\r\n", "viewpoint {\r\n", " from       < 0, 0, -25 >\r\n", " at         < 0, 0, 0 >\r\n",
    " up         < 0, 1, 0 >\r\n", " resolution 100, 100\r\n", "}\r\n", "// LIGHT_SOURCE\r\n",
    "  light <-20 ,  35 , -34  >\r\n", "  light < 0 ,  0 , -24  >\r\n", "background white\r\n", nullptr};

// The setting the same camera and lights; the floor meets the lowest shape.
constexpr const char* kPovStage[] = {
    "\r\n// STAGE\r\n", "plane {  < 0, 1, 0 >, -8\r\n",
    " texture { pigment { checker color rgb < 0.9, 0.9, 0.9 > color rgb < 0.25, 0.25, 0.3 > scale 4 } }\r\n",
    "}\r\n", "sky_sphere {\r\n",
    " pigment { gradient y color_map { [ 0 color rgb < 0.9, 0.93, 1 > ] [ 1 color rgb < 0.3, 0.5, 0.9 > ] } }\r\n",
    "}\r\n\r\n", nullptr};

struct SolidShape {
    const char* comment;
    const char* povray;
    const char* polyray;
};

// Indexed by shape 2 to 5; the sphere stands for every other number.
constexpr SolidShape kSolids[] = {
    {"// BOX\r\n", "box { <-4,-4,-8>, <4,4,0> \r\n", "object { box <-4,-4,-8>, <4,4,0> \r\n"},
    {"// CONE\r\n", "cone { <0,4,-4>, 0, <0,-4,-4>, 6\r\n", "object { cone <0,4,-4>, 0, <0,-4,-4>, 6 \r\n"},
    {"// CYLINDER\r\n", "cylinder { <0,4,-4>, <0,-4,-4>, 6\r\n", "object { cylinder <0,4,-4>, <0,-4,-4>, 6 \r\n"},
    {"// TORUS\r\n", "torus { 5, 1.5 \r\n", "object { torus 5, 1.5, <0.0, 0.0, 0.0>, <0.0, 1.0, 0.0> \r\n"},
};
constexpr SolidShape kSphere = {"// SPHERE\r\n", "sphere {  < 0, 0, 0 > 8\r\n", "object { sphere < 0, 0, 0 >, 8\r\n"};

void writeSolid(StandardFile* f, int shape, const std::string& texture, TextureForm form, bool stage) {
    const bool polyray = f->type == kPolyray;
    if (stage && f->type == KX_FILETYPE_POVRAY3) {
        // The white wall's setting up to its light sources, then the stage.
        const size_t lights = std::find(std::begin(kPovSolidSetting), std::end(kPovSolidSetting),
                                        std::string_view("\r\n// PLANE\r\n")) - std::begin(kPovSolidSetting);
        for (size_t i = 0; i < lights; ++i) StdPutLine(f, "%s", kPovSolidSetting[i]);
        put(f, kPovStage);
    } else {
        put(f, polyray ? kPolySolidSetting : kPovSolidSetting);
    }
    const SolidShape& solid = shape >= kPreviewBox && shape <= kPreviewTorus ? kSolids[shape - kPreviewBox] : kSphere;
    StdPutLine(f, "%s", solid.comment);
    StdPutLine(f, "%s", polyray ? solid.polyray : solid.povray);
    putTexture(f, texture, form);
    StdPutLine(f, " translate < 0, 0, 0 >\r\n");
    if (shape == kPreviewBox) StdPutLine(f, " rotate < -10, 0, 0 >\r\n");
    if (shape == kPreviewTorus) {
        StdPutLine(f, " rotate < -90, 0, 0 >\r\n");
        StdPutLine(f, " translate < 0, 0, -6 >\r\n");
    }
    StdPutLine(f, "}\r\n");
}

}  // namespace

bool hasPreviewScenes(int type) {
    switch (type) {
        case KX_FILETYPE_POVRAY1:
        case KX_FILETYPE_POVRAY2:
        case KX_FILETYPE_POVRAY3:
        case KX_FILETYPE_POLYRAY: return true;
        default: return false;
    }
}

bool writePreviewScene(StandardFile* f, int shape, const std::string& texture, TextureForm form, bool stage) {
    if (!f || !hasPreviewScenes(static_cast<int>(f->type))) return false;
    // The sky takes one pigment whatever the form: texture layers are not
    // allowed inside a sky sphere.
    const bool sky = shape == kPreviewSky;
    const bool named = sky || form == TextureForm::Pigment ? isSceneIdentifier(texture) : isLayeredIdentifier(texture);
    if (!named) {
        LogMessage(1, "Texture %s is not a scene identifier: no preview", texture.substr(0, 64).c_str());
        return false;
    }
    if (sky) {
        if (f->type == kPolyray) {
            ErrorMessage("Not yet implemented");
            return false;
        }
        put(f, kPovSky);
        StdPutLine(f, " pigment { %s }\r\n", texture.c_str());
        put(f, kPovSkyEnd);
        return true;
    }
    if (shape == kPreviewPlane) {
        const bool polyray = f->type == kPolyray;
        put(f, polyray ? kPolyPlaneSetting : kPovPlaneSetting);
        putTexture(f, texture, form);
        put(f, polyray ? kPolyPlaneEnd : kPovPlaneEnd);
        return true;
    }
    writeSolid(f, shape, texture, form, stage);
    return true;
}

}  // namespace kx::app
