#include <cstring>
#include <string>

#include "comma_locale.h"
#include "pixmo_fixture.h"

namespace kxtest {
namespace {

TEST_F(PixmoTest, ErrorMessageShowsAWarningCaptionedWithTheApplicationName) {
    ErrorMessage("Error %d in %s", 7, "x.tga");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error 7 in x.tga");
    EXPECT_EQ(ui.messages[0].caption, "Kalvex");
    EXPECT_EQ(ui.messages[0].style, unsigned{KX_MB_OK | KX_MB_ICONEXCLAMATION});

    EXPECT_EQ(pxSetErrorDisplayState(window(), 0), 1);
    ErrorMessage("quiet %g", 1.5);
    EXPECT_EQ(ui.messages.size(), 1u);
    char buffer[64];
    EXPECT_EQ(pxGetLastErrorMessage(window(), sizeof buffer, buffer), 9);
    EXPECT_STREQ(buffer, "quiet 1.5");
}

TEST_F(PixmoTest, MessagesIgnoreTheProcessLocale) {
    CommaLocale comma;
    if (!comma.active()) GTEST_SKIP() << "no comma-decimal locale";
    ErrorMessage("%.2f", 2.25);
    EXPECT_EQ(lastBox(), "2.25");
}

TEST_F(PixmoTest, LastMessageCopiesAtMostSizeMinusOneCharacters) {
    ErrorMessage("abcdefgh");
    struct Case {
        int size;
        const char* expected;
    } cases[] = {{9, "abcdefgh"}, {5, "abcd"}, {1, ""}, {100, "abcdefgh"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        char buffer[100];
        std::memset(buffer, 'X', sizeof buffer);
        pxGetLastErrorMessage(window(), c.size, buffer);
        EXPECT_STREQ(buffer, c.expected);
        EXPECT_EQ(buffer[std::strlen(c.expected) + 1], 'X');  // nothing written past the end
    }
    char untouched[4] = "abc";
    EXPECT_EQ(pxGetLastErrorMessage(window(), 0, untouched), 0);
    EXPECT_STREQ(untouched, "abc");
}

TEST_F(PixmoTest, LongMessagesAreCutInTheBufferAndShownWhole) {
    std::string path(4000, 'p');
    char* last = pxRegisterApplicationEx(window(), "Kalvex");
    ASSERT_NE(last, nullptr);
    ErrorMessage("File \"%s\" unknown image format", path.c_str());
    EXPECT_EQ(lastBox().size(), path.size() + 28);
    EXPECT_EQ(std::strlen(last), 255u);
    EXPECT_EQ(std::string(last, 6), "File \"");
}

TEST_F(PixmoTest, RegistrationCountsAndUnregisteringBelowZeroDoesNothing) {
    ASSERT_TRUE(pxSetNewBuffer(window(), 8, 8));
    ASSERT_EQ(pxRegisterApplication(window(), "Second"), 1);
    EXPECT_STREQ(pxGetAplicationName(), "Kalvex");  // only the first registration names it
    EXPECT_EQ(pxUnRegisterApplication(), 1);
    EXPECT_NE(pxGetMemDC(), nullptr);  // one registration left keeps the surface
    EXPECT_EQ(pxUnRegisterApplication(), 1);
    EXPECT_EQ(pxGetMemDC(), nullptr);
    EXPECT_EQ(pxUnRegisterApplication(), 0);
    EXPECT_EQ(pxUnRegisterApplication(), 0);
    EXPECT_EQ(pxRegisterApplication(window(), nullptr), 1);
    EXPECT_STREQ(pxGetAplicationName(), "ImageLibrary");
}

TEST_F(PixmoTest, RegisteringWithoutAWindowFails) {
    EXPECT_EQ(pxRegisterApplicationEx(nullptr, "x"), nullptr);
    EXPECT_EQ(lastBox(), "Error: Invalid Register Application Window\n");
    EXPECT_EQ(pxRegisterApplication(nullptr, "x"), 0);
}

TEST(PixmoMessagesTest, ApplicationNameBeforeRegistration) {
    kx::image::resetImageForTests();
    EXPECT_STREQ(pxGetAplicationName(), "Pixmo Library");
    pxSetApplicationName("Other");
    EXPECT_STREQ(pxGetAplicationName(), "Other");
    kx::image::resetImageForTests();
}

TEST(PixmoCommandLineTest, SplitsOnBlanksAndGroupsQuotes) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  prog\t \"two words\"  x ", {"prog", "two words", "x"}},
        {"\"\" end", {"", "end"}},
        {"a\"b c\"d", {"ab cd"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_EQ(ExpandCmdLine(c.line), static_cast<int>(c.args.size()));
        ASSERT_EQ(GetCmdLineArgCount(), static_cast<int>(c.args.size()));
        for (size_t i = 0; i < c.args.size(); ++i)
            EXPECT_STREQ(GetCmdLineArg(static_cast<int>(i)), c.args[i].c_str());
        EXPECT_EQ(GetCmdLineArg(static_cast<int>(c.args.size())), nullptr);
        EXPECT_EQ(GetCmdLineArg(-1), nullptr);
    }
    ReleaseCmdLine();
    EXPECT_EQ(GetCmdLineArgCount(), 0);
}

}  // namespace
}  // namespace kxtest
