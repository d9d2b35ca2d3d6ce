// Paints the SCREEN plug-ins over one view: a see-through child of the view,
// as large as it, that calls every enabled SCREEN item (reason 1) each time
// the view is painted.
#pragma once

#include <QWidget>

namespace kx::plugins {
class PluginManager;
}

class ScreenPainter : public QWidget {
    Q_OBJECT
public:
    ScreenPainter(QWidget* view, int viewKind);
    // The number of SCREEN items called in the last paint.
    int lastCalls() const { return lastCalls_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int viewKind_;
    int lastCalls_ = 0;
};
