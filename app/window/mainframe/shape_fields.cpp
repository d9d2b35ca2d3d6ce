#include "mainframe/shape_fields.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <string>
#include <utility>

#include "dialogs/colour_field.h"
#include "document/kalvex_doc.h"
#include "document/shape_edits.h"
#include "mainframe/number_field.h"
#include "mainframe/profile_table.h"
#include "mainframe/qt_ui_table.h"

using kx::app::ShapeEdit;

namespace {

struct Tip {
    int property;
    const char* text;
};
constexpr Tip kTips[] = {
    {KX_PROP_EXPONENTS, "East-west and north-south exponents: 1 is round, towards 0 boxy, 2 an octahedron, above 2 pinched"},
    {KX_PROP_SPLINETYPE, "How the profile's points are joined"},
    {KX_PROP_PROFILE, "The points the shape is made from"},
    {KX_PROP_SWEEPHEIGHTS, "The heights of the prism's two ends"},
    {KX_PROP_CONIC, "The outline shrinks to a point at height 0, as a pyramid"},
    {KX_PROP_FUNCTION, "The surface is where the function of x, y and z equals the threshold"},
    {KX_PROP_CONTAINER, "The region searched for the surface: the object's size gives its half extent or radius"},
    {KX_PROP_THRESHOLD, "The function's value on the surface"},
    {KX_PROP_ACCURACY, "How closely the renderer finds the surface; smaller is slower and finer"},
    {KX_PROP_MAXGRADIENT, "The steepest the function gets: too small loses parts of the surface"},
    {KX_PROP_JULIAPARAMETER, "The 4D constant that shapes the fractal"},
    {KX_PROP_ITERATIONS, "More iterations give more detail"},
    {KX_PROP_PRECISION, "Higher finds the surface more closely"},
    {KX_PROP_SLICE, "The 3D slice through 4D space: its normal (four numbers) and distance"},
};

QString tipOf(int property) {
    for (const Tip& t : kTips)
        if (t.property == property) return QCoreApplication::translate("ShapeFields", t.text);
    return {};
}

const kx::app::ShapeField* fieldRow(int property) {
    for (const kx::app::ShapeField& f : kx::app::kShapeFields)
        if (f.property == property) return &f;
    return nullptr;
}

// The numbers a shape's settings hold for a number field.
std::vector<double> numbersOf(const kx::app::ShapeSettings& s, int property) {
    switch (property) {
        case KX_PROP_EXPONENTS: return {s.exponents[0], s.exponents[1]};
        case KX_PROP_SWEEPHEIGHTS: return {s.heights[0], s.heights[1]};
        case KX_PROP_THRESHOLD: return {s.threshold};
        case KX_PROP_ACCURACY: return {s.accuracy};
        case KX_PROP_MAXGRADIENT: return {s.maxGradient};
        case KX_PROP_JULIAPARAMETER: return {s.julia, s.julia + 4};
        case KX_PROP_PRECISION: return {s.precision};
        case KX_PROP_SLICE: return {s.slice, s.slice + 5};
        default: return {};
    }
}

}  // namespace

ShapeFields::ShapeFields(CKalvexDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    form_ = new QFormLayout(this);
    form_->setContentsMargins(0, 0, 0, 0);
    spline_ = new QComboBox(this);
    spline_->setObjectName(QStringLiteral("shapeSpline"));
    profile_ = new ProfileTable(this);
    profile_->setObjectName(QStringLiteral("shapeProfile"));
    conic_ = new QCheckBox(tr("Conic sweep"), this);
    conic_->setObjectName(QStringLiteral("shapeConic"));
    function_ = new QLineEdit(this);
    function_->setObjectName(QStringLiteral("shapeFunction"));
    function_->setMaxLength(static_cast<int>(KX_EXTRA_TEXT_MAX));
    function_->setPlaceholderText(QStringLiteral("sqrt(x*x + y*y + z*z) - 1"));
    container_ = new QComboBox(this);
    container_->setObjectName(QStringLiteral("shapeContainer"));
    container_->addItem(tr("Box"), 0);
    container_->addItem(tr("Sphere"), 1);
    iterations_ = new QSpinBox(this);
    iterations_->setObjectName(QStringLiteral("shapeIterations"));
    iterations_->setRange(0, 10000);
    iterations_->setKeyboardTracking(false);
    for (const kx::app::ShapeField& f : kx::app::kShapeFields) {
        QWidget* field = nullptr;
        switch (f.property) {
            case KX_PROP_SPLINETYPE: field = spline_; break;
            case KX_PROP_PROFILE: field = profile_; break;
            case KX_PROP_CONIC: field = conic_; break;
            case KX_PROP_FUNCTION: field = function_; break;
            case KX_PROP_CONTAINER: field = container_; break;
            case KX_PROP_ITERATIONS: field = iterations_; break;
            default: addNumberRow(f.property, f.count ? f.count : 1); continue;
        }
        field->setToolTip(tipOf(f.property));
        form_->addRow(f.property == KX_PROP_CONIC ? QString() : tr(f.label), field);
        rows_[f.property] = field;
    }
    refusal_ = new QLabel(this);
    refusal_->setObjectName(QStringLiteral("shapeRefusal"));
    refusal_->setWordWrap(true);
    refusal_->setStyleSheet(QStringLiteral("color: #b00000"));
    form_->addRow(refusal_);
    photonsBox_ = new QWidget(this);
    auto* photonsRow = new QHBoxLayout(photonsBox_);
    photonsRow->setContentsMargins(0, 0, 0, 0);
    for (const kx::app::PhotonBit& b : kx::app::kPhotonBits) {
        auto* box = new QCheckBox(tr(b.label), photonsBox_);
        box->setObjectName(QStringLiteral("photons%1").arg(QString::fromLatin1(b.label)));
        photonsRow->addWidget(box);
        photons_.push_back(box);
        const unsigned bit = b.bit;
        connect(box, &QCheckBox::clicked, this, [this, bit](bool on) { applyPhotons(bit, on); });
    }
    photonsBox_->setToolTip(tr("Target: photons are shot at the object. Reflection and refraction: photons "
                               "bounce off it or pass through it, making caustics"));
    form_->addRow(tr("Photons"), photonsBox_);
    inverse_ = new QCheckBox(tr("Inverse"), this);
    inverse_->setObjectName(QStringLiteral("inverseField"));
    inverse_->setToolTip(tr("Turns the solid inside out: in an intersection it cuts itself away, "
                            "as the later members of a difference do"));
    form_->addRow(QString(), inverse_);
    connect(inverse_, &QCheckBox::clicked, this, [this](bool on) {
        if (!filling_ && !objects_.empty()) kx::app::setInverse(doc_->history(), objects_, on);
    });
    mediaBox_ = new QWidget(this);
    auto* mediaRow = new QHBoxLayout(mediaBox_);
    mediaRow->setContentsMargins(0, 0, 0, 0);
    media_ = new QComboBox(mediaBox_);
    media_->setObjectName(QStringLiteral("interiorMedia"));
    for (const auto& [kind, label] : {std::pair{-1, "None"}, {0, "Absorbing"}, {1, "Emitting"}, {2, "Scattering"}})
        media_->addItem(tr(label), kind);
    mediaColour_ = new ColourField(1, mediaBox_);
    mediaColour_->setObjectName(QStringLiteral("interiorMediaColour"));
    mediaRow->addWidget(media_);
    mediaRow->addWidget(mediaColour_);
    mediaBox_->setToolTip(tr("A media that fills the object: it absorbs, glows in or scatters the colour; the "
                             "object's texture should let light through"));
    form_->addRow(tr("Media"), mediaBox_);
    connect(media_, &QComboBox::activated, this, [this] { applyMedia(); });
    for (int c = 0; c < 3; ++c)
        connect(mediaColour_->channel(c), &QDoubleSpinBox::editingFinished, this, [this] { applyMedia(); });

    connect(spline_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) applyInteger(KX_PROP_SPLINETYPE, spline_->itemData(index).toInt(), false);
    });
    connect(container_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) applyInteger(KX_PROP_CONTAINER, container_->itemData(index).toInt(), false);
    });
    connect(conic_, &QCheckBox::clicked, this, [this](bool on) { applyInteger(KX_PROP_CONIC, on ? 1 : 0, false); });
    connect(iterations_, &QSpinBox::valueChanged, this, [this](int v) { applyInteger(KX_PROP_ITERATIONS, v, true); });
    connect(function_, &QLineEdit::editingFinished, this, [this] {
        if (filling_ || shapes().empty()) return;
        const std::string text = function_->text().toStdString();
        if (text == kx::app::shapeSettingsOf(shapes().front()).function) return;
        answer(kx::app::setShapeFunction(doc_->history(), shapes(), text).refused);
    });
    connect(profile_, &ProfileTable::edited, this, &ShapeFields::applyProfile);
}

void ShapeFields::addNumberRow(int propertyId, unsigned count) {
    auto* box = new QWidget(this);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    std::vector<QDoubleSpinBox*>& spins = numbers_[propertyId];
    for (unsigned i = 0; i < count; ++i) {
        auto* spin = new NumberField(box);
        spin->setObjectName(QStringLiteral("shapeValue%1_%2").arg(propertyId).arg(i));
        // Up to five share a row: each gives up the width of the widest value.
        if (count > 2) spin->setMinimumWidth(0);
        layout->addWidget(spin);
        spins.push_back(spin);
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, propertyId] { applyNumbers(propertyId); });
    }
    box->setToolTip(tipOf(propertyId));
    const kx::app::ShapeField* row = fieldRow(propertyId);
    form_->addRow(row ? tr(row->label) : QString(), box);
    rows_[propertyId] = box;
}

QDoubleSpinBox* ShapeFields::numberField(int propertyId, int index) const {
    auto found = numbers_.find(propertyId);
    if (found == numbers_.end() || index < 0 || static_cast<size_t>(index) >= found->second.size()) return nullptr;
    return found->second[static_cast<size_t>(index)];
}

QCheckBox* ShapeFields::photonsField(unsigned bit) const {
    for (size_t i = 0; i < std::size(kx::app::kPhotonBits); ++i)
        if (kx::app::kPhotonBits[i].bit == bit) return photons_[i];
    return nullptr;
}

bool ShapeFields::rowShown(int propertyId) const {
    auto found = rows_.find(propertyId);
    return found != rows_.end() && form_->isRowVisible(found->second);
}

bool ShapeFields::photonsShown() const { return form_->isRowVisible(photonsBox_); }

QString ShapeFields::refusal() const { return refusal_->text(); }

std::vector<CadObject*> ShapeFields::shapes() const { return kind_ ? objects_ : std::vector<CadObject*>{}; }

void ShapeFields::show(const std::vector<CadObject*>& objects) {
    if (objects != objects_) {
        // Typing merges into one step only while the same objects are shown.
        doc_->history().sealKeysStarting("shape ");
        refusal_->clear();
    }
    objects_ = objects;
    kind_ = 0;
    if (!objects_.empty() && KxIsRendererShape(objects_.front()->type) &&
        std::all_of(objects_.begin(), objects_.end(), [&](CadObject* o) { return o->type == objects_.front()->type; }))
        kind_ = objects_.front()->type;
    fill();
}

void ShapeFields::fill() {
    filling_ = true;
    const kx::app::ShapeSettings s = kx::app::shapeSettingsOf(kind_ ? objects_.front() : nullptr);
    for (const auto& [property, row] : rows_) form_->setRowVisible(row, kind_ && kx::app::shapeHasField(kind_, property));
    for (const auto& [property, spins] : numbers_) {
        const std::vector<double> v = numbersOf(s, property);
        for (size_t i = 0; i < spins.size() && i < v.size(); ++i) spins[i]->setValue(v[i]);
    }
    if (kind_ != splinesFor_) {
        // A sphere sweep names its splines its own way, and has no bezier.
        spline_->clear();
        if (kind_ == KX_SPHERESWEEP)
            for (int i = 0; i < static_cast<int>(std::size(kx::app::kSweepSplines)); ++i)
                spline_->addItem(tr(kx::app::kSweepSplines[i]), i);
        else
            for (int i = 0; i < static_cast<int>(std::size(kx::app::kPathSplines)); ++i)
                spline_->addItem(tr(kx::app::kPathSplines[i]), i);
        splinesFor_ = kind_;
    }
    spline_->setCurrentIndex(spline_->findData(s.spline));
    profile_->setProfile(kind_, s.profile, s.radii);
    conic_->setChecked(s.conic);
    if (!function_->hasFocus()) function_->setText(kx::app::sceneText(s.function.c_str()));
    container_->setCurrentIndex(container_->findData(s.container));
    iterations_->setValue(s.iterations);
    form_->setRowVisible(refusal_, !refusal_->text().isEmpty());

    std::vector<CadObject*> solids;
    for (CadObject* o : objects_)
        if (kx::app::takesPhotons(o)) solids.push_back(o);
    form_->setRowVisible(photonsBox_, !solids.empty());
    for (size_t i = 0; i < photons_.size(); ++i) {
        const unsigned bit = kx::app::kPhotonBits[i].bit;
        auto on = [bit](CadObject* o) { return (kx::app::shapeSettingsOf(o).photons & bit) != 0; };
        const bool same = solids.empty() || std::all_of(solids.begin(), solids.end(), [&](CadObject* o) {
                              return on(o) == on(solids.front());
                          });
        photons_[i]->setTristate(!same);
        photons_[i]->setCheckState(!same ? Qt::PartiallyChecked
                                   : !solids.empty() && on(solids.front()) ? Qt::Checked
                                                                          : Qt::Unchecked);
    }
    form_->setRowVisible(inverse_, !solids.empty());
    auto inverted = [](CadObject* o) { return kx::app::shapeSettingsOf(o).inverse; };
    const bool sameInverse =
        solids.empty() || std::all_of(solids.begin(), solids.end(), [&](CadObject* o) { return inverted(o) == inverted(solids.front()); });
    inverse_->setTristate(!sameInverse);
    inverse_->setCheckState(!sameInverse                              ? Qt::PartiallyChecked
                            : !solids.empty() && inverted(solids.front()) ? Qt::Checked
                                                                          : Qt::Unchecked);
    form_->setRowVisible(mediaBox_, !solids.empty());
    if (!solids.empty()) {
        const kx::app::InteriorMedia m = kx::app::interiorMediaOf(solids.front());
        media_->setCurrentIndex(media_->findData(m.kind));
        mediaColour_->setText(QStringLiteral("%1 %2 %3").arg(m.colour[0]).arg(m.colour[1]).arg(m.colour[2]));
        mediaColour_->setEnabled(m.kind >= 0);
    }
    filling_ = false;
}

void ShapeFields::applyMedia() {
    if (filling_ || objects_.empty()) return;
    kx::app::InteriorMedia m;
    m.kind = media_->currentData().toInt();
    for (int c = 0; c < 3; ++c) m.colour[c] = mediaColour_->channel(c)->value();
    // A media of no colour does nothing: a new one starts as a light grey.
    if (m.kind >= 0 && m.colour[0] == 0 && m.colour[1] == 0 && m.colour[2] == 0) m.colour[0] = m.colour[1] = m.colour[2] = 0.5;
    kx::app::setInteriorMedia(doc_->history(), objects_, m);
    show(objects_);
}

void ShapeFields::answer(const std::string& refused) {
    refusal_->setText(refused.empty() ? QString() : tr("Not taken: %1.").arg(QString::fromStdString(refused)));
    // A refused value leaves the shapes as they were: so do the fields. A
    // taken one is shown when the panel hears of the change.
    if (!refused.empty()) fill();
    else form_->setRowVisible(refusal_, false);
}

void ShapeFields::applyNumbers(int propertyId) {
    if (filling_ || shapes().empty()) return;
    std::vector<double> values;
    for (QDoubleSpinBox* spin : numbers_[propertyId]) values.push_back(spin->value());
    const std::string key = "shape " + std::to_string(propertyId);
    const ShapeEdit edit = values.size() == 1
                               ? kx::app::setShapeNumber(doc_->history(), shapes(), propertyId, values[0], key)
                               : kx::app::setShapeNumbers(doc_->history(), shapes(), propertyId, values, key);
    answer(edit.refused);
}

void ShapeFields::applyInteger(int propertyId, int value, bool typed) {
    if (filling_ || shapes().empty()) return;
    // Typing a number is one step; each choice of a kind is a step of its own.
    const std::string key = typed ? "shape " + std::to_string(propertyId) : std::string();
    answer(kx::app::setShapeInteger(doc_->history(), shapes(), propertyId, value, key).refused);
}

void ShapeFields::applyProfile(const std::vector<Point3d>& points, const std::vector<double>& radii) {
    if (filling_ || shapes().empty()) return;
    answer(kx::app::setShapeProfile(doc_->history(), shapes(), points, radii).refused);
}

void ShapeFields::applyPhotons(unsigned bit, bool on) {
    if (filling_ || objects_.empty()) return;
    kx::app::setPhotons(doc_->history(), objects_, bit, on);
}
