#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "kxplatform/batch.h"
#include "temp_dir.h"

namespace {

using kx::platform::BatchResult;
using kx::platform::BatchRunner;
using kx::platform::expandBatchLine;
using kx::platform::findBatchFile;

void writeFile(const kxtest::TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name), std::ios::binary) << text;
}

TEST(BatchLineTest, ExpandsArgumentsAndPercent) {
    const std::vector<std::string> args{"run.BAT", "-D", "+FT"};
    struct Case {
        const char* line;
        const char* expanded;
    } cases[] = {
        {"povray %1 %2 %3 +Ia.pov", "povray -D +FT  +Ia.pov"},
        {"echo %0", "echo run.BAT"},
        {"echo 100%%", "echo 100%"},
        {"echo %%1", "echo %1"},
        {"echo %9%", "echo %"},
        {"echo %x 50% done", "echo %x 50% done"},
        {"%", "%"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(expandBatchLine(c.line, args), c.expanded);
    }
}

TEST(BatchLineTest, FindsBatchesOfItsFolderOnly) {
    kxtest::TempDir dir;
    writeFile(dir, "movie7.BAT", "echo\r\n");
    writeFile(dir, "movie7.pov", "x");
    std::filesystem::create_directory(dir.path() / "sub.BAT");
    const std::string folder = dir.path().string();
    struct Case {
        const char* word;
        bool found;
    } cases[] = {
        {"movie7", true},   {"MOVIE7.bat", true},  {"movie7.BAT", true}, {"movie7.pov", false},
        {"movie8", false},  {"./movie7", false},   {"sub", false},       {"", false},
        {"..", false},      {"movie7.bat.x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const std::string found = findBatchFile(folder, c.word);
        EXPECT_EQ(!found.empty(), c.found) << found;
        if (c.found) {
            EXPECT_EQ(found, (dir.path() / "movie7.BAT").string());
        }
    }
}

struct Recorded {
    std::string output;
    std::vector<std::pair<std::string, int>> failed;  // batch leaf, line
};

BatchResult runBatch(BatchRunner& runner, const std::string& path, const std::vector<std::string>& args,
                     Recorded& rec) {
    BatchRunner::Callbacks cb;
    cb.output = [&rec](const std::string& piece) { rec.output += piece; };
    cb.lineFailed = [&rec](const kx::platform::BatchLineFailure& f) {
        rec.failed.emplace_back(std::filesystem::path(f.batch).filename().string(), f.line);
    };
    return runner.run(path, args, cb);
}

TEST(BatchRunnerTest, RunsLinesInItsFolder) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;  // the first one is run
        std::vector<std::string> args;
        bool ok;
        std::string output;
        std::vector<std::pair<std::string, int>> failed;
    } cases[] = {
        {"crlf and blank lines",
         {{"a.BAT", "echo one\r\n\r\n  \r\necho two\r\n"}},
         {},
         true,
         "one\ntwo\n",
         {}},
        {"arguments", {{"a.BAT", "echo [%1] [%2] [%3] %%\r\n"}}, {"-D", "+FT"}, true, "[-D] [+FT] [] %\n", {}},
        {"runs in the batch's folder", {{"a.BAT", "cat here.txt\r\n"}, {"here.txt", "found\n"}}, {}, true,
         "found\n", {}},
        {"a failing line is named and the rest runs",
         {{"a.BAT", "echo a\r\nexit 3\r\necho c\r\nfalse\r\n"}},
         {},
         false,
         "a\nc\n",
         {{"a.BAT", 2}, {"a.BAT", 4}}},
        {"a nested batch gets the other words",
         {{"a.BAT", "frame7 -D +FT\r\necho after\r\n"}, {"FRAME7.bat", "echo %0 %1 %2\r\n"}},
         {},
         true,
         "frame7 -D +FT\nafter\n",
         {}},
        {"a nested failure fails the calling line",
         {{"a.BAT", "b\r\necho after\r\n"}, {"b.BAT", "echo in b\r\nexit 1\r\n"}},
         {},
         false,
         "in b\nafter\n",
         {{"b.BAT", 2}, {"a.BAT", 1}}},
        {"a batch calling itself stops at the depth limit",
         {{"a.BAT", "echo x\r\na\r\n"}},
         {},
         false,
         "x\nx\nx\nx\nx\nx\nx\nx\n",
         {{"a.BAT", 2}, {"a.BAT", 2}, {"a.BAT", 2}, {"a.BAT", 2}, {"a.BAT", 2}, {"a.BAT", 2}, {"a.BAT", 2},
          {"a.BAT", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kxtest::TempDir dir;
        for (const auto& [name, text] : c.files) writeFile(dir, name, text);
        BatchRunner runner;
        Recorded rec;
        const BatchResult r = runBatch(runner, dir.file(c.files.front().first), c.args, rec);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(rec.output, c.output);
        EXPECT_EQ(rec.failed, c.failed);
        EXPECT_EQ(r.failures.size(), c.failed.size());
    }
}

TEST(BatchRunnerTest, MissingBatchFailsAtLineZero) {
    kxtest::TempDir dir;
    BatchRunner runner;
    Recorded rec;
    const BatchResult r = runBatch(runner, dir.file("none.BAT"), {}, rec);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(rec.failed.size(), 1u);
    EXPECT_EQ(rec.failed[0].second, 0);
}

TEST(BatchRunnerTest, CancelEndsTheLineAndTheBatch) {
    kxtest::TempDir dir;
    writeFile(dir, "slow.BAT", "sleep 30\r\necho never > never.txt\r\n");
    BatchRunner runner;
    Recorded rec;
    BatchResult r;
    const auto began = std::chrono::steady_clock::now();
    std::thread worker([&] { r = runBatch(runner, dir.file("slow.BAT"), {}, rec); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    runner.cancel();
    worker.join();
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "never.txt"));
}

}  // namespace
