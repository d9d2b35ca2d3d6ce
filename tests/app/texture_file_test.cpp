// The texture database file and the names it gives: records read and written,
// hostile texts kept out of file names, short names that never collide.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "core_fixture.h"
#include "texbuild/texture_file.h"
#include "texbuild/texture_import.h"
#include "texbuild/texture_names.h"

namespace {

using kx::app::TextureRecord;

class TextureFileTest : public kxtest::CoreTest {};

TEST_F(TextureFileTest, ReadsRecordsOfSevenAndNineFields) {
    struct Case {
        std::string line;
        int kind;
        const char* name;
        const char* shortName;
        const char* imageName;
        int r, g, b;
    };
    const Case cases[] = {
        {"2,0,Gold,tex005,,,255,215,0", 2, "Gold", "tex005", "", 255, 215, 0},
        {"1,0,Red,NULL,255,0,0", 1, "Red", "NULL", "NULL", 255, 0, 0},
        {"2,3,Wood,tex001,woodmap,,1,2,3\r", 2, "Wood", "tex001", "woodmap", 1, 2, 3},
        // Missing texts and colours take their defaults.
        {"1,0,,,,,,,", 1, "UNKNOWN", "NULL", "", 255, 255, 255},
        {"1,0,,,,,", 1, "UNKNOWN", "NULL", "NULL", 255, 255, 255},
        // Colours are brought into 0..255; numbers are read as far as they go.
        {"1,0,A,tex002,-5,300,99999999999999999999", 1, "A", "tex002", "NULL", 0, 255, 255},
        {" 6x,0,B,tex003, 12 ,7abc,0", 6, "B", "tex003", "NULL", 12, 7, 0},
        // Over-long texts are cut to their room, and at a NUL.
        {"2,0,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,abcdefghijklmnopqrs,0,0,0", 2,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", "abcdefghijklmno", "NULL", 0, 0, 0},
        {std::string("2,0,Na\0me,tex9,0,0,0", 20), 2, "Na", "tex9", "NULL", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        kx::app::TextureFileReading reading = kx::app::parseTextureFile(c.line + "\n");
        ASSERT_TRUE(reading.error.empty()) << reading.error;
        ASSERT_EQ(reading.records.size(), 1u);
        const TextureRecord& r = reading.records[0];
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.name, c.name);
        EXPECT_EQ(r.shortName, c.shortName);
        EXPECT_EQ(r.imageName, c.imageName);
        EXPECT_EQ(r.red, c.r);
        EXPECT_EQ(r.green, c.g);
        EXPECT_EQ(r.blue, c.b);
    }
}

TEST_F(TextureFileTest, ABadLineEndsTheReadingAndKeepsWhatCameBefore) {
    struct Case {
        const char* text;
        size_t kept;
        const char* error;
    };
    const Case cases[] = {
        {"1,0,Red,NULL,255,0,0\r\n1,0,Odd,x,1,2\r\n1,0,Blue,NULL,0,0,255\r\n", 1,
         "Error reading texture record, found 5 fields in \"1,0,Odd,x,1,2\""},
        {"1,0,Red,NULL,255,0,0\nplain text\n", 1, "Error reading texture record, found 0 fields in \"plain text\""},
        {"1,2,3,4,5,6,7,8,9,10\n", 0, "Error reading texture record, found 9 fields in \"1,2,3,4,5,6,7,8,9,10\""},
        // A last line without its end still counts; blank lines are passed over.
        {"\r\n\n1,0,Red,NULL,255,0,0\n\n1,0,Blue,NULL,0,0,255", 2, ""},
        {"", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        kx::app::TextureFileReading reading = kx::app::parseTextureFile(c.text);
        EXPECT_EQ(reading.records.size(), c.kept);
        EXPECT_EQ(reading.error, c.error);
    }
}

TEST_F(TextureFileTest, ManyLinesReadInLinearTime) {
    std::string text;
    for (int i = 0; i < 300000; ++i) text += "2,0,Same,same,,,1,2,3\r\n";
    auto start = std::chrono::steady_clock::now();
    kx::app::TextureFileReading reading = kx::app::parseTextureFile(text);
    std::unordered_set<std::string> used;
    kx::app::assignShortNames(reading.records, 0, kx::app::PreviewFolder(dir.path().string()), used);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(reading.records.size(), 300000u);
    EXPECT_EQ(reading.records[0].shortName, "same");
    EXPECT_EQ(reading.records[1].shortName, "tex000");
    EXPECT_EQ(reading.records[299999].shortName, "tex299998");
    EXPECT_LT(seconds, 20.0);  // quadratic work would take hours
}

TEST_F(TextureFileTest, ShortNamesThatCannotBeFileNamesOrCollideAreReplaced) {
    // A preview left by a deleted texture must not become a new texture's.
    std::ofstream(dir.file("tex001.tga")) << "x";
    std::ofstream(dir.file("TEX002.POV")) << "x";
    std::vector<TextureRecord> records(9);
    const char* names[] = {"../x", "a;b", "$(rm)", "tex004", "TEX004", "NULL", "it's", "good-name$", "tex003"};
    for (size_t i = 0; i < records.size(); ++i) records[i].shortName = names[i];
    records[0].imageName = "../../etc/passwd";
    records[1].imageName = "map_1";
    std::unordered_set<std::string> used;
    kx::app::assignShortNames(records, 1, kx::app::PreviewFolder(dir.path().string()), used);
    // tex001 and tex002 have files, tex003 and tex004 belong to later or
    // earlier records, so the replacements start at tex005.
    const char* expected[] = {"tex005", "tex006", "tex007", "tex004", "tex008", "NULL", "tex009", "good-name$", "tex003"};
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(records[i].shortName, expected[i]);
    }
    EXPECT_EQ(records[0].imageName, "NULL");
    EXPECT_EQ(records[1].imageName, "map_1");
}

TEST_F(TextureFileTest, NameRules) {
    struct Case {
        const char* text;
        bool safeShort, identifier, layered;
    };
    const Case cases[] = {
        {"tex001", true, true, true},       {"Layers$", true, false, false}, {"a-b", true, false, false},
        {"", false, false, false},          {"../x", false, false, false},   {"x y", false, false, false},
        {"1abc", true, false, false},       {"Jade+Gold", false, false, true}, {"Jade+", false, false, false},
        {"a}b", false, false, false},       {"abcdefghijklmnop", false, true, true}, {"_x", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(kx::app::isSafeShortName(c.text), c.safeShort);
        EXPECT_EQ(kx::app::isSceneIdentifier(c.text), c.identifier);
        EXPECT_EQ(kx::app::isLayeredIdentifier(c.text), c.layered);
    }
}

TEST_F(TextureFileTest, WritesRecordsThatReadBackAndLeavesOutWhatWouldBreakTheFile) {
    struct Case {
        int kind;
        const char* name;
        const char* shortName;
        const char* imageName;
        const char* line;
    };
    const Case cases[] = {
        {2, "Gold", "tex005", "", "2,7,Gold,tex005,,,255,215,0\r\n"},
        {1, "Red", "NULL", "NULL", "1,7,Red,NULL,NULL,,255,215,0\r\n"},
        {6, "Mine", "tex001", "", ""},      // user textures live in USER.TEX
        {2 | 4, "Mine", "tex001", "", ""},
        {0, "None", "tex001", "", ""},      // deleted
        {2, "a,b", "tex001", "", ""},       // a plug-in's or importer's name with a comma
        {2, "a\r\nb", "tex001", "", ""},
        {2, "ab", "tex001", "x,y", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TextureInfo info{};
        info.kind = c.kind;
        info.word2 = 7;
        std::snprintf(info.name, sizeof info.name, "%s", c.name);
        std::snprintf(info.shortText1, sizeof info.shortText1, "%s", c.shortName);
        std::snprintf(info.shortText2, sizeof info.shortText2, "%s", c.imageName);
        info.colour[0] = 255;
        info.colour[1] = 215;
        info.colour[2] = 0;
        std::string line = kx::app::formatTextureRecord(info);
        EXPECT_EQ(line, c.line);
        if (line.empty()) continue;
        kx::app::TextureFileReading back = kx::app::parseTextureFile(line);
        ASSERT_EQ(back.records.size(), 1u);
        EXPECT_EQ(back.records[0].name, c.name);
        EXPECT_EQ(back.records[0].shortName, c.shortName);
        EXPECT_EQ(back.records[0].imageName, c.imageName);
        EXPECT_EQ(kx::app::formatTextureRecord([&] {
                      TextureInfo again{};
                      kx::app::toTextureInfo(back.records[0], again);
                      return again;
                  }()),
                  line);
    }
}

TEST_F(TextureFileTest, NewNamesSkipThoseInUse) {
    SetCustomTextureCount(5);
    TextureInfo* a = AddTexture(nullptr);
    SetFirstTexture(a);
    std::snprintf(a->name, sizeof a->name, "UserTexture006");
    std::snprintf(a->shortText1, sizeof a->shortText1, "tex005");
    TextureInfo* b = AddTexture(a);
    std::snprintf(b->name, sizeof b->name, "Other");
    std::snprintf(b->shortText1, sizeof b->shortText1, "TEX006");
    EXPECT_EQ(kx::app::newShortName(dir.path().string()), "tex007");
    std::ofstream(dir.file("tex007.GIF")) << "x";
    EXPECT_EQ(kx::app::newShortName(dir.path().string()), "tex008");
    EXPECT_EQ(kx::app::newUserTextureName(), "UserTexture007");
}

TEST_F(TextureFileTest, PreviewImagesAreFoundInEitherCase) {
    std::ofstream(dir.file("tex001.tga")) << "x";
    std::ofstream(dir.file("tex002.GIF")) << "x";
    std::ofstream(dir.file("tex003.TGA")) << "x";
    std::ofstream(dir.file("tex003.gif")) << "x";
    std::filesystem::create_directory(dir.file("tex004.TGA"));
    EXPECT_EQ(kx::app::findPreviewImage(dir.path().string(), "tex001"), dir.file("tex001.tga"));
    EXPECT_EQ(kx::app::findPreviewImage(dir.path().string(), "tex002"), dir.file("tex002.GIF"));
    EXPECT_EQ(kx::app::findPreviewImage(dir.path().string(), "tex003"), dir.file("tex003.TGA"));
    EXPECT_EQ(kx::app::findPreviewImage(dir.path().string(), "tex004"), "");
    EXPECT_EQ(kx::app::findPreviewImage(dir.path().string(), "../tex001"), "");
}

}  // namespace

namespace {

TEST_F(TextureFileTest, ImportedTextsMustFitTheFreeFormText) {
    struct Case {
        const char* file;
        std::string content;
        bool ok;
        std::string message;
    };
    const std::string fits(1023, 'x');
    const Case cases[] = {
        {"a.inc", "texture { pigment { Red } }\r\n", true, ""},
        {"fits.inc", fits, true, ""},
        {"big.inc", fits + "}", false,
         "The texture file " + dir.file("big.inc") + " is too large: a texture text holds at most 1023 characters"},
        {"nul.inc", std::string("pig\0ment", 8), false,
         "The texture file " + dir.file("nul.inc") + " is not a text file: it holds a NUL byte"},
        {"empty.inc", "", false, "Empty file"},
        {"missing.inc", "", false, "Unable to open file " + dir.file("missing.inc")},
        {"folder", "", false, "Unable to open file " + dir.file("folder")},
    };
    std::filesystem::create_directory(dir.file("folder"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ui.clear();
        if (std::string(c.file) != "missing.inc" && std::string(c.file) != "folder")
            std::ofstream(dir.file(c.file), std::ios::binary) << c.content;
        std::string text = "before";
        EXPECT_EQ(kx::app::importTextureText(dir.file(c.file), text), c.ok);
        EXPECT_EQ(text, c.ok ? c.content : "before");
        EXPECT_EQ(ui.lastMessage(), c.message);
    }
}

}  // namespace
