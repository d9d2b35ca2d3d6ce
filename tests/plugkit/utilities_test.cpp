// The plug-in tools' text files, file names, dialogs and rotation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "plugkit.h"
#include "temp_dir.h"
#include "ui_capture.h"

namespace {

class Fd {
public:
    explicit Fd(const std::string& path, int flags = O_RDONLY) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

std::string writeFile(const kxtest::TempDir& dir, const std::string& name, const std::string& text) {
    const std::string path = dir.file(name);
    Fd fd(path, O_WRONLY | O_CREAT | O_TRUNC);
    EXPECT_EQ(::write(fd.get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
    return path;
}

std::vector<std::string> drain(char* (*next)(int), int fd) {
    std::vector<std::string> out;
    for (int i = 0; i < 100; ++i) {
        const char* s = next(fd);
        if (s == nullptr) break;
        out.emplace_back(s);
    }
    return out;
}

TEST(PlugkitTextFiles, LinesAndTokens) {
    kxtest::TempDir dir;
    struct Row {
        const char* what;
        std::string text;
        char* (*reader)(int);
        std::vector<std::string> expected;
    };
    const std::string longLine(5000, 'L');
    const std::vector<Row> rows = {
        {"lines with CR LF, empty line, no final LF", "ab\r\n\r\ncd", GetLine, {"ab", " ", "cd"}},
        {"CR dropped anywhere", "a\rb\n", GetLine, {"ab"}},
        {"long line in pieces", longLine + "\n", GetLine, {std::string(4096, 'L'), std::string(904, 'L')}},
        {"tokens across lines", "1\n2, 3\n\n4\n", GetNextArg, {"1", "2", "3", "4"}},
        {"tokens, tabs and commas", "a,,b\tc \r\n", GetNextArg, {"a", "b", "c"}},
        {"empty file", "", GetLine, {}},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Fd fd(writeFile(dir, "f" + std::to_string(n++) + ".txt", row.text));
        ASSERT_GE(fd.get(), 0);
        EXPECT_EQ(drain(row.reader, fd.get()), row.expected);
    }
}

TEST(PlugkitTextFiles, CharsRewindAndAnotherFile) {
    kxtest::TempDir dir;
    Fd a(writeFile(dir, "a.txt", "xy"));
    Fd b(writeFile(dir, "b.txt", "pq"));
    EXPECT_EQ(GetChar(a.get()), 'x');
    EXPECT_EQ(GetChar(b.get()), 'p');
    EXPECT_EQ(GetChar(a.get()), -1) << "a's buffer was discarded and its file is read to the end";
    EXPECT_EQ(RewindLine(a.get()), 1);
    EXPECT_EQ(GetChar(a.get()), 'x');
    EXPECT_EQ(GetChar(-1), -1);
    EXPECT_EQ(RewindLine(-1), 0);
}

TEST(PlugkitTextFiles, PutLineWritesAnyLengthWhole) {
    kxtest::TempDir dir;
    const std::string big(10000, 'w');
    {
        Fd fd(dir.file("out.txt"), O_WRONLY | O_CREAT | O_TRUNC);
        EXPECT_EQ(PutLine(fd.get(), "%s|%d", big.c_str(), 42), 1);
    }
    EXPECT_EQ(dir.read("out.txt"), big + "|42");
    EXPECT_EQ(PutLine(-1, "x"), 0);
}

TEST(PlugkitFileNames, ExtensionsLookAtTheLastComponentOnly) {
    struct Row {
        const char* name;
        const char* ext;
        const char* addExt;
        const char* addNewExt;
    };
    const Row rows[] = {
        {"scene", ".pov", "scene.pov", "scene.pov"},
        {"scene.inc", ".pov", "scene.inc", "scene.pov"},
        {"a.b.c", ".x", "a.b.c", "a.x"},
        {"a..b", ".x", "a..b", "a..x"},
        {"/home/u/.pov/scene", ".pov", "/home/u/.pov/scene.pov", "/home/u/.pov/scene.pov"},
        {"./x", ".cad", "./x.cad", "./x.cad"},
        {"dir.d\\file.tga", ".bmp", "dir.d\\file.tga", "dir.d\\file.bmp"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(AddExt(row.name, row.ext), row.addExt);
        char buffer[256];
        std::strcpy(buffer, row.name);
        EXPECT_STREQ(AddNewExt(buffer, row.ext), row.addNewExt);
    }
    const std::string longPath = "/" + std::string(5000, 'p') + "/name";
    EXPECT_EQ(std::string(AddExt(longPath.c_str(), ".cad")), longPath + ".cad");
}

TEST(PlugkitFileNames, BuildFilterSplitsAtBars) {
    const PluginStringEntry strings[] = {{7, "STL files|*.stl|"}, {8, "x"}, {-1, nullptr}};
    auto* module = reinterpret_cast<HINSTANCE>(const_cast<PluginStringEntry*>(strings));
    char buf[32];
    std::memset(buf, 'q', sizeof buf);
    ASSERT_EQ(BuildFilter(module, 7, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "STL files");
    EXPECT_STREQ(buf + 10, "*.stl");
    EXPECT_EQ(buf[16], '\0');
    EXPECT_EQ(buf[31], '\0');
    char small[6];
    ASSERT_EQ(BuildFilter(module, 7, small, sizeof small), 1);
    EXPECT_STREQ(small, "STL f");
    EXPECT_EQ(BuildFilter(module, 9, buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '\0');
}

TEST(PlugkitDialogs, MessagesAndControls) {
    kxtest::UiCapture ui;
    plkSetUiCallbacks(ui.table());
    const std::string big(3000, 'm');
    ErrorMessage("Bad %s", big.c_str());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Plug-In Tools");
    EXPECT_EQ(ui.messages[0].text.size(), 1023u);
    EXPECT_EQ(ui.messages[0].style, unsigned{KX_MB_OK | KX_MB_ICONEXCLAMATION});
    EXPECT_STREQ(dtoa(0.5), "0.5");
    EXPECT_STREQ(dtoa(1e6), "1e+06");
    ui.controls = {{12, " 2.75"}};
    EXPECT_EQ(GetDlgItemDouble(nullptr, 12), 2.75);
    ui.controls = {{12, "abc"}};
    EXPECT_EQ(GetDlgItemDouble(nullptr, 12), 0.0);
    plkSetUiCallbacks(nullptr);
}

TEST(PlugkitRotation, QuarterTurnAboutZ) {
    InitTransform(0, 0, 0, 0, 0, 1, std::numbers::pi / 2);
    double x, y, z;
    RotateZ(1, 0, 0, &x, &y, &z);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_NEAR(z, 0, 1e-12);
    Rotate(1, 0, 0, &x, &y, &z);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 0, 1e-12);
    EXPECT_NEAR(z, 1, 1e-12);
    // About an axis through (1, 1, 0): that point stays put.
    InitTransform(1, 1, 0, 0, 0, 2, std::numbers::pi);
    RotateZ(1, 1, 5, &x, &y, &z);
    EXPECT_NEAR(x, 1, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    EXPECT_NEAR(z, 5, 1e-12);
    RotateZ(2, 1, 0, &x, &y, &z);
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, 1, 1e-12);
    // A zero axis is taken as z; a negative-y axis goes the other way round.
    InitTransform(0, 0, 0, 0, -1, 0, std::numbers::pi / 2);
    RotateZ(0, 0, 1, &x, &y, &z);
    EXPECT_NEAR(x, -1, 1e-12);
    EXPECT_NEAR(z, 0, 1e-12);
}

}  // namespace
