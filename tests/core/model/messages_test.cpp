#include <fstream>

#include "core_fixture.h"

namespace kxtest {
namespace {

class MessagesTest : public CoreTest {};

TEST_F(MessagesTest, ErrorGoesToBoxAndLog) {
    InitCore(nullptr, "Kalvex Test");
    EnableLogMessage(0);
    ErrorMessage("Error %s: %d", "thing", 42);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Error thing: 42");
    EXPECT_EQ(ui.messages[0].caption, "Kalvex Test");
    EXPECT_EQ(ui.messages[0].style & 0xF0, static_cast<unsigned>(KX_MB_ICONEXCLAMATION));
    EXPECT_EQ(dir.read("KALVEX.LOG"), "Error thing: 42\r\n");
}

TEST_F(MessagesTest, LogThresholdAndTruncation) {
    {
        std::ofstream old(dir.file("KALVEX.LOG"));
        old << "from an earlier run\n";
    }
    EXPECT_EQ(kx::core().log.threshold, -1);
    LogMessage(0, "not written");
    ErrorMessage("not logged either");
    EXPECT_EQ(dir.read("KALVEX.LOG"), "from an earlier run\n");

    EnableLogMessage(1);
    LogMessage(2, "progress");
    LogMessage(1, "warning %d", 1);
    LogMessage(0, "error");
    InitCore(nullptr, "again");  // keeps the threshold and the open log
    LogMessage(1, "after init");
    EXPECT_EQ(dir.read("KALVEX.LOG"), "warning 1\r\nerror\r\nafter init\r\n");
}

TEST_F(MessagesTest, FileErrorLayout) {
    errno = ENOENT;
    StdFileError(1, "Facets", "/tmp/100%s.pgn");
    EXPECT_EQ(ui.lastMessage(),
              "Unable to open/load Facets file /tmp/100%s.pgn\nNo such file or directory (2)");
    errno = EACCES;
    StdFileError(2, nullptr, nullptr);
    EXPECT_EQ(ui.lastMessage(), "Unable to export \nPermission denied (13)");
    errno = ENOSPC;
    StdFileError(0, "Scene", "a.cad");
    EXPECT_EQ(ui.lastMessage().rfind("Unable to create/save Scene file a.cad\n", 0), 0u);
    StdFileError(3, "Mesh", "b.obj");
    EXPECT_EQ(ui.lastMessage().rfind("Unable to import Mesh file b.obj\n", 0), 0u);
}

TEST_F(MessagesTest, SystemMessageIsBoundedAndOnOneLine) {
    char buffer[8];
    EXPECT_EQ(GetSystemErrorMessage(ENOENT, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "No such");
    char full[128];
    GetSystemErrorMessage(EACCES, full, sizeof full);
    EXPECT_EQ(std::string(full).find('\n'), std::string::npos);
    errno = EPERM;
    EXPECT_EQ(kxc_getlasterror(), static_cast<unsigned long>(EPERM));
}

TEST_F(MessagesTest, LongMessagesAreNotCut) {
    std::string token(5000, 'k');
    ErrorMessage("Unknown property %s in Kalvex file", token.c_str());
    EXPECT_EQ(ui.lastMessage().size(), token.size() + 32);
}

TEST_F(MessagesTest, HeadlessDefaultWritesOneLineToStandardError) {
    KxSetUiCallbacks(nullptr);
    InitCore(nullptr, "Kalvex");
    testing::internal::CaptureStderr();
    ErrorMessage("first\nsecond");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Kalvex: first second\n");
}

}  // namespace
}  // namespace kxtest
