#include "plugins/screen_painter.h"

#include <QEvent>
#include <QPainter>

#include "kxplugin.h"
#include "plugins/host_state.h"
#include "plugins/plugin_manager.h"

ScreenPainter::ScreenPainter(QWidget* view, int viewKind) : QWidget(view), viewKind_(viewKind) {
    setObjectName(QStringLiteral("screenPainter"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(view->rect());
    view->installEventFilter(this);
    show();
}

bool ScreenPainter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void ScreenPainter::paintEvent(QPaintEvent*) {
    lastCalls_ = 0;
    kx::plugins::HostState& state = kx::plugins::hostState();
    kx::plugins::PluginManager* m = state.manager;
    if (m == nullptr || state.painting) return;
    QPainter painter(this);
    // The plug-ins may only read the scene while they paint.
    state.painting = true;
    for (size_t i = 0; i < m->items().size(); ++i) {
        const kx::plugins::PluginItem& item = m->items()[i];
        if (item.kindId != kx::plugins::KindScreen || item.state == 0 || !item.entry) continue;
        PluginScreenView view{parentWidget(), &painter, viewKind_, width(), height(), 0};
        painter.save();
        m->call(i, nullptr, 1, &view);
        painter.restore();
        ++lastCalls_;
    }
    state.painting = false;
}
