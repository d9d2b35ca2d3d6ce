// The renderer formats beside POV-Ray: whole files of small scenes, the
// cases each format gets wrong easily, and the structure of what is written.
#include <string>

#include "core_fixture.h"
#include "scene_checks.h"
#include "texture/user_texture_fixture.h"

namespace kxtest {
namespace {

constexpr const char* kBanner = "Scene Created by the Kalvex 2.0";

class OtherFormatsTest : public SceneTest {
protected:
    // The scene written through the dispatcher in a format; the file's text.
    std::string write(unsigned format) {
        lastResult = Write3Dfile(GetCurrentScene(), dir.file("scene.txt").c_str(), format);
        return dir.read(format == KX_FILETYPE_WAVEFRONT ? "scene.txt" : std::string("scene") + GetCadFileExtension(format));
    }
    // A sphere at (0, 3, 0) and a point light at (1, 2, 3).
    void sphereAndLight() {
        add(CreateDefaultSphere)->translate = Point3d{0, 3, 0};
        add(CreateDefaultLight)->translate = Point3d{1, 2, 3};
    }
    CadObject* polyline(const char* name, std::initializer_list<Point3d> points, unsigned type) {
        ListEntry* head = nullptr;
        ListEntry* tail = nullptr;
        for (const Point3d& p : points) {
            tail = AddEntry(1, tail, &p);
            if (!head) head = tail;
        }
        return AddObject(name, head, static_cast<unsigned>(points.size()), type);
    }
    int lastResult = -1;
};

TEST_F(OtherFormatsTest, WholeFilesOfASphereAndALight) {
    sphereAndLight();
    const std::string camera = "        position       0 4 20 \r\n        #orientation    0 0 0  0\r\n"
                               "        #focalDistance 20\r\n        #heightAngle   2\r\n    }\r\n";
    const std::string vrmlTop = std::string("# ") + kBanner + "\r\n# VRML export filter 1.0\r\n\r\n";
    struct Case {
        unsigned format;
        std::string text;
    } cases[] = {
        {KX_FILETYPE_NFF, std::string("# ") + kBanner +
                              "\r\n# Neutral file format export filter 1.0\r\nv\r\nfrom  0 4 20 \r\nat    0 0 0 \r\n"
                              "up    0 1 0 \r\nresolution 320 200\r\nl  1 2 3 \r\n# SPHERE _sphere0\r\ns 0 3 0 1\r\n"},
        {KX_FILETYPE_POLYRAY,
         std::string("// ") + kBanner +
             "\r\n// Polyray export filter 1.4\r\n\r\ninclude \"colors.inc\"\r\ninclude \"texture.inc\"\r\n\r\n"
             "viewpoint {\r\n    from  < 0, 4, 20 > \r\n    at    < 0, 0, 0 > \r\n    up    < 0, 1, 0 > \r\n"
             "    aspect -1.33\r\n    resolution 320, 200\r\n}\r\n\r\nlight <1, 1, 1>, <1, 2, 3>\r\n\r\n\r\n"
             "// SPHERE _sphere0\r\nobject { sphere <0, 0, 0>, 1 translate  < 0, 3, 0 > \r\n }\r\n\r\n"
             "\r\n"},  // every object, the light too, starts with a blank line
        {KX_FILETYPE_RENDERMAN,
         std::string("# ") + kBanner +
             "\r\n# RenderMan export filter 1.0\r\n\r\nversion 3.03\r\nFrameBegin 1\r\nFormat 320 200 1\r\n"
             "PixelSamples 1 1\r\nShadingRate 1.0\r\nProjection \"perspective\" \"fov\" 35\r\nTranslate 0 0 40.0000\r\n"
             "Scale -1 1 1\r\nRotate 180 0 1 0\r\nWorldBegin\r\n\r\n"
             "LightSource \"pointlight\" 0 \"from\" [ 1.00000 2.00000 3.00000 ] \"intensity\" 500\r\n"
             "\r\n# Object _sphere0\r\nTransformBegin\r\n        Color [ 1 1 1 ]\r\n        Translate  0 3 0 \r\n"
             "        Sphere 1.00000 -1.00000 1.00000 360\r\n    TransformEnd\r\nWorldEnd\r\nFrameEnd\r\n"},
        {KX_FILETYPE_VRML,
         "#VRML V1.0 ascii\r\n\r\n" + vrmlTop + "Separator {\r\n    PerspectiveCamera {\r\n" + camera +
             "    DEF _light0 PointLight {\r\n        location 1 2 3\r\n        intensity 1.000\r\n"
             "        on TRUE\r\n    }\r\n    DEF _sphere0 Separator {\r\n        Material { diffuseColor [ 1 1 1 ] }\r\n"
             "        Translation { translation  0 3 0  }\r\n        Sphere { radius 1.00000 }\r\n    }\r\n}\r\n"},
        {KX_FILETYPE_VRML2,
         "#VRML V2.0 utf8\r\n\r\n" + vrmlTop + "Transform {\r\n  children [\r\n    Viewpoint {\r\n" + camera +
             "    PointLight {\r\n        location 1 2 3\r\n        intensity 1.000\r\n        on TRUE\r\n    }\r\n"
             "    Transform {\t #_sphere0\r\n        translation  0 3 0 \r\n        children [        Shape {\r\n"
             "        \tgeometry Sphere { radius 1.00000 }\r\n        appearance Appearance {\r\n"
             "        material Material { diffuseColor 1 1 1 }\r\n        }\r\n        }\r\n    ]\r\n    }\r\n"
             "  ]\r\n}\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(write(c.format), c.text);
        EXPECT_EQ(lastResult, 1);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(OtherFormatsTest, PrimitiveCellsOfPolyrayAndRenderMan) {
    for (int (*create)() : {CreateDefaultDisc, CreateDefaultCylinder, CreateDefaultCone, CreateDefaultBox,
                            CreateDefaultTorus, CreateDefaultHeightfield, CreateDefaultPatch})
        create();
    CadObject* field = GetCadObjectByName("_heightfield0");
    SetCadObjectProperty(field, "HeightfieldFile", "my \"hills\".png");
    field->flags |= KX_FLAG_SMOOTH;
    const std::string pi = write(KX_FILETYPE_POLYRAY);
    for (const char* cell : {
             "\r\n// DISC _disc0\r\nobject {    disc < 0, 0, 0>, < 0, 1, 0 >, 1\r\n}\r\n\r\n",
             "\r\n// CYLINDER _cylinder0\r\nobject {    cylinder <0, -1, 0>,  < 0, 1, 0>, 1\r\n}\r\n\r\n",
             "\r\n// CONE _cone0\r\nobject {    cone <0, -1, 0>, 1,   < 0, 1, 0>, 0\r\n}\r\n\r\n",
             "\r\n// BOX _box0\r\nobject {    box < -0.5, -0.5, -0.5>,\r\n < 0.5, 0.5, 0.5>\r\n}\r\n\r\n",
             "\r\n// TORUS _torus0\r\n// OBJECT _torus0\r\nobject { \r\nobject { polygon 3,",
             // The image name is a quoted string of the scene language.
             "\r\n// HEIGHTFIELD _heightfield0\r\nobject { smooth_height_field \"my _hills_.png\"\r\n"
             " translate < -0.5, -0.5, -0.5 >\r\n}\r\n\r\n",
             "\r\n// BICUBIC_PATCH _patch0\r\nobject { \r\nbezier 1, 0.01, 3, 3,\r\n< -1.5, -0, -1.5 >, "}) {
        SCOPED_TRACE(cell);
        EXPECT_NE(pi.find(cell), std::string::npos) << pi.substr(0, 3000);
    }
    EXPECT_EQ(checkPolyray(pi), "");
    const std::string rib = write(KX_FILETYPE_RENDERMAN);
    for (const char* cell : {
             "\r\n# Object _cone0\r\nTransformBegin\r\n        Color [ 1 1 1 ]\r\n        Rotate -90.0 1 0 0\r\n"
             "        Translate 0 0 -1.00000\r\n        Cone 2.00000 1.00000 360\r\n    TransformEnd\r\n",
             "        Rotate -90.0 1 0 0\r\n        Torus 2.00000 0.500000 0 360 360\r\n",
             "        Rotate 90.0 1 0 0\r\n        Cylinder 1.00000 -1.00000 1.00000 360\r\n",
             "\r\n# Object _box0\r\nTransformBegin\r\nColor [ 1 1 1 ]\r\nPolygon \"P\" [ "}) {
        SCOPED_TRACE(cell);
        EXPECT_NE(rib.find(cell), std::string::npos) << rib.substr(0, 3000);
    }
    // Height fields and patches have no RenderMan form.
    EXPECT_EQ(rib.find("_heightfield0"), std::string::npos);
    EXPECT_EQ(rib.find("_patch0"), std::string::npos);
    EXPECT_EQ(checkRib(rib), "");
}

TEST_F(OtherFormatsTest, DxfFacesAndPolylines) {
    makeMesh("tri", 1);
    add(CreateDefaultLight);
    // Every point of the line is a vertex; the header's point is only the first repeated.
    polyline("edge", {{0, 0, 0}, {1, 2, 3}}, KX_LINESEG);
    EXPECT_EQ(write(KX_FILETYPE_DXF),
              "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
              "  0\r\n3DFACE\r\n8\r\n0\r\n62\r\n7\r\n10\r\n0.0000\r\n20\r\n0.0000\r\n30\r\n0.0000\r\n"
              "11\r\n1.0000\r\n21\r\n0.0000\r\n31\r\n0.0000\r\n12\r\n0.0000\r\n22\r\n1.0000\r\n32\r\n0.0000\r\n"
              "13\r\n0.0000\r\n23\r\n1.0000\r\n33\r\n0.0000\r\n "
              "0\r\nPOLYLINE\r\n8\r\nSURFACE\r\n62\r\n7\r\n66\r\n1\r\n10\r\n0\r\n20\r\n0\r\n30\r\n0\r\n70\r\n8\r\n"
              "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n0\r\n20\r\n0\r\n30\r\n0\r\n"
              "0\r\nVERTEX\r\n8\r\nSURFACE\r\n10\r\n1\r\n20\r\n2\r\n30\r\n3\r\n0\r\nSEQEND\r\n"
              "  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    EXPECT_EQ(lastResult, 1);
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();  // no light warning in DXF
}

TEST_F(OtherFormatsTest, ObjNumbersRunOnAcrossObjects) {
    makeMesh("a", 2);
    makeMesh("b", 2);
    const std::string text = write(KX_FILETYPE_WAVEFRONT);
    EXPECT_EQ(lastResult, 1);
    EXPECT_EQ(text.rfind(std::string("# ") + kBanner + "\r\n# Wavefront export filter 1.0\r\n\r\n\r\n\r\n# Object a\r\n"
                                                        "v 0.00000 0.00000 0.00000\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("\r\ng a\r\nf 1 2 3 \r\nf 4 5 6 \r\n\r\ng b\r\nf 7 8 9 \r\nf 10 11 12 \r\n"), std::string::npos);
    // A name without a dot gets the extension; the one with a dot keeps its own.
    EXPECT_EQ(WriteOBJ(dir.file("plain").c_str()), 1);
    EXPECT_EQ(dir.read("plain.OBJ"), text);
}

TEST_F(OtherFormatsTest, EdgeCasesOfEachFormat) {
    // RenderMan numbers its lights from 0 in every file.
    add(CreateDefaultLight);
    CadObject* spot = add(CreateDefaultLight);
    SetCadObjectProperty(spot, "LightType", 1u);
    spot->translate = Point3d{0, 10, 0};
    spot->extraPoint = Point3d{0, 0, 5};
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        std::string rib = write(KX_FILETYPE_RENDERMAN);
        EXPECT_NE(rib.find("LightSource \"pointlight\" 0 "), std::string::npos);
        EXPECT_NE(rib.find("LightSource \"spotlight\" 1 \"from\" [ 0.00000 10.0000 0.00000 ] \"to\" [ 0.00000 "
                           "0.00000 5.00000 ]"),
                  std::string::npos);
    }
    // Polyray's spot light without values, and a camera of no width.
    GetActiveCamera()->width = 0;
    std::string pi = write(KX_FILETYPE_POLYRAY);
    EXPECT_NE(pi.find("spot_light <1, 1, 1>, <0, 10, 0>, <0, 0, 5>, 3, 45, 50\r\n"), std::string::npos);
    EXPECT_NE(pi.find("    resolution 320, 200\r\n"), std::string::npos);
    // RenderMan asks for an image of a usable size too.
    EXPECT_NE(write(KX_FILETYPE_RENDERMAN).find("Format 320 200 1\r\n"), std::string::npos);
    // VRML spot lights point from where they stand to what they aim at.
    EXPECT_NE(write(KX_FILETYPE_VRML).find("DEF _light1 SpotLight {\r\n        direction 0 -10 5\r\n"),
              std::string::npos);
    EXPECT_NE(write(KX_FILETYPE_VRML2).find("SpotLight {\r\n        direction 0 -10 5\r\n"), std::string::npos);
}

// Asked for, the RenderMan camera is the scene's: eye, look-at, the sky
// along +y, the picture's extent from the right, up and direction lengths,
// and a picture mirrored as POV-Ray mirrors it for a negative right.
TEST_F(OtherFormatsTest, RenderManTakesTheScenesCameraWhenAsked) {
    struct Row {
        const char* name;
        Point3d location, lookAt, right;
        const char* camera;
    } rows[] = {
        {"from the front", {0, 0, -10}, {0, 0, 0}, {1.33f, 0, 1},
         "ShadingRate 1.0\r\nProjection \"perspective\" \"fov\" 90\r\nScreenWindow -0.665 0.665 -0.5 0.5\r\n"
         "Transform [ 1 0 0 0 0 1 0 0 0 0 1 0 0 0 10 1 ]\r\nWorldBegin\r\n"},
        {"mirrored by a negative right", {0, 0, -10}, {0, 0, 0}, {-1.33f, 0, 1},
         "Transform [ -1 0 0 0 0 1 0 0 0 0 1 0 0 0 10 1 ]\r\n"},
        {"from the side, a longer lens", {10, 0, 0}, {0, 0, 0}, {1.33f, 0, 2},
         "ScreenWindow -0.3325 0.3325 -0.25 0.25\r\nTransform [ 0 0 -1 0 0 1 0 0 1 0 0 0 0 0 10 1 ]\r\n"},
        // A camera that gives no view keeps the format's fixed one.
        {"looking at itself", {1, 2, 3}, {1, 2, 3}, {1.33f, 0, 1},
         "Projection \"perspective\" \"fov\" 35\r\nTranslate 0 0 6.00000\r\n"},
    };
    GetActiveCamera()->up = Point3d{0, 1, 0};
    const std::string fixed = write(KX_FILETYPE_RENDERMAN);
    EXPECT_NE(fixed.find("\"fov\" 35\r\n"), std::string::npos) << "off by default";
    SetCoreParamInt(KX_COREPARAM_RIB_SCENE_CAMERA, 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CameraInfo* cam = GetActiveCamera();
        cam->location = row.location;
        cam->lookAt = row.lookAt;
        cam->rightDir = row.right;
        const std::string rib = write(KX_FILETYPE_RENDERMAN);
        EXPECT_NE(rib.find(row.camera), std::string::npos) << rib.substr(0, 400);
    }
    SetCoreParamInt(KX_COREPARAM_RIB_SCENE_CAMERA, 0);
}

TEST_F(OtherFormatsTest, CylindersAndRotations) {
    CadObject* cyl = add(CreateDefaultCylinder);
    cyl->size = Point3d{1, 4, 1};
    EXPECT_NE(write(KX_FILETYPE_NFF).find("# CYLINDER _cylinder0\r\nc\r\n0 -2 0 1\r\n0 2 0 1\r\n"), std::string::npos);
    cyl->rotate = Point3d{0, 90, 0};
    RebuildObjectEx(cyl, 0);
    std::string nff = write(KX_FILETYPE_NFF);
    EXPECT_EQ(nff.find("c\r\n"), std::string::npos);
    EXPECT_NE(nff.find("# CYLINDER _cylinder0\r\np 3\r\n"), std::string::npos);
    // One rotation line in radians in VRML 1; one combined field in VRML 2.
    EXPECT_NE(write(KX_FILETYPE_VRML).find("        Rotation {  rotation 0 1 0 1.57080 }\r\n"
                                           "        Cylinder { parts ALL radius 1.00000 height 4.00000 }\r\n"),
              std::string::npos);
    std::string vrml2 = write(KX_FILETYPE_VRML2);
    EXPECT_NE(vrml2.find("        rotation 0 1 0 1.57080\r\n"), std::string::npos);
    EXPECT_NE(vrml2.find("\tgeometry Cylinder { radius 1.00000 height 4.00000 }"), std::string::npos);
    // Two turns make one axis and angle: 90 about x then 90 about z is 120 degrees about (1, 1, 1).
    cyl->rotate = Point3d{90, 0, 90};
    EXPECT_NE(write(KX_FILETYPE_VRML2).find("        rotation 0.57735 0.57735 0.57735 2.09440\r\n"),
              std::string::npos);
    // RenderMan writes negated sizes as numbers, not as "--".
    cyl->size = Point3d{-1, -4, 1};
    cyl->rotate = Point3d{0, 0, 0};
    CadObject* sphere = add(CreateDefaultSphere);
    sphere->size = Point3d{-2, -2, -2};
    CadObject* cone = add(CreateDefaultCone);
    cone->size.y = -6;
    std::string rib = write(KX_FILETYPE_RENDERMAN);
    EXPECT_EQ(rib.find("--"), std::string::npos) << rib;
    EXPECT_NE(rib.find("Cylinder -1.00000 2.00000 -2.00000 360"), std::string::npos);
    EXPECT_NE(rib.find("Sphere -2.00000 2.00000 -2.00000 360"), std::string::npos);
    EXPECT_NE(rib.find("Translate 0 0 3.00000\r\n"), std::string::npos);
    EXPECT_EQ(checkRib(rib), "");
}

TEST_F(OtherFormatsTest, VrmlAnchorsInlinesAndComments) {
    CadObject* s = add(CreateDefaultSphere);
    SetCadObjectProperty(s, "Comment", "first\nsecond");
    SetCadObjectProperty(s, "VrmlAnchor", "http://example.org/a \"b\" \\c");
    CadObject* b = add(CreateDefaultBox);
    SetCadObjectProperty(b, "VrmlInline", "parts/wheel.wrl");
    std::string v1 = write(KX_FILETYPE_VRML);
    EXPECT_NE(v1.find("}\r\n# first second\r\n    WWWAnchor {\r\n        name \"http://example.org/a \\\"b\\\" \\\\c\"\r\n"
                      "        DEF _sphere0 Separator {\r\n"),
              std::string::npos)
        << v1;
    EXPECT_NE(v1.find("    }\r\n     }\r\n\r\n"), std::string::npos);  // the driver closes the anchor
    EXPECT_NE(v1.find("    WWWInline { name \"parts/wheel.wrl\" }\r\n"), std::string::npos);
    EXPECT_EQ(checkBalanced(v1), "");
    std::string v2 = write(KX_FILETYPE_VRML2);
    EXPECT_NE(v2.find("    Anchor {\r\n        url \"http://example.org/a \\\"b\\\" \\\\c\"\r\n        children [\r\n"),
              std::string::npos)
        << v2;
    EXPECT_NE(v2.find("    ] }\r\n\r\n"), std::string::npos);
    EXPECT_NE(v2.find("    Inline { url \"parts/wheel.wrl\" }\r\n"), std::string::npos);
    EXPECT_EQ(checkBalanced(v2), "");
    // Comments go to the formats that have them.
    EXPECT_NE(write(KX_FILETYPE_POLYRAY).find("// first second\r\n"), std::string::npos);
    EXPECT_EQ(write(KX_FILETYPE_NFF).find("first"), std::string::npos);
}

TEST_F(OtherFormatsTest, HostileNamesKeepEverySyntax) {
    CadObject* m = makeMesh("bad name {\"#", 1);
    SetCadObjectProperty(m, "Name", "9 lives {\"#}");
    SetObjectMaterial(m, "Rgb.1.2.3", 1);
    CadObject* light = add(CreateDefaultLight);
    SetCadObjectProperty(light, "Name", "lamp\n#x");
    CadObject* s = add(CreateDefaultSphere);
    SetCadObjectProperty(s, "Name", "caf\xe9");  // Windows-1252
    std::string v1 = write(KX_FILETYPE_VRML);
    EXPECT_NE(v1.find("DEF _9_lives_____ Separator {"), std::string::npos) << v1;
    EXPECT_NE(v1.find("DEF lamp__x PointLight {"), std::string::npos);
    EXPECT_EQ(checkBalanced(v1), "");
    std::string v2 = write(KX_FILETYPE_VRML2);
    EXPECT_NE(v2.find("Transform {\t #caf\xc3\xa9\r\n"), std::string::npos);
    EXPECT_EQ(checkBalanced(v2), "");
    std::string obj = write(KX_FILETYPE_WAVEFRONT);
    EXPECT_NE(obj.find("\r\ng 9_lives_{\"_}\r\n"), std::string::npos) << obj;
    EXPECT_EQ(checkObjIndices(obj), "");
    std::string rib = write(KX_FILETYPE_RENDERMAN);
    EXPECT_NE(rib.find("\r\n# Object 9 lives {\"#}\r\n"), std::string::npos) << rib;
    EXPECT_EQ(checkRib(rib), "");
}

class VrmlUserTextureTest : public UserTextureTest {};

TEST_F(VrmlUserTextureTest, EveryObjectGetsItsDefinitionInPlace) {
    sceneWearing("Glow", {CreateDefaultSphere, CreateDefaultSphere});
    for (unsigned format : {KX_FILETYPE_VRML, KX_FILETYPE_VRML2}) {
        SCOPED_TRACE(format);
        ASSERT_EQ(Write3Dfile(GetCurrentScene(), dir.file("tex.txt").c_str(), format), 1);
        std::string text = dir.read(std::string("tex") + GetCadFileExtension(format));
        size_t first = text.find("#declare Glow = ");
        ASSERT_NE(first, std::string::npos) << text;
        EXPECT_NE(text.find("#declare Glow = ", first + 1), std::string::npos) << text;
        EXPECT_EQ(text.find("texture {"), std::string::npos);  // the body only, placed in the material's stead
        EXPECT_EQ(text.find("diffuseColor"), std::string::npos);
    }
}

}  // namespace
}  // namespace kxtest
