#include "model/memory.h"
#include "user_texture_fixture.h"

namespace kxtest {
namespace {

using TextureDefinitionsTest = UserTextureTest;

TEST_F(TextureDefinitionsTest, TreeOptionsAndCrossReferences) {
    loadDefinitions();
    TexItem* first = FindFirstTexItem();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type, KX_TEXITEM_PLACEHOLDER);
    EXPECT_STREQ(first->name, "");
    TexItem* pigment = first->next;
    ASSERT_NE(pigment, nullptr);
    EXPECT_STREQ(pigment->name, "pigment");
    EXPECT_EQ(pigment->type, KX_TEXITEM_GROUP);
    ASSERT_NE(pigment->children, nullptr);
    EXPECT_EQ(pigment->children->type, KX_TEXITEM_PLACEHOLDER);
    TexItem* pattern = pigment->children->next;
    EXPECT_STREQ(pattern->name, "*pattern");
    EXPECT_EQ(pattern->type, 'L');
    EXPECT_STREQ(pattern->syntax, "1");
    EXPECT_NE(pattern->text, nullptr);

    struct Case {
        const char* name;
        const char* expectedName;
        int type;
    } cases[] = {
        {"/pigment/color", "color", 'C'},  {"PIGMENT/Colour_Map", "colour_map", 'H'},
        {"ambient", "ambient", 'D'},       {"Pattern", "*pattern", 'L'},
        {"/finish/ambient", "ambient", 'D'}, {"/inline/octaves", nullptr, 0},
        {"/*inline/octaves", "octaves", 'I'}, {"mode", "mode", 'L'},
        {"/pigment", "pigment", KX_TEXITEM_GROUP}, {"/pigment/nothing", nullptr, 0},
        {"", nullptr, 0},                  {"///", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TexItem* found = item(c.name);
        if (!c.expectedName) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_STREQ(found->name, c.expectedName);
        EXPECT_EQ(found->type, c.type);
    }
    EXPECT_EQ(FindTexItem(nullptr), nullptr);

    // Options: id 0 is ignored; "|" and blanks both separate.
    EXPECT_EQ(GetTexOptOffset(1), 0);
    EXPECT_EQ(GetTexOptOffset(2), 3);
    EXPECT_EQ(GetTexOptOffset(0), -1);
    EXPECT_EQ(GetTexOptOffset(7), -1);
    ASSERT_NE(GetTexOpt(4), nullptr);
    EXPECT_EQ(GetTexOpt(4)->id, 2);
    EXPECT_EQ(GetTexOpt(4)->value, 1);
    EXPECT_STREQ(GetTexOpt(4)->text, "once");
    EXPECT_STREQ(GetTexOpt(1)->text, "Marble:marble");
    EXPECT_NE(GetTexOpt(15), nullptr);
    EXPECT_EQ(GetTexOpt(16), nullptr);
}

TEST_F(TextureDefinitionsTest, GroupMarksFollowSetElements) {
    loadDefinitions();
    TexItem* pigment = item("/pigment");
    TexItem* finish = item("/finish");
    TexItem* ambient = item("ambient");
    ambient->set = 1;
    pigment->set = 1;  // stale: nothing below it is set
    EXPECT_EQ(ResetSetCustomTextureUsage(), 1);
    EXPECT_EQ(finish->set, 1);
    EXPECT_EQ(pigment->set, 0);

    ambient->value.real = 2;
    std::strcpy(ambient->text, "x");
    EXPECT_EQ(InitCustomTexture(), 1);
    EXPECT_EQ(ambient->set, 0);
    EXPECT_EQ(ambient->value.real, 0.0);
    EXPECT_STREQ(ambient->text, "");
}

TEST_F(TextureDefinitionsTest, MissingOrIncompleteFilesLeaveNoTree) {
    struct Case {
        const char* what;
        const char* text;  // null: no file
        const char* message;
    } cases[] = {
        {"no file", nullptr, "Unable to open/load Texture Definition file"},
        {"no options", "#begin texture_syntax\na C x\n#end\n#begin texture_xref\n#end\n",
         "Error unknown file section: texture_options"},
        {"no syntax", "#begin texture_options\n#end\n#begin texture_xref\n#end\n",
         "Error unknown file section: texture_syntax"},
        {"no xref", "#begin texture_options\n#end\n#begin texture_syntax\na C x\n#end\n",
         "Error unknown file section: texture_xref"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        loadDefinitions();
        ui.clear();
        std::remove(dir.file("other.def").c_str());
        if (c.text) writeFile("other.def", c.text);
        EXPECT_EQ(InitTextureBuiler("other.def"), 0);
        EXPECT_EQ(FindFirstTexItem(), nullptr);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages[0].text.rfind(c.message, 0), 0u) << ui.messages[0].text;
    }
    // A renderer without definitions: nothing to load, and no old tree kept.
    loadDefinitions();
    ui.clear();
    EXPECT_EQ(BuildTexList("$none"), 1);
    EXPECT_EQ(FindFirstTexItem(), nullptr);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(BuildTexList(nullptr), 0);
}

TEST_F(TextureDefinitionsTest, OversizedDefinitionsAreCutNotOverrun) {
    std::string longName(200, 'n');
    std::string text = "#begin texture_options\n";
    for (int i = 1; i <= 20; ++i) text += std::to_string(i) + " \"1|" + longName + "\"\n";
    text += "#end\n#begin texture_syntax\n" + longName + " C " + longName + "\nx } y\n";
    text += "#end\n#begin texture_xref\n";
    for (int i = 0; i < 80; ++i) text += "s" + std::to_string(i) + " /" + longName.substr(0, 31) + "\n";
    text += "bad /no/such\n#end\n";
    loadDefinitions(text.c_str());
    TexItem* e = FindFirstTexItem()->next;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::string(e->name), longName.substr(0, 31));
    EXPECT_EQ(std::string(e->syntax), longName.substr(0, 31));
    // "x }" ends the list: x is no element.
    EXPECT_EQ(e->next, nullptr);
    EXPECT_EQ(GetTexOptOffset(16), 15);
    EXPECT_EQ(GetTexOptOffset(17), -1);
    EXPECT_EQ(std::string(GetTexOpt(0)->text), longName.substr(0, 31));
    EXPECT_EQ(item("s63"), e);
    EXPECT_EQ(item("s64"), nullptr);
    EXPECT_EQ(item("bad"), nullptr);
}

TEST_F(TextureDefinitionsTest, DeepNestingIsRefused) {
    std::string text = "#begin texture_options\n#end\n#begin texture_syntax\n";
    for (int i = 0; i < 5000; ++i) text += "g {\n";
    text += "#end\n#begin texture_xref\n#end\n";
    writeFile("deep.def", text);
    EXPECT_EQ(InitTextureBuiler("deep.def"), 0);
    EXPECT_EQ(FindFirstTexItem(), nullptr);
    EXPECT_EQ(ui.lastMessage(), "Texture definition nested too deeply: g");

    // Nesting a renderer really uses reads fine, and an unclosed group ends at "#end".
    writeFile("nested.def", "#begin texture_options\n#end\n#begin texture_syntax\n"
                            "a { b { c { leaf D x } } }\nopen { inner I x\n#end\n#begin texture_xref\n#end\n");
    EXPECT_EQ(InitTextureBuiler("nested.def"), 1);
    ASSERT_NE(item("/a/b/c/leaf"), nullptr);
    EXPECT_EQ(item("/a/b/c/leaf")->type, 'D');
    ASSERT_NE(item("/open/inner"), nullptr);
}

TEST_F(TextureDefinitionsTest, AllocationFailuresAreReported) {
    writeFile("test.def", kDefinitions);
    kx::mem::failAllocationsAfter(0);
    EXPECT_EQ(InitTextureBuiler("test.def"), 0);
    kx::mem::failAllocationsAfter(-1);
    EXPECT_EQ(ui.lastMessage(), "Out of memory allocating custom texture xref");

    for (long skip : {1L, 2L, 5L, 17L}) {
        SCOPED_TRACE(skip);
        ui.clear();
        ASSERT_EQ(InitTextureBuiler("test.def"), 1);  // the xref table is in place
        kx::mem::failAllocationsAfter(skip);
        EXPECT_EQ(BuildTexList(dir.file("test.def").c_str()), 0);
        kx::mem::failAllocationsAfter(-1);
        EXPECT_EQ(ui.lastMessage(), "Error Allocating Texture Element");
        EXPECT_EQ(FindFirstTexItem(), nullptr);
    }
}

TEST_F(TextureDefinitionsTest, ExitFreesEverything) {
    loadDefinitions();
    InitCustomTexList(3);
    EXPECT_EQ(ExitTextureBuiler(), 1);
    EXPECT_EQ(FindFirstTexItem(), nullptr);
    EXPECT_EQ(GetCustomTexListCount(), 0u);
    EXPECT_EQ(GetTexOptOffset(1), -1);
    EXPECT_EQ(item("ambient"), nullptr);
}

}  // namespace
}  // namespace kxtest
