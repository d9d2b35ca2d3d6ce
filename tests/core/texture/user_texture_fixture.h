// Fixture of the user texture tests: the data folder is the test's temporary
// folder, with a small texture definition file that has one element of every kind.
#pragma once

#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "core_fixture.h"

namespace kxtest {

inline constexpr const char* kDefinitions =
    "#begin texture_options\r\n"
    "1 \"0|Bozo:bozo|1|Marble:marble|2|Wood:wood\"\r\n"
    "0 \"5|ignored\"\r\n"
    "2 \"0|none 1|once\"\r\n"
    "#end\r\n"
    "\r\n"
    "#begin texture_syntax\r\n"
    "pigment {\r\n"
    "  *pattern L 1\r\n"
    "  color C x\r\n"
    "  colour_map H x\r\n"
    "  gradient T x\r\n"
    "  image F x\r\n"
    "  turbulence D x\r\n"
    "}\r\n"
    "finish {\r\n"
    "  ambient D x\r\n"
    "  metallic B x\r\n"
    "}\r\n"
    "normal {\r\n"
    "  bumps D x\r\n"
    "  *scale P x\r\n"
    "}\r\n"
    "*inline {\r\n"
    "  octaves I x\r\n"
    "  text M x\r\n"
    "}\r\n"
    "interpolate O x\r\n"
    "mode L 2\r\n"
    "raw S x\r\n"
    "#end\r\n"
    "\r\n"
    "#begin texture_xref\r\n"
    "ambient /finish/ambient\r\n"
    "pattern /pigment/*pattern\r\n"
    "#end\r\n";

class UserTextureTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        SetProgramPath(dir.path().c_str());
        EnableLogMessage(2);
    }

    void writeFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
    }
    void loadDefinitions(const char* text = kDefinitions) {
        writeFile("test.def", text);
        ASSERT_EQ(InitTextureBuiler("test.def"), 1);
    }
    TexItem* item(const char* path) {
        std::string p = path;
        return FindTexItem(p.data());
    }
    std::string tex() const { return dir.read("USER.TEX"); }
    std::string idx() const { return dir.read("USER.IDX"); }
    std::string log() const { return dir.read("KALVEX.LOG"); }
    // The index records after the header.
    std::vector<UserDbIndex> indexRecords() const {
        std::string bytes = idx();
        std::vector<UserDbIndex> records;
        for (size_t at = KX_USERIDX_HEADER_SIZE; at + sizeof(UserDbIndex) <= bytes.size(); at += sizeof(UserDbIndex)) {
            UserDbIndex r;
            std::memcpy(&r, bytes.data() + at, sizeof r);
            records.push_back(r);
        }
        return records;
    }

    // Makes a current texture named name with a few elements set.
    void makeTexture(const char* name, uint32_t colour = 0x0080ff) {
        InitCustomTexture();
        CustomTexure* t = GetCustomTexture(1);
        std::snprintf(t->name, sizeof t->name, "%s", name);
        t->colour = colour;
        TexItem* c = item("/pigment/color");
        c->value.colour[0][0] = 1.0f;
        c->value.colour[0][1] = 0.5f;
        c->set = 1;
        TexItem* a = item("ambient");
        a->value.real = 0.25;
        a->set = 1;
    }
    // Saves a texture made by makeTexture.
    void saveTexture(const char* name, uint32_t colour = 0x0080ff) {
        makeTexture(name, colour);
        ASSERT_EQ(SaveCustomTexture(name), 1) << ui.lastMessage();
    }
    // A user texture saved and listed (as the program lists its user textures
    // at start), and a fresh scene of one object per `shapes` entry wearing it.
    void sceneWearing(const char* name, std::initializer_list<int (*)()> shapes) {
        loadDefinitions();
        saveTexture(name);
        TextureInfo listed{};
        std::snprintf(listed.name, sizeof listed.name, "%s", name);
        listed.kind = KX_TEXTURE_TEXTURE | KX_TEXTURE_USER;
        AddCustomTexture(&listed);
        InitScene();
        InitCamera();
        for (int (*create)() : shapes) {
            create();
            SetObjectMaterial(GetLastCadObject(), name, 2);
        }
    }
    bool messageShown(const std::string& text) const {
        for (const ShownMessage& m : ui.messages)
            if (m.text == text) return true;
        return false;
    }
};

}  // namespace kxtest
