#include "document/kalvex_doc.h"

#include "document/backups.h"
#include "document/scene_keeper.h"

#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "document/file_dispatch.h"
#include "document/imported_scene.h"
#include "document/scene_edits.h"
#include "document/write_scene.h"
#include "model/scene_model.h"

CKalvexDoc::CKalvexDoc(const kx::app::Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings), history_(kx::app::sceneModel().history()) {
    // One document at a time: a new one starts with the model's history empty.
    history_.clear();
    history_.markSaved();
    history_.setDepth(static_cast<size_t>(std::max(1, settings.desktop.undoDepth)));
    subscription_ = kx::app::sceneModel().subscribe([this](const kx::app::SceneDelta& delta) {
        // A change made on another thread is told on the document's own.
        if (QThread::currentThread() == thread()) sceneChanged(delta);
        else QMetaObject::invokeMethod(this, [this, delta] { sceneChanged(delta); }, Qt::QueuedConnection);
    });
}

QString CKalvexDoc::title() const {
    return path_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName();
}

void CKalvexDoc::setModified(bool modified) {
    const bool was = isModified();
    modified_ = modified;
    if (!modified) history_.markSaved();
    if (was != isModified()) emit titleChanged();
}

void CKalvexDoc::resetHistory() {
    ++replacements_;
    history_.clear();
    history_.markSaved();
    emit historyChanged();
}

CKalvexDoc::~CKalvexDoc() { kx::app::sceneModel().unsubscribe(subscription_); }

void CKalvexDoc::sceneChanged(const kx::app::SceneDelta& delta) {
    // Changes that are no recorded edit are told by whoever made them.
    if (!delta.step) return;
    lastEditName_ = QString::fromStdString(delta.name);
    if (delta.movesOnly) {
        emit objectsMovedBy(selectedObjects());
    } else if (delta.what & (kx::app::SceneDelta::Objects | kx::app::SceneDelta::Camera)) {
        if (delta.what & kx::app::SceneDelta::Camera) ++cameraGeneration_;
        if (delta.what & kx::app::SceneDelta::Objects) kx::app::SceneModel::takeRedrawRequest();
        emit geometryUpdated();
    }
    if (!delta.movesOnly) emit selectionUpdated();
    emit titleChanged();
    emit historyChanged();
}

void CKalvexDoc::afterHistoryMove(bool moved) {
    // Even a refused step may have dropped the history: the menu follows.
    if (moved) {
        kx::app::SceneModel::takeRedrawRequest();
        ++cameraGeneration_;
        emit geometryUpdated();
        emit selectionUpdated();
    }
    emit titleChanged();
    emit historyChanged();
}

bool CKalvexDoc::undo() {
    const bool moved = kx::app::sceneModel().undo();
    afterHistoryMove(moved);
    return moved;
}

bool CKalvexDoc::redo() {
    const bool moved = kx::app::sceneModel().redo();
    afterHistoryMove(moved);
    return moved;
}

void CKalvexDoc::forgetPath(const QString& suggestion) {
    incomplete_ = false;
    setPath(QString());
    suggested_ = suggestion;
}

void CKalvexDoc::setPath(const QString& path) {
    path_ = path;
    suggested_.clear();
    emit titleChanged();
}

void CKalvexDoc::newScene(bool withDefaults) {
    {
        // A new scene may bring its own textures.
        kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
        if (!change.owns()) return;
        emit sceneClearing();
        kx::app::emptyScene();
        if (withDefaults) CreateDefaultScene();
        // New scenes work in linear light, as the renderer expects of a scene
        // of its current version; scenes opened from files keep whatever they
        // set, so they render as they always did.
        SetSceneSetting("AssumedGamma", "1");
        SetObjectsUnSelected();
        kx::app::SceneModel::takeRedrawRequest();
    }
    replaced(QString(), false);
}

void CKalvexDoc::replaced(const QString& path, bool partial) {
    path_ = path;
    suggested_.clear();
    // Saving a part over the whole would lose the rest: it counts as a change,
    // and its first save asks first.
    modified_ = partial;
    incomplete_ = partial;
    ++cameraGeneration_;
    resetHistory();
    emit sceneReplaced();
    emit documentReplaced();
    emit titleChanged();
}


bool CKalvexDoc::open(const QString& path, unsigned type, const PartialRead& acceptPartial) {
    const QString full = QFileInfo(path).absoluteFilePath();
    unsigned actual = type ? type : kx::app::fileTypeOfLastExtension(full.toStdString());
    if (actual == 0) actual = GetCadFileType(full.toUtf8().constData());
    // A file no reader knows leaves the scene alone; the reader reports it.
    // One change, however it ends: the kept scene may come back.
    kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
    if (!change.owns()) return false;
    if (actual == 0 || actual > kx::app::kLastBuiltInFileType) return kx::app::openSceneFile(full.toStdString(), type) != 0;
    kx::app::SceneKeeper keeper;
    emit sceneClearing();
    kx::app::emptyScene();
    const bool imported = kx::app::isImportedFileType(actual);
    CameraInfo before{};
    if (imported) before = kx::app::startImportedScene(settings_.exports.useDefaults != 0);
    const bool ok = kx::app::openSceneFile(full.toStdString(), type) != 0;
    if (ok && imported) kx::app::frameImportedScene(before);
    // A file read only in part replaces the scene only when the user wants
    // that part; otherwise the scene on screen comes back as it was.
    const bool partial = !ok && GetCadObject(nullptr) != nullptr && acceptPartial && acceptPartial(full);
    if (!ok && !partial && keeper.kept()) {
        emit sceneClearing();
        keeper.restore();
        SetObjectsUnSelected();
        kx::app::SceneModel::takeRedrawRequest();
        ++cameraGeneration_;
        // The kept scene comes back from a file: its objects are new records.
        ++replacements_;
        history_.clear();
        emit historyChanged();
        emit sceneReplaced();
        return false;
    }
    SetObjectsUnSelected();
    kx::app::SceneModel::takeRedrawRequest();
    // A scene read in another format becomes a new, unsaved scene.
    replaced(((ok || partial) && actual == KX_FILETYPE_KALVEX) ? full : QString(), partial);
    return ok || partial;
}

bool CKalvexDoc::import(const QString& path, unsigned type) {
    bool ok = false;
    bool touched = false;
    // One step of its own, recorded by what it added and the materials it
    // brought to the texture list; an import that reshaped an object in place
    // (an OBJ group that continues an object of the scene) cannot be a step,
    // and clears it.
    const kx::app::OutsideChange result = kx::app::recordOutsideChange(
        history_, tr("Import %1").arg(QFileInfo(path).fileName()).toStdString(), [&] {
            kx::app::SceneModel::noteTouches(kx::app::SceneDelta::Textures);
            const unsigned before = GetCadObjectsCount();
            const CadObject* lastBefore = GetLastCadObject();
            ok = kx::app::openSceneFile(QFileInfo(path).absoluteFilePath().toStdString(), type) != 0;
            touched = ok || GetCadObjectsCount() != before || GetLastCadObject() != lastBefore;
            kx::app::SceneModel::takeRedrawRequest();
            return true;
        });
    // A file that gave nothing leaves the scene, its history and its saved state alone.
    if (!touched && result != kx::app::OutsideChange::Unrecorded) return false;
    ++cameraGeneration_;
    if (result != kx::app::OutsideChange::Recorded) modified_ = true;
    ++replacements_;
    emit historyChanged();
    emit sceneReplaced();
    emit titleChanged();
    return ok;
}

bool CKalvexDoc::save(const QString& path, unsigned type) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const QByteArray name = full.toUtf8();
    if (type == 0) type = kx::app::fileTypeOfLastExtension(name.toStdString());
    const bool scene = (type ? type : GetCadFileType(name.constData())) == KX_FILETYPE_KALVEX;
    // The version on disk becomes a backup once the new file is whole; a
    // failed save leaves the file and its backups as they were.
    kx::app::PendingBackup backup(name.toStdString(), scene ? settings_.desktop.backupCount : 0);
    if (!kx::app::saveSceneFile(name.toStdString(), type, settings_)) return false;
    if (!backup.keep()) LogMessage(1, "No backup of %s could be kept", name.constData());
    if ((type ? type : GetCadFileType(name.constData())) == KX_FILETYPE_KALVEX) {
        // The scene writer adds ".CAD" to a name without one.
        setPath(QFileInfo(full).suffix().isEmpty() ? full + ".CAD" : full);
        incomplete_ = false;
        setModified(false);
    }
    return true;
}

void CKalvexDoc::close() {
    {
        kx::app::SceneModel::Transaction change(kx::app::SceneDelta::Replaced);
        if (!change.owns()) return;
        emit sceneClearing();
        ClearScene(GetCurrentScene());
    }
    path_.clear();
    modified_ = false;
    incomplete_ = false;
    resetHistory();
    emit sceneReplaced();
    emit documentReplaced();
}

void CKalvexDoc::forgetHistory() {
    // A change the history did not record: its steps could no longer be
    // taken back exactly across it.
    if (history_.size() == 0) return;
    history_.clear();
    emit historyChanged();
}

bool CKalvexDoc::runRecorded(const QString& editName, const std::function<void()>& change) {
    const unsigned replacements = replacements_;
    const kx::app::OutsideChange result = kx::app::recordOutsideChange(history_, editName.toStdString(), [&] {
        change();
        return replacements_ == replacements;
    });
    if (replacements_ != replacements) {
        // The scene the run began with is gone; opening the new one updated everything.
        emit historyChanged();
        return true;
    }
    switch (result) {
        case kx::app::OutsideChange::Recorded: return true;  // the model told the views
        case kx::app::OutsideChange::Unrecorded:
            geometryChanged();
            emit historyChanged();
            return true;
        case kx::app::OutsideChange::Unchanged: break;
    }
    return false;
}

void CKalvexDoc::geometryChanged() {
    forgetHistory();
    kx::app::SceneModel::takeRedrawRequest();
    setModified(true);
    emit geometryUpdated();
}

void CKalvexDoc::framesShown() {
    forgetHistory();
    kx::app::SceneModel::takeRedrawRequest();
    emit geometryUpdated();
}

void CKalvexDoc::redrawRequested() { emit geometryUpdated(); }

void CKalvexDoc::selectionChanged() { emit selectionUpdated(); }

void CKalvexDoc::cameraChanged() {
    forgetHistory();
    ++cameraGeneration_;
    setModified(true);
    emit geometryUpdated();
}

void CKalvexDoc::viewOptionsChanged() { reaim(); }

void CKalvexDoc::reaim() {
    ++cameraGeneration_;
    emit viewOptionsUpdated();
}

bool CKalvexDoc::changeCamera(const CameraInfo& camera, const QString& editName, const std::string& mergeKey) {
    return kx::app::changeCamera(history_, camera, editName.toStdString(), mergeKey);
}

std::vector<CadObject*> CKalvexDoc::selectedObjects() {
    std::vector<CadObject*> out;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj)) out.push_back(obj);
    return out;
}
