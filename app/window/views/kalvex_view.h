// One view of the scene: perspective, front, plan or side. It draws the
// objects' point lists on a canvas of the screen's size (its client area
// centred on it), with the grid, the 3D cursor and the selection in the
// scheme's colours, and turns the mouse into selection, band selection,
// dragging and placing. The flat views project through the core's view table;
// the perspective view shows what the scene's camera renders, and the mouse
// moves that camera (orbit, pan, zoom).
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <string>
#include <vector>

#include "views/camera_view.h"
#include "views/view_cache.h"
#include "views/view_fit.h"

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

    // Zooms about the middle of the view; the perspective view moves its camera.
    void zoomBy(double factor);
    // Zoom to Fit: frames the objects (lights and the camera only when there
    // is nothing else); the perspective view moves its camera.
    void fitScene();
    // Zoom to Selection: frames the selected objects.
    void fitSelection();
    // The camera the perspective view shows: the scene's, or the view's own
    // when the separate view camera is on and the view has been moved.
    const CameraInfo& viewCamera() const;
    // Where the rendered picture lies in the perspective view, in client pixels.
    kx::app::FrameRect pictureRect() const;
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
    // The mouse is over a flat view at this scene point (snapped when
    // snapping is on); the coordinate the view does not show is 0.
    void pointerMoved(int kind, Point3d scene);
    void pointerLeft();
    void mouseStateChanged();
    void resized(int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Navigation { None, Pan, Orbit, PanCamera };
    Navigation navigationFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) const;
    void navigate(const QPoint& client);
    // Every camera move of this view goes through here: to the document as a
    // named edit, or to the view's own camera when that setting is on. Calls
    // with one merge key make one undo step.
    void applyCamera(const CameraInfo& camera, const char* editName, const char* mergeKey = "");
    void fitTo(kx::app::FitTarget target);
    void paintGrid(QPainter& painter);
    void paintPictureFrame(QPainter& painter);
    kx::app::DrawOptions drawOptions() const;
    void ensureProjected();
    void paintObjects(QPainter& painter);
    void paintCursor(QPainter& painter);
    // The point handles, a dialog's outline and a profile's next edge.
    void paintEditingAids(QPainter& painter);
    // The 3D cursor follows the mouse in this view.
    void followCursor(const QPoint& client);
    // The scene offset of a client point (no pan), in the view's two axes.
    Point3d sceneOffset(const QPoint& client);
    void pressSelect(const QPoint& client, Qt::KeyboardModifiers modifiers);
    // A click that did not drag: a second click on a group picks the member
    // under the mouse, Ctrl toggles the object under it.
    void clickWithoutDrag(const QPoint& client);
    // Edit Points: a press on a point starts its drag, Shift+press removes
    // it, Ctrl+press on an edge adds one; false when the press is none of these.
    bool pressEditPoints(const QPoint& client, Qt::KeyboardModifiers modifiers);
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
    // What the perspective projection was last made from: a change of any of
    // it (from this view, a panel, a script) projects the scene again.
    struct PerspectiveKey {
        CameraInfo camera{};
        kx::app::FrameRect frame;
    };
    PerspectiveKey projectedFor_{};
    bool projectedOnce_ = false;
    CameraInfo ownCamera_{};  // the separate view camera, once moved
    bool hasOwnCamera_ = false;
    bool leftDown_ = false;
    bool dragging_ = false;
    Navigation navigating_ = Navigation::None;
    QPoint last_;            // last mouse position of a drag, pan or orbit
    Point3d dragRest_{};     // what a drag on the grid has not moved yet
    // What the press found, for the release to finish a click that did not drag.
    struct Press {
        bool onSelection = false;  // the point was on the selection already
        bool toggle = false;       // Ctrl: the click toggles one object
        bool moved = false;        // the mouse went further than a click's jitter
        QPoint at;                 // where the button went down
        std::vector<CadObject*> before;  // the selection before a Ctrl press
    };
    Press press_;
    struct PointDrag {
        CadObject* object = nullptr;  // null: no point is being dragged
        size_t index = 0;
        Point3d start{};
        QPoint pressAt;
        std::string key;
        std::vector<size_t> corners;  // a mesh's corners that move together
    };
    PointDrag pointDrag_;
    QPoint bandStart_, bandEnd_;
};
