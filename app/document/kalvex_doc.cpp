#include "document/kalvex_doc.h"

#include <QFileInfo>

#include "document/file_dispatch.h"
#include "document/imported_scene.h"

CKalvexDoc::CKalvexDoc(const kx::app::Settings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {}

QString CKalvexDoc::title() const {
    return path_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path_).fileName();
}

void CKalvexDoc::setModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit titleChanged();
}

void CKalvexDoc::setPath(const QString& path) {
    path_ = path;
    emit titleChanged();
}

void CKalvexDoc::newScene(bool withDefaults) {
    ClearScene(GetCurrentScene());
    InitScene();
    if (withDefaults) CreateDefaultScene();
    SetObjectsUnSelected();
    GetSceneChanged();
    path_.clear();
    modified_ = false;
    ++cameraGeneration_;
    emit sceneReplaced();
    emit titleChanged();
}

bool CKalvexDoc::open(const QString& path, unsigned type) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const unsigned actual = type ? type : GetCadFileType(full.toUtf8().constData());
    // A file no reader knows leaves the scene alone; the reader reports it.
    if (actual == 0 || actual > kx::app::kLastBuiltInFileType) return kx::app::openSceneFile(full.toStdString(), type) != 0;
    ClearScene(GetCurrentScene());
    InitScene();
    const bool imported = kx::app::isImportedFileType(actual);
    CameraInfo before{};
    if (imported) before = kx::app::startImportedScene(settings_.exports.useDefaults != 0);
    const bool ok = kx::app::openSceneFile(full.toStdString(), type) != 0;
    if (ok && imported) kx::app::frameImportedScene(before);
    SetObjectsUnSelected();
    GetSceneChanged();
    // A scene read in another format becomes a new, unsaved scene.
    path_ = (ok && actual == KX_FILETYPE_KALVEX) ? full : QString();
    modified_ = false;
    ++cameraGeneration_;
    emit sceneReplaced();
    emit titleChanged();
    return ok;
}

bool CKalvexDoc::import(const QString& path, unsigned type) {
    const bool ok = kx::app::openSceneFile(QFileInfo(path).absoluteFilePath().toStdString(), type) != 0;
    GetSceneChanged();
    ++cameraGeneration_;
    modified_ = true;
    emit sceneReplaced();
    emit titleChanged();
    return ok;
}

bool CKalvexDoc::save(const QString& path, unsigned type) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const QByteArray name = full.toUtf8();
    if (!kx::app::saveSceneFile(name.toStdString(), type, settings_)) return false;
    if ((type ? type : GetCadFileType(name.constData())) == KX_FILETYPE_KALVEX) {
        // The scene writer adds ".CAD" to a name without one.
        setPath(QFileInfo(full).suffix().isEmpty() ? full + ".CAD" : full);
        setModified(false);
    }
    return true;
}

void CKalvexDoc::close() {
    ClearScene(GetCurrentScene());
    path_.clear();
    modified_ = false;
    emit sceneReplaced();
}

void CKalvexDoc::geometryChanged() {
    GetSceneChanged();
    setModified(true);
    emit geometryUpdated();
}

void CKalvexDoc::objectsMoved(const std::vector<CadObject*>& objects) {
    setModified(true);
    for (CadObject* obj : objects) {
        // The camera moved: the perspective view sees the scene from elsewhere.
        if (obj->type == KX_CAMERA) {
            cameraChanged();
            return;
        }
    }
    emit objectsMovedBy(objects);
}

void CKalvexDoc::selectionChanged() { emit selectionUpdated(); }

void CKalvexDoc::cameraChanged() {
    ++cameraGeneration_;
    setModified(true);
    emit geometryUpdated();
}

void CKalvexDoc::viewOptionsChanged() { reaim(); }

void CKalvexDoc::reaim() {
    ++cameraGeneration_;
    emit viewOptionsUpdated();
}

std::vector<CadObject*> CKalvexDoc::selectedObjects() {
    std::vector<CadObject*> out;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj)) out.push_back(obj);
    return out;
}
