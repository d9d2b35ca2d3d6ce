// The importers' quicker text helpers against the plain ones: the piecewise
// line reader hands out the same lines, line numbers and offsets as the cursor
// over a whole file, wherever the pieces end, and numbers read straight from a
// line are the numbers of their words.
#include "files/numbers.h"
#include "import/import_internal.h"
#include "import_fixture.h"

namespace kxtest {
namespace {

class FileLinesTest : public ImportTest {};

constexpr size_t kPiece = size_t{1} << 20;  // the reader's first piece

struct Line {
    std::string text;
    unsigned long long offset;
    size_t number;
    bool operator==(const Line&) const = default;
};

std::vector<Line> wholeFileLines(const std::string& content) {
    kx::import::LineCursor cursor(reinterpret_cast<const unsigned char*>(content.data()), content.size());
    std::vector<Line> out;
    std::string_view line;
    while (cursor.next(line)) out.push_back({std::string(line), cursor.offset(), cursor.lineNumber()});
    return out;
}

TEST_F(FileLinesTest, SameLinesAsTheWholeFile) {
    const std::string longLine(2 * kPiece + 5, 'x');
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"one line without an end", "v 1 2 3"},
        {"every line end", "a\nb\r\nc\rd\n\ne\r\r\nf"},
        {"CR LF across the first piece's end", std::string(kPiece - 1, 'a') + "\r\nb\n"},
        {"lone CR at the first piece's end", std::string(kPiece - 1, 'a') + "\rb\r"},
        {"LF at the first piece's end", std::string(kPiece - 1, 'a') + "\n\nb"},
        {"CR as the last byte of a piece-sized file", std::string(kPiece - 1, 'a') + "\r"},
        {"lines longer than two pieces", "f 1 2 3\n" + longLine + "\r\n" + longLine + "\nend"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        kx::import::FileLines lines;
        ASSERT_TRUE(lines.open(write("lines.txt", c.content).c_str(), ".OBJ", "Wavefront OBJ", path));
        std::vector<Line> got;
        std::string_view line;
        while (lines.next(line)) got.push_back({std::string(line), lines.offset(), lines.lineNumber()});
        EXPECT_FALSE(lines.next(line));
        // The whole-file reader, sized from the file's length, reads the same bytes.
        std::string wholePath;
        const auto whole = kx::import::loadFile(dir.file("lines.txt").c_str(), ".OBJ", "Wavefront OBJ", wholePath);
        ASSERT_TRUE(whole);
        EXPECT_TRUE(std::string(whole->begin(), whole->end()) == c.content);
        const std::vector<Line> expected = wholeFileLines(c.content);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            EXPECT_EQ(got[i].text.size(), expected[i].text.size());
            EXPECT_TRUE(got[i] == expected[i]);
        }
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.lastMessage();
}

TEST_F(FileLinesTest, MissingFileIsReportedAsTheWholeFileReaderDoes) {
    const std::string missing = dir.file("absent.obj");
    std::string path;
    ASSERT_FALSE(kx::import::loadFile(missing.c_str(), ".OBJ", "Wavefront OBJ", path));
    const std::string whole = ui.lastMessage();
    ui.clear();
    kx::import::FileLines lines;
    EXPECT_FALSE(lines.open(missing.c_str(), ".OBJ", "Wavefront OBJ", path));
    EXPECT_EQ(ui.lastMessage(), whole);
    EXPECT_FALSE(whole.empty());
    std::string_view line;
    EXPECT_FALSE(lines.next(line));
}

TEST_F(FileLinesTest, NumbersReadFromTheLineAsFromTheirWords) {
    const char* const words[] = {"1",     "+1",   "++1",   "+-2",     "-0",    "1e400", "-1e400", "1e-400", "inf",
                                 "nan",   "0x10", "1.5e",  "1,5",     "2.5x",  "+",     "-",      ".5",     "5.",
                                 "1e38", "-3.4028236e38", "0.1\r", "7\x01", "12345678901234567890"};
    for (const char* word : words)
        for (const char* after : {"", " 9", "\t-4 ", "junk"}) {
            const std::string line = std::string(" ") + word + after;
            SCOPED_TRACE(line);
            kx::import::WordCursor plain(line), quick(line);
            for (;;) {
                std::string_view w;
                const bool more = plain.next(w);
                double expected = -77, got = -77;
                bool isNumber = false;
                ASSERT_EQ(quick.nextNumber(got, isNumber), more);
                if (!more) break;
                const bool wasNumber = kx::numbers::whole(w, expected);
                EXPECT_EQ(isNumber, wasNumber);
                if (wasNumber) {
                    EXPECT_EQ(std::signbit(got), std::signbit(expected));
                    EXPECT_EQ(got, expected);
                }
                EXPECT_EQ(quick.rest(), plain.rest());
            }
        }
}

}  // namespace
}  // namespace kxtest
