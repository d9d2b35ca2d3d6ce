#include "render_view/render_view.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>

#include "mainframe/app_session.h"
#include "pixmo.h"

namespace {

QSize imageSize() {
    PxBits bits{};
    if (!pxGetSurfaceBits(pxGetMemDC(), &bits)) return {};
    return QSize(bits.width, bits.height);
}

}  // namespace

CRenderView::CRenderView(PxViewport** viewport, QWidget* parent) : QWidget(parent), viewport_(viewport) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    imageChanged();
}

QString CRenderView::titleFor(const QString& documentTitle) { return documentTitle + QStringLiteral(" :Rendered view"); }

CRenderView::~CRenderView() {
    if (shown_) pxReleaseViewport(shown_);
}

void CRenderView::imageChanged() {
    if (shown_) pxReleaseViewport(shown_);
    shown_ = pxCreateViewportFromImage(kx::app::AppSession::ownerWindow());
    shownSize_ = shown_ ? imageSize() : QSize();
    if (shownSize_.isValid()) setFixedSize(shownSize_);
    update();
}

QSize CRenderView::sizeHint() const { return shownSize_.isValid() ? shownSize_ : QSize(320, 200); }

void CRenderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // The image library paints its surface through the program's drawing table.
    if (shown_) pxPaintViewportEx(shown_, reinterpret_cast<HDC>(&painter), 0, 0, 0, 0, 0);
}

void CRenderView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* save = menu.addAction(tr("Save Image As..."));
    if (menu.exec(event->globalPos()) != save) return;
    QString path = QFileDialog::getSaveFileName(this, tr("Save Image As"), QString(),
                                                tr("Targa (*.tga);;Bitmap (*.bmp);;JPEG (*.jpg)"));
    if (!path.isEmpty()) saveShownImage(path);
}

namespace {

// A Targa the user saves opens upright in every viewer: the top-left origin,
// as the renderer's own pictures have (some viewers ignore the origin bit of
// bottom-left files and show them upside down).
bool saveViewport(PxViewport* viewport, const QString& path) {
    const QByteArray name = path.toLocal8Bit();
    if (path.endsWith(QStringLiteral(".tga"), Qt::CaseInsensitive))
        return viewport->valid && WriteTGATopFirst(viewport->dc, name.constData()) != 0;
    return pxSaveViewPortEx(viewport, name.constData(), 0) != 0;
}

}  // namespace

bool CRenderView::saveShownImage(const QString& path) {
    if (shown_) return saveViewport(shown_, path);
    return viewport_ && saveImage(path, *viewport_);
}

bool CRenderView::saveImage(const QString& path, PxViewport*& viewport) {
    // The image is copied into the render viewport, which the library writes by the name's kind.
    if (viewport) {
        pxReleaseViewport(viewport);
        viewport = nullptr;
    }
    viewport = pxCreateViewportFromImage(kx::app::AppSession::ownerWindow());
    return viewport && saveViewport(viewport, path);
}
