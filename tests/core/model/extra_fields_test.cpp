#include <cstring>
#include <string>

#include "core_fixture.h"
#include "model/memory.h"

namespace kxtest {
namespace {

class ExtraFieldsTest : public CoreTest {};

TEST_F(ExtraFieldsTest, SameIdReusesItsPlace) {
    CadObject* obj = NewCadObject("o");
    double a = 1.5, b = 2.5;
    int i = 42;
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_FLOAT, 900, 1, &a), 1);
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_INTEGER, 901, 1, &i), 1);
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_FLOAT, 900, 1, &b), 1);
    ASSERT_EQ(obj->extra->count, 2u);
    EXPECT_EQ(GetObjectExtraField(obj, 0)->id, 900u);
    double out = 0;
    EXPECT_EQ(GetObjectExtra(obj, 900, 1, &out), 1);
    EXPECT_EQ(out, 2.5);
    EXPECT_EQ(GetObjectExtra(obj, 902, 1, &out), 0);
    EXPECT_EQ(GetObjectExtraField(obj, 2), nullptr);
}

TEST_F(ExtraFieldsTest, ThousandFieldsAtMost) {
    CadObject* obj = NewCadObject("o");
    for (unsigned id = 1; id <= 1000; ++id) ASSERT_EQ(SetObjectExtra(obj, KX_VALUE_INTEGER, 1000 + id, 1, &id), 1);
    unsigned extra = 7;
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_INTEGER, 5000, 1, &extra), 0);
    EXPECT_EQ(ui.lastMessage(), "Error allocting object extra information");
    EXPECT_EQ(obj->extra->count, 1000u);
    int out = 0;
    EXPECT_EQ(GetObjectExtra(obj, 2000, 1, &out), 1);
    EXPECT_EQ(out, 1000);
    // Replacing an existing one still works when full.
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_INTEGER, 1500, 1, &extra), 1);
}

TEST_F(ExtraFieldsTest, CountsBeyondTheValueAreaAreRefused) {
    CadObject* obj = NewCadObject("o");
    static double doubles[200];
    static int ints[300];
    static Point3d points[100];
    struct Case {
        unsigned type, fits, tooMany;
        const void* data;
    } cases[] = {
        {KX_VALUE_FLOATARRAY, 128, 129, doubles},
        {KX_VALUE_INTEGERARRAY, 256, 257, ints},
        {KX_VALUE_POINTSARRAY, 85, 86, points},
        {KX_VALUE_FLOAT, 128, 0xFFFFFFFFu, doubles},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(SetObjectExtra(obj, c.type, 700 + c.type, c.fits, c.data), 1);
        EXPECT_EQ(SetObjectExtra(obj, c.type, 800 + c.type, c.tooMany, c.data), 0);
        EXPECT_EQ(GetObjectExtraField(obj, obj->extra->count - 1)->id, 700 + c.type);
    }
    EXPECT_EQ(SetObjectExtra(obj, 9, 1, 1, doubles), 0);  // no such value type
}

TEST_F(ExtraFieldsTest, TextsAreCutAndTerminated) {
    CadObject* obj = NewCadObject("o");
    std::string longText(3000, 't');
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_STRING, 301, 1, longText.c_str()), 1);
    char out[1100];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(GetObjectExtraString(obj, 301, out), 1);
    EXPECT_EQ(std::strlen(out), 1021u);
    // A field overwritten from outside still reads back terminated.
    ExtraField field{};
    field.type = KX_VALUE_STRING;
    field.id = 302;
    field.count = 1;
    std::memset(field.value, 'z', sizeof field.value);
    EXPECT_EQ(SetObjectExtraField(obj, 0, &field), 1);
    EXPECT_EQ(GetObjectExtraString(obj, 302, out), 1);
    EXPECT_EQ(std::strlen(out), 1021u);
    field.type = KX_VALUE_FLOATARRAY;
    field.count = 500;
    EXPECT_EQ(SetObjectExtraField(obj, 0, &field), 0);
    EXPECT_EQ(SetObjectExtraField(obj, 1, &field), 0);
}

TEST_F(ExtraFieldsTest, ReadsNeverGoPastWhatIsStored) {
    CadObject* obj = NewCadObject("o");
    double two[2] = {1, 2};
    SetObjectExtra(obj, KX_VALUE_FLOATARRAY, 116, 2, two);
    double six[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(GetObjectExtra(obj, 116, 6, six), 1);
    EXPECT_EQ(six[1], 2.0);
    EXPECT_EQ(six[2], 0.0);  // what the field lacks reads as zero
    EXPECT_EQ(six[5], 0.0);

    double values[3] = {4, 5, 6};
    EXPECT_EQ(SetObjectExtraValues(obj, 5, 3, values), 1);
    double back[4] = {1, 1, 1, 1};
    EXPECT_EQ(GetObjectExtraValues(obj, 4, back), 1);
    EXPECT_EQ(back[2], 6.0);
    EXPECT_EQ(back[3], 0.0);
    EXPECT_EQ(GetObjectExtraValues(obj, 0, back), 0);
}

TEST_F(ExtraFieldsTest, NullDataKeepsAZeroedHeader) {
    CadObject* obj = NewCadObject("o");
    EXPECT_EQ(SetObjectExtra(obj, KX_VALUE_FLOATARRAY, 116, 6, nullptr), 0);
    ExtraField* f = GetObjectExtraField(obj, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->id, 116u);
    EXPECT_EQ(f->count, 6u);
    double values[6];
    GetObjectExtra(obj, 116, 6, values);
    for (double v : values) EXPECT_EQ(v, 0.0);
}

TEST_F(ExtraFieldsTest, CopyAndCreationRecord) {
    CadObjectInfo info{};
    int v = 3;
    EXPECT_EQ(SetObjectExtraInfo(&info, KX_VALUE_INTEGER, 950, 1, &v), 1);
    ASSERT_NE(info.extra, nullptr);
    CadObject* made = AddCadAtom(&info, "_box", KX_BOX);
    EXPECT_EQ(info.extra, nullptr);
    int out = 0;
    EXPECT_EQ(GetObjectExtra(made, 950, 1, &out), 1);
    EXPECT_EQ(out, 3);

    CadObject* copy = NewCadObject("copy");
    EXPECT_EQ(CopyObjectExtra(copy, made), 1);
    for (int i = 0; i < 20; ++i) SetObjectExtra(copy, KX_VALUE_INTEGER, 960 + i, 1, &i);
    EXPECT_EQ(copy->extra->count, 21u);
    EXPECT_EQ(made->extra->count, 1u);
    kx::mem::failAllocationsAfter(0);
    CadObject* third = NewCadObject("third");
    EXPECT_EQ(CopyObjectExtra(third, copy), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(third->extra, nullptr);
    EXPECT_EQ(FreeObjectExtra(copy), 1);
    EXPECT_EQ(copy->extra, nullptr);
}

TEST_F(ExtraFieldsTest, MaterialTransformAndStringSlot) {
    CadObject* obj = NewCadObject("o");
    EXPECT_EQ(SetObjectMaterial(obj, "Gold", 2), 1);
    EXPECT_STREQ(obj->material, "Gold");
    EXPECT_EQ(SetObjectMaterial(nullptr, "Gold", 2), 0);
    obj->size = obj->rotate = obj->translate = obj->extraPoint = Point3d{1, 2, 3};
    obj->scale = Point3d{4, 4, 4};
    ClearObjectTransformation(obj, 0);
    EXPECT_TRUE(IsZero(&obj->size));
    EXPECT_EQ(obj->scale.y, 1.0f);
    EXPECT_EQ(obj->extraPoint.z, 3.0f);
    ClearObjectTransformation(obj, 1);
    EXPECT_TRUE(IsZero(&obj->extraPoint));

    char* slot = nullptr;
    std::string longText(500, 's');
    EXPECT_EQ(SetString(slot, longText.c_str()), 1);
    EXPECT_EQ(std::strlen(slot), 259u);
    EXPECT_EQ(SetString(slot, "short"), 1);
    EXPECT_STREQ(slot, "short");
    EXPECT_EQ(SetString(slot, nullptr), 1);
    EXPECT_EQ(slot, nullptr);
}

}  // namespace
}  // namespace kxtest
