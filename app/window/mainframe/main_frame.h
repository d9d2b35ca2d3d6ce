// The main window: the document's views and the rendered image in a
// multi-document area, the scene tree, the property panel and the render
// output as docks, the menus, toolbars and the status bar.
#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <array>
#include <map>
#include <vector>
#include <memory>

#include "mainframe/frame_services.h"
#include "views/kalvex_view.h"

class AnimationCommands;
class CKalvexDoc;
class CMacroDoc;
class ContextMenus;
class CRenderView;
class EditCommands;
class FileCommands;
class PreviewPresenter;
class PropertyPanel;
class QLabel;
class QMdiArea;
class RenderController;
class RenderOutputPanel;
class SceneTreePanel;
class TextureCommands;
namespace kx::app {
class AppSession;
class PreviewDriver;
class WorkKeeper;
}

class CMainFrame : public QMainWindow, public FrameServices {
    Q_OBJECT
public:
    explicit CMainFrame(kx::app::AppSession& session, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CKalvexDoc* document() const override { return doc_; }
    // The open view of a kind, or null.
    CKalvexView* view(int kind) const;
    // Opens or closes the view of a kind; returns it when open.
    CKalvexView* showView(int kind, bool show);
    CRenderView* renderView() const;
    QMdiSubWindow* renderWindow() const { return renderWindow_; }
    SceneTreePanel* sceneTree() const { return sceneTree_; }
    PropertyPanel* properties() const { return properties_; }
    RenderOutputPanel* renderOutput() const override { return renderOutput_; }
    RenderController* renderer() const override { return renderer_; }
    FileCommands* fileCommands() const { return fileCommands_; }
    EditCommands* editCommands() const override { return editCommands_; }
    TextureCommands* textureCommands() const { return textureCommands_; }
    AnimationCommands* animation() const { return animation_; }
    ContextMenus* contextMenus() const { return contextMenus_; }
    kx::app::ViewEnvironment& viewEnvironment() { return env_; }
    // A menu command by its object name ("fileSave", "editDelete", ...).
    QAction* action(const QString& name) const override;
    void registerAction(QAction* action) override;

    // What the command groups may ask of the window.
    QWidget* frameWidget() override { return this; }
    void showDock(Dock dock) override;
    void showStatus(const QString& text, int milliseconds = 0) override;
    void insertMenu(QMenu* menu) override;
    QToolBar* addTools(const QString& title) override;
    void addDock(Qt::DockWidgetArea area, QDockWidget* dock) override;
    std::vector<QAction*> createActions() const override { return createActions_; }
    QMdiArea* viewArea() const override { return mdi_; }
    std::vector<CKalvexView*> openViews() const override;

    // Opens a scene given on the command line.
    bool openFile(const QString& path);
    // The program was told to end (SIGTERM, SIGINT): nobody may be there to
    // answer, so open boxes are closed, unsaved changes go to the recovery
    // file, and the window closes without asking.
    void endWithoutAsking();
    // True once endWithoutAsking() was called.
    bool ending() const { return ending_; }
    // Offers to open the scene a previous run left for recovery; true when opened.
    bool offerRecovery();
    // The program's first scene: unsaved work a dead program left is offered
    // first, even when a file was named to open; the file (empty: none) is
    // opened unless the offer opened a scene. True when the offer did. With
    // recoverNewest the newest such work opens without asking.
    bool startWith(const QString& file, bool recoverNewest = false);
    // Runs a script file on the scene as the Macro panel's Run does, the
    // panel shown with its output; true when it ran to its end.
    bool runMacroFile(const QString& path);
    kx::app::WorkKeeper* workKeeper() const { return keeper_; }
    // Where unsaved changes go when the program is told to end.
    std::string recoveryPath() const;
    // Starts a render of the scene; false when none was started. With "Preview
    // Only" chosen it opens Render Settings, saying why, and renders when a
    // renderer was chosen there.
    bool render();
    // The Render Settings dialog, with a line saying why when `reason` is given;
    // true when the user accepted it.
    bool editRenderSettings(const QString& reason = {});
    // Cancels a render, or else any placing, band or drag in progress.
    void cancel();
    // Shows the rendered image in its window.
    void showRenderView() override;
    // The settings changed: the core, the renderers and the views follow.
    void settingsChanged();

    // View > Tile: the open views as quad-view modellers tile them.
    void tileViews();

    // View > Shaded Preview: the perspective view shows the shaded preview.
    void setShadedPreview(bool on);
    // View > Redraw Preview.
    void redrawPreview();
    bool previewRunning() const;
    PreviewPresenter* previewPresenter() const { return presenter_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ending_ = false;
    void createDocks();
    void createMenus();
    void createSettingsMenu();
    void createStatusBar();
    void fillRecentFiles();
    void placeFrame();
    // Keeps the window inside the screen's free area.
    void fitScreen(const QRect& desktop);
    // True when the open views stand as tileViews put them (or tiling is automatic).
    bool viewsTiled() const;
    void openStartViews();
    void storeWindowState();
    void updateTitles();
    void updateStatus();
    // The scene point under the mouse in a flat view, or nothing once it left.
    void showPointer(int kind, const Point3d& scene);
    void clearPointer();
    void renderFinished(bool ok, bool cancelled, const QString& message);
    // Starts the preview into the perspective view when it is open and wanted.
    void startPreview();
    // Waits for the drawing thread to end its picture.
    void stopPreview();
    // After a change the document reported, with AutoRedraw.
    void autoRedraw();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                       std::function<void()> slot);

    kx::app::AppSession& session_;
    kx::app::ViewEnvironment env_;
    CKalvexDoc* doc_;
    QMdiArea* mdi_;
    std::array<QPointer<QMdiSubWindow>, kx::app::kViewKindCount> views_;
    QPointer<QMdiSubWindow> renderWindow_;
    SceneTreePanel* sceneTree_ = nullptr;
    PropertyPanel* properties_ = nullptr;
    RenderOutputPanel* renderOutput_ = nullptr;
    FileCommands* fileCommands_ = nullptr;
    EditCommands* editCommands_ = nullptr;
    TextureCommands* textureCommands_ = nullptr;
    AnimationCommands* animation_ = nullptr;
    ContextMenus* contextMenus_ = nullptr;
    RenderController* renderer_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QLabel* cursorLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QLabel* pointerLabel_ = nullptr;
    bool laidOut_ = false;
    std::vector<QRect> tiled_;  // where tileViews last put the open views, in tile order
    bool firstStart_ = false;  // no window or view place stored yet
    PreviewPresenter* presenter_ = nullptr;
    // Menu commands by name, and the docks, as they were made.
    std::map<QString, QAction*> actions_;
    std::vector<QAction*> createActions_;
    std::map<Dock, QDockWidget*> docks_;
    std::unique_ptr<kx::app::PreviewDriver> preview_;
    kx::app::WorkKeeper* keeper_ = nullptr;
    CMacroDoc* macro_ = nullptr;
};
