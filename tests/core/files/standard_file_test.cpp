#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include "core_fixture.h"
#include "file_fault.h"
#include "files/files_internal.h"
#include "files/tokens.h"

namespace kxtest {
namespace {

class StandardFileTest : public CoreTest {
protected:
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(dir.file(name), std::ios::binary) << content;
        return dir.file(name);
    }
    std::vector<std::string> args(const std::string& content) {
        StandardFile* f = StdOpenFile(write("args.txt", content).c_str(), KX_OPEN_READ);
        std::vector<std::string> out;
        while (char* a = StdGetNextArg(f)) out.push_back(a);
        StdCloseFile(f);
        return out;
    }
};

TEST_F(StandardFileTest, LinesSkipBlankLinesAndAcceptBothLineEnds) {
    StandardFile* f = StdOpenFile(write("l.txt", "one\r\n\r\n\ntwo\nthree").c_str(), KX_OPEN_READ);
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(StdGetLine(f), "one");
    EXPECT_STREQ(StdGetLine(f), "two");
    EXPECT_STREQ(StdGetLine(f), "three");
    EXPECT_EQ(StdGetLine(f), nullptr);
    EXPECT_EQ(StdCloseFile(f), 1);
}

TEST_F(StandardFileTest, LongLinesAreSplitWithinTheBuffer) {
    std::string content(5000, 'a');
    StandardFile* f = StdOpenFile(write("long.txt", content + "\nb").c_str(), KX_OPEN_READ);
    EXPECT_EQ(std::string(StdGetLine(f)).size(), 4096u);
    EXPECT_EQ(std::string(StdGetLine(f)).size(), 904u);
    EXPECT_STREQ(StdGetLine(f), "b");
    StdCloseFile(f);
}

TEST_F(StandardFileTest, Tokenizer) {
    struct Case {
        const char* input;
        std::vector<std::string> expected;
    } cases[] = {
        {"a,b  c", {"a", "b", "c"}},
        {"x y,\r\n", {"x", "y"}},
        {"\"x y\" z", {"x y", "z"}},
        {"\"say \\\"hi\\\" \\n\"", {"say \"hi\" \\n"}},
        {"ab\"cd ef\"gh", {"cd ef", "gh"}},
        {"\"unterminated to the end", {"unterminated to the end"}},
        {"\"\" next", {"", "next"}},
        {"{ [ < > ] }", {"{", "[", "<", ">", "]", "}"}},
        {"", {}},
        {" ,\t\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(args(c.input), c.expected);
    }
}

TEST_F(StandardFileTest, OverlongTokensAreBounded) {
    std::string big(6000, 'k');
    std::vector<std::string> plain = args(big + " tail");
    ASSERT_GE(plain.size(), 2u);
    EXPECT_EQ(plain[0].size(), 4096u);
    EXPECT_EQ(plain.back(), "tail");
    std::vector<std::string> quoted = args("\"" + big + "\" tail");
    ASSERT_EQ(quoted.size(), 2u);
    EXPECT_EQ(quoted[0].size(), 4095u);
    EXPECT_EQ(quoted[1], "tail");
}

// Tokens of every length meet the edges of the read buffer at every offset:
// each is read whole, and the position after it is just past the separator
// that ended it.
TEST_F(StandardFileTest, TokensAcrossBufferEdges) {
    const char* const separators[] = {" ", ",", "\t", "\r\n", " , "};
    std::string content;
    std::vector<std::string> expected;
    std::vector<long> after;
    for (unsigned i = 0; content.size() < 20000; ++i) {
        std::string token(1 + i % 13, static_cast<char>('a' + i % 26));
        token.back() = static_cast<char>('0' + i % 10);
        content += token;
        expected.push_back(token);
        after.push_back(static_cast<long>(content.size()) + 1);
        content += separators[i % 5];
    }
    content += "last";
    expected.push_back("last");
    after.push_back(static_cast<long>(content.size()));
    StandardFile* f = StdOpenFile(write("edges.txt", content).c_str(), KX_OPEN_READ);
    ASSERT_NE(f, nullptr);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("token " + std::to_string(i));
        const char* token = StdGetNextArg(f);
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(token, expected[i]);
        EXPECT_EQ(StdGetFilePos(f), after[i]);
    }
    EXPECT_EQ(StdGetNextArg(f), nullptr);
    StdCloseFile(f);
}

// Numbers read straight from the buffer are the numbers the tokenizer and
// number() give, at the same file positions; what they would read another
// way (signs, hexadecimal, junk, out of range, quotes) is left to them.
TEST_F(StandardFileTest, QuickNumbersAgreeWithTheTokenizer) {
    const char* const tokens[] = {"1.5", "-0", "-19.9435", "1e-3", "7", "+2", "0x10", "1.5abc", "inf",
                                  "nan", "1e999", "3.5e38", "\"4\"", "1e-400", ".5", "-.25e+2"};
    const char* const separators[] = {" ", ",", "\t", "\r\n", " , "};
    std::string content;
    for (unsigned i = 0; content.size() < 12000; ++i) {
        content += tokens[i % std::size(tokens)];
        content += separators[i % 5];
    }
    content += "8";  // the last number ends the file, not a separator
    const std::string path = write("numbers.txt", content);
    StandardFile* plain = StdOpenFile(path.c_str(), KX_OPEN_READ);
    StandardFile* quick = StdOpenFile(path.c_str(), KX_OPEN_READ);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(quick, nullptr);
    size_t quickCount = 0;
    for (size_t i = 0;; ++i) {
        SCOPED_TRACE("token " + std::to_string(i));
        const char* token = StdGetNextArg(plain);
        double value = 0;
        const bool wasQuick = kx::files::quickNumber(quick, value);
        if (!token) {
            EXPECT_FALSE(wasQuick);
            EXPECT_EQ(StdGetNextArg(quick), nullptr);
            break;
        }
        const double expected = kx::tokens::number(token);
        if (wasQuick) {
            ++quickCount;
            EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << token;
            EXPECT_TRUE(std::isfinite(value) && std::fabs(value) <= FLT_MAX) << token;
        } else {
            const char* again = StdGetNextArg(quick);
            ASSERT_NE(again, nullptr);
            EXPECT_STREQ(again, token);
        }
        EXPECT_EQ(StdGetFilePos(quick), StdGetFilePos(plain));
    }
    // Most of them are plain numbers; the ends of buffers and the odd tokens are not.
    EXPECT_GT(quickCount, 500u);
    StdCloseFile(plain);
    StdCloseFile(quick);
}

TEST_F(StandardFileTest, PositionsAndRawReads) {
    StandardFile* f = StdOpenFile(write("p.txt", "abcdefgh").c_str(), KX_OPEN_READ);
    StdGetChar(f);
    StdGetChar(f);
    StdGetChar(f);
    EXPECT_EQ(StdGetFilePos(f), 3);
    EXPECT_EQ(StdSkipToNextChar(f, 'f'), 1);
    EXPECT_EQ(StdGetChar(f), 'g');
    EXPECT_EQ(StdSkipToNextChar(f, 'z'), -1);
    EXPECT_EQ(StdRewind(f), 1);
    EXPECT_EQ(StdGetChar(f), 'a');
    EXPECT_EQ(StdSeek(f, 4, 0), 4);
    char raw[3] = {};
    EXPECT_EQ(StdReadFile(f, raw, 2), 2);
    EXPECT_EQ(std::string(raw), "ef");
    EXPECT_EQ(f->bufferStart, 4);
    EXPECT_EQ(StdGetChar(f), 'g');
    StdCloseFile(f);
    EXPECT_EQ(StdCloseFile(nullptr), 0);
    EXPECT_EQ(StdGetFilePos(nullptr), 0);
    EXPECT_EQ(StdGetChar(nullptr), -1);
}

TEST_F(StandardFileTest, WritersEndLinesWithCrLf) {
    StandardFile* f = StdOpenFile(dir.file("out.txt").c_str(), KX_OPEN_CREATE);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(StdPutLine(f, "%d\n", 1), 1);
    EXPECT_EQ(StdPutLine(f, "%d\r\n", 2), 1);
    EXPECT_EQ(StdPutLine(f, "%d", 3), 1);
    EXPECT_EQ(StdPutLine(f, "a\rb"), 1);  // no line feed: written as it is
    EXPECT_EQ(StdPutLine(f, "%s", ""), 0);
    EXPECT_EQ(StdPutLineEx(f, 1, " say \"%s\"\n", "x"), 1);
    EXPECT_EQ(StdPutLineEx(f, 0, "%s", ""), 0);
    EXPECT_EQ(StdPutLine(nullptr, "x"), 0);
    std::string big(10000, 'w');
    EXPECT_EQ(StdPutLine(f, "%s\n", big.c_str()), 1);  // far past the old line buffer
    EXPECT_EQ(StdCloseFile(f), 1);
    EXPECT_EQ(dir.read("out.txt"), "1\r\n2\r\n3a\rb say \\\"x\\\"\r\n" + big + "\r\n");
}

TEST_F(StandardFileTest, ReplacingWritesLeaveTheOldFileUntilTheClose) {
    write("scene.cad", "old content");
    chmod(dir.file("scene.cad").c_str(), 0600);
    StandardFile* f = StdOpenFile(dir.file("scene.cad").c_str(), KX_OPEN_CREATE);
    StdPutLine(f, "new content\n");
    EXPECT_EQ(dir.read("scene.cad"), "old content");
    EXPECT_EQ(StdAbortFile(f), 1);
    EXPECT_EQ(dir.read("scene.cad"), "old content");
    f = StdOpenFile(dir.file("scene.cad").c_str(), KX_OPEN_CREATE);
    StdPutLine(f, "new content\n");
    EXPECT_EQ(StdCloseFile(f), 1);
    EXPECT_EQ(dir.read("scene.cad"), "new content\r\n");
    struct stat st;
    stat(dir.file("scene.cad").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // Nothing is left behind in the folder.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

// The user's work reaches the disk before it replaces the old file; what is
// made from it (exports, frame lists) is replaced whole but never synced.
TEST_F(StandardFileTest, OnlyTheUsersWorkIsSynced) {
    InitScene();
    CreateDefaultSphere();
    CreateDefaultLight();
    CadObject* ball = makeMesh("ball", 4);
    const std::string out = dir.file("out");
    struct Case {
        const char* what;
        bool synced;
        int (*write)(const std::string& path, CadObject* mesh);
    } cases[] = {
        {"native scene", true, [](const std::string& p, CadObject*) { return SaveScene2(GetCurrentScene(), p.c_str()); }},
        {"statement scene", true, [](const std::string& p, CadObject*) { return SaveScene(GetCurrentScene(), p.c_str()); }},
        {"plain replacement", true,
         [](const std::string& p, CadObject*) {
             StandardFile* f = StdOpenFile(p.c_str(), KX_OPEN_CREATE);
             StdPutLine(f, "text\n");
             return StdCloseFile(f);
         }},
        {"POV-Ray export", false,
         [](const std::string& p, CadObject*) { return WriteExportFile(GetCurrentScene(), p.c_str(), KX_FILETYPE_POVRAY3); }},
        {"DXF export", false,
         [](const std::string& p, CadObject*) { return WriteExportFile(GetCurrentScene(), p.c_str(), KX_FILETYPE_DXF); }},
        {"OBJ export", false, [](const std::string& p, CadObject*) { return WriteOBJ((p + ".obj").c_str()); }},
        {"facet file", false, [](const std::string& p, CadObject* m) { return WriteFacetFile(m, p.c_str(), 10); }},
        {"smooth triangles", false, [](const std::string& p, CadObject* m) { return SmoothPOVfile(p.c_str(), m->points); }},
        {"frame list", false, [](const std::string& p, CadObject*) { return CreateFrameList(p.c_str(), ".png", 3); }},
        {"derived replacement", false,
         [](const std::string& p, CadObject*) {
             StandardFile* f = StdOpenFile(p.c_str(), KX_OPEN_DERIVED);
             StdPutLine(f, "text\n");
             return StdCloseFile(f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileFault count(FileFault::Call::Fsync, 1000000);
        EXPECT_EQ(c.write(out, ball), 1);
        if (c.synced) EXPECT_GE(count.calls(), 1);
        else EXPECT_EQ(count.calls(), 0);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(StandardFileTest, WriteFailuresAreNotSuccess) {
    // A write that fails half way (the file system is full) is an error at the close.
    std::string path = dir.file("limited.txt");
    std::ofstream(path) << "the old content";
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    auto previous = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    StandardFile* f = StdOpenFile(path.c_str(), KX_OPEN_CREATE);
    ASSERT_NE(f, nullptr);
    std::string big(100000, 'x');
    StdPutLine(f, "%s\n", big.c_str());
    int closed = StdCloseFile(f);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(dir.read("limited.txt"), "the old content");
    EXPECT_EQ(StdOpenFile(dir.file("no/such/folder/x.cad").c_str(), KX_OPEN_CREATE), nullptr);
}

TEST_F(StandardFileTest, OnlyRegularFilesAreRead) {
    std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(StdOpenFile(fifo.c_str(), KX_OPEN_READ), nullptr);  // refused, not waited on
    EXPECT_EQ(StdOpenFile(dir.path().c_str(), KX_OPEN_READ), nullptr);
}

TEST_F(StandardFileTest, NamesFromOtherSystemsAreFound) {
    std::filesystem::create_directory(dir.file("maps"));
    write("maps/Terrain.TGA", "x");
    struct Case {
        const char* name;
    } cases[] = {{"maps/Terrain.TGA"}, {"maps\\Terrain.TGA"}, {"maps/terrain.tga"}, {"MAPS/terrain.tga"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandardFile* f = StdOpenFile(c.name, KX_OPEN_READ);
        bool expectFound = std::string(c.name).rfind("MAPS", 0) != 0;  // folders must match
        EXPECT_EQ(f != nullptr, expectFound);
        if (f) StdCloseFile(f);
    }
}

TEST_F(StandardFileTest, SkipToSection) {
    std::string content = "#comment\r\n#BEGIN other\r\nx\r\n#begin  Wanted\r\npayload\r\n";
    StandardFile* f = StdOpenFile(write("s.txt", content).c_str(), KX_OPEN_READ);
    EXPECT_EQ(SkipToSection(f, "wanted"), 1);
    EXPECT_STREQ(StdGetLine(f), "payload");
    EXPECT_EQ(SkipToSection(f, "missing"), 0);
    EXPECT_EQ(ui.lastMessage(), "Error unknown file section: missing");
    StdCloseFile(f);
    f = StdOpenFile(write("bad.txt", "#begin\r\n").c_str(), KX_OPEN_READ);
    EXPECT_EQ(SkipToSection(f, "any"), 0);
    EXPECT_EQ(ui.lastMessage(), "Error unknown file format");
    StdCloseFile(f);
}

}  // namespace
}  // namespace kxtest
