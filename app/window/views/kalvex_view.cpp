#include "views/kalvex_view.h"

#include "document/csg_edits.h"
#include "document/light_edits.h"
#include "document/mesh_points.h"
#include "views/point_handles.h"
#include "views/profile_drawing.h"
#include <QKeyEvent>

#include "model/scene_snapshot.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QWheelEvent>
#include <cmath>
#include <utility>
#include <numbers>

#include "document/kalvex_doc.h"
#include "document/scene_edits.h"
#include "model/scene_snapshot.h"
#include "settings/settings.h"
#include "views/bgr_colour.h"
#include "views/camera_navigation.h"
#include "views/flat_navigation.h"
#include "views/mouse_state.h"
#include "views/selection.h"

using namespace kx::app;

namespace {

// Lines handed to the painter at once: large meshes go in slices so that the
// painter's own buffers stay small.
constexpr size_t kLineBatch = 1 << 16;

void drawBatched(QPainter& painter, const std::vector<QLine>& lines) {
    for (size_t i = 0; i < lines.size(); i += kLineBatch)
        painter.drawLines(lines.data() + i, static_cast<int>(std::min(kLineBatch, lines.size() - i)));
}

POINT toPoint(const QPoint& p) { return POINT{p.x(), p.y()}; }

Point3d difference(const Point3d& a, const Point3d& b) { return Point3d{a.x - b.x, a.y - b.y, a.z - b.z}; }

// One wheel notch zooms by this much; one pixel of an orbit turns by this angle.
constexpr double kWheelZoom = 1.25;
constexpr double kOrbitPerPixel = std::numbers::pi / 400;
// Grid lines closer than this many pixels give way to a coarser grid.
constexpr double kMinGridSpacing = 6;

bool sameCamera(const CameraInfo& a, const CameraInfo& b) {
    auto same = [](const Point3d& p, const Point3d& q) { return p.x == q.x && p.y == q.y && p.z == q.z; };
    return same(a.location, b.location) && same(a.lookAt, b.lookAt) && same(a.up, b.up) &&
           same(a.rightDir, b.rightDir) && a.width == b.width && a.height == b.height;
}

bool sameFrame(const FrameRect& a, const FrameRect& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

Point3d onAxes(ShownAxes axes, double across, double up) {
    float v[3] = {0, 0, 0};
    v[axes.across] = static_cast<float>(across);
    v[axes.up] = static_cast<float>(up);
    return Point3d{v[0], v[1], v[2]};
}

QPoint toCanvas(const Point3d& p) {
    int px = 0, py = 0;
    Convert2Dto3D(p.x, p.y, p.z, &px, &py);
    return {px, py};
}

}  // namespace

CKalvexView::CKalvexView(CKalvexDoc* doc, ViewKind kind, const ViewEnvironment* environment, QWidget* parent)
    : QWidget(parent), doc_(doc), kind_(kind), env_(environment) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setMinimumSize(120, 90);
    auto repaint = [this] { update(); };
    auto reproject = [this] {
        cache_.invalidate();
        update();
    };
    connect(doc_, &CKalvexDoc::sceneClearing, this, [this] { cache_.invalidate(); });
    connect(doc_, &CKalvexDoc::sceneReplaced, this, [this, reproject] {
        // Another scene brings its own camera: the view looks through it again.
        hasOwnCamera_ = false;
        reproject();
    });
    // Which objects changed is not said: the cache finds them by their stamps,
    // and a moved camera by where its projection puts fixed points.
    connect(doc_, &CKalvexDoc::geometryUpdated, this, [this] {
        cache_.markChanged();
        update();
    });
    connect(doc_, &CKalvexDoc::viewOptionsUpdated, this, reproject);
    connect(doc_, &CKalvexDoc::selectionUpdated, this, repaint);
    connect(doc_, &CKalvexDoc::objectsMovedBy, this, [this](const std::vector<CadObject*>& moved) {
        cache_.markMoved(moved);
        update();
    });
}

QString CKalvexView::titleSuffix(int kind) {
    const ViewKindInfo* info = viewKindInfo(kind);
    return info ? QString::fromLatin1(info->titleSuffix) : QString();
}

QString CKalvexView::title() const { return doc_->title() + titleSuffix(kind_); }

QSize CKalvexView::canvasSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

QPoint CKalvexView::canvasOffset() const {
    QSize canvas = canvasSize();
    return QPoint(std::max(0, (canvas.width() - width()) / 2), std::max(0, (canvas.height() - height()) / 2));
}

DrawOptions CKalvexView::drawOptions() const {
    DrawOptions o;
    o.showCamera = GetShowCamera() != 0;
    o.showSpotLights = GetShowSpotLights() != 0;
    o.showBounds = env_->settings && env_->settings->view.bounds != 0;
    // The perspective view looks out of the camera: its own wireframe would
    // be drawn round the eye, smeared across the view.
    if (kind_ == kPerspective) o.showCamera = false;
    return o;
}

const CameraInfo& CKalvexView::viewCamera() const {
    const bool own = env_->settings && env_->settings->view.separateCamera != 0;
    return own && hasOwnCamera_ ? ownCamera_ : *GetActiveCamera();
}

FrameRect CKalvexView::pictureRect() const {
    const CameraInfo& camera = viewCamera();
    const int w = env_->settings ? env_->settings->render.renderX : 0;
    const int h = env_->settings ? env_->settings->render.renderY : 0;
    return fitFrame(width(), height(), pictureAspect(camera, w, h));
}

void CKalvexView::ensureProjected() {
    selectProjection(kind_, canvasSize());
    if (kind_ == kPerspective) {
        FrameRect frame = pictureRect();
        const QPoint offset = canvasOffset();
        frame.left += offset.x();
        frame.top += offset.y();
        const PerspectiveKey key{viewCamera(), frame};
        if (!projectedOnce_ || !sameCamera(key.camera, projectedFor_.camera) || !sameFrame(key.frame, projectedFor_.frame))
            cache_.invalidate();
        projectedFor_ = key;
        projectedOnce_ = true;
        useCameraProjection(key.camera, key.frame);
    }
    cache_.update(drawOptions());
}

void CKalvexView::prepareForPicking() {
    ensureProjected();
    cache_.applyRects();
}

QPoint CKalvexView::sceneToClient(const Point3d& p) {
    ensureProjected();
    int px = 0, py = 0;
    Convert2Dto3D(p.x, p.y, p.z, &px, &py);
    return QPoint(px, py) - canvasOffset();
}

void CKalvexView::setPreviewMode(bool on) {
    previewMode_ = on;
    if (!on) preview_ = QImage();
    update();
}

void CKalvexView::showPreviewImage(const QImage& picture) {
    if (!previewMode_) return;
    preview_ = picture;
    update();
}

void CKalvexView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(width(), height());
}

void CKalvexView::paintEvent(QPaintEvent*) {
    const auto& colours = env_->settings->scheme.colours;
    QPainter painter(this);
    if (previewMode_) {
        // Until the first picture arrives the view stays dark.
        painter.fillRect(rect(), Qt::black);
        if (!preview_.isNull()) painter.drawImage(QPoint((width() - preview_.width()) / 2, (height() - preview_.height()) / 2), preview_);
        return;
    }
    painter.fillRect(rect(), bgrToColour(colours[ColourScheme::Background]));
    ensureProjected();
    painter.translate(-canvasOffset());
    if (env_->showGrid && kind_ != kPerspective) paintGrid(painter);
    if (kind_ == kPerspective) paintPictureFrame(painter);
    paintObjects(painter);
    paintCursor(painter);
    paintEditingAids(painter);
    painter.resetTransform();
    const MouseEditor& m = doc_->mouseEditor();
    if (m.state == kMouseBand && leftDown_) {
        painter.setPen(QPen(bgrToColour(colours[ColourScheme::Object]), 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(bandStart_, bandEnd_).normalized());
    }
}

void CKalvexView::paintGrid(QPainter& painter) {
    // The grid covers what the client area shows, at whatever zoom: the
    // scene range of its corners, in steps no closer than a few pixels.
    const QPoint offset = canvasOffset();
    const Point3d a = scenePointAt(kind_, offset.x(), offset.y(), false);
    const Point3d b = scenePointAt(kind_, offset.x() + width(), offset.y() + height(), false);
    const ShownAxes axes = shownAxes(kind_);
    const float pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z};
    const double acrossLo = std::min(pa[axes.across], pb[axes.across]), acrossHi = std::max(pa[axes.across], pb[axes.across]);
    const double upLo = std::min(pa[axes.up], pb[axes.up]), upHi = std::max(pa[axes.up], pb[axes.up]);
    const double step = GetGridInterval();
    const double zoom = GetDistance(static_cast<unsigned>(kind_));
    std::vector<QLine> lines;
    for (double v : gridValues(acrossLo, acrossHi, step, zoom, kMinGridSpacing))
        lines.emplace_back(toCanvas(onAxes(axes, v, upLo)), toCanvas(onAxes(axes, v, upHi)));
    for (double v : gridValues(upLo, upHi, step, zoom, kMinGridSpacing))
        lines.emplace_back(toCanvas(onAxes(axes, acrossLo, v)), toCanvas(onAxes(axes, acrossHi, v)));
    painter.setPen(QPen(bgrToColour(env_->settings->scheme.colours[ColourScheme::Grid]), 0));
    drawBatched(painter, lines);
}

void CKalvexView::paintPictureFrame(QPainter& painter) {
    // Where the view is wider or taller than the picture, the picture's
    // edges show what the render will leave out.
    const FrameRect f = pictureRect();
    if (std::lround(f.width) >= width() && std::lround(f.height) >= height()) return;
    const QPoint offset = canvasOffset();
    painter.setPen(QPen(bgrToColour(env_->settings->scheme.colours[ColourScheme::Grid]), 0, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(f.left + offset.x(), f.top + offset.y(), f.width - 1, f.height - 1));
}

void CKalvexView::paintObjects(QPainter& painter) {
    const auto& colours = env_->settings->scheme.colours;
    const QPen objectPen(bgrToColour(colours[ColourScheme::Object]), 0);
    const QPen selectedPen(bgrToColour(colours[ColourScheme::Selected]), 0);
    // The selection is drawn last, so that it is never hidden under other lines.
    for (int pass = 0; pass < 2; ++pass) {
        const QPen& pen = pass ? selectedPen : objectPen;
        // What the renderer will not draw is outlined in dashes.
        QPen unrendered = pen;
        unrendered.setStyle(Qt::DashLine);
        for (const ProjectedObject& e : cache_.objects())
            if (e.drawn && (e.object->selected != 0) == (pass == 1)) {
                painter.setPen(kx::app::blobWithoutSurface(*e.object) ? unrendered : pen);
                drawBatched(painter, e.lines);
            }
    }
    QPen boundsPen = objectPen;
    boundsPen.setStyle(Qt::DotLine);
    painter.setPen(boundsPen);
    for (const ProjectedObject& e : cache_.objects())
        if (e.drawn) drawBatched(painter, e.bounds);
}

void CKalvexView::paintCursor(QPainter& painter) {
    const Point3d& c = doc_->mouseEditor().cursor;
    int px = 0, py = 0;
    if (!Convert2Dto3D(c.x, c.y, c.z, &px, &py)) return;  // behind the camera
    painter.setPen(QPen(bgrToColour(env_->settings->scheme.colours[ColourScheme::Selected]), 0));
    painter.drawLine(px - 6, py, px + 6, py);
    painter.drawLine(px, py - 6, px, py + 6);
    painter.drawEllipse(QPoint(px, py), 3, 3);
}

void CKalvexView::paintEditingAids(QPainter& painter) {
    const MouseEditor& m = doc_->mouseEditor();
    const QColor colour = bgrToColour(env_->settings->scheme.colours[ColourScheme::Selected]);
    auto project = [](const Point3d& p, QPoint& out) {
        int x = 0, y = 0;
        if (!Convert2Dto3D(p.x, p.y, p.z, &x, &y)) return false;  // behind the camera
        out = QPoint(x, y);
        return true;
    };
    QPoint a, b;
    // Edit Points shows the selected profiles' points and meshes' corners as handles.
    if (m.state == kMouseEditPoints && kind_ != kPerspective) {
        painter.setPen(QPen(colour, 0));
        const int r = kx::app::kHandleReach / 2;
        for (const kx::app::PointHandle& h : kx::app::selectedHandles())
            if (project(h.at, a)) painter.drawRect(a.x() - r, a.y() - r, 2 * r, 2 * r);
    }
    // Where each light shines: a spot's cone, an area's rectangle, a
    // parallel light's direction (dotted, in the colour of its marker).
    const auto& colours = env_->settings->scheme.colours;
    for (CadObject* o = GetCadObject(nullptr); o; o = o->next) {
        if (o->type != KX_LIGHT || !(o->flags & KX_FLAG_VISIBLE)) continue;
        painter.setPen(QPen(o->selected ? colour : bgrToColour(colours[ColourScheme::Object]), 0, Qt::DotLine));
        for (const kx::app::OutlineSegment& s : kx::app::lightGuide(o))
            if (project(s.from, a) && project(s.to, b)) painter.drawLine(a, b);
    }
    painter.setPen(QPen(colour, 0, Qt::DashLine));
    // What an open dialog will make, drawn over the scene before it is made.
    for (const kx::app::OutlineSegment& s : m.outline)
        if (project(s.from, a) && project(s.to, b)) painter.drawLine(a, b);
    // While a profile is drawn, its next edge runs from its last point to the cursor.
    if (CadObject* profile = kx::app::profileBeingDrawn(doc_); profile && kind_ != kPerspective) {
        const std::vector<Point3d> points = kx::app::profilePoints(profile);
        if (!points.empty() && project(points.back(), a) && project(m.cursor, b)) painter.drawLine(a, b);
    }
}

void CKalvexView::followCursor(const QPoint& client) {
    if (kind_ == kPerspective) return;
    MouseEditor& m = doc_->mouseEditor();
    const QPoint canvas = client + canvasOffset();
    selectProjection(kind_, canvasSize());
    Point3d pan{};
    if (m.state != kMouseTrack) GetPanOffset(static_cast<unsigned>(kind_), &pan);
    CalcPanPosition(static_cast<unsigned>(kind_), static_cast<float>(1.0 / GetDistance(static_cast<unsigned>(kind_))),
                    static_cast<float>(canvas.x()), static_cast<float>(canvas.y()), &m.cursor,
                    m.state == kMouseTrack ? nullptr : &pan);
    SnapCadObject(&m.cursor);
    SetMousePos3D(&m.cursor);
    emit cursorMoved();
}

Point3d CKalvexView::sceneOffset(const QPoint& client) {
    const QPoint canvas = client + canvasOffset();
    selectProjection(kind_, canvasSize());
    Point3d p{};
    CalcPanPosition(static_cast<unsigned>(kind_), static_cast<float>(1.0 / GetDistance(static_cast<unsigned>(kind_))),
                    static_cast<float>(canvas.x()), static_cast<float>(canvas.y()), &p, nullptr);
    return p;
}

CKalvexView::Navigation CKalvexView::navigationFor(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) const {
    if (kind_ != kPerspective) return button == Qt::MiddleButton ? Navigation::Pan : Navigation::None;
    if (button == Qt::MiddleButton) return modifiers & Qt::ShiftModifier ? Navigation::PanCamera : Navigation::Orbit;
    if (button == Qt::LeftButton && (modifiers & Qt::AltModifier)) return Navigation::Orbit;
    return Navigation::None;
}

void CKalvexView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (const Navigation n = navigationFor(event->button(), event->modifiers()); n != Navigation::None) {
        navigating_ = n;
        last_ = pos;
        // A drag of the camera is one undo step of its own.
        doc_->history().seal();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    MouseEditor& m = doc_->mouseEditor();
    if (kind_ == kPerspective && m.state != kMouseSelect && m.state != kMouseDrag && m.state != kMouseDragSnap) return;
    leftDown_ = true;
    prepareForPicking();
    followCursor(pos);
    if (m.state == kMouseEditPoints && kind_ != kPerspective) {
        if (!pressEditPoints(pos, event->modifiers())) pressSelect(pos, event->modifiers());
        // Picking or dragging, the editor stays in its state.
        if (m.state != kMouseBand) m.state = kMouseEditPoints;
        emit mouseStateChanged();
        doc_->selectionChanged();
        return;
    }
    press_ = Press{};
    press_.at = pos;
    press_.onSelection = hitTest(toPoint(pos + canvasOffset())) == 2;
    press_.toggle = (event->modifiers() & Qt::ControlModifier) && !(event->modifiers() & Qt::ShiftModifier);
    if (press_.toggle) press_.before = CKalvexDoc::selectedObjects();
    switch (m.state) {
        case kMouseSelect:
            pressSelect(pos, event->modifiers());
            break;
        case kMouseDrag:
        case kMouseDragSnap: {
            RECT r{};
            // Shift adds to or takes from the selection, wherever it is.
            if (kind_ != kPerspective && !(event->modifiers() & Qt::ShiftModifier) && selectionRect(r) &&
                rectContains(r, toPoint(pos + canvasOffset()))) {
                dragging_ = true;
                last_ = pos;
                dragRest_ = Point3d{};
            } else {
                m.state = kMouseSelect;
                pressSelect(pos, event->modifiers());
            }
            break;
        }
        case kMouseTrack:
            m.remembered = m.cursor;
            break;
        default:
            break;
    }
    emit mouseStateChanged();
    doc_->selectionChanged();
}

void CKalvexView::pressSelect(const QPoint& client, Qt::KeyboardModifiers modifiers) {
    MouseEditor& m = doc_->mouseEditor();
    const POINT canvas = toPoint(client + canvasOffset());
    const bool shift = modifiers & Qt::ShiftModifier;
    // A group has no outline to pick, so picking leaves it selected: a new
    // pick starts from nothing instead.
    if (!shift && hitTest(canvas) != 2) SetObjectsUnSelected();
    if (clickSelect(canvas, shift)) {
        // A click picks the outermost group the object belongs to, as a
        // whole; Alt picks the object itself.
        if (!shift && !press_.onSelection && !(modifiers & Qt::AltModifier))
            for (CadObject* obj : CKalvexDoc::selectedObjects())
                if (obj->parent) kx::app::selectWhole(kx::app::outermostGroupOf(obj));
        // Objects move in the flat views only: there a pixel is a scene distance.
        if (kind_ != kPerspective) startDrag(modifiers & Qt::ControlModifier, client);
        return;
    }
    m.state = kMouseBand;
    bandStart_ = bandEnd_ = client;
}

void CKalvexView::startDrag(bool snapped, const QPoint& client) {
    MouseEditor& m = doc_->mouseEditor();
    int multiple = 0;
    CentreInfo info{};
    if (!GetObjectCentrePoint(multiple, &info) || !GetNextSelectedObject(nullptr)) return;
    m.dragCentre = info.centre;
    selectionRect(m.dragRect);
    m.pending = snapped ? kMouseDragSnap : kMouseDrag;
    m.state = kMouseWaitUp;
    dragging_ = true;
    last_ = client;
    dragRest_ = Point3d{};
}

void CKalvexView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (navigating_ != Navigation::None) {
        navigate(pos);
        return;
    }
    if (kind_ != kPerspective) {
        selectProjection(kind_, canvasSize());
        const QPoint canvas = pos + canvasOffset();
        emit pointerMoved(kind_, scenePointAt(kind_, canvas.x(), canvas.y(), true));
    }
    MouseEditor& m = doc_->mouseEditor();
    if (!leftDown_) {
        // Aiming where the next object goes: the cursor follows the mouse.
        if (m.state == kMousePlace || m.state == kMouseTrack || m.state == kMouseProfile) {
            followCursor(pos);
            doc_->selectionChanged();
        }
        return;
    }
    followCursor(pos);
    if (pointDrag_.object) {
        const Point3d d = difference(sceneOffset(pos), sceneOffset(pointDrag_.pressAt));
        const Point3d& s0 = pointDrag_.start;
        const Point3d to{s0.x + d.x, s0.y + d.y, s0.z + d.z};
        if (pointDrag_.corners.empty())
            kx::app::moveProfilePoint(doc_->history(), pointDrag_.object, pointDrag_.index, to, pointDrag_.key);
        else
            kx::app::moveMeshVertex(doc_->history(), pointDrag_.object, pointDrag_.corners, to, pointDrag_.key);
        return;
    }
    if (m.state == kMouseBand) {
        bandEnd_ = pos;
        update();
    } else if (dragging_ && (m.state == kMouseWaitUp || m.state == kMouseDrag || m.state == kMouseDragSnap)) {
        // Moving with the button held drags at once rather than after the button is up.
        if (m.state == kMouseWaitUp) {
            m.state = m.pending;
            emit mouseStateChanged();
        }
        dragTo(pos);
    }
    doc_->selectionChanged();
}

void CKalvexView::navigate(const QPoint& client) {
    const QPoint d = client - last_;
    last_ = client;
    if (d.isNull()) return;
    if (navigating_ == Navigation::Pan) {
        Point3d shift = difference(sceneOffset(client), sceneOffset(client - d));
        PanView(static_cast<unsigned>(kind_), &shift, 0);
        cache_.invalidate();
        update();
        return;
    }
    if (navigating_ == Navigation::Orbit) {
        // Dragging right turns the scene to the right; dragging down shows it from higher up.
        applyCamera(orbitCamera(viewCamera(), d.x() * kOrbitPerPixel, d.y() * kOrbitPerPixel), "Orbit", "camera drag");
        return;
    }
    const FrameRect f = pictureRect();
    if (f.width > 0 && f.height > 0)
        applyCamera(panCamera(viewCamera(), d.x() / f.width, -d.y() / f.height), "Pan", "camera drag");
}

void CKalvexView::applyCamera(const CameraInfo& camera, const char* editName, const char* mergeKey) {
    if (env_->settings && env_->settings->view.separateCamera) {
        ownCamera_ = camera;
        hasOwnCamera_ = true;
        update();
        return;
    }
    doc_->changeCamera(camera, QString::fromLatin1(editName), mergeKey);
}

void CKalvexView::dragTo(const QPoint& client) {
    MouseEditor& m = doc_->mouseEditor();
    Point3d d = difference(sceneOffset(client), sceneOffset(last_));
    last_ = client;
    if (m.state == kMouseDragSnap) {
        // Whole grid steps only; the rest waits for the next movement.
        double step = 0;
        if (!GetSnapGrid(&step)) step = GetGridInterval();
        if (!(step > 0)) step = 1;
        float* rest[3] = {&dragRest_.x, &dragRest_.y, &dragRest_.z};
        float* move[3] = {&d.x, &d.y, &d.z};
        for (int i = 0; i < 3; ++i) {
            *rest[i] += *move[i];
            double whole = std::trunc(*rest[i] / step) * step;
            *move[i] = static_cast<float>(whole);
            *rest[i] -= static_cast<float>(whole);
        }
    }
    if ((client - press_.at).manhattanLength() >= QGuiApplication::styleHints()->startDragDistance())
        press_.moved = true;
    if (d.x == 0 && d.y == 0 && d.z == 0) return;
    // Every movement of one drag merges into one undo step, sealed at the release.
    kx::app::moveSelection(doc_->history(), d, "drag");
}

void CKalvexView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first click of the two placed a point already: the second ends the profile.
    if (event->button() == Qt::LeftButton && doc_->mouseEditor().state == kMouseProfile) {
        kx::app::finishProfile(doc_);
        emit mouseStateChanged();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

bool CKalvexView::event(QEvent* event) {
    // Esc cancels a render everywhere else; while a profile is drawn it takes the drawing back.
    if (event->type() == QEvent::ShortcutOverride && doc_->mouseEditor().state == kMouseProfile) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CKalvexView::keyPressEvent(QKeyEvent* event) {
    if (doc_->mouseEditor().state != kMouseProfile) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Backspace: kx::app::takeBackProfilePoint(doc_); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: kx::app::finishProfile(doc_); break;
        case Qt::Key_Escape: kx::app::cancelProfile(doc_); break;
        default: QWidget::keyPressEvent(event); return;
    }
    emit mouseStateChanged();
    update();
}

void CKalvexView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (navigating_ != Navigation::None) {
        if (event->buttons() & (Qt::MiddleButton | Qt::LeftButton)) return;
        navigating_ = Navigation::None;
        doc_->history().seal();
        return;
    }
    if (event->button() != Qt::LeftButton || !leftDown_) return;
    release(pos);
}

void CKalvexView::release(const QPoint& client) {
    leftDown_ = false;
    if (pointDrag_.object) {
        pointDrag_ = PointDrag{};
        doc_->history().seal();
        return;
    }
    const bool wasDragging = dragging_;
    if (dragging_) doc_->history().seal();
    dragging_ = false;
    // A band ends where the mouse left the view.
    const QPoint pos(std::clamp(client.x(), 0, width()), std::clamp(client.y(), 0, height()));
    followCursor(pos);
    MouseEditor& m = doc_->mouseEditor();
    switch (m.state) {
        case kMousePlace:
            place();
            break;
        case kMouseBand: {
            bandEnd_ = pos;
            prepareForPicking();
            bandSelect(RECT{bandStart_.x(), bandStart_.y(), bandEnd_.x(), bandEnd_.y()}, toPoint(canvasOffset()));
            m.state = m.editPoints ? kMouseEditPoints : kMouseSelect;
            break;
        }
        case kMouseWaitUp:
            m.state = m.pending;
            clickWithoutDrag(pos);
            break;
        case kMouseTrack:
            m.cursor = m.remembered;
            SetMousePos3D(&m.cursor);
            emit cursorMoved();
            break;
        case kMouseProfile:
            if (kind_ != kPerspective) kx::app::addProfilePointAt(doc_, m.cursor);
            break;
        case kMouseEditPoints:
            break;
        case kMouseDrag:
        case kMouseDragSnap:
            if (wasDragging) clickWithoutDrag(pos);
            m.state = kMouseSelect;
            break;
        default:
            m.state = kMouseSelect;
            break;
    }
    emit mouseStateChanged();
    doc_->selectionChanged();
}

bool CKalvexView::pressEditPoints(const QPoint& client, Qt::KeyboardModifiers modifiers) {
    const kx::app::Projector project = [this](const Point3d& p) { return sceneToClient(p); };
    if (const auto handle = kx::app::handleAt(client, project)) {
        if (modifiers & Qt::ShiftModifier) {
            if (handle->corners.empty()) kx::app::removeProfilePoint(doc_->history(), handle->object, handle->index);
            else kx::app::removeMeshVertex(doc_->history(), handle->object, handle->corners);
            return true;
        }
        static unsigned drags = 0;
        doc_->history().seal();
        pointDrag_ = PointDrag{handle->object, handle->index, handle->at, client, "edit points " + std::to_string(++drags),
                               handle->corners};
        return true;
    }
    if (modifiers & Qt::ControlModifier)
        if (const auto edge = kx::app::edgeAt(client, project)) {
            if (edge->from.empty()) kx::app::insertProfilePoint(doc_->history(), edge->object, edge->after, edge->at);
            else kx::app::splitMeshEdge(doc_->history(), edge->object, edge->from, edge->to, edge->at);
            return true;
        }
    return false;
}

void CKalvexView::clickWithoutDrag(const QPoint& client) {
    const Press press = std::exchange(press_, Press{});
    if (press.moved) return;
    const POINT canvas = toPoint(client + canvasOffset());
    if (press.toggle) {
        SetObjectsUnSelected();
        for (CadObject* obj : press.before) AddSelectedObject(obj);
        clickSelect(canvas, true);
        return;
    }
    if (!press.onSelection) return;
    // Only a group picked as a whole gives way to its member: a click on a
    // plain selection leaves it as it is.
    bool inPickedGroup = false;
    for (CadObject* obj = GetCadObject(nullptr); obj && !inPickedGroup; obj = obj->next)
        if (isPickable(obj) && rectContains(obj->rect, canvas) && obj->parent && obj->parent->selected)
            inPickedGroup = true;
    if (!inPickedGroup) return;
    SetObjectsUnSelected();
    clickSelect(canvas, false);
}

void CKalvexView::place() {
    MouseEditor& m = doc_->mouseEditor();
    // Points are drawn one click at a time into the selected point object.
    if (m.placeType == KX_POINTS) {
        kx::app::placePoint(doc_->history(), m.cursor);
    } else {
        kx::app::createObject(doc_->history(), m.placeType, m.cursor, m.placeImage);
        if (!env_->settings->desktop.placeMultiple) m.state = kMouseSelect;
    }
}

void CKalvexView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const double factor = std::pow(kWheelZoom, notches);
    const QPointF pos = event->position();
    if (kind_ == kPerspective) {
        // The point under the pointer comes closer and stays under it.
        const FrameRect f = pictureRect();
        if (!(f.width > 0) || !(f.height > 0)) return;
        const double fx = (pos.x() - f.left) / f.width - 0.5, fy = 0.5 - (pos.y() - f.top) / f.height;
        // Turning the wheel on is one step until something else is done.
        applyCamera(zoomCamera(viewCamera(), factor, fx, fy), "Zoom", "wheel zoom");
        return;
    }
    selectProjection(kind_, canvasSize());
    const QPoint offset = canvasOffset();
    zoomFlatViewAbout(kind_, factor, pos.x() + offset.x(), pos.y() + offset.y());
    cache_.invalidate();
    update();
}

void CKalvexView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

void CKalvexView::zoomBy(double factor) {
    if (kind_ == kPerspective) {
        applyCamera(zoomCamera(viewCamera(), factor, 0, 0), "Zoom");
        return;
    }
    selectProjection(kind_, canvasSize());
    const QSize canvas = canvasSize();
    zoomFlatViewAbout(kind_, factor, canvas.width() * 0.5, canvas.height() * 0.5);
    cache_.invalidate();
    update();
}

void CKalvexView::fitScene() { fitTo(FitTarget::Objects); }

void CKalvexView::fitSelection() { fitTo(FitTarget::Selection); }

void CKalvexView::fitTo(FitTarget target) {
    Point3d lo{}, hi{};
    if (!fitBounds(target, lo, hi)) return;
    if (kind_ == kPerspective) {
        applyCamera(fitCamera(viewCamera(), lo, hi), target == FitTarget::Objects ? "Zoom to Fit" : "Zoom to Selection");
        return;
    }
    fitFlatView(kind_, lo, hi, width(), height());
    cache_.invalidate();
    update();
}
