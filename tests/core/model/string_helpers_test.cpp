#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "comma_locale.h"
#include "core_fixture.h"

namespace kxtest {
namespace {

class StringHelpersTest : public CoreTest {};

TEST_F(StringHelpersTest, GetArgString) {
    struct Case {
        const char* token;
        const char* expected;
    } cases[] = {
        {"\"hello world\"", "hello world"},
        {"a~b~c", "a b c"},
        {"\"", ""},
        {"\"\"", ""},
        {"\"say \\\"hi\\\"\"", "say \\\"hi\\\""},  // escapes are the tokenizer's business
        {"plain", "plain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        std::string buffer = c.token;
        const char* result = GetArgString(buffer.data());
        ASSERT_NE(result, nullptr);
        EXPECT_STREQ(result, c.expected);
    }
    char empty[1] = {'\0'};
    EXPECT_EQ(GetArgString(empty), nullptr);
    EXPECT_EQ(GetArgString(nullptr), nullptr);
}

TEST_F(StringHelpersTest, QuotedArguments) {
    EXPECT_STREQ(SetArgStringQuote("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_STREQ(SetArgStringQuote(nullptr), "\"\"");
    EXPECT_STREQ(SetArgString(nullptr), "\"\"");
    EXPECT_STREQ(SetArgString("a \"b\""), "\"a \"b\"\"");
    // No backslash may stand right before the closing quote.
    EXPECT_STREQ(SetArgStringQuote("C:\\inc\\"), "\"C:\\inc\"");
    EXPECT_STREQ(SetArgStringQuote("\\\\"), "\"\"");
    // At most 1024 characters are taken, even when every one is a quote.
    std::string quotes(3000, '"');
    std::string result = SetArgStringQuote(quotes.c_str());
    EXPECT_EQ(result.size(), 2 * 1024 + 2);
}

TEST_F(StringHelpersTest, PutLineMemExpandsLineEndsAndChecksRoom) {
    char buffer[1024] = "start;";
    EXPECT_EQ(PutLineMem(buffer, "a\nb\r\n%d", 7), 1);
    EXPECT_STREQ(buffer, "start;a\r\nb\r\n7");
    EXPECT_EQ(PutLineMem(buffer, "%s", ""), 1);
    EXPECT_STREQ(buffer, "start;a\r\nb\r\n7");

    std::string half(513, 'x');  // twice its length exceeds 1024
    EXPECT_EQ(PutLineMem(buffer, "%s", half.c_str()), 0);
    EXPECT_EQ(ui.lastMessage(), "Error string too long");

    // What the buffer holds already counts as well.
    std::string piece(400, 'y');
    char full[1024] = "";
    EXPECT_EQ(PutLineMem(full, "%s", piece.c_str()), 1);
    EXPECT_EQ(PutLineMem(full, "%s", piece.c_str()), 1);
    EXPECT_EQ(PutLineMem(full, "%s", piece.c_str()), 0);
    EXPECT_EQ(std::strlen(full), 800u);

    char small[8] = "abc";
    EXPECT_EQ(PutLineMemEx(small, sizeof small, "\n\n"), 1);
    EXPECT_STREQ(small, "abc\r\n\r\n");
    EXPECT_EQ(PutLineMemEx(small, sizeof small, "d"), 0);
}

TEST_F(StringHelpersTest, Extensions) {
    struct Case {
        const char* name;
        const char* ext;
        const char* addExt;
        const char* addNewExt;
    } cases[] = {
        {"scene", ".pov", "scene.pov", "scene.pov"},
        {"scene.old.cad", ".pov", "scene.old.cad", "scene.pov"},
        {"release.2/scene", ".cad", "release.2/scene", "release.2/scene.cad"},
        {"/home/u/my.models/scene.cad", ".pov", "/home/u/my.models/scene.cad",
         "/home/u/my.models/scene.pov"},
        {"..\\scene.cad", ".pov", "..\\scene.cad", "..\\scene.pov"},
        {"../dir/file", ".tga", "../dir/file", "../dir/file.tga"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(AddExt(c.name, c.ext), c.addExt);
        EXPECT_STREQ(AddNewExt(c.name, c.ext), c.addNewExt);
    }
    EXPECT_EQ(AddNewExt(nullptr, ".x"), nullptr);
    EXPECT_EQ(AddNewExt("a", nullptr), nullptr);
}

TEST_F(StringHelpersTest, CaseInsensitivePrefixCompare) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"Sphere", "sphere", 0}, {"Sphere", "SPH", 0},  {"sph", "Sphere", 0},
        {"Box", "Boy", -1},      {"anything", "", 0},   {nullptr, "a", -1},
        {"a", nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "null") + "/" + (c.b ? c.b : "null"));
        EXPECT_EQ(kxc_strcmpi(c.a, c.b), c.expected);
    }
}

TEST_F(StringHelpersTest, NumbersIgnoreTheProcessLocale) {
    CommaLocale comma;
    ASSERT_TRUE(comma.active()) << "the test build makes de_DE.UTF-8 under LOCPATH";
    char check[16];
    std::snprintf(check, sizeof check, "%g", 1.5);
    ASSERT_STREQ(check, "1,5");  // the locale really is in force
    EXPECT_STREQ(dtoa(1.5), "1.5");
    EXPECT_STREQ(dtoa(1e6), "1e+06");
    ErrorMessage("%g", 0.25);
    EXPECT_EQ(ui.lastMessage(), "0.25");
    SetDlgItemDouble(nullptr, 1, 2.5);
    EXPECT_EQ(GetDlgItemDouble(nullptr, 1), 2.5);
}

TEST_F(StringHelpersTest, LookUpTables) {
    const LookUp table[] = {{1, "First"}, {7, "Seventh"}, {7, "Again"}, {KX_LOOKUP_END, nullptr}};
    EXPECT_STREQ(GetLookUpLabel(7, table), "Seventh");
    EXPECT_EQ(GetLookUpLabel(2, table), nullptr);
    EXPECT_EQ(GetLookUpLabel(1, nullptr), nullptr);
    EXPECT_EQ(GetLookUpId("seventh", table), 7u);
    EXPECT_EQ(GetLookUpId("again", table), 7u);
    EXPECT_EQ(GetLookUpId("Sev", table), 0u);  // whole words only
    EXPECT_EQ(GetLookUpId("First", nullptr), 0u);
}

TEST_F(StringHelpersTest, FileExist) {
    EXPECT_EQ(FileExist(dir.path().c_str()), 1);
    EXPECT_EQ(FileExist(dir.file("missing").c_str()), 0);
    EXPECT_EQ(FileExist(nullptr), 0);
}

}  // namespace
}  // namespace kxtest
