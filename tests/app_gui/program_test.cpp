// The kalvex program itself: its window starts with a scene from the command
// line and, told to end, closes in order and writes its settings.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <filesystem>

#include "temp_dir.h"

namespace {

TEST(KalvexProgramTest, OpensAFileAndEndsInOrderWhenTold) {
    kxtest::TempDir dir;
    const std::string config = dir.file("Kalvex.ini");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KALVEX_CONFIG"), QString::fromStdString(config));
    env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(dir.file("data")));
    program.setProcessEnvironment(env);
    const QString scene = QStringLiteral(KALVEX_SOURCE_DIR "/examples/showcase.cad");
    program.start(QStringLiteral(KALVEX_PROGRAM), {scene});
    ASSERT_TRUE(program.waitForStarted(10000));
    // Its data folder is made at start; then give the window a moment.
    for (int i = 0; i < 200 && !std::filesystem::exists(dir.file("data/kalvex/KALVEX.INF")); ++i) QThread::msleep(50);
    QThread::msleep(1500);
    kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    // The settings went back at the end: the window's place and the file it opened.
    const std::string settings = dir.read("Kalvex.ini");
    EXPECT_NE(settings.find("FramePos="), std::string::npos);
    EXPECT_NE(settings.find("File1=" + scene.toStdString()), std::string::npos) << settings;
}

}  // namespace
