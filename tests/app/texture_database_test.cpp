// The program's texture list: loading, saving, user textures saved from the
// builder, records added for plug-ins and colours taken from the previews.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <unordered_set>
#include <filesystem>
#include <fstream>

#include "core_fixture.h"
#include "file_fault.h"
#include "kxplatform/ini_store.h"
#include "pixmo.h"
#include "startup/core_session.h"
#include "texbuild/texture_database.h"

namespace {

namespace fs = std::filesystem;

const std::string kDefinitions = std::string(KALVEX_DATA_DIR) + "/povray37.inf";

class TextureDatabaseTest : public kxtest::CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetProgramPath(dir.path().c_str());
        EnableLogMessage(1);
        db.setFolders(dir.path().string(), dir.file("textures"));
    }
    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    // A user texture in USER.TEX and USER.IDX, made as the builder makes one.
    void saveUserTexture(const char* name, const char* body, uint32_t colour) {
        ASSERT_EQ(InitTextureBuiler(kDefinitions.c_str()), 1);
        CustomTexure* t = GetCustomTexture(1);
        std::snprintf(t->freeForm, sizeof t->freeForm, "%s", body);
        std::snprintf(t->previewName, sizeof t->previewName, "mine01");
        t->colour = colour;
        ASSERT_EQ(SaveCustomTexture(name), 1);
    }
    std::vector<TextureInfo*> list() const {
        std::vector<TextureInfo*> out;
        for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) out.push_back(t);
        return out;
    }
    bool load() { return db.load(kDefinitions, store); }
    std::string currentFreeForm(const char* name) {
        return LoadCustomTexture(name) ? GetCustomTexture(0)->freeForm : "(not loaded)";
    }

    kx::app::TextureDatabase db;
    kx::platform::IniStore store;
};

TEST_F(TextureDatabaseTest, LoadsTheFileAndTheUserTexturesAndSavesOnlyTheFileRecords) {
    saveUserTexture("Mine", "pigment { Red }", 0x030201);
    writeFile("KALVEX.TEX", "1,0,Red,tex001,,,255,0,0\r\n2,4,Jade,TEX001,,,1,2,3\n");
    store.setInt("Texture", "UserCount", 3);
    ASSERT_TRUE(load()) << ui.lastMessage();
    EXPECT_EQ(db.currentName(), "None");
    EXPECT_EQ(GetCustomTextureCount(), 3u);
    std::vector<TextureInfo*> records = list();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[0]->name, "Red");
    EXPECT_STREQ(records[1]->name, "Jade");
    EXPECT_STREQ(records[1]->shortText1, "tex003");  // the file's tex001 was taken
    EXPECT_EQ(records[1]->word2, 4);
    EXPECT_STREQ(records[2]->name, "Mine");
    EXPECT_EQ(records[2]->kind, 6);
    EXPECT_STREQ(records[2]->shortText1, "mine01");
    EXPECT_EQ(records[2]->colour[0], 1);
    EXPECT_EQ(records[2]->colour[2], 3);
    ASSERT_NE(FindFirstTexItem(), nullptr);  // the definitions came with the renderer's file

    ASSERT_TRUE(db.save());
    EXPECT_EQ(dir.read("KALVEX.TEX"), "1,0,Red,tex001,,,255,0,0\r\n2,4,Jade,tex003,,,1,2,3\r\n");

    // A second load leaves a loaded list alone.
    ASSERT_TRUE(load());
    EXPECT_EQ(list().size(), 3u);

    SetCustomTextureCount(9);
    db.unload(store);
    EXPECT_EQ(GetTexture(nullptr), nullptr);
    EXPECT_EQ(FindFirstTexItem(), nullptr);
    EXPECT_EQ(store.getInt("Texture", "UserCount", 0), 9);
}

TEST_F(TextureDatabaseTest, AMissingFileIsReported) {
    EXPECT_FALSE(load());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Texture database file " + dir.file("KALVEX.TEX"), 0), 0u)
        << ui.lastMessage();
    EXPECT_EQ(GetTexture(nullptr), nullptr);
}

TEST_F(TextureDatabaseTest, AFileThatStopsEarlyIsKeptAsABackupBeforeItIsWrittenOver) {
    const std::string text = "1,0,Red,tex001,,,255,0,0\r\n2,0,Bad,tex002\r\n2,0,Lost,tex003,,,1,1,1\r\n";
    writeFile("KALVEX.TEX", text);
    ASSERT_TRUE(load());
    EXPECT_EQ(ui.lastMessage(), "Error reading texture record, found 3 fields in \"2,0,Bad,tex002\"");
    EXPECT_EQ(list().size(), 1u);
    ASSERT_TRUE(db.save());
    EXPECT_EQ(dir.read("KALVEX.BAK"), text);
    EXPECT_EQ(dir.read("KALVEX.TEX"), "1,0,Red,tex001,,,255,0,0\r\n");
    // Only the file as it was is the backup, not a later save.
    ASSERT_TRUE(db.save());
    EXPECT_EQ(dir.read("KALVEX.BAK"), text);
}

TEST_F(TextureDatabaseTest, AFailedSaveKeepsTheOldFile) {
    const std::string text = "1,0,Red,tex001,,,255,0,0\r\n";
    writeFile("KALVEX.TEX", text);
    ASSERT_TRUE(load());
    std::snprintf(list()[0]->name, 32, "Renamed");
    for (auto call : {kxtest::FileFault::Call::Write, kxtest::FileFault::Call::Fsync, kxtest::FileFault::Call::Rename}) {
        SCOPED_TRACE(static_cast<int>(call));
        kxtest::FileFault fault(call, 1, ENOSPC);
        EXPECT_FALSE(db.save());
        EXPECT_TRUE(fault.fired());
        EXPECT_EQ(dir.read("KALVEX.TEX"), text);
        EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save New Texture file", 0), 0u) << ui.lastMessage();
    }
}

TEST_F(TextureDatabaseTest, SavingUserTextures) {
    writeFile("KALVEX.TEX", "1,0,Red,tex000,,,255,0,0\r\n");
    ASSERT_TRUE(load());
    CustomTexure* t = GetCustomTexture(1);
    std::snprintf(t->freeForm, sizeof t->freeForm, "pigment { Blue }");

    struct Case {
        kx::app::UserTextureSave request;
        int result;
        const char* message;
    };
    const Case refusals[] = {
        {{"", "", "", 0}, 0, "Texture Name not Defined!"},
        {{"Red", "", "", 0}, 0, "Texture name already exists"},
        {{"red", "", "", 0}, 0, "Texture name already exists"},
    };
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.request.name);
        ui.clear();
        EXPECT_EQ(db.saveUserTexture(c.request), c.result);
        EXPECT_EQ(ui.lastMessage(), c.message);
    }
    EXPECT_FALSE(fs::exists(dir.file("USER.TEX")));

    const unsigned counter = GetCustomTextureCount();
    ASSERT_EQ(db.saveUserTexture({"Sky1", "", "", 0x00FF8040}), 1) << ui.lastMessage();
    EXPECT_EQ(GetCustomTextureCount(), counter + 1);
    TextureInfo* sky = list().back();
    EXPECT_STREQ(sky->name, "Sky1");
    EXPECT_EQ(sky->kind, 6);
    EXPECT_EQ(sky->word1, 1);
    EXPECT_STREQ(sky->shortText1, "tex001");  // tex000 belongs to Red
    EXPECT_EQ(sky->colour[0], 0x40);
    EXPECT_EQ(sky->colour[2], 0xFF);
    EXPECT_GT(GetUserDbIndex("Sky1"), 0);
    EXPECT_EQ(dir.read("KALVEX.TEX"), "1,0,Red,tex000,,,255,0,0\r\n");

    // Editing replaces the definition and keeps the swatch name; the old swatch goes.
    fs::create_directories(dir.file("textures"));
    writeFile("textures/tex001.tga", "old");
    t = GetCustomTexture(1);
    std::snprintf(t->freeForm, sizeof t->freeForm, "pigment { Green }");
    ASSERT_EQ(db.saveUserTexture({"Sky1", "Sky1", "tex001", 0}), 1) << ui.lastMessage();
    EXPECT_EQ(GetCustomTextureCount(), counter + 1);
    EXPECT_FALSE(fs::exists(dir.file("textures/tex001.tga")));
    EXPECT_EQ(GetTextureNameCount("Sky1"), 1u);
    EXPECT_EQ(currentFreeForm("Sky1"), "pigment { Green }");
}

TEST_F(TextureDatabaseTest, DeletingAUserTexture) {
    writeFile("KALVEX.TEX", "1,0,Red,tex000,,,255,0,0\r\n");
    ASSERT_TRUE(load());
    GetCustomTexture(1);
    ASSERT_EQ(db.saveUserTexture({"Mine", "", "tex005", 0}), 1);
    fs::create_directories(dir.file("textures"));
    writeFile("textures/TEX005.tga", "swatch");
    EXPECT_EQ(db.deleteUserTexture("Red"), 0);  // a library texture stays
    EXPECT_EQ(db.deleteUserTexture("Nothing"), 0);
    ASSERT_EQ(db.deleteUserTexture("Mine"), 1);
    EXPECT_EQ(GetTextureNameCount("Mine"), 0u);
    EXPECT_EQ(GetUserDbIndex("Mine"), 0);
    EXPECT_FALSE(fs::exists(dir.file("textures/TEX005.tga")));
    EXPECT_EQ(db.deleteUserTexture("Mine"), 0);
}

TEST_F(TextureDatabaseTest, AFailedEditKeepsTheOldTexture) {
    // Whichever write fails, the texture is there afterwards: the old one or the new one.
    int failures = 0;
    for (int nth = 1; nth <= 8; ++nth) {
        SCOPED_TRACE(nth);
        kx::resetCoreForTests();
        KxSetUiCallbacks(ui.table());
        SetProgramPath(dir.path().c_str());
        for (const char* name : {"USER.TEX", "USER.IDX", "USER.BAK"}) fs::remove(dir.file(name));
        writeFile("KALVEX.TEX", "1,0,Red,tex000,,,255,0,0\r\n");
        ASSERT_TRUE(load());
        GetCustomTexture(1);
        std::snprintf(GetCustomTexture(0)->freeForm, 1024, "pigment { Blue }");
        ASSERT_EQ(db.saveUserTexture({"Old", "", "", 0}), 1);
        std::snprintf(GetCustomTexture(0)->freeForm, 1024, "pigment { Green }");
        int result;
        {
            kxtest::FileFault fault(kxtest::FileFault::Call::Write, nth, ENOSPC);
            result = db.saveUserTexture({"Old", "Old", "", 0});
        }
        failures += result == 0;
        EXPECT_EQ(GetTextureNameCount("Old"), 1u);
        EXPECT_EQ(GetTextureTypeByName("Old"), 6u);
        EXPECT_EQ(currentFreeForm("Old"), result ? "pigment { Green }" : "pigment { Blue }") << ui.lastMessage();
        db.unload(store);
    }
    EXPECT_GT(failures, 0);
}

TEST_F(TextureDatabaseTest, RecordsForPlugInsGetANewShortNameAndAreSaved) {
    writeFile("KALVEX.TEX", "1,0,Red,tex000,,,255,0,0\r\n");
    ASSERT_TRUE(load());
    TextureInfo* added = db.addTextureRecord("Plugged", 2, 0xFFFFFFFF);
    ASSERT_NE(added, nullptr);
    EXPECT_STREQ(added->shortText1, "tex001");
    EXPECT_EQ(added->word1, 0);
    EXPECT_EQ(added->colour[0], 255);
    EXPECT_EQ(added->colour[1], 255);
    EXPECT_EQ(added->colour[2], 255);
    EXPECT_EQ(dir.read("KALVEX.TEX"), "1,0,Red,tex000,,,255,0,0\r\n2,0,Plugged,tex001,NULL,,255,255,255\r\n");
    EXPECT_EQ(db.addTextureRecord("plugged", 2, 0), nullptr);
    EXPECT_EQ(db.addTextureRecord("", 2, 0), nullptr);
}

// A 24-bit Targa image of one colour.
std::string targa(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20;
    for (int i = 0; i < width * height; ++i) {
        bytes += static_cast<char>(b);
        bytes += static_cast<char>(g);
        bytes += static_cast<char>(r);
    }
    return bytes;
}

TEST_F(TextureDatabaseTest, ColoursComeFromPreviewsThatCanBeSampled) {
    static int owner;
    pxRegisterApplication(reinterpret_cast<HWND>(&owner), "test");
    writeFile("KALVEX.TEX",
              "2,0,Big,tex001,,,1,1,1\r\n2,0,Small,tex002,,,2,2,2\r\n2,0,Broken,tex003,,,3,3,3\r\n"
              "2,0,Missing,tex004,,,4,4,4\r\n");
    ASSERT_TRUE(load());
    fs::create_directories(dir.file("textures"));
    writeFile("textures/tex001.tga", targa(64, 64, 10, 20, 30));
    writeFile("textures/TEX002.TGA", targa(40, 40, 50, 60, 70));  // (50, 50) lies outside
    writeFile("textures/tex003.tga", targa(64, 64, 1, 2, 3).substr(0, 300));
    for (TextureInfo* t : list()) t->word1 = 1;
    EXPECT_EQ(db.updatePreviewColours(reinterpret_cast<HWND>(&owner)), 1);
    std::vector<TextureInfo*> records = list();
    EXPECT_EQ(records[0]->word1, 1);
    EXPECT_EQ(records[0]->colour[0], 10);
    EXPECT_EQ(records[0]->colour[1], 20);
    EXPECT_EQ(records[0]->colour[2], 30);
    for (size_t i = 1; i < 4; ++i) {
        SCOPED_TRACE(records[i]->name);
        EXPECT_EQ(records[i]->word1, 0);
        EXPECT_EQ(records[i]->colour[0], i + 1);
    }
    EXPECT_EQ(dir.read("KALVEX.TEX").substr(0, 24), "2,0,Big,tex001,,,10,20,3");
    pxUnRegisterApplication();
}

// The start-up of the program loads the shipped library; a user folder seeded
// before the texture sections moved into the renderer's file still gets them.
TEST_F(TextureDatabaseTest, TheSessionLoadsTheShippedLibrary) {
    const std::string data = dir.file("data");
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("KALVEX_CONFIG", dir.file("kalvex.ini").c_str(), 1);
    fs::create_directories(data + "/kalvex");
    std::ofstream(data + "/kalvex/povray37.inf") << "#begin render_settings\nDescription \"Old\"\nType 11\n"
                                                  << "SetCommmand \"+I$O +O$I\"\n#end\n";
    {
        kx::app::CoreSession session;
        session.start({});
        std::vector<TextureInfo*> records = list();
        ASSERT_GT(records.size(), 200u);
        EXPECT_STREQ(records[0]->name, "Red");
        EXPECT_EQ(records[0]->kind, 1);
        EXPECT_NE(FindFirstTexItem(), nullptr);
        SetCustomTextureCount(12);
        EXPECT_TRUE(session.stop(true));
        EXPECT_EQ(GetTexture(nullptr), nullptr);
    }
    kx::platform::IniStore saved;
    ASSERT_TRUE(saved.load(dir.file("kalvex.ini")));
    EXPECT_EQ(saved.getInt("Texture", "UserCount", 0), 12);
    unsetenv("XDG_DATA_HOME");
    unsetenv("KALVEX_CONFIG");
}

// The library shipped with the program: the colours and textures a ray
// tracer's standard include files declare, each once, under the names a
// scene uses for them, with the kind that decides how they are exported.
TEST_F(TextureDatabaseTest, TheShippedLibraryHoldsTheStandardColoursAndTextures) {
    fs::copy_file(fs::path(KALVEX_DATA_DIR) / "KALVEX.TEX", dir.path() / "KALVEX.TEX");
    ASSERT_TRUE(load()) << ui.lastMessage();
    EXPECT_TRUE(ui.lastMessage().empty()) << ui.lastMessage();
    struct Entry {
        const char* name;
        int kind;
        int red, green, blue;  // -1: whatever the swatch gave
    };
    const Entry expected[] = {
        {"Red", 1, 255, 0, 0},         {"White", 1, 255, 255, 255}, {"Black", 1, 0, 0, 0},
        {"MidnightBlue", 1, -1, -1, -1}, {"Gray50", 1, -1, -1, -1}, {"Scarlet", 1, -1, -1, -1},
        {"Jade", 2, -1, -1, -1},        {"Gold_Metal", 2, -1, -1, -1}, {"Chrome_Metal", 2, -1, -1, -1},
        {"Red_Marble", 2, -1, -1, -1},  {"Pine_Wood", 2, -1, -1, -1}, {"Glass", 2, -1, -1, -1},
        {"Ruby_Glass", 2, -1, -1, -1},  {"Brushed_Aluminum", 2, -1, -1, -1}, {"Starfield", 2, -1, -1, -1},
    };
    for (const Entry& e : expected) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(GetTextureNameCount(e.name), 1u);
        TextureInfo* t = GetTextureInfoByName(e.name);
        ASSERT_NE(t, nullptr);
        EXPECT_STREQ(t->name, e.name);
        EXPECT_EQ(t->kind, e.kind);
        if (e.red >= 0) {
            EXPECT_EQ(t->colour[0], e.red);
            EXPECT_EQ(t->colour[1], e.green);
            EXPECT_EQ(t->colour[2], e.blue);
        }
    }
    // Every entry is a name a scene file can hold and a renderer can read,
    // and has a preview name of its own.
    std::unordered_set<std::string> names, previews;
    size_t colours = 0, textures = 0;
    for (TextureInfo* t : list()) {
        SCOPED_TRACE(t->name);
        const std::string name = t->name;
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(name[0])));
        for (char c : name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        EXPECT_TRUE(names.insert(name).second);
        EXPECT_TRUE(previews.insert(t->shortText1).second);
        colours += t->kind == 1;
        textures += t->kind == 2;
    }
    EXPECT_GE(colours, 120u);
    EXPECT_GE(textures, 80u);
    // Until their swatches are rendered, textures are drawn in a colour of
    // their look, not all in white.
    const unsigned char* jade = GetTextureInfoByName("Jade")->colour;
    EXPECT_GT(jade[1], jade[0]);
    EXPECT_GT(jade[1], jade[2]);
    const unsigned char* gold = GetTextureInfoByName("Gold_Metal")->colour;
    EXPECT_GT(gold[0], gold[2]);
}

}  // namespace
