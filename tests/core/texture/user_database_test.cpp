#include <sys/resource.h>
#include <csignal>
#include <algorithm>
#include <filesystem>

#include "user_texture_fixture.h"

namespace kxtest {
namespace {

class UserDatabaseTest : public UserTextureTest {
protected:
    TexItem* setItem(const char* path) {
        TexItem* e = item(path);
        e->set = 1;
        return e;
    }
    // Every kind of element set, with texts that need care in the file.
    void setEveryElement() {
        setItem("pattern")->value.integer = 1;
        TexItem* c = setItem("/pigment/color");
        c->value.colour[0][0] = 1;
        c->value.colour[0][3] = 0.5f;
        TexItem* h = setItem("/pigment/colour_map");
        for (int i = 0; i < 3; ++i) h->value.colour[i][i] = 0.25f * static_cast<float>(i + 1);
        setItem("/pigment/gradient")->value.colour[1][2] = 1;
        std::strcpy(setItem("/pigment/image")->text, "maps/a b.tga");
        setItem("/pigment/turbulence")->value.real = 0.125;
        setItem("/finish/metallic")->value.integer = 1;
        TexItem* p = setItem("/normal/*scale");
        p->value.point[0] = 1;
        p->value.point[1] = -2.5f;
        p->value.point[2] = 1e6f;
        setItem("/*inline/octaves")->value.integer = -7;
        std::strcpy(setItem("/*inline/text")->text, "say \"hi\" 100%s");
        setItem("interpolate")->value.integer = 2;
        std::strcpy(setItem("raw")->text, "a\\b");
    }
};

TEST_F(UserDatabaseTest, FreshDatabaseStartsWithVersionLine) {
    loadDefinitions();
    makeTexture("Sky");
    std::strcpy(GetCustomTexture(0)->previewName, "tex001");
    std::strcpy(GetCustomTexture(0)->parent, "Gold");
    ASSERT_EQ(SaveCustomTexture("Sky"), 1);
    EXPECT_EQ(tex(),
              "1.0\r\n"
              "usertex Sky\r\n"
              "rgbcolor 33023\r\n"
              "previewname tex001\r\n"
              "parent Gold\r\n"
              "/pigment/color \"rgb 1 0.5 0 \"\r\n"
              "/finish/ambient 0.25\r\n"
              "end\r\n");
    std::string index = idx();
    ASSERT_EQ(index.size(), 16u + 76u);
    EXPECT_EQ(index.substr(0, 16), std::string("\xFE\x5A\xDE\xC0", 4) + std::string(12, '\0'));
    UserDbIndex r = indexRecords().at(0);
    EXPECT_EQ(r.offset, 5u);
    EXPECT_EQ(r.inUse, 1u);
    EXPECT_EQ(r.colour, 0x0080ffu);
    EXPECT_STREQ(r.name, "Sky");
    EXPECT_STREQ(r.previewName, "tex001");
    EXPECT_EQ(GetUserDbIndex("sky"), 5);
    EXPECT_EQ(GetUserDbIndex("Cloud"), 0);

    // The next record follows the first; no "1.0" in between.
    saveTexture("Cloud", 0);
    EXPECT_EQ(GetUserDbIndex("Cloud"), static_cast<long>(tex().find("usertex Cloud")));
    EXPECT_EQ(tex().find("1.0", 1), std::string::npos);
    EXPECT_EQ(tex().find("rgbcolor 0"), std::string::npos);
}

TEST_F(UserDatabaseTest, EveryElementKindRoundTrips) {
    loadDefinitions();
    makeTexture("All");
    setEveryElement();
    std::strcpy(GetCustomTexture(0)->freeForm, "");
    ASSERT_EQ(SaveCustomTexture("All"), 1);
    std::string first = tex();
    EXPECT_NE(first.find("/pigment/color \"rgbf 1 0.5 0 0.5 \"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/pigment/colour_map \"rgb 0.25 0 0 rgb 0 0.5 0 rgb 0 0 0.75 \"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/pigment/gradient \"rgb 0 0 0 rgb 0 0 1 \"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/pigment/*pattern 1\r\n"), std::string::npos);
    EXPECT_NE(first.find("/pigment/image \"maps/a b.tga\"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/normal/*scale \"1 -2.5 1e+06\"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/octaves -7\r\n"), std::string::npos);
    EXPECT_NE(first.find("/text \"say \\\"hi\\\" 100%s\"\r\n"), std::string::npos);
    EXPECT_NE(first.find("/finish/metallic 1\r\n"), std::string::npos);
    EXPECT_NE(first.find("/raw \"a\\b\"\r\n"), std::string::npos);

    InitCustomTexture();
    GetCustomTexture(1);
    ASSERT_EQ(LoadCustomTexture("ALL"), 1) << ui.lastMessage();
    EXPECT_STREQ(GetCustomTexture(0)->name, "ALL");
    EXPECT_EQ(item("/pigment/color")->value.colour[0][3], 0.5f);
    EXPECT_EQ(item("/pigment/colour_map")->value.colour[2][2], 0.75f);
    EXPECT_EQ(item("/normal/*scale")->value.point[2], 1e6f);
    EXPECT_EQ(item("/*inline/octaves")->value.integer, -7);
    EXPECT_STREQ(item("/*inline/text")->text, "say \"hi\" 100%s");
    EXPECT_STREQ(item("raw")->text, "a\\b");
    EXPECT_STREQ(item("/pigment/image")->text, "maps/a b.tga");
    EXPECT_EQ(item("/finish/bumps"), nullptr);
    EXPECT_EQ(item("/normal/bumps")->set, 0);

    // Saved again under another name, the record reads the same.
    std::strcpy(GetCustomTexture(0)->name, "Again");
    ASSERT_EQ(SaveCustomTexture("Again"), 1);
    std::string again = tex().substr(first.size());
    std::string firstRecord = first.substr(5);
    EXPECT_EQ(again.substr(again.find('\r')), firstRecord.substr(firstRecord.find('\r')));
}

TEST_F(UserDatabaseTest, FreeFormAndNamesSurviveQuotesAndLines) {
    loadDefinitions();
    const char* freeForm = "pigment { image_map { gif \"C:\\maps\\x.gif\" } }\nend\nusertex fake\n";
    struct Case {
        const char* name;
    } cases[] = {{"Plain"}, {"two words"}, {"a,b"}, {"say \"x\""}, {"back\\slash"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeTexture(c.name);
        std::strcpy(GetCustomTexture(0)->freeForm, freeForm);
        ASSERT_EQ(SaveCustomTexture(c.name), 1) << ui.lastMessage();
        GetCustomTexture(1);
        ASSERT_EQ(LoadCustomTexture(c.name), 1) << ui.lastMessage();
        EXPECT_STREQ(GetCustomTexture(0)->name, c.name);
        std::string text = GetCustomTexture(0)->freeForm;
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        EXPECT_EQ(text, freeForm);
    }
    // The rebuilt index finds the same records.
    std::vector<UserDbIndex> before = indexRecords();
    ASSERT_EQ(RebuildUserTexDbIndex(), 1);
    std::vector<UserDbIndex> after = indexRecords();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].offset, before[i].offset);
        EXPECT_STREQ(after[i].name, before[i].name);
    }
    // Names that would not read back as one word are refused.
    for (const char* bad : {"", "line\nend", "ends in \\", "a \\\"b"}) {
        SCOPED_TRACE(bad);
        ui.clear();
        EXPECT_EQ(SaveCustomTexture(bad), 0);
        EXPECT_EQ(ui.lastMessage().rfind("Error unable to save texture, invalid name", 0), 0u);
    }
}

TEST_F(UserDatabaseTest, ExistingNameLeavesBothFilesAlone) {
    loadDefinitions();
    saveTexture("Marble");
    std::string texBefore = tex(), idxBefore = idx();
    for (const char* name : {"Marble", "MARBLE", "marble"}) {
        SCOPED_TRACE(name);
        ui.clear();
        makeTexture(name);
        EXPECT_EQ(SaveCustomTexture(name), 1);
        EXPECT_EQ(ui.lastMessage(), std::string("Error unable to save texture, ") + name + " already exists");
        EXPECT_EQ(tex(), texBefore);
        EXPECT_EQ(idx(), idxBefore);
    }
    // A name longer than the index holds is the name cut to 31 characters.
    std::string longName(40, 'L');
    saveTexture(longName.c_str());
    EXPECT_NE(GetUserDbIndex(longName.c_str()), 0);
    EXPECT_EQ(GetUserDbIndex(longName.substr(0, 31).c_str()), GetUserDbIndex(longName.c_str()));
    ui.clear();
    makeTexture(longName.substr(0, 31).c_str());
    EXPECT_EQ(SaveCustomTexture(longName.c_str()), 1);
    EXPECT_EQ(ui.lastMessage(), "Error unable to save texture, " + longName.substr(0, 31) + " already exists");
    ASSERT_EQ(LoadCustomTexture(longName.c_str()), 1);
}

TEST_F(UserDatabaseTest, DeleteMarksTheRecordAndZeroesItsIndexEntry) {
    loadDefinitions();
    saveTexture("First");
    saveTexture("Second");
    saveTexture("Third");
    long second = GetUserDbIndex("Second");
    ASSERT_EQ(DeleteCustomTexture("second"), 1);
    std::string text = tex();
    EXPECT_EQ(text.substr(static_cast<size_t>(second), 14), "$sertex Second");
    EXPECT_NE(text.find("/finish/ambient"), std::string::npos);
    std::string index = idx();
    EXPECT_EQ(index.substr(0, 4), "\xFE\x5A\xDE\xC0");
    EXPECT_EQ(index.substr(16 + 76, 76), std::string(76, '\0'));
    EXPECT_EQ(GetUserDbIndex("Second"), 0);
    EXPECT_NE(GetUserDbIndex("Third"), 0);
    EXPECT_EQ(LoadCustomTexture("Third"), 1);

    ui.clear();
    std::string texBefore = tex(), idxBefore = idx();
    EXPECT_EQ(DeleteCustomTexture("Second"), 0);
    EXPECT_EQ(ui.lastMessage(), "Unable to find user texture Second");
    EXPECT_EQ(tex(), texBefore);
    EXPECT_EQ(idx(), idxBefore);

    // The name can be used again, and a rebuild leaves the deleted record out.
    saveTexture("Second");
    ASSERT_EQ(RebuildUserTexDbIndex(), 1);
    std::vector<UserDbIndex> records = indexRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[1].name, "Third");
    EXPECT_STREQ(records[2].name, "Second");
    EXPECT_GT(GetUserDbIndex("Second"), second);
}

TEST_F(UserDatabaseTest, StaleIndexEntryIsNeitherLoadedNorDeleted) {
    loadDefinitions();
    saveTexture("Alpha");
    saveTexture("Beta");
    // Someone edited USER.TEX: the index now points into the middle of a record.
    std::string text = tex();
    text.insert(5, "usertex Zero\r\nend\r\n");
    writeFile("USER.TEX", text);
    ui.clear();
    std::string before = tex();
    EXPECT_EQ(DeleteCustomTexture("Beta"), 0);
    EXPECT_EQ(ui.lastMessage(), "Error unable to delete user texture: Beta");
    EXPECT_EQ(tex(), before);
    // The index is built anew: both work again.
    EXPECT_EQ(LoadCustomTexture("Alpha"), 1) << ui.lastMessage();
    EXPECT_EQ(DeleteCustomTexture("Beta"), 1);
    EXPECT_EQ(GetUserDbIndex("Zero"), 5);

    // A record that is no longer where the index says: reported, index rebuilt.
    saveTexture("Gamma");
    text = tex();
    text.insert(5, "xxxxxxxx");
    writeFile("USER.TEX", text);
    ui.clear();
    EXPECT_EQ(LoadCustomTexture("Gamma"), 0);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"Invalid user texture record: Gamma"});
    EXPECT_EQ(LoadCustomTexture("Gamma"), 1) << ui.lastMessage();
}

TEST_F(UserDatabaseTest, DamagedIndexIsRebuilt) {
    loadDefinitions();
    saveTexture("One");
    saveTexture("Two");
    std::string good = idx();
    struct Case {
        const char* what;
        std::string bytes;  // empty: no index file
        const char* message;
        bool firstLookupFails;
    } cases[] = {
        {"missing", "", nullptr, false},
        {"wrong magic", std::string("\x01\x02\x03\x04", 4) + good.substr(4), "Custom texture error, rebuilding custom texture index", true},
        {"empty", std::string(), "Error reading user texture index", true},
        {"short header", good.substr(0, 9), "Error reading user texture index", true},
        {"half a record", good.substr(0, 16 + 76 + 30), "Error reading user texture index", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        std::filesystem::remove(dir.file("USER.IDX"));
        if (c.message) writeFile("USER.IDX", c.bytes);
        EXPECT_EQ(GetUserDbIndex("Two") == 0, c.firstLookupFails);
        if (c.message) EXPECT_EQ(ui.lastMessage(), c.message);
        else EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(idx(), good);
        EXPECT_NE(GetUserDbIndex("Two"), 0);
    }
    // Saving right after damage must not add a second "One".
    writeFile("USER.IDX", std::string("\0\0\0\0", 4) + good.substr(4));
    ui.clear();
    std::string before = tex();
    makeTexture("One");
    EXPECT_EQ(SaveCustomTexture("One"), 1);
    EXPECT_EQ(tex(), before);
    EXPECT_EQ(ui.lastMessage(), "Error unable to save texture, One already exists");
    // A record appended to a damaged index would hide the ones after it: the
    // index is dropped instead and rebuilt whole.
    writeFile("USER.IDX", good.substr(0, 16 + 40));
    CustomTexure t{};
    std::strcpy(t.name, "Extra");
    EXPECT_EQ(AddDbIndex(5, &t), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("USER.IDX")));
    EXPECT_EQ(AddDbIndex(0, &t), 0);
    EXPECT_EQ(AddDbIndex(5, nullptr), 0);
}

TEST_F(UserDatabaseTest, IndexNamesWithoutTerminatorCompareWhole) {
    loadDefinitions();
    saveTexture("Short");
    // An index written elsewhere: a name filling all 32 bytes, then more records.
    std::string index = idx();
    UserDbIndex r{};
    r.offset = 5;
    r.inUse = 1;
    std::memset(r.name, 'N', sizeof r.name);
    std::memset(r.previewName, 'P', sizeof r.previewName);
    index.append(reinterpret_cast<const char*>(&r), sizeof r);
    writeFile("USER.IDX", index);
    EXPECT_EQ(GetUserDbIndex(std::string(32, 'N').c_str()), 0);  // lookups cut names to 31
    EXPECT_EQ(GetUserDbIndex(std::string(31, 'N').c_str()), 0);
    EXPECT_EQ(GetUserDbIndex("Short"), 5);
    EXPECT_EQ(DeleteDbIndex("Nothing"), 0);
    EXPECT_EQ(DeleteDbIndex("short"), 1);
    EXPECT_EQ(indexRecords()[0].inUse, 0u);
    EXPECT_EQ(GetUserDbIndex("Short"), 0);
}

TEST_F(UserDatabaseTest, DamagedRecordsAreReported) {
    loadDefinitions();
    std::string huge(4000, 'h');
    struct Case {
        const char* what;
        std::string body;  // after "usertex Bad"
        int result;
        std::vector<std::string> messages;
    } cases[] = {
        {"complete", "\r\n/finish/ambient 0.5\r\nend\r\n", 1, {}},
        {"no end at the end of the file", "\r\n/finish/ambient 0.5\r\n", 0, {"Custom texture record truncated"}},
        {"value missing", "\r\n/finish/ambient", 0, {"Custom texture record truncated"}},
        {"next record instead of end", "\r\n/finish/ambient 1\r\nusertex Next\r\nend\r\n", 0,
         {"Error user texture missing end statement"}},
        // One box per record; the later unknown words go to the log.
        {"unknown element", "\r\nsparkle 3\r\nglitter 4\r\nend\r\n", 1, {"Unknown custom texture element sparkle"}},
        {"old colour word", "\r\n255\r\nend\r\n", 1, {}},
        {"oversized fields", "\r\nparent " + huge + "\r\npreviewname " + huge + "\r\nfreeform \"" + huge +
                                 "\"\r\n/pigment/image \"" + huge + "\"\r\nend\r\n",
         1, {}},
        {"surplus colours", "\r\n/pigment/color \"rgb 1 0 0 rgb 0 1 0 rgbf 0 0 1 1 Red Blue\"\r\n"
                            "/pigment/gradient \"Red rgb 0 1 0 Blue Green White\"\r\nend\r\n",
         1, {}},
        {"numbers out of range", "\r\n/normal/*scale \"1e300 nan -inf\"\r\n/*inline/octaves 99999999999\r\n"
                                 "/pigment/turbulence 1e999\r\nrgbcolor 99999999999999999999\r\nend\r\n",
         1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.clear();
        writeFile("USER.TEX", "1.0\r\nusertex Bad" + c.body);
        std::filesystem::remove(dir.file("USER.IDX"));
        EXPECT_EQ(LoadCustomTexture("Bad"), c.result);
        EXPECT_EQ(ui.texts(), c.messages);
        CustomTexure* t = GetCustomTexture(0);
        EXPECT_LT(strnlen(t->parent, sizeof t->parent), sizeof t->parent);
        EXPECT_LT(strnlen(t->previewName, sizeof t->previewName), sizeof t->previewName);
        EXPECT_LT(strnlen(t->freeForm, sizeof t->freeForm), sizeof t->freeForm);
    }
    // What the last case left behind.
    EXPECT_EQ(item("/normal/*scale")->value.point[0], 3.40282347e38f);
    EXPECT_EQ(item("/normal/*scale")->value.point[1], 0.0f);
    EXPECT_EQ(item("/normal/*scale")->value.point[2], 0.0f);
    EXPECT_EQ(item("/*inline/octaves")->value.integer, INT32_MAX);
    EXPECT_EQ(item("/pigment/turbulence")->value.real, 0.0);
    // One unknown element is shown; the others go to the log.
    EXPECT_NE(log().find("Unknown custom texture element glitter"), std::string::npos);
}

TEST_F(UserDatabaseTest, ColourTextsFillOnlyTheElementsSlots) {
    loadDefinitions();
    TexItem* c = item("/pigment/color");
    TexItem* t = item("/pigment/gradient");
    TexItem* h = item("/pigment/colour_map");
    writeFile("USER.TEX",
              "1.0\r\nusertex Col\r\n"
              "/pigment/color \"rgb 1 0 0 rgb 0 1 0 rgbf 0 0 1 1 Red Blue\"\r\n"
              "/pigment/gradient \"color red 1 filter 0.5 color green 0.5 Blue\"\r\n"
              "/pigment/colour_map \"Red color Blue rgb 0 0 0.5 Green {bad}\"\r\n"
              "end\r\n");
    ASSERT_EQ(LoadCustomTexture("Col"), 1) << ui.lastMessage();
    EXPECT_EQ(c->value.colour[0][0], 1.0f);
    EXPECT_EQ(c->value.colour[1][1], 0.0f);  // a second colour has no place in C
    EXPECT_STREQ(c->text, "");
    EXPECT_EQ(t->value.colour[0][0], 1.0f);
    EXPECT_EQ(t->value.colour[0][3], 0.5f);
    EXPECT_EQ(t->value.colour[1][1], 0.5f);
    EXPECT_STREQ(t->text, "");  // "Blue" was a third colour
    EXPECT_EQ(h->value.colour[0][0], 1.0f);
    EXPECT_EQ(h->value.colour[1][2], 1.0f);
    EXPECT_EQ(h->value.colour[2][2], 0.5f);
    EXPECT_STREQ(h->text, "color Red color Blue");
}

TEST_F(UserDatabaseTest, LoadingNeedsDefinitions) {
    writeFile("USER.TEX", "1.0\r\nusertex A\r\nend\r\n");
    EXPECT_EQ(LoadCustomTexture("A"), 0);
    EXPECT_EQ(ui.lastMessage(), "Error custom texture definitions not loaded\nMake sure a matching renderer is selected");
    loadDefinitions();
    ui.clear();
    EXPECT_EQ(LoadCustomTexture("A"), 1);
    EXPECT_EQ(LoadCustomTexture("B"), 0);
    EXPECT_EQ(ui.lastMessage(), "Unable to find user texture B");
    std::filesystem::remove(dir.file("USER.TEX"));
    EXPECT_EQ(LoadCustomTexture("A"), 0);
    EXPECT_EQ(ui.lastMessage(), "Unable to find user texture A");
    EXPECT_EQ(LoadCustomTexture(nullptr), 0);
}

TEST_F(UserDatabaseTest, SaveExRefusesAnotherName) {
    loadDefinitions();
    makeTexture("Current");
    StandardFile* f = StdOpenFile(dir.file("out.txt").c_str(), KX_OPEN_CREATE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SaveCustomTextureEx(f, "Other", 0), 0);
    EXPECT_EQ(ui.lastMessage(), "Current custom texture does not match texture details");
    std::strcpy(GetCustomTexture(0)->previewName, "pv");
    EXPECT_EQ(SaveCustomTextureEx(f, "CURRENT", 0), 1);
    ASSERT_EQ(StdCloseFile(f), 1);
    EXPECT_EQ(dir.read("out.txt"), "usertex CURRENT\r\nrgbcolor 33023\r\n/pigment/color \"rgb 1 0.5 0 \"\r\n"
                                   "/finish/ambient 0.25\r\nend\r\n");
}

TEST_F(UserDatabaseTest, RebuildReadsEveryRecordLayout) {
    loadDefinitions();
    writeFile("USER.TEX",
              "1.0\r\n"
              "usertex A\r\nrgbcolor 255\r\npreviewname tex001\r\nend\r\n"
              "$sertex Gone\r\nend\r\n"
              "usertex B 65280\r\n/finish/ambient 1\r\nend\r\n"
              "usertex C\r\npreviewname tex003\r\nend\r\n"
              "usertex D\r\nfreeform \"usertex Fake\r\nend\r\n\"\r\nend\r\n"
              "usertex Open\r\n/finish/ambient 2\r\n");
    SetCustomTextureCount(0);
    ASSERT_EQ(RebuildUserTexDbIndex(), 1);
    std::vector<UserDbIndex> r = indexRecords();
    ASSERT_EQ(r.size(), 5u);
    const char* names[] = {"A", "B", "C", "D", "Open"};
    std::string text = tex();
    for (size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_STREQ(r[i].name, names[i]);
        std::string word = std::string("usertex ") + names[i];
        EXPECT_EQ(text.compare(r[i].offset, word.size(), word), 0);
        EXPECT_TRUE(std::strchr(" \r", text[r[i].offset + word.size()]));
    }
    EXPECT_EQ(r[0].colour, 255u);
    EXPECT_STREQ(r[0].previewName, "tex001");
    EXPECT_EQ(r[1].colour, 65280u);
    EXPECT_STREQ(r[2].previewName, "tex003");
    EXPECT_EQ(GetCustomTextureCount(), 5u);
    SetCustomTextureCount(9);
    ASSERT_EQ(RebuildUserTexDbIndex(), 1);
    EXPECT_EQ(GetCustomTextureCount(), 9u);

    // A database of the older layout cannot be indexed.
    writeFile("USER.TEX", "1.0\r\ntexture A\r\nend\r\n");
    EXPECT_EQ(RebuildUserTexDbIndex(), 0);
    EXPECT_EQ(ui.lastMessage(), "Error rebuilding user textures index full rebuild required");
    EXPECT_FALSE(std::filesystem::exists(dir.file("USER.IDX")));
    // No database: nothing to do.
    std::filesystem::remove(dir.file("USER.TEX"));
    EXPECT_EQ(RebuildUserTexDbIndex(), 1);
    EXPECT_EQ(OpenDbIndex(), nullptr);
}

TEST_F(UserDatabaseTest, CompactionKeepsVersionLineAndLiveRecords) {
    loadDefinitions();
    saveTexture("Keep1");
    saveTexture("Drop");
    makeTexture("Multi");
    std::strcpy(GetCustomTexture(0)->freeForm, "line one\nend\n\"quoted\"\nlast");
    ASSERT_EQ(SaveCustomTexture("Multi"), 1);
    ASSERT_EQ(DeleteCustomTexture("Drop"), 1);
    std::string withBroken = tex() + "usertex Broken\r\n/finish/ambient 1\r\n";
    writeFile("USER.TEX", withBroken);
    ASSERT_EQ(CompactUserTexDb(), 1);
    EXPECT_EQ(dir.read("USER.BAK"), withBroken);
    std::string text = tex();
    EXPECT_EQ(text.rfind("1.0\r\nusertex Keep1\r\n", 0), 0u);
    EXPECT_EQ(text.find("Drop"), std::string::npos);
    EXPECT_EQ(text.find("Broken"), std::string::npos);
    EXPECT_EQ(GetUserDbIndex("Keep1"), 5);
    ASSERT_EQ(LoadCustomTexture("Keep1"), 1);
    ASSERT_EQ(LoadCustomTexture("Multi"), 1);
    std::string freeForm = GetCustomTexture(0)->freeForm;
    freeForm.erase(std::remove(freeForm.begin(), freeForm.end(), '\r'), freeForm.end());
    EXPECT_EQ(freeForm, "line one\nend\n\"quoted\"\nlast");
    EXPECT_EQ(indexRecords().size(), 2u);
    // Compacting a compact database changes nothing.
    ASSERT_EQ(CompactUserTexDb(), 1);
    EXPECT_EQ(tex(), text);

    // An older layout is left as it is.
    writeFile("USER.TEX", "1.0\r\ntexture Old\r\nend\r\n");
    EXPECT_EQ(CompactUserTexDb(), 0);
    EXPECT_EQ(tex(), "1.0\r\ntexture Old\r\nend\r\n");
    // Nothing to compact.
    std::filesystem::remove(dir.file("USER.TEX"));
    EXPECT_EQ(CompactUserTexDb(), 1);
    EXPECT_NE(log().find("Note: texture database not present, skipping rebuild"), std::string::npos);
}

TEST_F(UserDatabaseTest, DatabaseWithoutVersionLineGetsOneWhenCompacted) {
    loadDefinitions();
    writeFile("USER.TEX", "usertex First\r\nend\r\nusertex Second\r\nend\r\n");
    // At offset 0 the first record cannot be told from "not found".
    EXPECT_EQ(GetUserDbIndex("First"), 0);
    EXPECT_NE(GetUserDbIndex("Second"), 0);
    ASSERT_EQ(CompactUserTexDb(), 1);
    EXPECT_EQ(GetUserDbIndex("First"), 5);
    EXPECT_EQ(LoadCustomTexture("First"), 1);
}

TEST_F(UserDatabaseTest, EmptyDatabaseFileStartsAnew) {
    loadDefinitions();
    writeFile("USER.TEX", "");
    writeFile("USER.IDX", "stale");
    saveTexture("New");
    EXPECT_EQ(tex().rfind("1.0\r\nusertex New\r\n", 0), 0u);
    EXPECT_EQ(GetUserDbIndex("New"), 5);
    // A database that does not end its last line still gets whole lines.
    writeFile("USER.TEX", tex() + "# note");
    std::filesystem::remove(dir.file("USER.IDX"));
    saveTexture("After");
    EXPECT_NE(tex().find("# note\r\nusertex After\r\n"), std::string::npos);
    EXPECT_EQ(LoadCustomTexture("After"), 1);
}

TEST_F(UserDatabaseTest, DatabaseSpeltInAnotherCaseIsUsedInPlace) {
    loadDefinitions();
    writeFile("user.tex", "1.0\r\nusertex Old\r\nend\r\n");
    EXPECT_EQ(GetUserDbIndex("Old"), 5);
    saveTexture("New");
    EXPECT_FALSE(std::filesystem::exists(dir.file("USER.TEX")));
    EXPECT_NE(dir.read("user.tex").find("usertex New\r\n"), std::string::npos);
    EXPECT_EQ(LoadCustomTexture("New"), 1);
}

TEST_F(UserDatabaseTest, FailedSaveKeepsTheOldDatabase) {
    loadDefinitions();
    saveTexture("Base");
    // Pad the database so that copying it runs into a file size limit.
    makeTexture("Padding");
    std::string padding(1000, 'p');
    std::strcpy(GetCustomTexture(0)->freeForm, padding.c_str());
    for (int i = 0; i < 40; ++i) {
        std::string name = "Pad" + std::to_string(i);
        std::strcpy(GetCustomTexture(0)->name, name.c_str());
        ASSERT_EQ(SaveCustomTexture(name.c_str()), 1);
    }
    std::string texBefore = tex(), idxBefore = idx();
    ASSERT_GT(texBefore.size(), 40000u);

    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 20000;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    makeTexture("Late");
    int result = SaveCustomTexture("Late");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Adding User Texture file ", 0), 0u) << ui.lastMessage();
    EXPECT_EQ(tex(), texBefore);
    EXPECT_EQ(idx(), idxBefore);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("kxtmp"), std::string::npos) << entry.path();
    EXPECT_EQ(GetUserDbIndex("Late"), 0);
    EXPECT_EQ(LoadCustomTexture("Base"), 1);
}

}  // namespace
}  // namespace kxtest
