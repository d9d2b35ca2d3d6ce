// The texture list, named and encoded colours, and objects' colours and textures.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/memory.h"

namespace kxtest {
namespace {

class TexturesTest : public CoreTest {
protected:
    // Appends a record the way the program builds its list.
    TextureInfo* add(const char* name, int kind, unsigned char r = 0, unsigned char g = 0, unsigned char b = 0) {
        TextureInfo* last = nullptr;
        for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t)) last = t;
        TextureInfo* t = AddTexture(last);
        if (!last) SetFirstTexture(t);
        std::strcpy(t->name, name);
        t->kind = kind;
        t->colour[0] = r;
        t->colour[1] = g;
        t->colour[2] = b;
        return t;
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t)) out.emplace_back(t->name);
        return out;
    }
};

TEST_F(TexturesTest, EncodedNamesDecode) {
    struct Case {
        const char* name;
        int result;
        unsigned r, g, b;
    } cases[] = {
        {"Rgb.10.20.30", 1, 10, 20, 30},
        {"Rgb.1.2", 1, 1, 0, 2},            // the last number is blue
        {"Rgb.1.2.3.4", 1, 1, 2, 4},        // further dots convert nothing
        {"Rgb.300.0.0", 1, 300, 0, 0},      // no range check
        {"Rgb.x.7y.", 1, 0, 7, 0},
        {"Rgb.1.2.00000000000000009999", 1, 1, 2, 9},  // a field of 17 characters ends the scan
        {"rgb.10.20.30", 0, 0, 0, 0},
        {"RGB.10.20.30", 0, 0, 0, 0},
        {"Rgb.1", 0, 0, 0, 0},              // shorter than 6 characters
        {"Red", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned r = 99, g = 99, b = 99;
        ASSERT_EQ(GetEncodedRgb(c.name, &r, &g, &b), c.result);
        if (!c.result) continue;
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
    }
    EXPECT_EQ(GetEncodedRgb(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(TexturesTest, SetEncodedRgbNamesAndPacksTheSameBytes) {
    struct Case {
        unsigned r, g, b;
        const char* name;
        uint32_t rgb;
    } cases[] = {
        {189, 146, 148, "Pink", 0x9492BD},
        {255, 0, 0, "Red", 0x0000FF},
        {0, 0, 0, "Black", 0},
        {10, 20, 30, "Rgb.10.20.30", 0x1E140A},
        {510, 0, 256, "Magenta", 0xFF00FF},                 // clamped before naming
        {static_cast<unsigned>(-5), 300, 1, "Rgb.0.255.1", 0x01FF00},
    };
    CadObject* obj = NewCadObject("o");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        obj->flags |= KX_FLAG_TINDEX;
        ASSERT_EQ(SetEncodedRgb(obj, c.r, c.g, c.b), 1);
        EXPECT_STREQ(obj->material, c.name);
        EXPECT_EQ(obj->materialType, 1u);
        EXPECT_EQ(obj->rgb, c.rgb);
        EXPECT_EQ(GetTextureColorByName(obj->material), c.rgb);  // name and colour agree
    }
    EXPECT_EQ(SetEncodedRgb(nullptr, 1, 2, 3), 0);
}

TEST_F(TexturesTest, LookupsFollowTheirOrder) {
    add("Gold", 2, 200, 150, 10);
    add("red", 2, 1, 2, 3);  // a list record shadows the named colour of another case only
    add("Marble", 2 | KX_TEXTURE_USER, 9, 9, 9);
    struct Case {
        const char* name;
        unsigned long colour;
        unsigned kind;
    } cases[] = {
        {"Gold", 0x0A96C8, 2},
        {"Gold+Shiny+Rough", 0x0A96C8, 2},  // a layered name by its first layer
        {"gold", 0xffffff, 0},              // list names match exactly
        {"red", 0x030201, 2},
        {"RED", 0x0000FF, 1},                // the named colours ignore case
        {"Brown", 0x2928A5, 1},
        {"Violet", 0x522C52, 1},
        {"Rgb.1.2.3", 0x030201, 1},
        {"Rgb.300.0.0", 0x0000FF, 1},
        {"Marble", 0x090909, 6},
        {"Nothing", 0xffffff, 0},
        {"", 0xffffff, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GetTextureColorByName(c.name), c.colour);
        EXPECT_EQ(GetTextureTypeByName(c.name), c.kind);
    }
    EXPECT_EQ(GetTextureInfoByName("Gold"), GetTexture(nullptr));
    EXPECT_EQ(GetTextureInfoByName("Nothing"), nullptr);
    EXPECT_EQ(GetTextureInfoByName(nullptr), nullptr);
}

TEST_F(TexturesTest, ListRecordsAreAddedCountedDeletedAndFreed) {
    add("Gold", 2);
    TextureInfo* middle = add("Wood", 2);
    add("gold", 2);
    middle->text = AllocTexString();  // owned by the record
    EXPECT_EQ(GetTextureNameCount("GOLD"), 2u);
    EXPECT_EQ(DeleteTexture("gOLD"), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"None", "Wood", "None"}));
    EXPECT_EQ(GetTextureTypeByName("None"), 0u);

    // AddTexture after a record keeps the records behind it.
    TextureInfo* inserted = AddTexture(middle);
    std::strcpy(inserted->name, "Oak");
    EXPECT_EQ(names(), (std::vector<std::string>{"None", "Wood", "Oak", "None"}));

    // Freeing from the middle cuts the list there; nothing points at freed records.
    EXPECT_EQ(ClearTexture(middle), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{"None"}));
    EXPECT_EQ(ClearTexture(GetTexture(nullptr)), 1);
    EXPECT_EQ(GetTexture(nullptr), nullptr);

    // SetFirstTexture(null) forgets the list without freeing it.
    TextureInfo* kept = AddTexture(nullptr);
    SetFirstTexture(kept);
    SetFirstTexture(nullptr);
    EXPECT_EQ(GetTexture(nullptr), nullptr);
    ClearTexture(kept);
}

TEST_F(TexturesTest, AddCustomTextureCopiesOnceByName) {
    TextureInfo info{};
    std::strcpy(info.name, "Brick");
    std::strcpy(info.shortText1, "walls");
    info.kind = 2;
    info.word2 = 7;
    info.colour[1] = 40;
    info.points[5] = Point3d{1, 2, 3};
    info.text = reinterpret_cast<char*>(&info);  // never copied
    // With an empty list the copy becomes its head.
    EXPECT_EQ(AddCustomTexture(&info), 0);
    TextureInfo* copy = GetTexture(nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &info);
    EXPECT_STREQ(copy->shortText1, "walls");
    EXPECT_EQ(copy->word2, 7);
    EXPECT_EQ(copy->colour[1], 40);
    EXPECT_EQ(copy->points[5].z, 3.0f);
    EXPECT_EQ(copy->text, nullptr);
    // The same name, in any case and at any position, adds nothing.
    std::strcpy(info.name, "Stone");
    AddCustomTexture(&info);
    for (const char* name : {"BRICK", "stone", "Stone"}) {
        SCOPED_TRACE(name);
        std::strcpy(info.name, name);
        AddCustomTexture(&info);
        EXPECT_EQ(names(), (std::vector<std::string>{"Brick", "Stone"}));
    }
}

TEST_F(TexturesTest, UserTexturesAnswerOncePerExport) {
    add("Plain", 2);
    add("Mine", 2 | KX_TEXTURE_USER);
    EXPECT_EQ(IsUserTexture("Plain"), 0);
    EXPECT_EQ(IsUserTexture("mine"), 1);
    EXPECT_EQ(IsUserTexture("Mine"), 0);
    EXPECT_EQ(IsUserTexture("Unknown"), 0);
    EXPECT_EQ(ClearTextureUsed(), 1);
    EXPECT_EQ(IsUserTexture("Mine"), 1);
    // Saving a scene starts a new round of definitions.
    InitScene();
    CreateDefaultSphere();
    SaveScene2(GetCurrentScene(), dir.file("s.cad").c_str());
    EXPECT_EQ(IsUserTexture("Mine"), 1);
}

TEST_F(TexturesTest, AllocationFailuresReportAndChangeNothing) {
    add("Gold", 2);
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(AddTexture(GetTexture(nullptr)), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error allocating texture linked-list element");
    TextureInfo info{};
    std::strcpy(info.name, "Wood");
    EXPECT_EQ(AddCustomTexture(&info), 0);
    EXPECT_EQ(AllocTexMem(16), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Error out of memory");
    EXPECT_EQ(AllocTexString(), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Out of memory in texture string");
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(names(), (std::vector<std::string>{"Gold"}));
}

TEST_F(TexturesTest, ObjectsTakeTheColourOfTheirMaterial) {
    add("Gold", 2, 200, 150, 10);
    CadObject* obj = NewCadObject("o");
    obj->flags |= KX_FLAG_TINDEX;
    EXPECT_EQ(SetObjectTextureEx(obj, 2, "Gold"), 1);
    EXPECT_STREQ(obj->material, "Gold");
    EXPECT_EQ(obj->materialType, 2u);
    EXPECT_EQ(obj->rgb, 0x0A96C8u);
    EXPECT_FALSE(obj->flags & KX_FLAG_TINDEX);
    // The Color and Texture properties go the same way.
    EXPECT_EQ(SetCadObjectProperty(obj, "Color", "Cyan"), 1);
    EXPECT_EQ(obj->materialType, 1u);
    EXPECT_EQ(obj->rgb, 0xFFFF00u);
    EXPECT_EQ(SetCadObjectProperty(obj, "Texture", "Unlisted"), 1);
    EXPECT_EQ(obj->materialType, 2u);
    EXPECT_EQ(obj->rgb, 0xFFFFFFu);
    EXPECT_EQ(SetObjectTextureEx(nullptr, 1, "Red"), 0);
}

TEST_F(TexturesTest, DialogHelpers) {
    struct Case {
        double value;
        int range;
    } cases[] = {{1.26, 12}, {-1.26, -12}, {0.05, 0}, {1e300, 2147483647}, {-1e300, -2147483647 - 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(DoubleToRange(c.value), c.range);
    }
    EXPECT_EQ(DoubleToRange(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(RangeToDouble(15), 1.5);
    EXPECT_STREQ(DoubleToString(0.5), "0.5");
    EXPECT_STREQ(DoubleToString(1e6), "1e+06");
    char* s = AllocTexString();
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "");
    s[1023] = 'x';  // all 1024 bytes are there
    EXPECT_EQ(FreeTexMem(s), 1);
    EXPECT_EQ(FreeTexMem(nullptr), 1);
    SetCustomTextureCount(5);
    SetCustomTextureCount(-1);
    EXPECT_EQ(GetCustomTextureCount(), 6u);
}

}  // namespace
}  // namespace kxtest
