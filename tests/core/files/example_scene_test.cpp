// The example scene shipped in examples/: it holds every kind of object, a
// group, the camera, lights, colours and textures, and it reads back to the
// same bytes. Set KALVEX_REGENERATE_EXAMPLES=1 to write it anew on purpose.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core_fixture.h"

namespace kxtest {
namespace {

std::string examplePath() { return std::string(KALVEX_EXAMPLES_DIR) + "/showcase.cad"; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

CadObject* made(int (*create)(), float x, float z) {
    create();
    CadObject* o = GetLastCadObject();
    o->translate = Point3d{x, 0, z};
    return o;
}

// The showcase, built through the library's own functions.
void buildShowcase() {
    InitScene();
    InitCamera();
    Point3d eye{0, 6, 18};
    Point3d target{0, 0, 0};
    SetCameraPositionEx(nullptr, &eye, &target, 1);
    SetSceneProperty(GetCurrentScene(), "Description", "Every kind of object Kalvex makes");
    SetSceneProperty(GetCurrentScene(), "BackColor", 0x403020u);

    CadObject* floor = made(CreateDefaultPlane, 0, 0);
    floor->translate = Point3d{0, -1.5f, 0};
    SetObjectMaterial(floor, "Jade", 2);
    SetObjectMaterial(made(CreateDefaultSphere, -6, -3), "Red", 1);
    SetObjectMaterial(made(CreateDefaultBox, -3, -3), "Rgb.40.120.220", 1);
    SetObjectMaterial(made(CreateDefaultCylinder, 0, -3), "Gold_Metal", 2);
    CadObject* cone = made(CreateDefaultCone, 3, -3);
    cone->extraPoint.x = 0.4f;
    SetObjectMaterial(made(CreateDefaultTorus, 6, -3), "Silver_Metal+Clouds", 2);
    made(CreateDefaultDisc, -6, 0);
    CadObject* field = made(CreateDefaultHeightfield, -3, 0);
    SetCadObjectProperty(field, "HeightfieldFile", "hills.pgm");
    made(CreateDefaultBlob, 0, 0);
    made(CreateDefaultPatch, 3, 0);
    CadObject* user = made(CreateDefaultUserDefined, 6, 0);
    SetCadObjectProperty(user, "UserInline", "sphere { 0, 0.6 }");
    CadObject* text = made(CreateDefaultText, -5, 3);
    text->scale = Point3d{0.2f, 0.2f, 0.2f};
    SetObjectMaterial(text, "Yellow", 1);
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) RebuildObjectEx(o, 1);

    Point3d tris[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    ListEntry* mesh = AddEntry(3, nullptr, tris);
    AddEntry(3, mesh, tris + 3);
    CadObject* facets = AddObject("sail", mesh, 2, KX_POLYGON);
    TranslatePoints(facets->points, -3, 0, 3);
    SmoothObject(facets);
    // A mesh read from a file carries its triangle array: so does this one.
    facets->polygons = CopyListToPolygons(facets->points, facets->count);
    facets->polygonCount = facets->count;
    Point3d wire[2] = {{0, 0, 3}, {1, 1, 3}};
    AddObject("rope", AddEntry(2, nullptr, wire), 1, KX_LINESEG);
    Point3d dot{3, 1, 3};
    AddObject("star", AddEntry(1, nullptr, &dot), 1, KX_POINTS);

    CadObject* group = CreateDefaultGroup();
    group->extraPoint.x = 3;  // difference
    CadObject* outer = made(CreateDefaultSphere, 6, 3);
    CadObject* bite = made(CreateDefaultBox, 6.5f, 3);
    SetObjectMaterial(outer, "Green", 1);
    SetObjectMaterial(bite, "Green", 1);
    for (CadObject* o : {outer, bite}) SetCadObjectProperty(o, "GroupId", group->groupId);

    CadObject* sun = made(CreateDefaultLight, 0, 0);
    sun->translate = Point3d{-20, 35, 34};
    CadObject* spot = made(CreateDefaultLight, 0, 0);
    spot->translate = Point3d{0, 12, 12};
    SetCadObjectProperty(spot, "LightType", 1u);
    SetCadObjectProperty(spot, "LightFalloff", 35.0);
    SetCadObjectProperty(spot, "LightRadius", 25.0);
    CadObject* area = made(CreateDefaultLight, 0, 0);
    area->translate = Point3d{10, 15, 10};
    area->extraPoint = Point3d{2, 2, 3};
    SetCadObjectProperty(area, "LightType", 2u);
    SetObjectsUnSelected();
}

class ExampleSceneTest : public CoreTest {};

TEST_F(ExampleSceneTest, ShowcaseIsCurrentAndReadsBackToTheSameBytes) {
    buildShowcase();
    std::string fresh = dir.file("fresh.cad");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), fresh.c_str()), 1);
    if (std::getenv("KALVEX_REGENERATE_EXAMPLES")) std::filesystem::copy_file(fresh, examplePath(), std::filesystem::copy_options::overwrite_existing);
    std::string expected = readFile(examplePath());
    ASSERT_FALSE(expected.empty()) << "examples/showcase.cad is missing";
    EXPECT_EQ(readFile(fresh), expected) << "regenerate with KALVEX_REGENERATE_EXAMPLES=1 and review the diff";

    ClearScene(GetCurrentScene());
    InitScene();
    ASSERT_EQ(LoadScene(GetCurrentScene(), examplePath().c_str()), 1);
    std::string again = dir.file("again.cad");
    ASSERT_EQ(SaveScene2(GetCurrentScene(), again.c_str()), 1);
    EXPECT_EQ(readFile(again), expected);
    // Every kind of object is in it.
    std::set<uint32_t> types;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) types.insert(o->type);
    for (uint32_t t : {1u, 8u, 9u, 10u, 11u, 13u, 14u, 15u, 16u, 17u, 19u, 20u, 21u, 22u, 23u, 24u, 25u})
        EXPECT_TRUE(types.count(t)) << "type " << t;
}

}  // namespace
}  // namespace kxtest
