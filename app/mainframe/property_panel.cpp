#include "mainframe/property_panel.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCompleter>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <cstring>
#include <string>

#include "document/kalvex_doc.h"
#include "mainframe/height_field_image.h"
#include "mainframe/number_field.h"
#include "mainframe/qt_ui_table.h"
#include "preview/scene_lock.h"
#include "views/bgr_colour.h"

namespace {

constexpr const auto& kFlags = KX_OBJECT_FLAGS;

Point3d* fieldOf(CadObject* obj, int id) {
    switch (id) {
        case KX_PROP_SIZE: return &obj->size;
        case KX_PROP_EXTRA: return &obj->extraPoint;
        case KX_PROP_SCALE: return &obj->scale;
        case KX_PROP_ROTATE: return &obj->rotate;
        default: return &obj->translate;
    }
}

// Objects whose mesh the core can build again from their parameters; the
// others (meshes, points, groups) are moved, turned and scaled as they are.
bool rebuildable(const CadObject* obj) { return obj->type >= KX_LIGHT && obj->type <= KX_TEXT; }

// The text of a text object's TextString field, and what follows it (the font).
std::pair<std::string, std::string> textParts(CadObject* obj) {
    char field[KX_EXTRA_TEXT_MAX + 1] = {};
    if (!GetObjectExtraString(obj, KX_PROP_TEXTSTRING, field)) return {};
    std::string text = GetTextObject(field, nullptr);
    std::string all = field;
    return {text, all.size() >= text.size() ? all.substr(text.size()) : std::string()};
}

}  // namespace

PropertyPanel::PropertyPanel(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    form_ = new QFormLayout(this);
    QFormLayout* form = form_;
    type_ = new QLabel(this);
    form->addRow(tr("Type"), type_);
    name_ = new QLineEdit(this);
    name_->setMaxLength(31);
    form->addRow(tr("Name"), name_);
    colour_ = new QPushButton(tr("Colour..."), this);
    colour_->setObjectName(QStringLiteral("colourButton"));
    form->addRow(tr("Colour"), colour_);
    // The texture list is long: typing part of a name narrows it.
    texture_ = new QComboBox(this);
    texture_->setObjectName(QStringLiteral("textureField"));
    texture_->setEditable(true);
    texture_->setInsertPolicy(QComboBox::NoInsert);
    texture_->setMaxVisibleItems(20);
    auto* completer = new QCompleter(texture_->model(), texture_);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    texture_->setCompleter(completer);
    form->addRow(tr("Texture"), texture_);
    text_ = new QLineEdit(this);
    textLabel_ = new QLabel(tr("Text"), this);
    form->addRow(textLabel_, text_);
    imageBox_ = new QWidget(this);
    auto* imageRow = new QHBoxLayout(imageBox_);
    imageRow->setContentsMargins(0, 0, 0, 0);
    image_ = new QLineEdit(imageBox_);
    image_->setObjectName(QStringLiteral("imageField"));
    browse_ = new QToolButton(imageBox_);
    browse_->setText(QStringLiteral("..."));
    browse_->setToolTip(tr("Choose the height field's image"));
    imageRow->addWidget(image_, 1);
    imageRow->addWidget(browse_);
    form->addRow(tr("Image"), imageBox_);
    imageProblem_ = new QLabel(this);
    imageProblem_->setWordWrap(true);
    imageProblem_->setStyleSheet(QStringLiteral("color: #b00000"));
    imageProblem_->hide();
    form->addRow(QString(), imageProblem_);
    const int ids[5] = {KX_PROP_SIZE, KX_PROP_EXTRA, KX_PROP_SCALE, KX_PROP_ROTATE, KX_PROP_TRANSLATE};
    const char* labels[5] = {"Size", "Extra", "Scale", "Rotate", "Translate"};
    for (int i = 0; i < 5; ++i) {
        rows_[i].id = ids[i];
        rows_[i].label = new QLabel(tr(labels[i]), this);
        form->addRow(rows_[i].label, makePointRow(rows_[i]));
    }
    flagBox_ = new QWidget(this);
    auto* flagGrid = new QGridLayout(flagBox_);
    flagGrid->setContentsMargins(0, 0, 0, 0);
    for (size_t i = 0; i < flags_.size(); ++i) {
        flags_[i] = new QCheckBox(tr(kFlags[i].name), flagBox_);
        flagGrid->addWidget(flags_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
        const uint32_t bit = kFlags[i].flag;
        connect(flags_[i], &QCheckBox::toggled, this, [this, bit](bool on) { applyFlag(static_cast<int>(bit), on); });
    }
    form->addRow(tr("Flags"), flagBox_);

    connect(name_, &QLineEdit::editingFinished, this, &PropertyPanel::applyName);
    connect(text_, &QLineEdit::editingFinished, this, &PropertyPanel::applyText);
    connect(colour_, &QPushButton::clicked, this, &PropertyPanel::chooseColour);
    connect(texture_, &QComboBox::activated, this, &PropertyPanel::applyTexture);
    connect(texture_->lineEdit(), &QLineEdit::editingFinished, this, &PropertyPanel::textureTyped);
    connect(completer, qOverload<const QString&>(&QCompleter::activated), this, [this](const QString& name) {
        const int index = texture_->findText(name, Qt::MatchFixedString);
        if (index < 0) return;
        texture_->setCurrentIndex(index);
        applyTexture(index);
    });
    connect(image_, &QLineEdit::editingFinished, this, [this] {
        if (!filling_ && object_ && image_->text().toStdString() != kx::app::heightFieldImageOf(object_))
            applyImage(image_->text());
    });
    connect(browse_, &QToolButton::clicked, this, &PropertyPanel::chooseImage);
    connect(doc_, &CKalvexDoc::selectionUpdated, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::geometryUpdated, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::objectsMovedBy, this, &PropertyPanel::refresh);
    connect(doc_, &CKalvexDoc::sceneReplaced, this, &PropertyPanel::refresh);
    refresh();
}

QWidget* PropertyPanel::makePointRow(PointRow& row) {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (auto& spin : row.spins) {
        spin = new NumberField(box);
        layout->addWidget(spin);
        const PointRow* r = &row;
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, r] { applyPoint(*r); });
    }
    return box;
}

QDoubleSpinBox* PropertyPanel::pointField(int id, int axis) const {
    for (const PointRow& row : rows_)
        if (row.id == id) return row.spins[static_cast<size_t>(axis)];
    return nullptr;
}

void PropertyPanel::fillTextures() {
    // The list is not rebuilt under the user's fingers while a name is typed.
    if (!texture_->lineEdit()->hasFocus()) {
        texture_->clear();
        texture_->addItem(tr("(none)"), 0);
        for (TextureInfo* t = GetTexture(nullptr); t; t = GetTexture(t))
            if (t->kind) texture_->addItem(kx::app::sceneText(t->name), t->kind);
    }
    int index = 0;
    if (object_ && (object_->materialType & KX_TEXTURE_TEXTURE)) {
        // A texture the list does not know (a scene's own) is shown as it is.
        index = texture_->findText(kx::app::sceneText(object_->material), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0) {
            texture_->addItem(kx::app::sceneText(object_->material), static_cast<int>(object_->materialType));
            index = texture_->count() - 1;
        }
    } else if (object_ && object_->materialType) {
        // A named colour of the list is shown by its name; a colour mixed in
        // the colour dialog has no entry and is shown by the colour button.
        index = std::max(0, texture_->findText(kx::app::sceneText(object_->material),
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    texture_->setCurrentIndex(index);
    texture_->setEditText(texture_->itemText(index));
}

void PropertyPanel::showRowsFor(const CadObject* obj) {
    const unsigned type = obj ? obj->type : 0;
    const bool light = type == KX_LIGHT, camera = type == KX_CAMERA, heightField = type == KX_HEIGHTFIELD;
    // A light is a point with a colour and, for a spot, a target; the camera
    // is its location, look-at point, right and up vectors. Neither has a
    // texture, a scale or a turn of its own.
    form_->setRowVisible(colour_, !camera);
    form_->setRowVisible(texture_, !light && !camera);
    form_->setRowVisible(text_, type == KX_TEXT);
    form_->setRowVisible(imageBox_, heightField);
    form_->setRowVisible(imageProblem_, heightField && !imageProblem_->text().isEmpty());
    form_->setRowVisible(rows_[0].label, !light);
    form_->setRowVisible(rows_[2].label, !light && !camera);
    form_->setRowVisible(rows_[3].label, !light);
    form_->setRowVisible(flagBox_, !camera);
    for (size_t i = 0; i < flags_.size(); ++i) {
        const uint32_t f = kFlags[i].flag;
        flags_[i]->setVisible(!light || f == KX_FLAG_VISIBLE || f == KX_FLAG_NOEXPORT);
    }
    rows_[0].label->setText(camera ? tr("Look at") : tr("Size"));
    rows_[1].label->setText(camera ? tr("Right") : light ? tr("Target") : tr("Extra"));
    rows_[3].label->setText(camera ? tr("Up") : tr("Rotate"));
    rows_[4].label->setText(light || camera ? tr("Location") : tr("Translate"));
}

bool PropertyPanel::rowShown(QWidget* field) const { return field && field->isVisibleTo(this); }

QWidget* PropertyPanel::colourField() const { return colour_; }

QWidget* PropertyPanel::flagField(uint32_t flag) const {
    for (size_t i = 0; i < flags_.size(); ++i)
        if (kFlags[i].flag == flag) return flags_[i];
    return nullptr;
}

QString PropertyPanel::imageProblem() const { return imageProblem_->text(); }

void PropertyPanel::refresh() {
    filling_ = true;
    CadObject* previous = object_;
    object_ = GetNextSelectedObject(nullptr);
    setEnabled(object_ != nullptr);
    CadObject* obj = object_;
    if (obj != previous) imageProblem_->clear();
    type_->setText(obj ? QString::fromLatin1(GetObjectTypeName(static_cast<int>(obj->type)) ?: "") : QString());
    name_->setText(obj ? kx::app::sceneText(obj->name) : QString());
    const QColor colour = kx::app::bgrToColour(obj ? obj->rgb : 0xFFFFFF);
    colour_->setStyleSheet(QStringLiteral("background-color: %1").arg(colour.name()));
    fillTextures();
    const bool isText = obj && obj->type == KX_TEXT;
    text_->setText(isText ? kx::app::sceneText(textParts(obj).first.c_str()) : QString());
    image_->setText(obj && obj->type == KX_HEIGHTFIELD ? QString::fromStdString(kx::app::heightFieldImageOf(obj))
                                                       : QString());
    showRowsFor(obj);
    for (PointRow& row : rows_) {
        const Point3d p = obj ? *fieldOf(obj, row.id) : Point3d{};
        const float v[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k) row.spins[k]->setValue(v[k]);
    }
    for (size_t i = 0; i < flags_.size(); ++i) flags_[i]->setChecked(obj && (obj->flags & kFlags[i].flag));
    filling_ = false;
}

void PropertyPanel::changed() {
    doc_->geometryChanged();
    doc_->selectionChanged();
}

void PropertyPanel::applyName() {
    if (filling_ || !object_) return;
    const QByteArray name = name_->text().toUtf8().left(31);
    if (name.isEmpty() || name == object_->name) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    SetCadObjectProperty(object_, KX_PROP_NAME, name.constData());
    doc_->setModified(true);
    doc_->selectionChanged();
}

void PropertyPanel::applyPoint(const PointRow& row) {
    if (filling_ || !object_) return;
    CadObject* obj = object_;
    Point3d v{static_cast<float>(row.spins[0]->value()), static_cast<float>(row.spins[1]->value()),
              static_cast<float>(row.spins[2]->value())};
    const Point3d old = *fieldOf(obj, row.id);
    if (v.x == old.x && v.y == old.y && v.z == old.z) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    if (obj->type == KX_CAMERA) {
        CameraInfo* camera = GetActiveCamera();
        if (row.id == KX_PROP_ROTATE) camera->up = v;
        else if (row.id == KX_PROP_EXTRA) camera->rightDir = v;
        else SetCadObjectProperty(obj, row.id == KX_PROP_SIZE ? KX_PROP_LOOKAT : row.id, &v);
        RebuildCameraObject(camera);
        doc_->cameraChanged();
        doc_->selectionChanged();
        return;
    }
    if (rebuildable(obj)) {
        SetCadObjectProperty(obj, row.id, &v);
        kx::app::RebuildSceneObject(obj);
        changed();
        return;
    }
    // A mesh or a group is transformed by the difference, so that its
    // geometry and its parameters stay together.
    Point3d centre{};
    CentreInfo info{};
    if (GetSingleObjectCenterPoint(obj, &info, 1)) GetObjectPointInfo(&info, 0, &centre);
    const bool group = obj->type == KX_GROUP;
    Point3d delta{v.x - old.x, v.y - old.y, v.z - old.z};
    switch (row.id) {
        case KX_PROP_SCALE: {
            Point3d f{old.x ? v.x / old.x : 1, old.y ? v.y / old.y : 1, old.z ? v.z / old.z : 1};
            if (group) SetCadObjectProperty(obj, KX_PROP_SCALE, &f);
            else TransformObject(obj, KX_TRANSFORM_SCALE, &f, nullptr, nullptr, &centre, 0);
            break;
        }
        case KX_PROP_ROTATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_ROTATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_ROTATE, nullptr, &delta, nullptr, &centre, 0);
            break;
        case KX_PROP_TRANSLATE:
            if (group) SetCadObjectProperty(obj, KX_PROP_TRANSLATE, &delta);
            else TransformObject(obj, KX_TRANSFORM_MOVE, nullptr, nullptr, &delta, nullptr, 0);
            break;
        default:
            SetCadObjectProperty(obj, row.id, &v);
            break;
    }
    changed();
}

void PropertyPanel::applyFlag(int bit, bool on) {
    if (filling_ || !object_) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    for (const KxObjectFlag& f : kFlags)
        if (static_cast<int>(f.flag) == bit) SetCadObjectProperty(object_, f.name, on ? 1u : 0u);
    changed();
}

void PropertyPanel::applyTexture(int index) {
    if (filling_ || !object_ || index < 0) return;
    const int kind = texture_->itemData(index).toInt();
    const QByteArray name = texture_->itemText(index).toUtf8();
    kx::app::SceneChange change;
    if (!change.owns()) return;
    if (kind == 0) SetObjectTextureEx(object_, 0, "None");
    else SetCadObjectProperty(object_, (kind & KX_TEXTURE_TEXTURE) ? KX_PROP_TEXTURE : KX_PROP_COLOR, name.constData());
    changed();
}

void PropertyPanel::applyText() {
    if (filling_ || !object_ || object_->type != KX_TEXT) return;
    auto [text, font] = textParts(object_);
    const std::string wanted = text_->text().toStdString();
    if (wanted.empty() || wanted == text) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    SetCadObjectProperty(object_, KX_PROP_TEXTSTRING, (wanted + font).c_str());
    kx::app::RebuildSceneObject(object_);
    changed();
}

void PropertyPanel::chooseColour() {
    if (!object_) return;
    const QColor chosen = QColorDialog::getColor(kx::app::bgrToColour(object_->rgb), this, tr("Object colour"));
    applyColour(chosen);
}

void PropertyPanel::applyColour(const QColor& chosen) {
    if (!chosen.isValid() || !object_) return;
    kx::app::SceneChange change;
    if (!change.owns()) return;
    const auto r = static_cast<unsigned>(chosen.red()), g = static_cast<unsigned>(chosen.green()),
               b = static_cast<unsigned>(chosen.blue());
    // The colour of a textured object is the one the views draw it in: the
    // texture it renders with stays.
    if (object_->materialType & KX_TEXTURE_TEXTURE) object_->rgb = r | (g << 8) | (b << 16);
    else SetEncodedRgb(object_, r, g, b);
    changed();
}

void PropertyPanel::textureTyped() {
    if (filling_ || !object_) return;
    const QString typed = texture_->currentText().trimmed();
    const int index = texture_->findText(typed, Qt::MatchFixedString);
    if (index < 0) {
        // Nothing of that name: the object keeps what it has, and says so.
        texture_->setEditText(texture_->itemText(texture_->currentIndex()));
        return;
    }
    const QString current = object_->materialType ? kx::app::sceneText(object_->material) : QString();
    if (texture_->itemText(index) == current || (index == 0 && !(object_->materialType & KX_TEXTURE_TEXTURE) &&
                                                 texture_->currentIndex() == 0))
        return;
    texture_->setCurrentIndex(index);
    applyTexture(index);
}

void PropertyPanel::chooseImage() {
    if (!object_ || object_->type != KX_HEIGHTFIELD) return;
    const QString chosen = kx::app::askHeightFieldImage(this, image_->text());
    if (chosen.isEmpty()) return;
    image_->setText(chosen);
    applyImage(chosen);
}

bool PropertyPanel::applyImage(const QString& path) {
    if (!object_ || object_->type != KX_HEIGHTFIELD) return false;
    const std::string file = path.trimmed().toStdString();
    const std::string current = kx::app::heightFieldImageOf(object_);
    std::string problem = file.size() > KX_EXTRA_TEXT_MAX ? "The file name is too long" : std::string();
    if (problem.empty()) problem = kx::app::heightFieldImageProblem(file);
    imageProblem_->setText(QString::fromStdString(problem));
    form_->setRowVisible(imageProblem_, !problem.empty());
    if (!problem.empty()) {
        // The height field keeps the image it had.
        image_->setText(QString::fromStdString(current));
        return false;
    }
    if (file == current) return true;
    {
        kx::app::SceneChange change;
        if (!change.owns()) return false;
        SetCadObjectProperty(object_, KX_PROP_HEIGHTFIELDFILE, file.c_str());
    }
    doc_->setModified(true);
    doc_->selectionChanged();
    return true;
}
