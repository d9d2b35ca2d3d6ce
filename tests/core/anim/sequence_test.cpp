#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core_fixture.h"
#include "model/text.h"

namespace kxtest {
namespace {

class SequenceTest : public CoreTest {
protected:
    SeqInfo seq(const char* name) {
        SeqInfo s{};
        kx::text::copyField(s.name, name);
        kx::text::copyField(s.extension, ".pov");
        kx::text::copyField(s.render, "+FT");
        kx::text::copyField(s.image, "-D");
        return s;
    }
    void setTemplate(const std::string& text) { kx::text::copyField(GetSequenceTemplate(), 1024, text.c_str()); }
};

TEST_F(SequenceTest, TemplateExpansion) {
    struct Case {
        std::string sequence;
        unsigned frame;
        std::string expected;
    };
    const std::string n260(259, 'n');
    const Case cases[] = {
        {"$C", 7, "movie7"},
        {"render $N.pov +o$N$F.tga +w$W +h$H", 3, "render movie.pov +omovie3.tga +w320 +h200"},
        {"x $C y", 1, "movie1"},
        {"a$$b$Qc", 0, "abc"},
        {"$E $R $I", 0, ".pov +FT -D"},
        {"end$", 0, "end"},
        {"$", 0, ""},
        {std::string(1023, 'z'), 0, std::string(1023, 'z')},
    };
    SetSequenceTemplateResolution(320, 200);
    SeqInfo s = seq("movie");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sequence.substr(0, 40));
        setTemplate(c.sequence);
        EXPECT_EQ(ParseSeqTemplate(c.frame, &s), c.expected);
    }
    // Every repeat of a long name is there until the buffer is full.
    s = seq(n260.c_str());
    setTemplate("$N$N$N$N$N");
    EXPECT_EQ(std::string(ParseSeqTemplate(0, &s)), std::string(1023, 'n'));
    setTemplate("$N$F");
    EXPECT_EQ(std::string(ParseSeqTemplate(0, nullptr)), "0");
    SetSequenceTemplateCmd("call $N$F$");
    setTemplate("$C");
    s = seq("m");
    EXPECT_STREQ(ParseSeqTemplate(12, &s), "call m12");
}

TEST_F(SequenceTest, InsideOutVisitsEveryFrameCoarseToFine) {
    struct Case {
        int count;
        std::vector<int> frames;
    };
    const Case cases[] = {
        {1, {0}},
        {4, {0, 2, 1, 3}},
        {5, {0, 4, 2, 1, 3}},
        {8, {0, 4, 2, 6, 1, 5, 3, 7}},
        {10, {0, 8, 4, 2, 6, 1, 9, 5, 3, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        std::vector<int> got;
        for (int i = 0; i < c.count; ++i) {
            int frame = -1, step = -1;
            EXPECT_EQ(InsideOut(c.count, i, &frame, &step), 0);
            EXPECT_GE(step, 1);
            EXPECT_LE(frame + step, c.count);
            got.push_back(frame);
        }
        EXPECT_EQ(got, c.frames);
    }
}

TEST_F(SequenceTest, SequenceAndListFiles) {
    SeqInfo s = seq(dir.file("movie").c_str());
    setTemplate("r $F");
    ASSERT_EQ(CreateFrameTableEx(8, 1, &s), 1);
    EXPECT_EQ(dir.read("movie.BAT"), "r 0\r\nr 4\r\nr 2\r\nr 6\r\nr 1\r\nr 5\r\nr 3\r\nr 7\r\n");
    ASSERT_EQ(CreateFrameTableEx(3, 0, &s), 1);
    EXPECT_EQ(dir.read("movie.BAT"), "r 0\r\nr 1\r\nr 2\r\n");
    ASSERT_EQ(CreateFrameTableEx(0, 1, &s), 1);
    EXPECT_EQ(dir.read("movie.BAT"), "");

    const std::string base = dir.file("movie");
    SetListTemplateExtension(".txt");
    ASSERT_EQ(CreateFrameList(base.c_str(), ".tga", 2), 1);
    EXPECT_EQ(dir.read("movie.txt"), base + "0.tga\r\n" + base + "1.tga\r\n");
    ASSERT_EQ(CreateFrameTableEx(1, 0, &s), 1);  // the sequence file keeps its extension
    EXPECT_EQ(dir.read("movie.BAT"), "r 0\r\n");

    s = seq(dir.file("missing/movie").c_str());
    EXPECT_EQ(CreateFrameTableEx(1, 0, &s), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Frame Sequence file", 0), 0u) << ui.lastMessage();
    EXPECT_EQ(CreateFrameList(dir.file("missing/movie").c_str(), ".tga", 1), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Frame List file", 0), 0u) << ui.lastMessage();
}

TEST_F(SequenceTest, ObjectTemplateDrivesThePointFormat) {
    EXPECT_STREQ(ParseObjTemplate(1, 2.5, -3), "1,2.5,-3");
    kx::text::copyField(GetObjectTemplate(), 1024, "<$X $Y $Z> $W$");
    EXPECT_STREQ(ParseObjTemplate(1, 2, 3), "<1 2 3> ");
    StandardFile* f = StdOpenFile(dir.file("p.txt").c_str(), KX_OPEN_CREATE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(WritePointsEx(f, 7, 4, 5, 6), 1);
    StdCloseFile(f);
    EXPECT_EQ(dir.read("p.txt"), "<4 5 6> \r\n");
    std::string many;
    for (int i = 0; i < 200; ++i) many += "$X";
    kx::text::copyField(GetObjectTemplate(), 1024, many.c_str());
    EXPECT_EQ(std::strlen(ParseObjTemplate(123456, 0, 0)), 1023u);
}

TEST_F(SequenceTest, TemplateFiles) {
    const std::string name = dir.file("seq");
    char text[] = "line one\nline two";
    ASSERT_EQ(SaveTemplate(name.c_str(), text), 1);
    EXPECT_EQ(dir.read("seq.TPL"), "line one\r\nline two");
    char buffer[1024];
    std::memset(buffer, 'q', sizeof buffer);
    ASSERT_EQ(LoadTemplate(name.c_str(), buffer), 1);
    EXPECT_STREQ(buffer, "line one\r\nline two\r\n");

    // A long file fills the buffer and no more.
    std::ofstream(dir.file("big.TPL"), std::ios::binary) << std::string(3000, 'b') << "\n" << std::string(50, 'c');
    std::vector<char> guarded(1024 + 16, 'g');
    ASSERT_EQ(LoadTemplate(dir.file("big").c_str(), guarded.data()), 1);
    EXPECT_EQ(std::strlen(guarded.data()), 1023u);
    EXPECT_EQ(guarded[1024], 'g');

    EXPECT_EQ(LoadTemplate(dir.file("absent").c_str(), buffer), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to open/load Template file", 0), 0u) << ui.lastMessage();
    EXPECT_EQ(SaveTemplate(dir.file("no/where").c_str(), text), 0);
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Template file", 0), 0u) << ui.lastMessage();
}

}  // namespace
}  // namespace kxtest
