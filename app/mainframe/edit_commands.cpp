#include "mainframe/edit_commands.h"

#include <QInputDialog>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/lathe_dialog.h"
#include "dialogs/transform_dialog.h"
#include "document/kalvex_doc.h"
#include "kxcore.h"
#include "mainframe/height_field_image.h"
#include "preview/scene_lock.h"
#include "views/mouse_state.h"

EditCommands::EditCommands(CKalvexDoc* doc, QWidget* window) : QObject(window), doc_(doc), window_(window) {
    askHeightFieldImage = [this] { return kx::app::askHeightFieldImage(window_); };
}

bool EditCommands::haveSelection() const {
    if (GetNextSelectedObject(nullptr)) return true;
    ErrorMessage("No objects selected");
    return false;
}

void EditCommands::deleteSelection() {
    if (!GetNextSelectedObject(nullptr)) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        DeleteObjects();
        SetObjectsUnSelected();
    }
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void EditCommands::selectAll() {
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next) AddSelectedObject(obj);
    doc_->selectionChanged();
}

void EditCommands::selectNone() {
    SetObjectsUnSelected();
    doc_->selectionChanged();
}

void EditCommands::group() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        std::vector<CadObject*> members = CKalvexDoc::selectedObjects();
        CadObject* group = CreateGroup(CreateDefaultInfo());
        if (!group) return;
        // Making the group selected it alone; its members join it from the selection.
        for (CadObject* obj : members) AddSelectedObject(obj);
        int deleted = 0;
        SetObjectsGroupEx(group, group->groupId, &deleted);
        SetObjectsUnSelected();
        SelectCadGroup(group, group->groupId, 1);
    }
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void EditCommands::ungroup() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        for (CadObject* obj : CKalvexDoc::selectedObjects())
            if (obj->type == KX_GROUP) SelectCadGroup(obj, obj->groupId, 1);
        int deleted = 0;
        SetObjectsGroupEx(nullptr, 0, &deleted);
    }
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void EditCommands::duplicate() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        std::vector<CadObject*> copies;
        for (CadObject* src : CKalvexDoc::selectedObjects()) {
            // There is one camera, and a group is only a name for its members.
            if (src->type == KX_CAMERA || src->type == KX_GROUP) continue;
            char base[32] = {};
            std::snprintf(base, sizeof base, "%s", src->name);
            const std::string name = GetNextObjectName(StripObjectName(base), src->type);
            CadObject* copy = NewCadObject(name.c_str());
            if (!copy) break;
            CopyCadObject(src, copy);
            SetCadObjectProperty(copy, KX_PROP_NAME, name.c_str());
            copy->flags = src->flags;
            copy->groupId = 0;
            copies.push_back(copy);
        }
        SetObjectsUnSelected();
        for (CadObject* copy : copies) AddSelectedObject(copy);
        // A copy on top of its original could not be told apart from it.
        const float step = static_cast<float>(GetGridInterval() > 0 ? GetGridInterval() : 1.0);
        Point3d offset{step, step, 0};
        if (!copies.empty()) TranslateObjectsEx(&offset);
    }
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void EditCommands::startPlacing(unsigned type) {
    kx::app::MouseEditor& m = doc_->mouseEditor();
    std::string image;
    if (type == KX_HEIGHTFIELD) {
        // A height field without an image cannot be exported: it is asked for now.
        image = askHeightFieldImage ? askHeightFieldImage().toStdString() : std::string();
        if (image.empty()) return;
    }
    m.placeImage = image;
    m.placeType = type;
    m.state = kx::app::kMousePlace;
    emit mouseStateChanged();
}

void EditCommands::nudge(const Point3d& by) {
    if (!GetNextSelectedObject(nullptr)) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        Point3d offset = by;
        TranslateObjectsEx(&offset);
    }
    doc_->objectsMoved(CKalvexDoc::selectedObjects());
}

void EditCommands::move() {
    Point3d offset{};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Move, window_, offset)) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        TranslateObjectsEx(&offset);
    }
    doc_->objectsMoved(CKalvexDoc::selectedObjects());
}

void EditCommands::scale() {
    Point3d factors{1, 1, 1};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Scale, window_, factors)) return;
    int scaled = 0;
    {
        kx::app::SceneChange change;
        if (change.owns()) scaled = ScaleObjectsEx(&factors);
    }
    if (scaled) doc_->geometryChanged();
}

void EditCommands::rotate() {
    Point3d angles{};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Rotate, window_, angles)) return;
    int rotated = 0;
    {
        kx::app::SceneChange change;
        if (change.owns()) rotated = RotateObjectsEx(&angles);
    }
    if (rotated) doc_->geometryChanged();
}

void EditCommands::align(int axis) {
    if (!haveSelection()) return;
    // The core's modes: 0 keeps x, 1 keeps y, 5 keeps z of the reference.
    static const unsigned modes[3] = {0, 1, 5};
    int aligned = 0;
    {
        kx::app::SceneChange change;
        if (change.owns()) aligned = AlignObjectsEx(modes[std::clamp(axis, 0, 2)], nullptr);
    }
    if (aligned) doc_->geometryChanged();
}

void EditCommands::alignDialog() {
    if (!haveSelection()) return;
    bool ok = false;
    const QStringList axes{tr("X"), tr("Y"), tr("Z")};
    QString axis = QInputDialog::getItem(window_, tr("Align"), tr("Align the selection on the first object's"),
                                         axes, 0, false, &ok);
    if (ok) align(static_cast<int>(axes.indexOf(axis)));
}

void EditCommands::centre() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        CentreObjects();
    }
    doc_->geometryChanged();
}

void EditCommands::smooth() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        SmoothObjectsEx();
    }
    doc_->geometryChanged();
}

void EditCommands::unsmooth() {
    if (!haveSelection()) return;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return;
        for (CadObject* obj : CKalvexDoc::selectedObjects())
            if (obj->type == KX_POLYGON) UnSmoothObject(obj);
    }
    doc_->geometryChanged();
}

void EditCommands::lathe() {
    if (!haveSelection()) return;
    LatheDialog dialog(window_);
    if (dialog.exec() != QDialog::Accepted) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    for (CadObject* obj : CKalvexDoc::selectedObjects()) {
        if (obj->type != KX_POINTS || !obj->points) continue;
        if (dialog.facets()) {
            unsigned n = LathePointsEx(&obj->points, obj->count, dialog.steps(), dialog.angle());
            if (!n) continue;
            obj->count = n;
            obj->type = KX_POLYGON;
            NormalizeObject(obj, 0);
        } else if (unsigned n = LathePoints(&obj->points, dialog.steps(), dialog.angle())) {
            obj->count = n;
        }
        obj->boundValid = 0;
    }
    doc_->geometryChanged();
}

void EditCommands::snapToGrid(bool on) {
    double step = 0;
    GetSnapGrid(&step);
    if (!(step > 0)) step = GetGridInterval();
    SetSnapGrid(step, on ? 1 : 0);
}
