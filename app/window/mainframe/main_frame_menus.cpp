// The menus and toolbars of the main window, each wired to a command.
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>

#include "dialogs/colour_scheme_dialog.h"
#include "dialogs/directories_dialog.h"
#include "dialogs/export_settings_dialog.h"
#include "dialogs/render_settings_dialog.h"
#include "dialogs/scene_settings_dialog.h"
#include "dialogs/view_settings_dialog.h"
#include "document/kalvex_doc.h"
#include "mainframe/app_session.h"
#include "mainframe/csg_icons.h"
#include "mainframe/help_pages.h"
#include "mainframe/edit_commands.h"
#include "mainframe/file_commands.h"
#include "mainframe/main_frame.h"
#include "preview/preview_settings.h"
#include "texbuild/texture_browser_dialog.h"
#include "texbuild/texture_builder_dialog.h"
#include "texbuild/texture_commands.h"
#include "views/kalvex_view.h"
#include "views/mouse_state.h"

using namespace kx::app;

namespace {

struct CreateItem {
    const char* name;
    const char* text;
    unsigned type;
};

// Every type a user can place, in menu order.
constexpr CreateItem kCreateItems[] = {
    {"createSphere", "&Sphere", KX_SPHERE},           {"createEllipsoid", "&Ellipsoid", KX_ELLIPSOID},
    {"createPlane", "&Plane", KX_PLANE},               {"createDisc", "&Disc", KX_DISC},
    {"createCylinder", "C&ylinder", KX_CYLINDER},      {"createCone", "C&one", KX_CONE},
    {"createTorus", "&Torus", KX_TORUS},               {"createBox", "&Box", KX_BOX},
    {"createHeightfield", "&Height Field", KX_HEIGHTFIELD}, {"createBlob", "Bl&ob", KX_BLOB},
    {"createPatch", "Bicubic &Patch", KX_PATCH},       {"createUserDefined", "&User Defined", KX_USERDEFINED},
    {"createPoints", "Poi&nts", KX_POINTS},            {"createLight", "&Light", KX_LIGHT},
    {"createCamera", "&Camera", KX_CAMERA},            {"createText", "Te&xt", KX_TEXT},
    // The renderer's own shapes.
    {"createSuperellipsoid", "Supere&llipsoid", KX_SUPERELLIPSOID}, {"createLathe", "L&athe", KX_LATHE},
    {"createSor", "Surface of &Revolution", KX_SOR},  {"createPrism", "Pr&ism", KX_PRISM},
    {"createSphereSweep", "Sphere S&weep", KX_SPHERESWEEP}, {"createIsosurface", "Isos&urface", KX_ISOSURFACE},
    {"createJuliaFractal", "&Julia Fractal", KX_JULIA},
};

struct ProfileShapeItem {
    const char* name;
    const char* text;
    unsigned type;
};

// The renderer's shapes a drawn profile can become.
constexpr ProfileShapeItem kProfileShapeItems[] = {
    {"modifyProfileLathe", "&Lathe", KX_LATHE},
    {"modifyProfileSor", "&Surface of Revolution", KX_SOR},
    {"modifyProfilePrism", "&Prism", KX_PRISM},
    {"modifyProfileSphereSweep", "Sphere S&weep", KX_SPHERESWEEP},
};

}  // namespace

QAction* CMainFrame::action(const QString& name) const {
    auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::registerAction(QAction* a) {
    if (a && !a->objectName().isEmpty()) actions_[a->objectName()] = a;
}

QAction* CMainFrame::addAction(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key,
                               std::function<void()> slot) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    registerAction(a);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    if (menu) menu->addAction(a);
    return a;
}

void CMainFrame::createMenus() {
    QStyle* style = QApplication::style();
    auto activeView = [this]() -> CKalvexView* {
        if (QMdiSubWindow* sub = mdi_->activeSubWindow())
            if (auto* v = qobject_cast<CKalvexView*>(sub->widget())) return v;
        for (int kind : {kFront, kPerspective, kPlan, kSide})
            if (CKalvexView* v = view(kind)) return v;
        return nullptr;
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* fileNew = addAction(file, "fileNew", tr("&New"), QKeySequence::New, [this] { fileCommands_->newScene(); });
    QAction* fileOpen = addAction(file, "fileOpen", tr("&Open..."), QKeySequence::Open, [this] { fileCommands_->openDialog(); });
    QAction* fileSave = addAction(file, "fileSave", tr("&Save"), QKeySequence::Save, [this] { fileCommands_->save(); });
    addAction(file, "fileSaveAs", tr("Save &As..."), QKeySequence::SaveAs, [this] { fileCommands_->saveAs(); });
    file->addSeparator();
    addAction(file, "fileImport", tr("&Import..."), {}, [this] { fileCommands_->importDialog(); });
    addAction(file, "fileExport", tr("&Export..."), {}, [this] { fileCommands_->exportDialog(); });
    file->addSeparator();
    QAction* renderAction = addAction(file, "fileRender", tr("&Render"), QKeySequence(Qt::Key_F5), [this] { render(); });
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Recent &Files"));
    fillRecentFiles();
    file->addSeparator();
    addAction(file, "fileExit", tr("E&xit"), QKeySequence::Quit, [this] { close(); });
    fileNew->setIcon(style->standardIcon(QStyle::SP_FileIcon));
    fileOpen->setIcon(style->standardIcon(QStyle::SP_DialogOpenButton));
    fileSave->setIcon(style->standardIcon(QStyle::SP_DialogSaveButton));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = addAction(edit, "editUndo", tr("&Undo"), QKeySequence::Undo, [this] { editCommands_->undo(); });
    QAction* redo = addAction(edit, "editRedo", tr("&Redo"), {}, [this] { editCommands_->redo(); });
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The commands name the step they take back or do again.
    auto showSteps = [this, undo, redo] {
        const std::string undoName = doc_->history().undoName();
        const std::string redoName = doc_->history().redoName();
        undo->setEnabled(!undoName.empty());
        redo->setEnabled(!redoName.empty());
        undo->setText(undoName.empty() ? tr("&Undo") : tr("&Undo %1").arg(QString::fromStdString(undoName)));
        redo->setText(redoName.empty() ? tr("&Redo") : tr("&Redo %1").arg(QString::fromStdString(redoName)));
    };
    connect(doc_, &CKalvexDoc::historyChanged, this, showSteps);
    showSteps();
    edit->addSeparator();
    addAction(edit, "editCut", tr("Cu&t"), QKeySequence::Cut, [this] { editCommands_->cut(); });
    addAction(edit, "editCopy", tr("&Copy"), QKeySequence::Copy, [this] { editCommands_->copy(); });
    addAction(edit, "editPaste", tr("&Paste"), QKeySequence::Paste, [this] { editCommands_->paste(); });
    edit->addSeparator();
    QAction* editDelete = addAction(edit, "editDelete", tr("&Delete"), QKeySequence::Delete,
                                    [this] { editCommands_->deleteSelection(); });
    addAction(edit, "editSelectAll", tr("Select &All"), QKeySequence::SelectAll, [this] { editCommands_->selectAll(); });
    addAction(edit, "editSelectNone", tr("Select &None"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
              [this] { editCommands_->selectNone(); });
    edit->addSeparator();
    addAction(edit, "editGroup", tr("&Group"), QKeySequence(Qt::CTRL | Qt::Key_G), [this] { editCommands_->group(); });
    addAction(edit, "editUngroup", tr("&Ungroup"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G),
              [this] { editCommands_->ungroup(); });
    addAction(edit, "editDuplicate", tr("D&uplicate"), QKeySequence(Qt::CTRL | Qt::Key_D),
              [this] { editCommands_->duplicate(); });
    editDelete->setIcon(style->standardIcon(QStyle::SP_TrashIcon));

    QMenu* create = menuBar()->addMenu(tr("&Create"));
    for (const CreateItem& item : kCreateItems) {
        const unsigned type = item.type;
        createActions_.push_back(
            addAction(create, item.name, tr(item.text), {}, [this, type] { editCommands_->startPlacing(type); }));
    }
    create->addSeparator();
    // Profiles for Lathe: drawn point by point in a flat view.
    for (const kx::app::ProfileKindName& p : kx::app::kProfileKinds) {
        const kx::app::ProfileKind kind = p.kind;
        createActions_.push_back(addAction(create, QString::fromLatin1(p.action), tr(p.label), {},
                                           [this, kind] { editCommands_->startProfile(kind); }));
    }

    QMenu* modify = menuBar()->addMenu(tr("&Modify"));
    addAction(modify, "modifyMove", tr("&Move..."), {}, [this] { editCommands_->move(); });
    addAction(modify, "modifyScale", tr("&Scale..."), {}, [this] { editCommands_->scale(); });
    addAction(modify, "modifyRotate", tr("&Rotate..."), {}, [this] { editCommands_->rotate(); });
    modify->addSeparator();
    QAction* snap = addAction(modify, "modifySnap", tr("S&nap to Grid"), {}, [] {});
    snap->setCheckable(true);
    connect(snap, &QAction::toggled, editCommands_, &EditCommands::snapToGrid);
    addAction(modify, "modifyAlign", tr("&Align..."), {}, [this] { editCommands_->alignDialog(); });
    addAction(modify, "modifyCentre", tr("&Centre"), {}, [this] { editCommands_->centre(); });
    modify->addSeparator();
    addAction(modify, "modifySmooth", tr("Smoo&th"), {}, [this] { editCommands_->smooth(); });
    addAction(modify, "modifyUnsmooth", tr("&Unsmooth"), {}, [this] { editCommands_->unsmooth(); });
    addAction(modify, "modifyLathe", tr("&Lathe..."), {}, [this] { editCommands_->lathe(); });
    addAction(modify, "modifySweep", tr("S&weep..."), {}, [this] { editCommands_->sweep(); });
    QMenu* profileShapes = modify->addMenu(tr("Shape from Pro&file"));
    profileShapes->setObjectName(QStringLiteral("modifyProfileShapeMenu"));
    for (const ProfileShapeItem& item : kProfileShapeItems) {
        const unsigned type = item.type;
        addAction(profileShapes, item.name, tr(item.text), {}, [this, type] { editCommands_->shapeFromProfile(type); });
    }
    QAction* editPoints = addAction(modify, "modifyEditPoints", tr("Edit &Points"), {}, [] {});
    editPoints->setCheckable(true);
    connect(editPoints, &QAction::toggled, editCommands_, &EditCommands::editPoints);
    // Another mode chosen (placing, drawing) ends the point editor.
    connect(editCommands_, &EditCommands::mouseStateChanged, editPoints, [this, editPoints] {
        const bool on = doc_->mouseEditor().state == kx::app::kMouseEditPoints || doc_->mouseEditor().editPoints;
        if (editPoints->isChecked() != on) editPoints->setChecked(on);
    });
    modify->addSeparator();
    QMenu* csg = modify->addMenu(tr("&CSG"));
    csg->setObjectName(QStringLiteral("modifyCsgMenu"));
    for (const kx::app::CsgOperationName& op : kx::app::kCsgOperations) {
        const kx::app::CsgOperation operation = op.operation;
        const QString name = QStringLiteral("modifyCsg") + QString::fromLatin1(op.label);
        QAction* a = addAction(csg, name, tr("Group as %1").arg(tr(op.label)), {},
                               [this, operation] { editCommands_->groupAs(operation); });
        a->setIcon(kx::app::csgIcon(operation));
    }

    QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
    QAction* zoomIn = addAction(viewMenu, "viewZoomIn", tr("Zoom &In"), QKeySequence::ZoomIn, [activeView] {
        if (CKalvexView* v = activeView()) v->zoomBy(1.25);
    });
    QAction* zoomOut = addAction(viewMenu, "viewZoomOut", tr("Zoom &Out"), QKeySequence::ZoomOut, [activeView] {
        if (CKalvexView* v = activeView()) v->zoomBy(0.8);
    });
    QAction* zoomFit = addAction(viewMenu, "viewZoomFit", tr("Zoom to &Fit"), QKeySequence(Qt::CTRL | Qt::Key_0),
                                 [activeView] {
                                     if (CKalvexView* v = activeView()) v->fitScene();
                                 });
    QAction* zoomSelection = addAction(viewMenu, "viewZoomSelection", tr("Zoom to &Selection"), QKeySequence(Qt::Key_F),
                                       [activeView] {
                                           if (CKalvexView* v = activeView()) v->fitSelection();
                                       });
    zoomSelection->setShortcuts({QKeySequence(Qt::Key_F), QKeySequence(Qt::KeypadModifier | Qt::Key_Period)});
    viewMenu->addSeparator();
    for (const ViewKindInfo& info : kViewKinds) {
        const int kind = info.kind;
        QAction* a = addAction(viewMenu, info.action, tr(info.menuText), {}, [] {});
        a->setCheckable(true);
        a->setChecked(view(kind) != nullptr);
        connect(a, &QAction::triggered, this, [this, kind](bool on) { showView(kind, on); });
    }
    addAction(viewMenu, "viewTile", tr("&Tile"), {}, [this] { tileViews(); });
    viewMenu->addSeparator();
    auto toggle = [&](const char* name, const QString& text, bool on, std::function<void(bool)> set) {
        QAction* a = addAction(viewMenu, name, text, {}, [] {});
        a->setCheckable(true);
        a->setChecked(on);
        connect(a, &QAction::toggled, this, [this, set = std::move(set)](bool checked) {
            set(checked);
            doc_->viewOptionsChanged();
        });
    };
    Settings& s = session_.settings();
    toggle("viewGrid", tr("&Grid"), env_.showGrid, [this](bool on) { env_.showGrid = on; });
    toggle("viewBounds", tr("&Bounds"), s.view.bounds, [&s](bool on) { s.view.bounds = on; });
    toggle("viewCamera", tr("&Camera"), s.view.showCamera, [&s](bool on) {
        s.view.showCamera = on;
        SetShowCamera(on);
    });
    toggle("viewSpotLights", tr("Spot Light C&ones"), s.view.spotLights, [&s](bool on) {
        s.view.spotLights = on;
        SetShowSpotLights(on);
    });
    // Looking round the scene without moving the camera that renders it.
    toggle("viewSeparateCamera", tr("Separate View C&amera"), s.view.separateCamera,
           [&s](bool on) { s.view.separateCamera = on; });
    addAction(viewMenu, "viewTrackCursor", tr("Track &Cursor"), {}, [this] {
        doc_->mouseEditor().state = kMouseTrack;
        updateStatus();
    });
    viewMenu->addSeparator();
    {
        PreviewCaps caps{};
        kx::app::queryPreviewCapabilities(kx::app::libraryBackend(), caps);
        QAction* shaded = addAction(viewMenu, "viewShadedPreview", tr("S&haded Preview"), {}, [] {});
        shaded->setCheckable(true);
        shaded->setChecked(s.desktop.enableGL != 0);
        shaded->setEnabled(kx::app::previewChoices(caps).switchEnabled);
        connect(shaded, &QAction::triggered, this, [this](bool on) { setShadedPreview(on); });
        addAction(viewMenu, "viewRedrawPreview", tr("Re&draw Preview"), {}, [this] { redrawPreview(); });
    }
    viewMenu->addSeparator();
    for (Dock d : {Dock::SceneTree, Dock::Properties, Dock::RenderOutput}) viewMenu->addAction(docks_[d]->toggleViewAction());

    QMenu* renderMenu = menuBar()->addMenu(tr("&Render"));
    renderMenu->addAction(renderAction);
    QAction* cancelAction = addAction(renderMenu, "renderCancel", tr("&Cancel"), QKeySequence(Qt::Key_Escape),
                                      [this] { cancel(); });
    renderMenu->addSeparator();
    addAction(renderMenu, "renderSettings", tr("Render &Settings..."), {}, [this] { editRenderSettings(); });
    // What the scene asks of the renderer (radiosity, fog, focal blur), kept
    // in the scene file; Render Settings are the program's own.
    addAction(renderMenu, "renderSceneSettings", tr("Sc&ene Settings..."), {}, [this] {
        SceneSettingsDialog dialog(doc_->history(), this);
        dialog.exec();
    });
    renderAction->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    cancelAction->setIcon(style->standardIcon(QStyle::SP_MediaStop));

    QMenu* textures = menuBar()->addMenu(tr("&Textures"));
    textures->setObjectName(QStringLiteral("texturesMenu"));
    addAction(textures, "texturesBrowser", tr("Texture &Browser..."), {}, [this] {
        TextureBrowserDialog dialog(session_.core().textures(), textureCommands_, doc_, this);
        dialog.exec();
    });
    addAction(textures, "texturesBuilder", tr("Texture B&uilder..."), {}, [this] {
        TextureBuilderDialog dialog(session_, this, textureCommands_);
        dialog.exec();
    });
    textureCommands_->fillMenu(textures);
    for (QAction* a : textures->actions()) registerAction(a);

    createSettingsMenu();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    addAction(help, "helpManual", tr("&Manual"), QKeySequence::HelpContents, [this] {
        const QString path = kx::app::manualPath();
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            QMessageBox::warning(this, tr("Manual"), tr("The user guide was not found beside the program's data."));
            return;
        }
        kx::app::showHelpPage(this, QStringLiteral("helpManualPage"), tr("Kalvex Manual"),
                              QString::fromUtf8(file.readAll()), path);
    });
    addAction(help, "helpShortcuts", tr("&Keyboard Shortcuts"), {}, [this] {
        std::vector<QAction*> all;
        for (const auto& [name, a] : actions_) all.push_back(a);
        kx::app::showHelpPage(this, QStringLiteral("helpShortcutsPage"), tr("Keyboard Shortcuts"),
                              kx::app::shortcutsHtml(kx::app::shortcutEntries(menuBar(), all)));
    });
    addAction(help, "helpScriptReference", tr("&Script Reference"), {}, [this] {
        kx::app::showHelpPage(this, QStringLiteral("helpScriptPage"), tr("Script Reference"),
                              kx::app::scriptReferenceHtml());
    });
    help->addSeparator();
    addAction(help, "helpAbout", tr("&About Kalvex"), {}, [this] {
        QMessageBox::about(this, tr("About Kalvex"),
                           tr("<b>Kalvex</b> %1<p>A 3D scene modeller for ray tracers.").arg(KALVEX_VERSION));
    });

    QToolBar* files = addToolBar(tr("File"));
    files->setObjectName(QStringLiteral("fileToolBar"));
    files->addActions({fileNew, fileOpen, fileSave, editDelete});
    QToolBar* shapes = addToolBar(tr("Create"));
    shapes->setObjectName(QStringLiteral("createToolBar"));
    for (const char* name : {"createSphere", "createBox", "createCylinder", "createCone", "createPlane", "createLight"})
        shapes->addAction(action(name));
    QToolBar* views = addToolBar(tr("View"));
    views->setObjectName(QStringLiteral("viewToolBar"));
    views->addActions({zoomIn, zoomOut, zoomFit});
    QToolBar* rendering = addToolBar(tr("Render"));
    rendering->setObjectName(QStringLiteral("renderToolBar"));
    rendering->addActions({renderAction, cancelAction});
}

void CMainFrame::createSettingsMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Settings"));
    Settings& s = session_.settings();
    addAction(menu, "settingsDirectories", tr("&Directories..."), {}, [this, &s] {
        DirectoriesDialog dialog(s.directories, this);
        if (dialog.exec() != QDialog::Accepted) return;
        s.directories = dialog.values();
        settingsChanged();
    });
    addAction(menu, "settingsRender", tr("&Render..."), {}, [this] { editRenderSettings(); });
    addAction(menu, "settingsExport", tr("&Export..."), {}, [this, &s] {
        ExportSettingsDialog dialog(s.exports, this);
        if (dialog.exec() != QDialog::Accepted) return;
        s.exports = dialog.values();
        settingsChanged();
    });
    addAction(menu, "settingsView", tr("&View..."), {}, [this, &s] {
        ViewSettingsDialog dialog(s, this);
        if (dialog.exec() != QDialog::Accepted) return;
        dialog.apply(s);
        settingsChanged();
    });
    addAction(menu, "settingsColours", tr("&Colour Scheme..."), {}, [this, &s] {
        ColourSchemeDialog dialog(s.scheme, this);
        if (dialog.exec() != QDialog::Accepted) return;
        s.scheme = dialog.scheme();
        settingsChanged();
    });
}

void CMainFrame::fillRecentFiles() {
    recentMenu_->clear();
    const QStringList& files = session_.recentFiles();
    recentMenu_->setEnabled(!files.isEmpty());
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        a->setObjectName(QStringLiteral("fileRecent%1").arg(i + 1));
        a->setToolTip(path);
        connect(a, &QAction::triggered, this, [this, path] { fileCommands_->open(path); });
    }
}
