#include "mainframe/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <filesystem>

#include "animation/animation_commands.h"
#include "dialogs/render_settings_dialog.h"
#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"
#include "mainframe/app_session.h"
#include "mainframe/context_menus.h"
#include "mainframe/edit_commands.h"
#include "mainframe/file_commands.h"
#include "mainframe/property_panel.h"
#include "mainframe/qt_ui_table.h"
#include "mainframe/scene_tree_panel.h"
#include "mainframe/work_keeper.h"
#include "plugins/host_state.h"
#include "plugins/plugin_commands.h"
#include "plugins/window_document.h"
#include "preview/preview_driver.h"
#include "preview/preview_presenter.h"
#include "preview/preview_settings.h"
#include "render_view/render_controller.h"
#include "render_view/render_output_panel.h"
#include "render_view/render_view.h"
#include "texbuild/texture_commands.h"
#include "views/flat_navigation.h"
#include "views/mouse_state.h"
#include "views/view_layout.h"
#include "script/macro_doc.h"

using namespace kx::app;

namespace {

StoredRect* storedViewRect(Settings& s, int kind) { return &(s.desktop.*kViewKinds[kind].position); }

int* showSetting(Settings& s, int kind) { return &(s.desktop.*kViewKinds[kind].shown); }

}  // namespace

CMainFrame::CMainFrame(AppSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), firstStart_(isFirstStart(session.settings().desktop)) {
    setObjectName(QStringLiteral("mainFrame"));
    env_.settings = &session_.settings();
    // The preview exists before any view: the perspective view starts it.
    presenter_ = new PreviewPresenter(this);
    preview_ = std::make_unique<kx::app::PreviewDriver>(
        kx::app::libraryBackend(), [p = presenter_](const std::string& text) { p->report(text); });
    PreviewCaps caps{};
    kx::app::queryPreviewCapabilities(kx::app::libraryBackend(), caps);
    kx::app::applyPreviewCapabilities(caps, session_.settings());
    doc_ = new CKalvexDoc(session_.settings(), this);
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("views"));
    setCentralWidget(mdi_);
    // Docks shown, closed or resized change the view area: tiled views follow it.
    mdi_->viewport()->installEventFilter(this);
    fileCommands_ = new FileCommands(session_, doc_, this);
    keeper_ = new kx::app::WorkKeeper(doc_, session_.settings().directories.program + "/autosave",
                                      session_.settings().desktop.autosaveSeconds, this);
    editCommands_ = new EditCommands(doc_, this);
    textureCommands_ = new TextureCommands(session_, this);
    renderer_ = new RenderController(session_, doc_, this);
    // Plug-ins reach the open document, its views and dialogs from here on.
    kx::plugins::hostState().document = std::make_unique<kx::plugins::WindowDocument>(doc_, renderer_, this);
    createDocks();
    createMenus();
    contextMenus_ = new ContextMenus(this);
    contextMenus_->attachTree(sceneTree_);
    connect(sceneTree_, &SceneTreePanel::deleteAsked, this, [this] {
        if (QAction* a = action(QStringLiteral("editDelete"))) a->trigger();
    });
    createStatusBar();
    animation_ = new AnimationCommands(session_, this);
    new PluginCommands(session_, this);
    macro_ = CMacroDoc::install(this, doc_);

    connect(doc_, &CKalvexDoc::titleChanged, this, &CMainFrame::updateTitles);
    connect(doc_, &CKalvexDoc::geometryUpdated, this, &CMainFrame::autoRedraw);
    connect(doc_, &CKalvexDoc::sceneReplaced, this, &CMainFrame::autoRedraw);
    connect(doc_, &CKalvexDoc::objectsMovedBy, this, &CMainFrame::autoRedraw);
    connect(textureCommands_, &TextureCommands::previewFinished, this,
            [this](const QString& texture, const QString&, bool ok) {
                statusBar()->showMessage(ok ? tr("Preview of %1 rendered").arg(texture)
                                            : tr("Preview of %1 failed").arg(texture));
            });
    connect(textureCommands_, &TextureCommands::coloursUpdated, doc_, &CKalvexDoc::viewOptionsChanged);
    connect(textureCommands_, &TextureCommands::allFinished, this, [this](int rendered, int failed) {
        statusBar()->showMessage(tr("%1 texture previews rendered, %2 failed").arg(rendered).arg(failed));
    });
    connect(editCommands_, &EditCommands::mouseStateChanged, this, &CMainFrame::updateStatus);
    connect(fileCommands_, &FileCommands::recentFilesChanged, this, &CMainFrame::fillRecentFiles);
    connect(renderer_, &RenderController::started, this, [this](const QString& command) {
        renderOutput_->begin(command);
        docks_[Dock::RenderOutput]->show();
        statusBar()->showMessage(tr("Rendering..."));
    });
    connect(renderer_, &RenderController::output, this, [this](const QString& piece) { renderOutput_->append(piece); });
    connect(renderer_, &RenderController::finished, this, &CMainFrame::renderFinished);
    connect(renderOutput_->cancelButton(), &QAbstractButton::clicked, this, [this] { renderer_->cancel(); });
    // Another scene's picture and log would be taken for this one's.
    connect(doc_, &CKalvexDoc::documentReplaced, this, [this] {
        if (renderer_->running()) return;
        if (renderWindow_) renderWindow_->close();
        renderOutput_->begin(QString());
        renderOutput_->end(QString());
    });

    // The tree must be the object selector before the first object is made.
    sceneTree_->registerSelector();
    doc_->newScene(session_.settings().exports.useDefaults != 0);
    openStartViews();
    placeFrame();
    updateTitles();
    updateStatus();
}

CMainFrame::~CMainFrame() {
    stopPreview();
    kx::plugins::hostState().document.reset();
    if (sceneTree_) sceneTree_->unregisterSelector();
}

void CMainFrame::createDocks() {
    auto dock = [this](const QString& name, const QString& title, QWidget* content, Qt::DockWidgetArea area) {
        auto* d = new QDockWidget(title, this);
        d->setObjectName(name);
        d->setWidget(content);
        addDockWidget(area, d);
        return d;
    };
    sceneTree_ = new SceneTreePanel(doc_, this);
    properties_ = new PropertyPanel(doc_, this);
    // The panel scrolls instead of widening the dock, and with it the whole
    // window, when an object with longer fields is selected.
    auto* propertyScroll = new QScrollArea(this);
    propertyScroll->setObjectName(QStringLiteral("propertiesScroll"));
    propertyScroll->setWidgetResizable(true);
    propertyScroll->setFrameShape(QFrame::NoFrame);
    propertyScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    propertyScroll->setWidget(properties_);
    renderOutput_ = new RenderOutputPanel(this);
    // The tree above the properties, on the left: the views keep the width.
    QDockWidget* tree = dock(QStringLiteral("sceneTreeDock"), tr("Scene"), sceneTree_, Qt::LeftDockWidgetArea);
    QDockWidget* props = dock(QStringLiteral("propertiesDock"), tr("Properties"), propertyScroll, Qt::LeftDockWidgetArea);
    docks_[Dock::SceneTree] = tree;
    docks_[Dock::Properties] = props;
    splitDockWidget(tree, props, Qt::Vertical);
    resizeDocks({tree}, {250}, Qt::Horizontal);
    resizeDocks({tree, props}, {180, 320}, Qt::Vertical);
    // The render output takes room only once there is something to show.
    docks_[Dock::RenderOutput] =
        dock(QStringLiteral("renderOutputDock"), tr("Render Output"), renderOutput_, Qt::BottomDockWidgetArea);
    docks_[Dock::RenderOutput]->hide();
}

void CMainFrame::showDock(Dock which) {
    QDockWidget* d = docks_[which];
    d->show();
    d->raise();
}

void CMainFrame::showStatus(const QString& text, int milliseconds) { statusBar()->showMessage(text, milliseconds); }

void CMainFrame::insertMenu(QMenu* menu) {
    const QList<QAction*> menus = menuBar()->actions();
    if (menus.isEmpty()) menuBar()->addMenu(menu);
    else menuBar()->insertMenu(menus.last(), menu);
}

QToolBar* CMainFrame::addTools(const QString& title) { return addToolBar(title); }

void CMainFrame::addDock(Qt::DockWidgetArea area, QDockWidget* dock) { addDockWidget(area, dock); }

std::vector<CKalvexView*> CMainFrame::openViews() const {
    std::vector<CKalvexView*> out;
    for (int kind = 0; kind < static_cast<int>(views_.size()); ++kind)
        if (CKalvexView* v = view(kind)) out.push_back(v);
    return out;
}

void CMainFrame::createStatusBar() {
    cursorLabel_ = new QLabel(this);
    cursorLabel_->setObjectName(QStringLiteral("cursorLabel"));
    stateLabel_ = new QLabel(this);
    stateLabel_->setObjectName(QStringLiteral("stateLabel"));
    pointerLabel_ = new QLabel(this);
    pointerLabel_->setObjectName(QStringLiteral("pointerLabel"));
    statusBar()->addPermanentWidget(pointerLabel_);
    statusBar()->addPermanentWidget(stateLabel_);
    statusBar()->addPermanentWidget(cursorLabel_);
}

CKalvexView* CMainFrame::view(int kind) const {
    if (!viewKindInfo(kind) || !views_[kind]) return nullptr;
    return qobject_cast<CKalvexView*>(views_[kind]->widget());
}

CKalvexView* CMainFrame::showView(int kind, bool show) {
    const ViewKindInfo* info = viewKindInfo(kind);
    if (!info) return nullptr;
    if (!show) {
        if (kind == kPerspective) stopPreview();
        if (views_[kind]) views_[kind]->close();
        return nullptr;
    }
    if (views_[kind]) return view(kind);
    auto* v = new CKalvexView(doc_, info->kind, &env_);
    QMdiSubWindow* sub = mdi_->addSubWindow(v);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(v->title());
    sub->resize(400, 300);
    views_[kind] = sub;
    contextMenus_->attachView(v);
    connect(v, &CKalvexView::cursorMoved, this, &CMainFrame::updateStatus);
    connect(v, &CKalvexView::mouseStateChanged, this, &CMainFrame::updateStatus);
    connect(v, &CKalvexView::pointerMoved, this, &CMainFrame::showPointer);
    connect(v, &CKalvexView::pointerLeft, this, &CMainFrame::clearPointer);
    if (QAction* a = action(QString::fromLatin1(info->action))) {
        a->setChecked(true);
        connect(sub, &QObject::destroyed, a, [a] { a->setChecked(false); });
    }
    if (kind == kPerspective) {
        connect(v, &CKalvexView::resized, presenter_, [this, v](int w, int h) {
            if (presenter_ && v->previewMode()) {
                presenter_->resize(w, h);
                redrawPreview();
            }
        });
        // Closing the view ends the preview. The presenter is the context:
        // while the window itself is torn down it is gone first, and the
        // window has stopped the preview already.
        connect(sub, &QObject::destroyed, presenter_, [d = preview_.get(), p = presenter_] {
            d->Stop();
            p->setView(nullptr);
        });
    }
    sub->show();
    if (kind == kPerspective) startPreview();
    return v;
}

void CMainFrame::startPreview() {
    CKalvexView* v = view(kPerspective);
    if (!v || !session_.settings().desktop.enableGL || preview_->running()) return;
    presenter_->setView(v);
    v->setPreviewMode(true);
    if (!kx::app::startPreview(*preview_, presenter_, session_.settings())) {
        v->setPreviewMode(false);
        presenter_->setView(nullptr);
    }
    if (QAction* a = action(QStringLiteral("viewShadedPreview"))) a->setChecked(session_.settings().desktop.enableGL != 0);
}

void CMainFrame::stopPreview() {
    if (!preview_) return;
    preview_->Stop();
    if (presenter_) {
        if (CKalvexView* v = view(kPerspective)) v->setPreviewMode(false);
        presenter_->setView(nullptr);
    }
}

void CMainFrame::setShadedPreview(bool on) {
    session_.settings().desktop.enableGL = on ? 1 : 0;
    if (on) startPreview();
    else stopPreview();
}

void CMainFrame::redrawPreview() {
    if (!preview_->running()) return;
    preview_->setPreviewRender(session_.settings().desktop.previewRender);
    preview_->setPictureSize(session_.settings().render.renderX, session_.settings().render.renderY);
    preview_->Redraw();
}

bool CMainFrame::previewRunning() const { return preview_ && preview_->running(); }

void CMainFrame::autoRedraw() {
    if (session_.settings().desktop.autoRedraw) redrawPreview();
}

CRenderView* CMainFrame::renderView() const {
    if (!renderWindow_) return nullptr;
    auto* scroll = qobject_cast<QScrollArea*>(renderWindow_->widget());
    return scroll ? qobject_cast<CRenderView*>(scroll->widget()) : nullptr;
}

void CMainFrame::showRenderView() {
    if (CRenderView* v = renderView()) {
        v->imageChanged();
    } else {
        auto* scroll = new QScrollArea;
        scroll->setWidget(new CRenderView(&session_.renderViewport()));
        renderWindow_ = mdi_->addSubWindow(scroll);
        renderWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    const QSize image = renderView()->sizeHint();
    renderWindow_->resize(image + QSize(40, 60));
    renderWindow_->setWindowTitle(CRenderView::titleFor(doc_->title()));
    renderWindow_->show();
    mdi_->setActiveSubWindow(renderWindow_);
}

void CMainFrame::openStartViews() {
    Settings& s = session_.settings();
    bool any = false;
    for (int kind = 0; kind < kViewKindCount; ++kind)
        if (firstStart_ || *showSetting(s, kind)) {
            showView(kind, true);
            any = true;
        }
    if (!any) showView(kFront, true);
    for (int kind = 0; kind < kViewKindCount; ++kind) {
        const StoredRect* r = storedViewRect(s, kind);
        if (!s.desktop.autoTile && views_[kind] && !r->empty()) views_[kind]->setGeometry(r->left, r->top, r->width, r->height);
    }
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (laidOut_) return;
    laidOut_ = true;
    if (!session_.settings().desktop.autoTile && !firstStart_) return;
    tileViews();
    // The area takes its final size once the window is laid out.
    QTimer::singleShot(0, this, [this] { tileViews(); });
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mdi_->viewport() && event->type() == QEvent::Resize && viewsTiled()) tileViews();
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::viewsTiled() const {
    if (session_.settings().desktop.autoTile) return true;
    // Views the user arranged by hand stay where they were put.
    size_t i = 0;
    for (ViewKind kind : kTileOrder) {
        if (!views_[kind]) continue;
        if (i >= tiled_.size() || views_[kind]->geometry() != tiled_[i]) return false;
        ++i;
    }
    return i == tiled_.size() && i > 0;
}

void CMainFrame::tileViews() {
    const QSize area = mdi_->viewport()->size();
    std::vector<QMdiSubWindow*> open;
    for (ViewKind kind : kTileOrder)
        if (views_[kind]) open.push_back(views_[kind]);
    const std::vector<StoredRect> cells = tileCells(static_cast<int>(open.size()), area.width(), area.height());
    tiled_.clear();
    for (size_t i = 0; i < open.size() && i < cells.size(); ++i) {
        open[i]->showNormal();
        open[i]->setGeometry(cells[i].left, cells[i].top, cells[i].width, cells[i].height);
        tiled_.push_back(open[i]->geometry());
    }
}

namespace {

kx::app::StoredRect storedRect(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

}  // namespace

void CMainFrame::placeFrame() {
    const Settings& s = session_.settings();
    // Where it was closed on one of the screens there are now.
    std::vector<kx::app::ScreenArea> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.push_back({storedRect(screen->geometry()), storedRect(screen->availableGeometry())});
    if (const auto place = kx::app::rememberedPlace(s.desktop, screens)) {
        setGeometry(place->frame.left, place->frame.top, place->frame.width, place->frame.height);
        if (place->maximize) setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    const StoredRect& r = s.desktop.framePos;
    const QRect desktop = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1024, 768);
    // A stored place that does not fit on this desktop is not used.
    if (!s.desktop.maximize && !r.empty() && r.width <= desktop.width() && r.height <= desktop.height()) {
        setGeometry(r.left, r.top, r.width, r.height);
    } else if (!s.desktop.maximize && r.empty()) {
        // Nothing stored yet: a sensible share of the screen rather than a small window in a corner.
        const StoredRect f = firstStartFrame(StoredRect{desktop.left(), desktop.top(), desktop.width(), desktop.height()});
        setGeometry(f.left, f.top, f.width, f.height);
    } else if (s.render.resize)
        resize(650, 450);
    if (s.desktop.maximize) setWindowState(windowState() | Qt::WindowMaximized);
    fitScreen(desktop);
}

void CMainFrame::fitScreen(const QRect& desktop) {
    // At a large scale factor the stored or first size may not fit: the
    // window never stands taller or wider than the screen's free area.
    QRect g = geometry();
    g.setWidth(std::min(g.width(), desktop.width()));
    g.setHeight(std::min(g.height(), desktop.height()));
    if (g.right() > desktop.right()) g.moveRight(desktop.right());
    if (g.bottom() > desktop.bottom()) g.moveBottom(desktop.bottom());
    if (g.left() < desktop.left()) g.moveLeft(desktop.left());
    if (g.top() < desktop.top()) g.moveTop(desktop.top());
    if (g != geometry()) setGeometry(g);
}

void CMainFrame::storeWindowState() {
    Settings& s = session_.settings();
    const QRect g = normalGeometry();
    const QRect on = screen() ? screen()->geometry() : QRect();
    kx::app::rememberFrame(s.desktop, storedRect(on), storedRect(g), isMaximized());
    for (int kind = 0; kind < kViewKindCount; ++kind) {
        *showSetting(s, kind) = views_[kind] ? 1 : 0;
        if (views_[kind]) {
            const QRect v = views_[kind]->geometry();
            *storedViewRect(s, kind) = StoredRect{v.left(), v.top(), v.width(), v.height()};
        }
    }
}

void CMainFrame::updateTitles() {
    setWindowTitle(doc_->title() + QStringLiteral("[*] - Kalvex"));
    setWindowModified(doc_->isModified());
    for (int kind = 0; kind < kViewKindCount; ++kind)
        if (CKalvexView* v = view(kind)) views_[kind]->setWindowTitle(v->title());
    if (renderWindow_) renderWindow_->setWindowTitle(CRenderView::titleFor(doc_->title()));
}

void CMainFrame::updateStatus() {
    const MouseEditor& m = doc_->mouseEditor();
    cursorLabel_->setText(QStringLiteral("X %1  Y %2  Z %3")
                              .arg(m.cursor.x, 0, 'f', 3)
                              .arg(m.cursor.y, 0, 'f', 3)
                              .arg(m.cursor.z, 0, 'f', 3));
    QString state = QString::fromLatin1(mouseStateName(m.state));
    if (m.state == kMousePlace) {
        const char* type = GetObjectTypeName(static_cast<int>(m.placeType));
        state += QLatin1Char(' ') + QString::fromLatin1(type ? type : "");
    }
    stateLabel_->setText(state);
}

void CMainFrame::showPointer(int kind, const Point3d& scene) {
    static const char* const kAxis[] = {"X", "Y", "Z"};
    const float v[3] = {scene.x, scene.y, scene.z};
    const ShownAxes axes = shownAxes(static_cast<ViewKind>(kind));
    pointerLabel_->setText(QStringLiteral("%1 %2  %3 %4")
                               .arg(QLatin1String(kAxis[axes.across]))
                               .arg(v[axes.across], 0, 'f', 3)
                               .arg(QLatin1String(kAxis[axes.up]))
                               .arg(v[axes.up], 0, 'f', 3));
}

void CMainFrame::clearPointer() { pointerLabel_->clear(); }

bool CMainFrame::openFile(const QString& path) { return fileCommands_->open(path); }

bool CMainFrame::render() {
    if (renderer_->running()) return false;
    auto previewOnly = [this] {
        const RendererList& renderers = session_.renderers();
        return &renderers.current(session_.settings().render.type) == &renderers.entries.front();
    };
    if (previewOnly()) {
        const QString why = tr("\"Preview Only\" draws the scene in the views and renders no image. "
                               "Choose a renderer to render the scene.");
        if (!editRenderSettings(why) || previewOnly()) return false;
    }
    return renderer_->start();
}

bool CMainFrame::editRenderSettings(const QString& reason) {
    RenderSettingsDialog dialog(session_.settings().render, session_.renderers(), reason, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    session_.settings().render = dialog.values();
    settingsChanged();
    return true;
}

void CMainFrame::renderFinished(bool ok, bool cancelled, const QString& message) {
    renderOutput_->end(message);
    statusBar()->showMessage(cancelled ? tr("Render cancelled") : message, 5000);
    if (ok) showRenderView();
}

void CMainFrame::cancel() {
    if (renderer_->running()) {
        renderer_->cancel();
        return;
    }
    if (animation_->rendering() || animation_->runningSequence()) {
        animation_->cancel();
        return;
    }
    doc_->mouseEditor().state = kMouseSelect;
    updateStatus();
    doc_->selectionChanged();
}

void CMainFrame::settingsChanged() {
    session_.applySettings();
    keeper_->setInterval(session_.settings().desktop.autosaveSeconds);
    session_.reloadRenderers();
    session_.saveSettings();
    doc_->viewOptionsChanged();
    if (session_.settings().desktop.enableGL) startPreview();
    else stopPreview();
    redrawPreview();
}

std::string CMainFrame::recoveryPath() const {
    return session_.settings().directories.program + "/recovery.cad";
}

void CMainFrame::endWithoutAsking() {
    ending_ = true;
    kx::app::refuseBoxes();
    if (doc_->isModified()) {
        // The copy replaces the last one through a synced temporary: a second
        // signal mid-way leaves the previous copy whole. The next start
        // offers it, as it offers the copy of a program that died.
        keeper_->keepNow();
        doc_->setModified(false);
    }
    // A box waiting for an answer would keep the program alive with no window.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(QDialog::Rejected);
        else modal->close();
    }
    close();
    // A signal that comes before the event loop runs (while a file named on
    // the command line is opened) keeps it from starting: see ending().
    QCoreApplication::quit();
}

bool CMainFrame::startWith(const QString& file, bool recoverNewest) {
    if (recoverNewest) {
        if (keeper_->recoverNewest()) return true;
        statusBar()->showMessage(tr("No unsaved work was left to recover"));
    }
    if (offerRecovery()) return true;
    if (!file.isEmpty()) openFile(file);
    return false;
}

bool CMainFrame::runMacroFile(const QString& path) {
    if (!macro_->openMacro(path)) return false;
    if (auto* dock = qobject_cast<QDockWidget*>(macro_->parentWidget())) dock->show();
    return macro_->run().ok;
}

bool CMainFrame::offerRecovery() {
    if (keeper_->offerCopies()) return true;
    // What an earlier version kept when it was told to end.
    const std::string path = recoveryPath();
    if (!std::filesystem::exists(path)) return false;
    const QByteArray text = tr("Kalvex was stopped with unsaved changes, which were kept.\n"
                               "Open the kept scene?")
                                .toUtf8();
    const bool wanted = kx::platform::messageBox(nullptr, text.constData(), "Kalvex",
                                                 KX_MB_YESNO | KX_MB_ICONQUESTION) == KX_IDYES;
    bool opened = false;
    if (wanted && doc_->open(QString::fromStdString(path))) {
        // It is the user's unsaved work, not a file of theirs: saving asks for a name.
        doc_->forgetPath();
        doc_->setModified(true);
        opened = true;
    }
    std::error_code ec;
    std::filesystem::rename(path, path + ".old", ec);
    return opened;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!fileCommands_->maybeSave()) {
        event->ignore();
        return;
    }
    // Saved, or the changes were given up: no copy is left for the next start.
    if (!ending_) keeper_->endCleanly();
    renderer_->cancel();
    animation_->cancel();
    textureCommands_->cancel();
    storeWindowState();
    // The drawing thread ends before the scene it reads is cleared.
    stopPreview();
    doc_->close();
    sceneTree_->unregisterSelector();
    event->accept();
}
