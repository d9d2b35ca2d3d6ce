#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/text.h"

namespace kxtest {
namespace {

class AnimFileTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        InitScene();
        InitCamera();
    }
    CadObject* object(unsigned type, const char* name, Point3d at = {0, 0, 0}) {
        CadObject* obj = CreateDefaultObjectEx(name, type, &at);
        SetObjectsUnSelected();
        return obj;
    }
    std::string writeBlock() {
        StandardFile* f = StdOpenFile(dir.file("block.txt").c_str(), KX_OPEN_CREATE);
        EXPECT_EQ(WriteAnimate(f), 1);
        StdCloseFile(f);
        return dir.read("block.txt");
    }
    // Reads a block that starts with "animate <name>", as the scene readers do.
    int readBlock(const std::string& text) {
        std::ofstream(dir.file("in.txt"), std::ios::binary) << text;
        StandardFile* f = StdOpenFile(dir.file("in.txt").c_str(), KX_OPEN_READ);
        EXPECT_STREQ(StdGetNextArg(f), "animate");
        const std::string name = StdGetNextArg(f);
        int result = ReadAnimate(f, name.c_str());
        const char* after = StdGetNextArg(f);
        rest = after ? after : "";
        StdCloseFile(f);
        return result;
    }
    AnimFrame& frame(unsigned entry, unsigned f) { return GetAniObject(entry)->frames[f]; }
    std::string rest;  // the token after the block
};

TEST_F(AnimFileTest, ExampleBlockAsWritten) {
    ASSERT_EQ(CreateAnimation("Movie1", 2), 1);
    CadObject* ball = object(KX_SPHERE, "Sphere1");
    ASSERT_EQ(AddObjectToAni(ball, 0), 1);
    ASSERT_EQ(SetObjectsToFrame(1), 1);
    ball->translate = Point3d{1, 0, 0};
    EXPECT_EQ(writeBlock(),
              "animate Movie1\r\nmaxframes 2\r\nobjectname Sphere1\r\n"
              "frame 0\r\nobject 0\r\n  key\r\n"
              "frame 1\r\nobject 0\r\n  key\r\n  move 1 0 0\r\n"
              "end\r\n");
}

TEST_F(AnimFileTest, EveryAttributeAndFlagLine) {
    ASSERT_EQ(CreateAnimation("", 1), 1);
    kx::text::copyField(GetAniSettings(nullptr)->dir, "C:\\frames out");
    CadObject* a = object(KX_SPHERE, "a");
    AddObjectToAni(a, 0);
    a->size = Point3d{1, 2, 1};
    a->extraPoint = Point3d{0, 0, 0.5f};
    a->scale = Point3d{1, 1, 3};
    a->rotate = Point3d{90, 0, 0};
    a->translate = Point3d{-1, 0, 0};
    frame(0, 0).hide = 1;
    EXPECT_EQ(writeBlock(),
              "animate \"\"\r\nmaxframes 1\r\ndir \"C:\\frames out\"\r\nobjectname a\r\n"
              "frame 0\r\nobject 0\r\n  key hide\r\n  size 1 2 1\r\n  extra 0 0 0.5\r\n"
              "  scale 1 1 3\r\n  rotate 90 0 0\r\n  move -1 0 0\r\nend\r\n");
    InitAni();
    ui.clear();
    StandardFile* f = StdOpenFile(dir.file("none.txt").c_str(), KX_OPEN_CREATE);
    EXPECT_EQ(WriteAnimate(f), 0);
    StdCloseFile(f);
    EXPECT_EQ(dir.read("none.txt"), "");
}

// What an animation holds, for comparisons across a save and a load.
struct Recorded {
    std::string name, dir;
    unsigned maxFrames;
    std::vector<std::string> objects;
    std::vector<uint32_t> types;
    std::vector<std::vector<AnimFrame>> frames;
};

Recorded record() {
    Recorded r{GetAniSettings(nullptr)->name, GetAniSettings(nullptr)->dir, GetMaxFrame(), {}, {}, {}};
    for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i) {
        if (!e->object) continue;
        r.objects.push_back(e->object->name);
        r.types.push_back(e->type);
        r.frames.emplace_back(e->frames, e->frames + GetMaxFrame());
    }
    return r;
}

void expectSame(const Recorded& a, const Recorded& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.dir, b.dir);
    EXPECT_EQ(a.maxFrames, b.maxFrames);
    EXPECT_EQ(a.objects, b.objects);
    EXPECT_EQ(a.types, b.types);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t i = 0; i < a.frames.size(); ++i)
        for (unsigned f = 0; f < a.maxFrames; ++f) {
            SCOPED_TRACE(a.objects[i] + " frame " + std::to_string(f));
            EXPECT_EQ(std::memcmp(&a.frames[i][f], &b.frames[i][f], sizeof(AnimFrame)), 0);
        }
}

TEST_F(AnimFileTest, RoundTripThroughBothSceneFormats) {
    struct Format {
        const char* label;
        int (*save)(CadScene*, const char*);
        const char* ballName;  // the native format writes object names as they are
    };
    const Format formats[] = {{"native", SaveScene2, "ball"}, {"statements", SaveScene, "Red ball"}};
    for (const Format& fmt : formats) {
        SCOPED_TRACE(fmt.label);
        ClearScene(GetCurrentScene());
        InitScene();
        ASSERT_EQ(CreateAnimation("Movie 1", 4), 1);
        kx::text::copyField(GetAniSettings(nullptr)->dir, "out dir");
        CadObject* ball = object(KX_SPHERE, fmt.ballName, {1, 2, 3});
        CadObject* box = object(KX_BOX, "box1");
        CadObject* cone = object(KX_CONE, "cone", {0, 5, 0});
        for (CadObject* o : {ball, box, cone}) ASSERT_EQ(AddObjectToAni(o, 0), 1);
        frame(0, 1) = AnimFrame{0, 1, {1, 1, 1}, {}, {2, 2, 2}, {0, 45, 0}, {1, 2, 3}};
        frame(0, 2) = AnimFrame{0, 1, {1, 1, 1}, {}, {1, 1, 1}, {}, {0, 0, 0}};  // back to the origin
        frame(0, 3).hide = 1;
        frame(2, 1).hide = 1;
        frame(2, 2) = AnimFrame{0, 0, {1, 3, 1}, {0.5f, 0, 0}, {1, 1, 1}, {}, {0, 0, 0}};
        AddSelectedObject(box);
        DeleteObjectFromAni(box, 0);
        SetObjectsUnSelected();
        // The cone is hidden while the scene is saved.
        ASSERT_EQ(SetObjectsToFrame(1), 1);
        ASSERT_EQ(cone->type, static_cast<uint32_t>(KX_NULL));
        ASSERT_EQ(fmt.save(GetCurrentScene(), dir.file("anim.cad").c_str()), 1);
        const Recorded saved = record();
        ASSERT_EQ(saved.objects.size(), 2u);

        ClearScene(GetCurrentScene());
        InitScene();
        ui.clear();
        ASSERT_EQ(LoadScene(GetCurrentScene(), dir.file("anim.cad").c_str()), 1);
        EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
        ASSERT_EQ(IsAni(), 1);
        expectSame(saved, record());
        ASSERT_NE(GetCadObjectByName("cone"), nullptr);
        EXPECT_EQ(GetCadObjectByName("cone")->type, static_cast<uint32_t>(KX_CONE));
        EXPECT_EQ(IsUpdateAnimateCtrl(), 1);
    }
}

TEST_F(AnimFileTest, NativeReaderTakesTheBlockInAnyCase) {
    for (const char* keyword : {"animate", "Animate", "ANIMATE"}) {
        SCOPED_TRACE(keyword);
        ClearScene(GetCurrentScene());
        InitScene();
        std::ofstream(dir.file("s.cad"), std::ios::binary)
            << "version 2.0\nSphere { Name s size 1 1 1 scale 1 1 1 }\n"
            << keyword << " M maxframes 2 objectname s frame 1 object 0 move 0 4 0 end\n";
        ASSERT_EQ(LoadScene(GetCurrentScene(), dir.file("s.cad").c_str()), 1);
        ASSERT_EQ(GetAniObjectCount(), 1);
        EXPECT_STREQ(GetAniSettings(nullptr)->name, "M");
        EXPECT_EQ(frame(0, 1).move.y, 4.0f);
    }
}

TEST_F(AnimFileTest, DamagedBlocksKeepValuesOnTheirOwnEntries) {
    struct Case {
        const char* label;
        std::string block;
        int result;
        std::vector<std::string> messages;
        int entries;     // GetAniObjectCount afterwards
        float bMoveX;    // frame 1 move.x of object b's entry (-1: b has none)
    };
    const std::string head = "animate M maxframes 3 ";
    const Case cases[] = {
        {"plain", head + "objectname a objectname b frame 1 object 1 move 7 0 0 end next", 1, {}, 2, 7},
        {"unknown name keeps the numbering",
         head + "objectname ghost objectname b frame 1 object 1 move 7 0 0 object 0 move 9 9 9 end next", 0,
         {"Unable to select animation object \"ghost\" "}, 1, 7},
        {"points object takes no entry", head + "objectname path objectname b frame 1 object 1 move 7 0 0 end next",
         0, {"Unable to select animation object \"path\" "}, 1, 7},
        {"case-insensitive twins each take one",
         head + "objectname twin objectname TWIN objectname b frame 1 object 2 move 7 0 0 end next", 1, {}, 3, 7},
        {"entries and frames out of range",
         head + "objectname a objectname b frame 1 object 5 move 1 1 1 object -1 hide frame 3 object 1 move 2 2 2 "
                "frame 99999999999999999999 object 1 key end next",
         1, {}, 2, 3},
        {"values before any table", "animate M objectname a frame 0 object 0 move 1 1 1 end next", 0,
         {"Unable to select animation object \"a\" "}, -1, -1},
        {"huge frame count", "animate M maxframes 4000000000 objectname b end next", 0,
         {"Error Out of Memory Allocating Frame Storage", "Unable to select animation object \"b\" "}, -1, -1},
        {"negative frame count", "animate M maxframes -3 end next", 0,
         {"Error Out of Memory Allocating Frame Storage"}, -1, -1},
        {"unknown words are passed over", head + "objectname b colour red frame 1 object 0 move 7 0 0 end next", 1,
         {}, 1, 7},
        {"cut off inside a vector", head + "objectname b frame 1 object 0 move 7", 0, {"Error reading file"}, 1, 0},
        {"no end", head + "objectname b frame 1 object 0 move 7 0 0", 1, {}, 1, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ClearScene(GetCurrentScene());
        InitScene();
        CadObject* a = object(KX_SPHERE, "a", {5, 5, 5});
        object(KX_SPHERE, "twin");
        object(KX_SPHERE, "Twin");
        CadObject* b = object(KX_BOX, "b", {3, 3, 3});
        Point3d p{0, 0, 0};
        AddObject("path", AddEntry(1, nullptr, &p), 1, KX_POINTS);
        ui.clear();
        EXPECT_EQ(readBlock(c.block), c.result);
        EXPECT_EQ(ui.texts(), c.messages);
        EXPECT_EQ(GetAniObjectCount(), c.entries);
        if (c.block.find(" end next") != std::string::npos) {
            EXPECT_EQ(rest, "next");
        }
        AnimObject* be = nullptr;
        for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i)
            if (e->object == b) be = e;
        if (c.bMoveX < 0) {
            EXPECT_EQ(be, nullptr);
            continue;
        }
        ASSERT_NE(be, nullptr);
        EXPECT_EQ(be->frames[1].move.x, c.bMoveX);
        // Frames the block does not mention keep the object's own values.
        EXPECT_EQ(be->frames[0].move.x, 3.0f);
        for (unsigned i = 0; AnimObject* e = GetAniObject(i); ++i)
            if (e->object == a) {
                EXPECT_EQ(e->frames[1].move.x, 5.0f);
            }
    }
}

TEST_F(AnimFileTest, LongNamesAreCutAndZeroScalesBecomeOne) {
    object(KX_SPHERE, "a");
    const std::string longName(5000, 'x');
    ASSERT_EQ(readBlock("animate " + longName + " maxframes 2 dir " + longName +
                        " objectname a frame 1 object 0 size 0 0 0 scale 0 0 0 move 0 1 0 end"),
              1);
    EXPECT_EQ(std::string(GetAniSettings(nullptr)->name), std::string(259, 'x'));
    EXPECT_EQ(std::string(GetAniSettings(nullptr)->dir), std::string(259, 'x'));
    EXPECT_EQ(frame(0, 1).size.x, 1.0f);
    EXPECT_EQ(frame(0, 1).scale.z, 1.0f);
    EXPECT_EQ(frame(0, 1).move.y, 1.0f);
}

// A folder a file cannot hold (only CRs, which line ends drop) is left out of
// the block, so that writing what was read gives the same block.
TEST_F(AnimFileTest, AFolderThatKeepsNothingIsNotWritten) {
    object(KX_SPHERE, "a");
    for (const char* folder : {"\r", "\r\r\r"}) {
        SCOPED_TRACE(folder);
        DestroyAni();
        ASSERT_EQ(readBlock("animate M maxframes 2 objectname a end"), 1);
        std::strcpy(GetAniSettings(nullptr)->dir, folder);
        const std::string first = writeBlock();
        EXPECT_EQ(first.find("dir"), std::string::npos) << first;
        DestroyAni();
        ASSERT_EQ(readBlock(first), 1);
        EXPECT_EQ(writeBlock(), first);
    }
}

// Inputs the fuzzer found: what is read is written so that reading it again
// and writing it gives the same block.
TEST_F(AnimFileTest, WhatIsReadIsWrittenSoThatItReadsBackTheSame) {
    for (const char* name : {"a", "b", "Red ball", "twin", "Twin"}) object(KX_SPHERE, name);
    for (const char* input : {"folder-across-lines.bin"}) {
        SCOPED_TRACE(input);
        std::ifstream in(std::string(KALVEX_CORE_TEST_DATA "/anim/") + input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty());
        DestroyAni();
        // The block as a scene reader hands it on: its name read, the rest to come.
        readBlock("animate " + bytes);
        ASSERT_TRUE(IsAni());
        const std::string first = writeBlock();
        DestroyAni();
        readBlock(first);
        const std::string second = writeBlock();
        const size_t differ = std::mismatch(first.begin(), first.end(), second.begin(), second.end()).first - first.begin();
        EXPECT_EQ(second, first) << "from byte " << differ << ": " << ::testing::PrintToString(first.substr(differ, 60))
                                 << " became " << ::testing::PrintToString(second.substr(std::min(differ, second.size()), 60));
    }
}

TEST_F(AnimFileTest, LegacySceneReadsOnAfterTheBlock) {
    std::ofstream(dir.file("old.cad"), std::ios::binary)
        << "version 1.5\n_sphere s size 1 1 1 move 0 2 0\n"
        << "animate Movie1 maxframes 2 objectname s frame 0 object 0 key frame 1 object 0 key move 1 0 0 end\n"
        << "_box b size 1 1 1\n";
    ASSERT_EQ(LoadScene(GetCurrentScene(), dir.file("old.cad").c_str()), 1);
    EXPECT_NE(GetCadObjectByName("b"), nullptr);
    ASSERT_EQ(GetAniObjectCount(), 1);
    EXPECT_EQ(frame(0, 0).move.y, 0.0f);  // written as a default: no move line
    EXPECT_EQ(frame(0, 1).move.x, 1.0f);
}

}  // namespace
}  // namespace kxtest
