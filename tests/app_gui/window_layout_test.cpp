// The window's layout: docks take their room from the views, which tile
// again; the window keeps its size whatever is selected.
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "kxcore.h"
#include "mainframe/main_frame.h"
#include "window_fixture.h"

namespace {

using WindowLayoutTest = kxtest::WindowTest;

QRect unitedViews(CMainFrame* frame, int& count) {
    QRect all;
    count = 0;
    auto* area = frame->findChild<QMdiArea*>(QStringLiteral("views"));
    for (QMdiSubWindow* w : area->subWindowList()) {
        if (!w->isVisible() || w == frame->renderWindow()) continue;
        all = all.united(w->geometry());
        ++count;
    }
    return all;
}

TEST_F(WindowLayoutTest, ShowingOrClosingADockTilesTheViewsIntoTheRoomLeft) {
    frame->tileViews();
    auto* area = frame->findChild<QMdiArea*>(QStringLiteral("views"));
    ASSERT_NE(area, nullptr);
    struct Step {
        const char* what;
        const char* dock;
        bool shown;
    };
    const Step steps[] = {
        {"render output shown", "renderOutputDock", true},
        {"properties closed", "propertiesDock", false},
        {"scene tree closed", "sceneTreeDock", false},
        {"render output closed", "renderOutputDock", false},
        {"properties shown", "propertiesDock", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        auto* dock = frame->findChild<QDockWidget*>(QString::fromLatin1(s.dock));
        ASSERT_NE(dock, nullptr);
        dock->setVisible(s.shown);
        QTest::qWait(50);
        int count = 0;
        const QRect views = unitedViews(frame.get(), count);
        EXPECT_EQ(count, 4);
        // The views fill what the docks leave, no more and no less.
        EXPECT_EQ(views, QRect(QPoint(0, 0), area->viewport()->size()));
    }
}

TEST_F(WindowLayoutTest, WithoutAutoTileViewsArrangedByHandStayAndTheWindowNeverGrowsBySelection) {
    session->settings().desktop.autoTile = 0;
    frame->tileViews();
    auto* area = frame->findChild<QMdiArea*>(QStringLiteral("views"));
    auto* output = frame->findChild<QDockWidget*>(QStringLiteral("renderOutputDock"));
    // Still as tiled: they follow the room.
    output->show();
    QTest::qWait(50);
    int count = 0;
    EXPECT_EQ(unitedViews(frame.get(), count), QRect(QPoint(0, 0), area->viewport()->size()));
    // Moved by hand: they stay.
    QMdiSubWindow* first = area->subWindowList().front();
    first->setGeometry(10, 10, 200, 150);
    output->hide();
    QTest::qWait(50);
    EXPECT_EQ(first->geometry(), QRect(10, 10, 200, 150));

    const QSize before = frame->size();
    CadObject* text = addObject(KX_TEXT, {0, 0, 0});
    ASSERT_NE(text, nullptr);
    AddSelectedObject(text);
    doc()->selectionChanged();
    QTest::qWait(50);
    EXPECT_EQ(frame->size(), before);
}

}  // namespace
