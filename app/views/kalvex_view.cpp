#include "views/kalvex_view.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <cmath>

#include "document/kalvex_doc.h"
#include "document/scene_edits.h"
#include "preview/scene_lock.h"
#include "settings/settings.h"
#include "views/bgr_colour.h"
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
    connect(doc_, &CKalvexDoc::sceneReplaced, this, reproject);
    // Which objects changed is not said: the cache finds them by their stamps.
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
    if (kind_ == kPerspective) perspectiveEye(o);
    return o;
}

void CKalvexView::ensureProjected() {
    const bool aim = kind_ == kPerspective && aimedGeneration_ != doc_->cameraGeneration();
    selectProjection(kind_, canvasSize(), aim);
    if (aim) {
        aimedGeneration_ = doc_->cameraGeneration();
        cache_.invalidate();
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
    if (env_->showGrid && kind_ != kPerspective) {
        painter.setPen(QPen(bgrToColour(colours[ColourScheme::Grid]), 0));
        drawBatched(painter, ViewCache::gridLines(kind_));
    }
    paintObjects(painter);
    paintCursor(painter);
    painter.resetTransform();
    const MouseEditor& m = doc_->mouseEditor();
    if (m.state == kMouseBand && leftDown_) {
        painter.setPen(QPen(bgrToColour(colours[ColourScheme::Object]), 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(bandStart_, bandEnd_).normalized());
    }
}

void CKalvexView::paintObjects(QPainter& painter) {
    const auto& colours = env_->settings->scheme.colours;
    const QPen objectPen(bgrToColour(colours[ColourScheme::Object]), 0);
    const QPen selectedPen(bgrToColour(colours[ColourScheme::Selected]), 0);
    // The selection is drawn last, so that it is never hidden under other lines.
    for (int pass = 0; pass < 2; ++pass) {
        painter.setPen(pass ? selectedPen : objectPen);
        for (const ProjectedObject& e : cache_.objects())
            if (e.drawn && (e.object->selected != 0) == (pass == 1)) drawBatched(painter, e.lines);
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
    Convert2Dto3D(c.x, c.y, c.z, &px, &py);
    painter.setPen(QPen(bgrToColour(env_->settings->scheme.colours[ColourScheme::Selected]), 0));
    painter.drawLine(px - 6, py, px + 6, py);
    painter.drawLine(px, py - 6, px, py + 6);
    painter.drawEllipse(QPoint(px, py), 3, 3);
}

void CKalvexView::followCursor(const QPoint& client) {
    if (kind_ == kPerspective) return;
    MouseEditor& m = doc_->mouseEditor();
    const QPoint canvas = client + canvasOffset();
    selectProjection(kind_, canvasSize(), false);
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
    selectProjection(kind_, canvasSize(), false);
    Point3d p{};
    CalcPanPosition(static_cast<unsigned>(kind_), static_cast<float>(1.0 / GetDistance(static_cast<unsigned>(kind_))),
                    static_cast<float>(canvas.x()), static_cast<float>(canvas.y()), &p, nullptr);
    return p;
}

void CKalvexView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::MiddleButton && kind_ != kPerspective) {
        panning_ = true;
        last_ = pos;
        return;
    }
    if (event->button() != Qt::LeftButton || kind_ == kPerspective) return;
    leftDown_ = true;
    prepareForPicking();
    followCursor(pos);
    MouseEditor& m = doc_->mouseEditor();
    switch (m.state) {
        case kMouseSelect:
            pressSelect(pos, event->modifiers());
            break;
        case kMouseDrag:
        case kMouseDragSnap: {
            RECT r{};
            // Shift adds to or takes from the selection, wherever it is.
            if (!(event->modifiers() & Qt::ShiftModifier) && selectionRect(r) &&
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
    if (clickSelect(canvas, modifiers & Qt::ShiftModifier)) {
        startDrag(modifiers & Qt::ControlModifier, client);
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
    if (panning_) {
        Point3d d = difference(sceneOffset(pos), sceneOffset(last_));
        last_ = pos;
        PanView(static_cast<unsigned>(kind_), &d, 0);
        cache_.invalidate();
        update();
        return;
    }
    MouseEditor& m = doc_->mouseEditor();
    if (!leftDown_) {
        // Aiming where the next object goes: the cursor follows the mouse.
        if (m.state == kMousePlace || m.state == kMouseTrack) {
            followCursor(pos);
            doc_->selectionChanged();
        }
        return;
    }
    followCursor(pos);
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
    if (d.x == 0 && d.y == 0 && d.z == 0) return;
    // Every movement of one drag merges into one undo step, sealed at the release.
    if (!kx::app::moveSelection(doc_->history(), d, "drag")) return;
    doc_->editedMoves(CKalvexDoc::selectedObjects());
}

void CKalvexView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        panning_ = false;
        return;
    }
    if (event->button() != Qt::LeftButton || !leftDown_) return;
    release(pos);
}

void CKalvexView::release(const QPoint& client) {
    leftDown_ = false;
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
            m.state = kMouseSelect;
            break;
        }
        case kMouseWaitUp:
            m.state = m.pending;
            break;
        case kMouseTrack:
            m.cursor = m.remembered;
            SetMousePos3D(&m.cursor);
            emit cursorMoved();
            break;
        default:
            m.state = kMouseSelect;
            break;
    }
    emit mouseStateChanged();
    doc_->selectionChanged();
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
    doc_->edited(CKalvexDoc::Edited::Geometry);
}

void CKalvexView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) zoomBy(std::pow(1.25, steps));
}

void CKalvexView::zoomBy(double factor) {
    const unsigned view = static_cast<unsigned>(kind_);
    double d = GetDistance(view);
    // The perspective distance is the eye's: zooming in brings it closer.
    SetDistance(kind_ == kPerspective ? d / factor : d * factor, view);
    cache_.invalidate();
    update();
}

void CKalvexView::fitScene() {
    if (kind_ == kPerspective) {
        doc_->reaim();
        return;
    }
    Point3d lo{}, hi{};
    if (!GetSceneBound(GetCurrentScene(), &lo, &hi) || lo.x > hi.x) return;
    const Point3d centre{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2};
    const double across = kind_ == kSide ? hi.z - lo.z : hi.x - lo.x;
    const double down = kind_ == kPlan ? hi.z - lo.z : hi.y - lo.y;
    const double zoom = std::min(width() / std::max(across * 1.2, 1e-3), height() / std::max(down * 1.2, 1e-3));
    SetDistance(std::clamp(zoom, 0.01, 100000.0), static_cast<unsigned>(kind_));
    Point3d pan{-centre.x, -centre.y, -centre.z};
    PanView(static_cast<unsigned>(kind_), &pan, 1);
    cache_.invalidate();
    update();
}
