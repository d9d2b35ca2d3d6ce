// One view of the scene: perspective, front, plan or side. It draws the
// objects' point lists through the core's projection on a canvas of the
// screen's size (its client area centred on it), with the grid, the 3D cursor
// and the selection in the scheme's colours, and turns the mouse into
// selection, band selection, dragging and placing.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "views/view_cache.h"

class CKalvexDoc;

namespace kx::app {
struct Settings;

// What every view draws by, owned by the main window.
struct ViewEnvironment {
    Settings* settings = nullptr;  // colours, bounds, placing several objects
    bool showGrid = true;
};
}  // namespace kx::app

class CKalvexView : public QWidget {
    Q_OBJECT
public:
    CKalvexView(CKalvexDoc* doc, kx::app::ViewKind kind, const kx::app::ViewEnvironment* environment,
                QWidget* parent = nullptr);

    kx::app::ViewKind kind() const { return kind_; }
    CKalvexDoc* document() const { return doc_; }
    // ":Perspective", ":Front", ":Plan", ":Side"; nothing for any other kind.
    static QString titleSuffix(int kind);
    QString title() const;

    // The canvas every view draws on: the size of the screen.
    static QSize canvasSize();
    // Where the client area lies on the canvas.
    QPoint canvasOffset() const;
    // The client pixel a scene point is drawn at.
    QPoint sceneToClient(const Point3d& p);

    void zoomBy(double factor);
    // Shows the whole scene (the perspective view is aimed at the camera again).
    void fitScene();
    // Projects again what is stale and writes this view's rectangles into the
    // objects; picking needs them.
    void prepareForPicking();

    // In preview mode the view shows the shaded pictures instead of its lines.
    void setPreviewMode(bool on);
    bool previewMode() const { return previewMode_; }
    void showPreviewImage(const QImage& picture);
    const QImage& previewImage() const { return preview_; }

signals:
    void cursorMoved();
    void mouseStateChanged();
    void resized(int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    kx::app::DrawOptions drawOptions() const;
    void ensureProjected();
    void paintObjects(QPainter& painter);
    void paintCursor(QPainter& painter);
    // The 3D cursor follows the mouse in this view.
    void followCursor(const QPoint& client);
    // The scene offset of a client point (no pan), in the view's two axes.
    Point3d sceneOffset(const QPoint& client);
    void pressSelect(const QPoint& client, Qt::KeyboardModifiers modifiers);
    void startDrag(bool snapped, const QPoint& client);
    void dragTo(const QPoint& client);
    void place();
    void release(const QPoint& client);

    CKalvexDoc* doc_;
    kx::app::ViewKind kind_;
    const kx::app::ViewEnvironment* env_;
    kx::app::ViewCache cache_;
    bool previewMode_ = false;
    QImage preview_;
    unsigned aimedGeneration_ = ~0u;
    bool leftDown_ = false;
    bool dragging_ = false;
    bool panning_ = false;
    QPoint last_;            // last mouse position of a drag or pan
    Point3d dragRest_{};     // what a drag on the grid has not moved yet
    QPoint bandStart_, bandEnd_;
};
