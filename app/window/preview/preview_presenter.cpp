#include "preview/preview_presenter.h"

#include <QMetaObject>

#include "kxcore.h"
#include "views/kalvex_view.h"

void PreviewPresenter::setView(CKalvexView* view) {
    view_ = view;
    if (view) resize(view->width(), view->height());
}

void PreviewPresenter::deliver(const PreviewFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || !frame.pixels) return;
    // The library's pixels are 0xFFRRGGBB: a copy in the same layout.
    QImage copy(reinterpret_cast<const uchar*>(frame.pixels), frame.width, frame.height, frame.width * 4,
                QImage::Format_RGB32);
    {
        std::lock_guard lock(latestLock_);
        latest_ = copy.copy();
    }
    if (!posted_.exchange(true)) QMetaObject::invokeMethod(this, &PreviewPresenter::showLatest, Qt::QueuedConnection);
}

void PreviewPresenter::showLatest() {
    posted_ = false;
    QImage picture;
    {
        std::lock_guard lock(latestLock_);
        picture.swap(latest_);
    }
    if (picture.isNull() || !view_) return;
    ++shown_;
    view_->showPreviewImage(picture);
}

void PreviewPresenter::report(const std::string& text) {
    QMetaObject::invokeMethod(this, [text] { ErrorMessage("%s", text.c_str()); }, Qt::QueuedConnection);
}
