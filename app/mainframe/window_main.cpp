#include "mainframe/window_main.h"

#include <QApplication>
#include <QPainter>
#include <QSplashScreen>
#include <clocale>
#include <memory>

#include "mainframe/app_session.h"
#include "mainframe/main_frame.h"
#include "mainframe/qt_ui_table.h"

namespace kx::app {
namespace {

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

}  // namespace

int runWindow(int argc, char** argv, const std::string& file) {
    QApplication app(argc, argv);
    // Qt took the user's locale; scene and export files need C numbers.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Kalvex"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    installQtUiTables();

    int status = 0;
    {
        AppSession session;
        std::unique_ptr<QSplashScreen> splash;
        session.startup([&session, &splash] {
            if (!session.splash()) return;
            splash = makeSplash();
            splash->show();
            QApplication::processEvents();
        });
        CMainFrame frame(session);
        frame.show();
        if (splash) splash->finish(&frame);
        if (!file.empty()) frame.openFile(QString::fromLocal8Bit(file.c_str()));
        status = QApplication::exec();
        session.shutdown();
    }
    removeQtUiTables();
    return status;
}

}  // namespace kx::app
