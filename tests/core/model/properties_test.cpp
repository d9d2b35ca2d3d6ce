#include <cmath>
#include <cstring>
#include <string>

#include "core_fixture.h"

namespace kxtest {
namespace {

class PropertiesTest : public CoreTest {};

TEST_F(PropertiesTest, TableLookups) {
    EXPECT_EQ(GetObjectPropertyTypeId("position"), 5);
    EXPECT_STREQ(GetObjectPropertyTypeName(5), "Translate");
    EXPECT_EQ(GetObjectPropertyIndex("Size"), 0);
    EXPECT_EQ(GetObjectPropertyIndex("Position"), 5);
    EXPECT_EQ(GetObjectPropertyIndex("nothing"), -1);
    EXPECT_EQ(GetObjectPropertyIndex(""), -1);
    EXPECT_EQ(GetObjectPropertyType("LightValues"), 5);
    EXPECT_EQ(GetObjectPropertyType(400), 7);
    EXPECT_EQ(GetObjectPropertyType(999), 0);
    EXPECT_EQ(GetObjectPropertyExtra("comment"), 1);
    EXPECT_EQ(GetObjectPropertyExtra("TextString"), 0);
    EXPECT_EQ(GetObjectPropertyTypeName(0), nullptr);
    EXPECT_EQ(GetScenePropertyIndex("backcolor"), 2);
    EXPECT_EQ(GetScenePropertyType("Image"), 1);
    EXPECT_EQ(GetScenePropertyType(1001), 3);
    EXPECT_STREQ(GetScenePropertyTypeName(1008), "RenderInclude");
    EXPECT_EQ(GetScenePropertyTypeName(5), nullptr);
}

TEST_F(PropertiesTest, PointPropertiesByNameAndId) {
    CadObject* obj = NewCadObject("o");
    struct Case {
        const char* name;
        Point3d CadObject::*field;
    } cases[] = {
        {"Size", &CadObject::size},         {"Extra", &CadObject::extraPoint},
        {"Scale", &CadObject::scale},       {"Rotate", &CadObject::rotate},
        {"Translate", &CadObject::translate}, {"Position", &CadObject::translate},
        {"LookAt", &CadObject::size},
    };
    float v = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Point3d p{v, v + 1, v + 2};
        v += 3;
        EXPECT_EQ(SetCadObjectProperty(obj, c.name, &p), 1);
        EXPECT_EQ((obj->*c.field).z, p.z);
        Point3d out{};
        unsigned n = 9;
        EXPECT_EQ(GetCadObjectProperty(obj, c.name, &out, &n), 1);
        EXPECT_EQ(n, 1u);
        EXPECT_EQ(out.y, p.y);
    }
    Point3d p{1, 2, 3};
    EXPECT_EQ(SetCadObjectProperty(obj, "Visible", &p), 0);  // wrong value type
    EXPECT_EQ(SetCadObjectProperty(obj, "Nothing", &p), 0);
    EXPECT_EQ(SetCadObjectProperty(nullptr, "Size", &p), 0);
    unsigned n = 5;
    Point3d out{};
    EXPECT_EQ(GetCadObjectProperty(obj, "Up", &out, &n), 1);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(GetCadObjectProperty(obj, "Name", &out, &n), 0);
}

TEST_F(PropertiesTest, BoundingBoxIsRecomputedWhenStale) {
    CadObject* mesh = makeMesh("m", 4);  // x from 0 to 4, y from 0 to 1
    Point3d box[2];
    unsigned n = 0;
    EXPECT_EQ(GetCadObjectProperty(mesh, "BoundingBox", box, &n), 1);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(box[1].x, 4.0f);
    EXPECT_EQ(mesh->boundValid, 1);
    TranslatePoints(mesh->points, 10, 0, 0);
    mesh->boundValid = 0;
    GetCadObjectProperty(mesh, "BoundingBox", box, &n);
    EXPECT_EQ(box[0].x, 10.0f);
    CadObject* empty = NewCadObject("e");
    EXPECT_EQ(GetCadObjectProperty(empty, "BoundingBox", box, &n), 1);
    EXPECT_EQ(n, 0u);
}

TEST_F(PropertiesTest, IntegerProperties) {
    CadObject* obj = NewCadObject("o");
    EXPECT_EQ(SetCadObjectProperty(obj, "RgbColor", 0x102030u), 1);
    EXPECT_EQ(obj->materialType, 1u);
    unsigned out = 0;
    EXPECT_EQ(GetCadObjectProperty(obj, "rgbcolor", &out), 1);
    EXPECT_EQ(out, 0x102030u);

    EXPECT_EQ(SetCadObjectProperty(obj, "Select", 1u), 1);
    EXPECT_EQ(obj->selected, 1);
    EXPECT_EQ(GetObjectsSelectedCount(), 0u);

    // Only bit 0 of the value counts for the flags.
    struct Flag {
        const char* name;
        uint32_t bit;
    } flags[] = {{"Visible", 0x2}, {"Smooth", 0x4}, {"UvMap", 0x8}, {"Tindex", 0x10},
                 {"Animated", 0x20}, {"Bound", 0x40}, {"Noexport", 0x80}, {"Noobject", 0x100}};
    for (const Flag& f : flags) {
        SCOPED_TRACE(f.name);
        SetCadObjectProperty(obj, f.name, 3u);
        EXPECT_TRUE(obj->flags & f.bit);
        SetCadObjectProperty(obj, f.name, 2u);
        EXPECT_FALSE(obj->flags & f.bit);
    }
    SetCadObjectProperty(obj, "Smooth", 1u);
    out = 7;
    GetCadObjectProperty(obj, "Smooth", &out);
    EXPECT_EQ(out, 1u);
    out = 7;
    SetCadObjectProperty(obj, "Noexport", 1u);
    GetCadObjectProperty(obj, "Noexport", &out);  // not reported back
    EXPECT_EQ(out, 7u);

    EXPECT_EQ(SetCadObjectProperty(obj, "Name", 1u), 0);
    EXPECT_EQ(GetCadObjectProperty(obj, "Size", &out), 0);
    EXPECT_EQ(GetCadObjectProperty(nullptr, "Select", &out), 0);
}

TEST_F(PropertiesTest, CsgTypeOnlyForGroups) {
    CadObject* group = NewCadObject("g");
    group->type = KX_GROUP;
    CadObject* sphere = NewCadObject("s");
    SetCadObjectProperty(group, "CsgType", 3u);
    SetCadObjectProperty(sphere, "CsgType", 3u);
    EXPECT_EQ(group->extraPoint.x, 3.0f);
    EXPECT_EQ(sphere->extraPoint.x, 0.0f);
    unsigned out = 99;
    GetCadObjectProperty(group, "CsgType", &out);
    EXPECT_EQ(out, 3u);
    group->extraPoint.x = std::nanf("");  // garbage from a file reads as 0
    GetCadObjectProperty(group, "CsgType", &out);
    EXPECT_EQ(out, 0u);
    group->groupId = 4;
    EXPECT_EQ(UpdateCsgOperation(4, 2, 1), 2);
    EXPECT_EQ(UpdateCsgOperation(4, 0, 0), 2);
    EXPECT_EQ(UpdateCsgOperation(5, 0, 0), 0);
}

TEST_F(PropertiesTest, GroupIdLinksUnderTheGroup) {
    CadObject* group = NewCadObject("g");
    group->type = KX_GROUP;
    SetCadObjectProperty(group, "GroupId", 7u);
    CadObject* child = NewCadObject("c");
    SetCadObjectProperty(child, "GroupId", 7u);
    SetCadObjectProperty(child, "GroupId", 7u);  // a doubled line changes nothing
    EXPECT_EQ(child->parent, group);
    EXPECT_EQ(group->firstChild, child);
    EXPECT_EQ(child->nextSibling, nullptr);
    EXPECT_GE(GetCurrentObjectNo(KX_GROUP), 7u);  // no new group may take id 7
    SetCadObjectProperty(child, "GroupId", 0u);
    EXPECT_EQ(child->parent, nullptr);
    EXPECT_EQ(group->firstChild, nullptr);
}

TEST_F(PropertiesTest, TextProperties) {
    CadObject* obj = NewCadObject("o");
    std::string longName(100, 'q');
    EXPECT_EQ(SetCadObjectProperty(obj, "Name", longName.c_str()), 1);
    EXPECT_EQ(std::string(obj->name), std::string(31, 'q'));
    EXPECT_EQ(SetCadObjectProperty(obj, 202, "Chrome"), 1);
    char out[32] = {};
    EXPECT_EQ(GetCadObjectProperty(obj, "Material", out), 1);
    EXPECT_STREQ(out, "Chrome");
    EXPECT_EQ(SetCadObjectProperty(obj, "Texture", "Wood"), 1);
    EXPECT_EQ(obj->materialType, 2u);
    EXPECT_STREQ(obj->material, "Wood");

    // Other text properties live in the extra block.
    EXPECT_EQ(SetCadObjectProperty(obj, "Comment", "hello"), 1);
    char text[1024];
    EXPECT_EQ(GetObjectExtraString(obj, 301, text), 1);
    EXPECT_STREQ(text, "hello");
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(GetCadObjectProperty(obj, "Comment", out), 1);
    EXPECT_STREQ(out, "");  // read it with GetObjectExtraString
    // Free ids are accepted; ids of other value types are refused.
    EXPECT_EQ(SetCadObjectProperty(obj, 5000, "free"), 1);
    EXPECT_EQ(SetCadObjectProperty(obj, 116, "1 2 3"), 0);
    EXPECT_EQ(SetCadObjectProperty(obj, 400, "patch"), 0);
    EXPECT_EQ(GetObjectExtraString(obj, 116, text), 0);
    EXPECT_EQ(SetCadObjectProperty(obj, 0, "ignored"), 1);
    EXPECT_EQ(SetCadObjectProperty(obj, "Size", "text"), 0);
}

TEST_F(PropertiesTest, LightValues) {
    CadObject* sphere = NewCadObject("s");
    EXPECT_EQ(SetLightProperty(sphere, 115, 0, 2.0), 0);
    CadObject* light = NewCadObject("l");
    light->type = KX_LIGHT;
    EXPECT_EQ(SetCadObjectProperty(light, "LightRadius", 2.5), 1);
    EXPECT_EQ(SetCadObjectProperty(light, "LightType", 3u), 1);
    EXPECT_EQ(SetCadObjectProperty(light, "LightJitter", 1.0), 1);
    EXPECT_EQ(SetCadObjectProperty(light, "LightValues", 1.0), 0);  // not a single float
    double values[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(GetObjectExtra(light, 116, 6, values), 1);
    EXPECT_EQ(values[0], 3.0);
    EXPECT_EQ(values[1], 2.5);
    EXPECT_EQ(values[2], 0.0);
    EXPECT_EQ(values[5], 1.0);

    int ints[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(SetCadObjectProperty(light, "LightValues", ints, 6), 1);
    EXPECT_EQ(GetObjectExtraField(light, 0)->type, static_cast<uint32_t>(KX_VALUE_FLOATARRAY));
    GetObjectExtra(light, 116, 6, values);
    EXPECT_EQ(values[5], 6.0);
    EXPECT_EQ(SetCadObjectProperty(light, "PatchData", ints, 6), 0);
    Point3d patch[16] = {};
    EXPECT_EQ(SetCadObjectProperty(light, "PatchData", patch, 16), 1);
    EXPECT_EQ(SetCadObjectProperty(light, "LightValues", patch, 16), 0);
}

TEST_F(PropertiesTest, SceneProperties) {
    CadScene* scene = GetCurrentScene();
    EXPECT_EQ(SetSceneProperty(scene, "BackColor", 0xFF00u), 1);
    EXPECT_EQ(scene->backColor, 0xFF00u);
    EXPECT_EQ(SetSceneProperty(scene, "Redraw", 1u), 1);
    std::string longText(1000, 'd');
    EXPECT_EQ(SetSceneProperty(scene, "description", longText.c_str()), 1);
    EXPECT_EQ(std::string(scene->description), std::string(259, 'd'));
    EXPECT_EQ(SetSceneProperty(scene, "Image", "out.tga"), 1);
    EXPECT_STREQ(scene->image, "out.tga");
    EXPECT_EQ(SetSceneProperty(scene, "Unknown", "x"), 1);
    EXPECT_EQ(SetSceneProperty(nullptr, "Name", "x"), 0);
    EXPECT_EQ(SetSceneProperty(scene, "Name", nullptr), 0);
}

TEST_F(PropertiesTest, GroupPointPropertyTransformsItsMembers) {
    CadObject* group = NewCadObject("g");
    group->type = KX_GROUP;
    CadObject* member = makeMesh("m", 1);
    AddChildObject(group, member);
    SetObjectsUnSelected();
    Point3d offset{5, 0, 0};
    EXPECT_EQ(SetCadObjectProperty(group, 5, &offset), 1);
    EXPECT_EQ(member->translate.x, 5.0f);
    EXPECT_EQ(member->points->points[0].x, 5.0f);
    EXPECT_EQ(group->translate.x, 5.0f);
}

}  // namespace
}  // namespace kxtest
