// The kalvex program itself: its window starts with a scene from the command
// line and, told to end, closes in order and writes its settings.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "temp_dir.h"

namespace {

// Whether the process has a handler of its own for the signal (its caught
// signals as the kernel lists them).
bool catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    return false;
}

// Starts the program offscreen with these settings and extra environment,
// waits until it catches SIGTERM (on a loaded machine that can take longer
// than any fixed pause), gives the window a moment and tells it to end; its
// settings file after.
std::string runAndEnd(const kxtest::TempDir& dir, const QStringList& args,
                      const std::vector<std::pair<QString, QString>>& extra = {}) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KALVEX_CONFIG"), QString::fromStdString(dir.file("Kalvex.ini")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(dir.file("data")));
    for (const auto& [name, value] : extra) env.insert(name, value);
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KALVEX_PROGRAM), args);
    EXPECT_TRUE(program.waitForStarted(10000));
    const auto pid = static_cast<pid_t>(program.processId());
    for (int i = 0; i < 600 && !catches(pid, SIGTERM); ++i) QThread::msleep(50);
    EXPECT_TRUE(catches(pid, SIGTERM)) << "the program never took SIGTERM";
    QThread::msleep(1500);
    kill(pid, SIGTERM);
    EXPECT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    return dir.read("Kalvex.ini");
}

// A "Desktop" rectangle of the settings text: left, top, width, height.
std::vector<int> storedRect(const std::string& settings, const std::string& key) {
    const size_t at = settings.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    std::istringstream in(settings.substr(at + key.size() + 2));
    std::vector<int> r(4);
    for (int& v : r) in >> v;
    return in ? r : std::vector<int>{};
}

TEST(KalvexProgramTest, OpensAFileAndEndsInOrderWhenTold) {
    kxtest::TempDir dir;
    const QString scene = QStringLiteral(KALVEX_SOURCE_DIR "/examples/showcase.cad");
    // The settings went back at the end: the window's place and the file it opened.
    const std::string settings = runAndEnd(dir, {scene});
    EXPECT_NE(settings.find("FramePos="), std::string::npos);
    EXPECT_NE(settings.find("File1=" + scene.toStdString()), std::string::npos) << settings;
}

// At a scale factor the screen is smaller in the window's pixels: the
// window still fits it, and each scale keeps a place of its own, so going
// back to the first one reopens the window where it closed there.
TEST(KalvexProgramTest, TheWindowFitsEachScaleAndReopensWhereItClosedAtEach) {
    kxtest::TempDir dir;
    std::ofstream(dir.file("screens.json"))
        << R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
           R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    // Stored by a larger screen than the one at 1.5 (1280 x 720).
    std::ofstream(dir.file("Kalvex.ini")) << "[Desktop]\nFramePos=100 50 1600 1000\n";
    const QString platform = QStringLiteral("offscreen:configfile=") + QString::fromStdString(dir.file("screens.json"));
    auto at = [&](const char* scale) {
        SCOPED_TRACE(scale);
        const std::string settings = runAndEnd(dir, {}, {{QStringLiteral("QT_QPA_PLATFORM"), platform},
                                                         {QStringLiteral("QT_SCALE_FACTOR"), QLatin1String(scale)}});
        return storedRect(settings, "FramePos");
    };
    const std::vector<int> first = at("1");
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first, (std::vector<int>{100, 50, 1600, 1000}));  // it fits: kept as it was
    const std::vector<int> scaled = at("1.5");
    ASSERT_EQ(scaled.size(), 4u);
    EXPECT_GE(scaled[0], 0);
    EXPECT_GE(scaled[1], 0);
    EXPECT_LE(scaled[0] + scaled[2], 1280);
    EXPECT_LE(scaled[1] + scaled[3], 720);
    EXPECT_GE(scaled[2], 640) << "a sensible share of the screen, not a small window";
    const std::vector<int> again = at("1");
    EXPECT_EQ(again, first);
    EXPECT_EQ(at("1.5"), scaled);
}

}  // namespace
