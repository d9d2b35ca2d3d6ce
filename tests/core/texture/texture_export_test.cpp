#include "user_texture_fixture.h"

namespace kxtest {
namespace {

class TextureExportTest : public UserTextureTest {
protected:
    void SetUp() override {
        UserTextureTest::SetUp();
        loadDefinitions();
        GetCustomTexture(1);
    }
    TexItem* setItem(const char* path) {
        TexItem* e = item(path);
        e->set = 1;
        return e;
    }
    // What ExportCustomTexture writes for the current texture.
    std::string exported(const char* name, unsigned format, TEX_EXPORT_FLAGS flags = 0, int* result = nullptr) {
        StandardFile* f = StdOpenFile(dir.file("out.txt").c_str(), KX_OPEN_CREATE);
        EXPECT_NE(f, nullptr);
        if (!f) return {};
        f->type = format;
        int r = ExportCustomTexture(f, name, format, flags);
        if (result) *result = r;
        EXPECT_EQ(StdCloseFile(f), 1);
        return dir.read("out.txt");
    }
};

TEST_F(TextureExportTest, EveryElementKindForPovRay) {
    setItem("pattern")->value.integer = 1;
    setItem("/pigment/color")->value.colour[0][0] = 1;
    TexItem* h = setItem("/pigment/colour_map");
    h->value.colour[1][1] = 0.5f;
    h->value.colour[2][3] = 0.25f;
    std::strcpy(setItem("/pigment/image")->text, "maps/Wall.TGA");
    setItem("/pigment/turbulence")->value.real = 0.125;
    setItem("/finish/metallic");
    setItem("/normal/*scale")->value.point[1] = 2;
    setItem("/*inline/octaves")->value.integer = 6;
    std::strcpy(setItem("/*inline/text")->text, "100% \"%s\"");
    setItem("mode")->value.integer = 1;
    EXPECT_EQ(exported("Stone", 11),
              "\r\n#declare Stone = \r\n"
              "texture {\r\n"
              "pigment {\r\n"
              "marble\r\n"
              " color  rgb< 1, 0, 0 >\r\n"
              " colour_map color rgb< 0, 0, 0 >\r\n"
              "color rgb< 0, 0.5, 0 >\r\n"
              "color rgbf< 0, 0, 0, 0.25 >\r\n"
              " image tga \"maps/Wall.TGA\"\r\n"
              " turbulence 0.125\r\n"
              "}\r\n"
              "finish {\r\n"
              " metallic \r\n"
              "}\r\n"
              "normal {\r\n"
              "< 0, 2, 0 >\r\n"
              "}\r\n"
              " octaves 6\r\n"
              " text 100% \"%s\"\r\n"
              " mode once\r\n"
              "}\r\n"
              "\r\n");
}

TEST_F(TextureExportTest, ColourFormsOfEachRenderer) {
    TexItem* c = setItem("/pigment/color");
    c->value.colour[0][0] = 0.5f;
    c->value.colour[0][3] = 0.5f;
    TexItem* t = setItem("/pigment/gradient");
    t->value.colour[0][2] = 1;
    t->value.colour[1][0] = 1;
    struct Case {
        unsigned format;
        const char* body;
    } cases[] = {
        {11, "pigment {\r\n color  rgbf< 0.5, 0, 0, 0.5 >\r\n gradient color rgb< 0, 0, 1 >\r\ncolor rgb< 1, 0, 0 >\r\n}\r\n"},
        {10, "pigment {\r\n color  rgbf< 0.5, 0, 0, 0.5 >\r\n gradient color rgb< 0, 0, 1 >\r\ncolor rgb< 1, 0, 0 >\r\n}\r\n"},
        {19, "pigment {\r\n color  < 0.5, 0, 0 >\r\n gradient texture { surface { color < 0, 0, 1 > } }\r\n,\r\n"
             "texture { surface { color < 1, 0, 0 > } }\r\n}\r\n"},
        {23, "pigment {\r\n color  [ 0.5, 0, 0 ]\r\n gradient color [ 0, 0, 1 ]\r\ncolor [ 1, 0, 0 ]\r\n}\r\n"},
        {24, "pigment {\r\n color  0.5 0 0\r\n gradient color 0 0 1\r\ncolor 1 0 0\r\n}\r\n"},
        {38, "pigment {\r\n color  0.5 0 0\r\n gradient color 0 0 1\r\ncolor 1 0 0\r\n}\r\n"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.format);
        std::string head = k.format == 19 ? "\r\ndefine Tex\r\n" : "\r\n#declare Tex = \r\n";
        EXPECT_EQ(exported("Tex", k.format), head + "texture {\r\n" + k.body + "}\r\n\r\n");
        // With flags only the body: VRML and sky pigments place it themselves.
        EXPECT_EQ(exported("Tex", k.format, TEX_EXPORT_INLINE), head + k.body);
    }
    // A colour typed by name is written as typed.
    std::strcpy(c->text, "color Gold");
    EXPECT_NE(exported("Tex", 11).find(" color color Gold\r\n"), std::string::npos);
}

TEST_F(TextureExportTest, FileNamesAndImageKinds) {
    TexItem* image = setItem("/pigment/image");
    struct Case {
        const char* file;
        unsigned format;
        const char* line;
    } cases[] = {
        {"a.tga", 11, " image tga \"a.tga\"\r\n"},
        {"A.TGA", 11, " image tga \"A.TGA\"\r\n"},
        {"a.gif", 11, " image gif \"a.gif\"\r\n"},
        {"maps.tga/a.gif", 11, " image gif \"maps.tga/a.gif\"\r\n"},
        {"./maps/noext", 12, " image gif \"./maps/noext\"\r\n"},
        {"x\".tga", 11, " image tga \"x.tga\"\r\n"},
        {"a.tga", 19, " image image(\"a.tga\")\r\n"},
        {"a.tga", 24, " image a.tga\r\n"},
        {"", 11, " image gif \"\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::strcpy(image->text, c.file);
        std::string text = exported("Img", c.format);
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

TEST_F(TextureExportTest, FreeFormTextStandsAlone) {
    setItem("/pigment/color")->value.colour[0][0] = 1;
    std::strcpy(GetCustomTexture(0)->parent, "Red");
    std::strcpy(GetCustomTexture(0)->freeForm, "pigment { checker Red, White } // 50%d");
    EXPECT_EQ(exported("Free", 11), "\r\n#declare Free = \r\ntexture {\r\npigment { checker Red, White } // 50%d\r\n}\r\n\r\n");
    EXPECT_EQ(exported("Free", 11, TEX_EXPORT_SKY), "\r\n#declare Free = \r\npigment { checker Red, White } // 50%d\r\n");
}

TEST_F(TextureExportTest, ParentByItsKind) {
    TextureInfo* first = AddTexture(nullptr);
    SetFirstTexture(first);
    std::strcpy(first->name, "T_Stone1");
    first->kind = KX_TEXTURE_TEXTURE;
    setItem("ambient")->value.real = 0.5;
    struct Case {
        const char* parent;
        const char* line;
    } cases[] = {
        {"T_Stone1", "texture {\r\n T_Stone1\r\nfinish {\r\n"},
        {"Red", "texture {\r\n pigment { Red }\r\nfinish {\r\n"},
        {"Rgb.1.2.3", "texture {\r\nfinish {\r\n"},  // no identifier: left out
        {"Unknown", "texture {\r\n Unknown\r\nfinish {\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent);
        std::strcpy(GetCustomTexture(0)->parent, c.parent);
        std::string text = exported("P", 11);
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

TEST_F(TextureExportTest, LookupWithoutAnOptionStopsItsList) {
    setItem("/pigment/color")->value.colour[0][1] = 1;
    setItem("pattern")->value.integer = 9;
    setItem("/pigment/turbulence")->value.real = 1;
    setItem("ambient")->value.real = 0.5;
    std::string text = exported("L", 11);
    EXPECT_EQ(ui.lastMessage(), "Texture lookup item not defined: *pattern");
    // The rest of the pigment list is left out, its braces and the rest stay.
    EXPECT_EQ(text, "\r\n#declare L = \r\ntexture {\r\npigment {\r\n}\r\nfinish {\r\n ambient 0.5\r\n}\r\n}\r\n\r\n");

    ui.clear();
    std::strcpy(item("pattern")->syntax, "77");
    exported("L", 11);
    EXPECT_EQ(ui.lastMessage(), "Texture lookup option not defined: *pattern");
}

TEST_F(TextureExportTest, LongTreesAreWrittenWhole) {
    TexItem* text = setItem("/*inline/text");
    std::string longText(1000, 'x');
    std::strcpy(text->text, longText.c_str());
    std::strcpy(setItem("raw")->text, "%n%s%s%s");
    setItem("/pigment/color")->value.colour[0][0] = 1;
    std::string out = exported("Big", 11);
    EXPECT_NE(out.find(" text " + longText + "\r\n"), std::string::npos);
    const std::string ending = " raw %n%s%s%s\r\n}\r\n\r\n";
    ASSERT_GT(out.size(), ending.size());
    EXPECT_EQ(out.substr(out.size() - ending.size()), ending);

    // The buffer form holds at most 1024 characters: nothing rather than a cut tree.
    char buffer[KX_TEXTEXT_SIZE];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(WriteCustomTexture(buffer, 11), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ui.lastMessage(), "Error string too long");

    text->set = 0;
    ASSERT_EQ(WriteCustomTexture(buffer, 11), 1);
    EXPECT_STREQ(buffer, "pigment {\r\n color  rgb< 1, 0, 0 >\r\n}\r\n raw %n%s%s%s\r\n");
    EXPECT_EQ(WriteCustomTexture(nullptr, 11), 0);
}

TEST_F(TextureExportTest, NamesThatAreNoIdentifiersAreLeftOut) {
    setItem("ambient")->value.real = 1;
    for (const char* name : {"two words", "a}b", "x\n#declare y", "9lives", "", "quote\""}) {
        SCOPED_TRACE(name);
        int result = -1;
        EXPECT_EQ(exported(name, 11, 0, &result), "");
        EXPECT_EQ(result, 0);
    }
    int result = -1;
    EXPECT_NE(exported("_ok9", 11, 0, &result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ExportCustomTexture(nullptr, "x", KX_FILETYPE_POVRAY3, 0), 0);
}

TEST_F(TextureExportTest, LoadedTextureExportsAsSaved) {
    TexItem* c = setItem("/pigment/color");
    c->value.colour[0][0] = 0.2f;
    c->value.colour[0][3] = 0.5f;
    setItem("/pigment/gradient")->value.colour[1][0] = 1;
    std::strcpy(GetCustomTexture(0)->name, "Glass");
    std::string before = exported("Glass", 11);
    ASSERT_EQ(SaveCustomTexture("Glass"), 1);
    InitCustomTexture();
    GetCustomTexture(1);
    ASSERT_EQ(LoadCustomTexture("Glass"), 1);
    EXPECT_EQ(exported("Glass", 11), before);
    EXPECT_NE(before.find(" color  rgbf< 0.2, 0, 0, 0.5 >\r\n"), std::string::npos);
    EXPECT_NE(before.find(" gradient color rgb< 0, 0, 0 >\r\ncolor rgb< 1, 0, 0 >\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kxtest
