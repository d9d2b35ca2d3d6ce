// Where the preview's pictures reach the window. The drawing thread hands
// each finished picture here; the newest one waits in a single slot and one
// queued call shows it in the view on the user-interface thread, so the
// drawing thread never waits for the window and stale pictures are dropped.
// Texts from the drawing thread take the same road to the message box.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <mutex>
#include <string>

#include "kxrender.h"

class CKalvexView;

class PreviewPresenter : public QObject, public PreviewTarget {
    Q_OBJECT
public:
    explicit PreviewPresenter(QObject* parent = nullptr) : QObject(parent) {}

    // The view the pictures go to (null: none); its size is the target size.
    void setView(CKalvexView* view);
    void resize(int w, int h) {
        width = w;
        height = h;
    }
    // Called on the drawing thread.
    void deliver(const PreviewFrame& frame) override;
    // Shows the text in a message box on the user-interface thread.
    void report(const std::string& text);
    int shownFrames() const { return shown_; }

private:
    void showLatest();

    QPointer<CKalvexView> view_;
    std::mutex latestLock_;
    QImage latest_;
    std::atomic<bool> posted_{false};
    int shown_ = 0;
};
