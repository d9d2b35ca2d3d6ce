#include "mainframe/window_main.h"

#include <QApplication>
#include <QIcon>
#include <QProcess>
#include <QPainter>
#include <QSocketNotifier>
#include <QSplashScreen>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

#include "mainframe/app_session.h"
#include "mainframe/guarded_application.h"
#include "mainframe/main_frame.h"
#include "mainframe/qt_ui_table.h"
#include "kxcore.h"

namespace kx::app {
namespace {

// Ctrl-C in the terminal, or the session ending, closes the window as the
// user would: a changed scene is offered for saving, and the program ends
// in its proper order. The handler only writes to a pipe that the event
// loop reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    if (write(signalPipe[1], &byte, 1) < 0) {
        // Nothing to do: a byte is already waiting in the pipe.
    }
}

void catchSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::unique_ptr<QSplashScreen> makeSplash() {
    QPixmap picture(420, 180);
    picture.fill(QColor(0x20, 0x30, 0x50));
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("Kalvex"));
    font.setPointSize(10);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 80, 0, 0), Qt::AlignCenter,
                     QStringLiteral("3D scenes for ray tracers  \u00b7  %1").arg(KALVEX_VERSION));
    painter.end();
    return std::make_unique<QSplashScreen>(picture);
}

// The icon the desktop shows for the program, in every size it was drawn at.
QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1/org.kalvex.Kalvex.png").arg(size), QSize(size, size));
    return icon;
}

// Each further scene gets a program and a window of its own, started with
// the same plug-in choice as this one.
void openInOtherWindows(const std::vector<std::string>& files, bool plugins) {
    for (const std::string& file : files) {
        QStringList arguments;
        if (!plugins) arguments << QStringLiteral("--no-plugins");
        arguments << QStringLiteral("--") << QString::fromLocal8Bit(file.c_str());
        QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
    }
}

}  // namespace

int runWindow(int argc, char** argv, const WindowStart& start) {
    catchSignals();
    GuardedApplication app(argc, argv);
    // Qt took the user's locale; scene and export files need C numbers.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kalvex"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    // The desktop matches the window to its entry (menu name, icon) by this.
    QGuiApplication::setDesktopFileName(QStringLiteral(KALVEX_APP_ID));
    QApplication::setWindowIcon(programIcon());
    openInOtherWindows(start.moreFiles, start.plugins);
    installQtUiTables();

    int status = 0;
    {
        SessionOptions sessionOptions;
        sessionOptions.plugins = start.plugins;
        AppSession session(sessionOptions);
        std::unique_ptr<QSplashScreen> splash;
        session.startup([&session, &splash] {
            if (!session.splash()) return;
            splash = makeSplash();
            splash->show();
            QApplication::processEvents();
        });
        // An isosurface or julia fractal whose surface is slow to find is
        // drawn coarser, or as its container, rather than stall the window.
        SetShapeProxyBudget(20);
        CMainFrame frame(session);
        std::unique_ptr<QSocketNotifier> stopRequests;
        if (signalPipe[0] >= 0) {
            stopRequests = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
            QObject::connect(stopRequests.get(), &QSocketNotifier::activated, &frame, [&frame] {
                char drained[16];
                while (read(signalPipe[0], drained, sizeof drained) > 0) {
                }
                frame.endWithoutAsking();
            });
        }
        frame.show();
        if (splash) splash->finish(&frame);
        frame.startWith(QString::fromLocal8Bit(start.file.c_str()), start.recover);
        if (!start.macro.empty() && !frame.ending()) {
            const QString macro = QString::fromLocal8Bit(start.macro.c_str());
            QTimer::singleShot(0, &frame, [&frame, macro] { frame.runMacroFile(macro); });
        }
        if (!frame.ending()) status = QApplication::exec();
        session.shutdown();
    }
    removeQtUiTables();
    return status;
}

}  // namespace kx::app
