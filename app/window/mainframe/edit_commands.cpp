#include "mainframe/edit_commands.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QWidget>
#include <memory>

#include "dialogs/lathe_dialog.h"
#include "dialogs/sweep_dialog.h"
#include "dialogs/transform_dialog.h"
#include "document/kalvex_doc.h"
#include "document/scene_clipboard.h"
#include "document/profile_shapes.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "mainframe/height_field_image.h"
#include "views/mouse_state.h"
#include "views/profile_drawing.h"

EditCommands::EditCommands(CKalvexDoc* doc, QWidget* window) : QObject(window), doc_(doc), window_(window) {
    askHeightFieldImage = [this] { return kx::app::askHeightFieldImage(window_); };
}

bool EditCommands::haveSelection() const {
    if (GetNextSelectedObject(nullptr)) return true;
    ErrorMessage("No objects selected");
    return false;
}

void EditCommands::deleteSelection() {
    kx::app::deleteSelection(doc_->history());
}

void EditCommands::selectAll() {
    for (CadObject* obj = GetCadObject(nullptr); obj; obj = obj->next)
        if (obj->type != KX_CAMERA && obj->type != KX_LIGHT) AddSelectedObject(obj);
    doc_->selectionChanged();
}

void EditCommands::selectNone() {
    SetObjectsUnSelected();
    doc_->selectionChanged();
}

void EditCommands::group() {
    if (haveSelection()) kx::app::groupSelection(doc_->history());
}

void EditCommands::groupAs(kx::app::CsgOperation operation) {
    if (!haveSelection()) return;
    const std::vector<CadObject*> outer = kx::app::outermostSelected();
    // A group on its own is given the operation instead of a group around it.
    if (outer.size() == 1 && outer.front()->type == KX_GROUP) {
        kx::app::setGroupOperation(doc_->history(), outer, operation);
        return;
    }
    kx::app::groupSelectionAs(doc_->history(), operation);
}

void EditCommands::ungroup() {
    if (haveSelection()) kx::app::ungroupSelection(doc_->history());
}

void EditCommands::duplicate() {
    if (haveSelection()) kx::app::duplicateSelection(doc_->history());
}

void EditCommands::startProfile(kx::app::ProfileKind kind) {
    kx::app::startProfile(doc_, kind);
    emit mouseStateChanged();
}

void EditCommands::editPoints(bool on) {
    kx::app::MouseEditor& m = doc_->mouseEditor();
    m.editPoints = on;
    m.state = on ? kx::app::kMouseEditPoints : kx::app::kMouseSelect;
    emit mouseStateChanged();
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
    m.editPoints = false;
    m.state = kx::app::kMousePlace;
    emit mouseStateChanged();
}

void EditCommands::nudge(const Point3d& by) {
    kx::app::moveSelection(doc_->history(), by);
}

void EditCommands::move() {
    Point3d offset{};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Move, window_, offset)) return;
    kx::app::moveSelection(doc_->history(), offset);
}

void EditCommands::scale() {
    Point3d factors{1, 1, 1};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Scale, window_, factors)) return;
    kx::app::scaleSelection(doc_->history(), factors);
}

void EditCommands::rotate() {
    Point3d angles{};
    if (!haveSelection() || !TransformDialog::ask(TransformDialog::Rotate, window_, angles)) return;
    kx::app::rotateSelection(doc_->history(), angles);
}

void EditCommands::align(int axis) {
    if (haveSelection()) kx::app::alignSelection(doc_->history(), axis);
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
    if (haveSelection()) kx::app::centreSelection(doc_->history());
}

void EditCommands::smooth() {
    if (haveSelection()) kx::app::smoothSelection(doc_->history(), true);
}

void EditCommands::unsmooth() {
    if (haveSelection()) kx::app::smoothSelection(doc_->history(), false);
}

void EditCommands::lathe() {
    if (!haveSelection()) return;
    LatheDialog dialog(window_);
    // The sweep is shown in the views while the dialog is open.
    auto showSweep = [this](unsigned steps, double angle) {
        std::vector<kx::app::OutlineSegment>& outline = doc_->mouseEditor().outline;
        outline.clear();
        for (CadObject* obj = GetNextSelectedObject(nullptr); obj; obj = GetNextSelectedObject(obj)) {
            if (obj->type != KX_POINTS) continue;
            const auto lines = kx::app::latheOutline(kx::app::profilePoints(obj), steps, angle);
            outline.insert(outline.end(), lines.begin(), lines.end());
        }
        doc_->selectionChanged();
    };
    connect(&dialog, &LatheDialog::sweepChanged, this, showSweep);
    showSweep(dialog.steps(), dialog.angle());
    const bool accepted = runLatheDialog ? runLatheDialog(dialog) : dialog.exec() == QDialog::Accepted;
    doc_->mouseEditor().outline.clear();
    doc_->selectionChanged();
    if (accepted) kx::app::latheSelection(doc_->history(), dialog.steps(), dialog.angle(), dialog.facets());
}

void EditCommands::sweep() {
    CadObject* profile = nullptr;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj && !profile; obj = GetNextSelectedObject(obj))
        if (obj->type == KX_POINTS) profile = obj;
    if (!profile) {
        QMessageBox::information(window_, tr("Sweep"), tr("Select an outline drawn in the Plan view first"));
        return;
    }
    SweepDialog dialog(window_);
    const std::vector<Point3d> drawn = kx::app::profilePoints(profile);
    auto showSweep = [this, &drawn](double from, double to) {
        doc_->mouseEditor().outline = kx::app::sweepOutline(drawn, from, to);
        doc_->selectionChanged();
    };
    connect(&dialog, &SweepDialog::heightsChanged, this, showSweep);
    showSweep(dialog.from(), dialog.to());
    const bool accepted = runSweepDialog ? runSweepDialog(dialog) : dialog.exec() == QDialog::Accepted;
    doc_->mouseEditor().outline.clear();
    doc_->selectionChanged();
    if (!accepted) return;
    const kx::app::ProfileShapeResult made = kx::app::sweepProfile(doc_->history(), profile, dialog.from(), dialog.to());
    if (!made.shape && !made.refused.empty())
        QMessageBox::information(window_, tr("Sweep"), QString::fromStdString(made.refused));
}

void EditCommands::shapeFromProfile(unsigned type) {
    CadObject* profile = nullptr;
    for (CadObject* obj = GetNextSelectedObject(nullptr); obj && !profile; obj = GetNextSelectedObject(obj))
        if (obj->type == KX_POINTS) profile = obj;
    const kx::app::ProfileShapeResult made = kx::app::shapeFromProfile(doc_->history(), profile, type);
    if (!made.shape && !made.refused.empty())
        QMessageBox::information(window_, tr("Shape from Profile"), QString::fromStdString(made.refused));
}

void EditCommands::undo() { doc_->undo(); }

namespace {

void putOnClipboard(const std::string& text) {
    auto data = std::make_unique<QMimeData>();
    const QByteArray bytes = QByteArray::fromStdString(text);
    data->setData(QString::fromLatin1(kx::app::kSceneMimeType), bytes);
    data->setText(QString::fromUtf8(bytes));
    QApplication::clipboard()->setMimeData(data.release());
}

}  // namespace

void EditCommands::cut() {
    if (!haveSelection()) return;
    const std::string text = kx::app::cutSelection(doc_->history());
    if (text.empty()) return;
    putOnClipboard(text);
}

void EditCommands::copy() {
    if (!haveSelection()) return;
    const std::string text = kx::app::selectionAsSceneText();
    if (!text.empty()) putOnClipboard(text);
}

void EditCommands::paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return;
    const QString type = QString::fromLatin1(kx::app::kSceneMimeType);
    // Plain text pastes too when it is scene text (from a program that kept only the text).
    const QByteArray bytes = data->hasFormat(type) ? data->data(type) : data->text().toUtf8();
    kx::app::pasteSceneText(doc_->history(), bytes.toStdString());
}

void EditCommands::redo() { doc_->redo(); }

void EditCommands::snapToGrid(bool on) {
    double step = 0;
    GetSnapGrid(&step);
    if (!(step > 0)) step = GetGridInterval();
    SetSnapGrid(step, on ? 1 : 0);
}
