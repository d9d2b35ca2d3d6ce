#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "kxplatform/large_pages.h"

namespace {

using kx::platform::largePagesOnRequest;
using kx::platform::tunablesWithLargePages;

TEST(LargePagesTest, TunablesGainTheHeapSettingOnlyWhenTheyLackIt) {
    struct Case {
        const char* current;
        const char* expected;
    } cases[] = {
        {"", "glibc.malloc.hugetlb=1"},
        {"glibc.malloc.tcache_count=7", "glibc.malloc.tcache_count=7:glibc.malloc.hugetlb=1"},
        // The user's own value, whatever it is, stands.
        {"glibc.malloc.hugetlb=0", ""},
        {"glibc.malloc.arena_max=2:glibc.malloc.hugetlb=2", ""},
        // A longer name that begins the same is another tunable.
        {"glibc.malloc.hugetlbx=1", "glibc.malloc.hugetlbx=1:glibc.malloc.hugetlb=1"},
        {"xglibc.malloc.hugetlb=1", "xglibc.malloc.hugetlb=1:glibc.malloc.hugetlb=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        EXPECT_EQ(tunablesWithLargePages(c.current), c.expected);
    }
    EXPECT_TRUE(largePagesOnRequest("always [madvise] never\n"));
    EXPECT_FALSE(largePagesOnRequest("[always] madvise never\n"));
    EXPECT_FALSE(largePagesOnRequest("always madvise [never]\n"));
    EXPECT_FALSE(largePagesOnRequest(""));
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        ::pclose(p);
    }
    return out;
}

// The real restart: the same process, once, with the setting added, and
// never when the user has said otherwise.
TEST(LargePagesTest, AProgramStartsAgainOnceAsTheSameProcess) {
    std::ifstream modeFile("/sys/kernel/mm/transparent_hugepage/enabled");
    std::stringstream mode;
    mode << modeFile.rdbuf();
    const bool restarts = largePagesOnRequest(mode.str());
    const std::string probe = KX_LARGE_PAGES_PROBE;
    struct Case {
        const char* environment;
        bool restart;
        const char* tunables;
    } cases[] = {
        {"env -u GLIBC_TUNABLES", restarts, restarts ? "glibc.malloc.hugetlb=1" : "(none)"},
        {"GLIBC_TUNABLES=glibc.malloc.hugetlb=0", false, "glibc.malloc.hugetlb=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        const std::string out = run(std::string(c.environment) + " " + probe);
        std::istringstream lines(out);
        std::string first, second, last;
        std::getline(lines, first);
        std::getline(lines, second);
        std::getline(lines, last);
        ASSERT_EQ(first.rfind("pid ", 0), 0u) << out;
        if (c.restart) {
            EXPECT_EQ(second, first) << out;
        } else {
            last = second;
        }
        EXPECT_EQ(last, std::string("tunables ") + c.tunables) << out;
    }
}

}  // namespace
