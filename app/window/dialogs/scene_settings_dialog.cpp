#include "dialogs/scene_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "dialogs/colour_field.h"
#include "kxcore.h"
#include "mainframe/number_field.h"

using kx::app::SceneSettingValue;

namespace {

// The renderer takes numbers far beyond what a scene needs; the fields stop at this.
constexpr double kHigh = 1e6;

enum PhotonsMode { kPhotonsOff, kPhotonsSpacing, kPhotonsCount };
enum SkyMode { kSkyOff, kSkyTwo, kSkyThree };

QString textOf(const char* setting) { return QString::fromStdString(kx::app::sceneSettingText(setting)); }

QStringList numbersIn(const QString& text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

QString editorName(const char* setting) { return QStringLiteral("setting%1").arg(QString::fromLatin1(setting)); }

}  // namespace

SceneSettingsDialog::SceneSettingsDialog(kx::app::EditHistory& history, QWidget* parent)
    : QDialog(parent), history_(history) {
    setWindowTitle(tr("Scene Settings"));
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QGridLayout;
    // Two columns: the dialog fits a laptop's screen.
    int row = 0;
    for (QGroupBox* g : {globalGroup(), radiosityGroup(), photonsGroup(), cameraGroup()}) columns->addWidget(g, row++, 0);
    row = 0;
    for (QGroupBox* g : {fogGroup(), mediaGroup(), skyGroup()}) columns->addWidget(g, row++, 1);
    columns->setRowStretch(4, 1);
    layout->addLayout(columns);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("settingsProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->hide();
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    load();
    for (QComboBox* c : findChildren<QComboBox*>())
        connect(c, &QComboBox::currentIndexChanged, this, &SceneSettingsDialog::updateEnabled);
    for (QCheckBox* c : findChildren<QCheckBox*>()) connect(c, &QCheckBox::toggled, this, &SceneSettingsDialog::updateEnabled);
    updateEnabled();
}

bool SceneSettingsDialog::chosen(const QComboBox* combo) { return combo && combo->currentIndex() > 0; }

void SceneSettingsDialog::addRow(QFormLayout* form, const QString& group, const QString& label, Row row, Use use,
                                 std::function<bool()> active) {
    if (active) row.active = std::move(active);
    row.name = tr("%1: %2").arg(group, label);
    row.editor->setObjectName(editorName(row.setting));
    if (use == Use::Optional) {
        row.use = new QCheckBox(label, this);
        row.use->setObjectName(QStringLiteral("use%1").arg(QString::fromLatin1(row.setting)));
        row.use->setToolTip(tr("Unticked, the renderer's own value is used"));
        form->addRow(row.use, row.editor);
    } else {
        form->addRow(label, row.editor);
    }
    rows_.push_back(std::move(row));
}

SceneSettingsDialog::Row SceneSettingsDialog::numberRow(const char* setting, double low, double high, double start) {
    auto* field = new NumberField(this);
    field->setRange(low, high);
    field->setValue(start);
    return {setting, {}, field, nullptr, [field] { return NumberField::format(field->value()); },
            [field](const QString& text) {
                if (const std::optional<double> v = NumberField::parse(text)) field->setValue(*v);
            },
            nullptr};
}

SceneSettingsDialog::Row SceneSettingsDialog::wholeRow(const char* setting, int low, int high, int start) {
    auto* field = new QSpinBox(this);
    field->setRange(low, high);
    field->setValue(start);
    return {setting, {}, field, nullptr, [field] { return QString::number(field->value()); },
            [field](const QString& text) {
                bool ok = false;
                const int v = text.toInt(&ok);
                if (ok) field->setValue(v);
            },
            nullptr};
}

SceneSettingsDialog::Row SceneSettingsDialog::colourRow(const char* setting, double high, const char* start) {
    auto* field = new ColourField(high, this);
    field->setText(QString::fromLatin1(start));
    return {setting, {}, field, nullptr, [field] { return field->text(); },
            [field](const QString& text) { field->setText(text); }, nullptr};
}

SceneSettingsDialog::Row SceneSettingsDialog::wordsRow(const char* setting, const QString& off) {
    auto* combo = new QComboBox(this);
    combo->addItem(off, QString());
    for (unsigned i = 0; const char* word = GetSceneSettingWord(setting, i); ++i)
        combo->addItem(tr(word), QString::fromLatin1(word));
    return {setting, {}, combo, nullptr, [combo] { return combo->currentData().toString(); },
            [combo](const QString& text) { combo->setCurrentIndex(std::max(0, combo->findData(text))); }, nullptr};
}

QGroupBox* SceneSettingsDialog::globalGroup() {
    const QString title = tr("Global");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    addRow(form, title, tr("Assumed gamma"), numberRow("AssumedGamma", 0, 10, 1), Use::Optional);
    addRow(form, title, tr("Max trace level"), wholeRow("MaxTraceLevel", 1, 256, 5), Use::Optional);
    addRow(form, title, tr("Ambient light"), colourRow("AmbientLight", 100, "1 1 1"), Use::Optional);
    return box;
}

QGroupBox* SceneSettingsDialog::radiosityGroup() {
    const QString title = tr("Radiosity");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    Row kind = wordsRow("Radiosity", tr("Off"));
    radiosity_ = static_cast<QComboBox*>(kind.editor);
    addRow(form, title, tr("Quality"), std::move(kind), Use::Always);
    auto on = [this] { return chosen(radiosity_); };
    // A preset brings its own count and error bound; only "Custom" takes these.
    auto custom = [this] { return radiosity_->currentData().toString() == QLatin1String("Custom"); };
    addRow(form, title, tr("Brightness"), numberRow("RadiosityBrightness", 0, kHigh, 1), Use::Optional, on);
    addRow(form, title, tr("Count"), wholeRow("RadiosityCount", 1, 1600, 35), Use::Optional, custom);
    addRow(form, title, tr("Error bound"), numberRow("RadiosityErrorBound", 0, kHigh, 1.8), Use::Optional, custom);
    return box;
}

QGroupBox* SceneSettingsDialog::photonsGroup() {
    const QString title = tr("Photons");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    photonsMode_ = new QComboBox(box);
    photonsMode_->setObjectName(QStringLiteral("photonsMode"));
    photonsMode_->addItems({tr("Off"), tr("By spacing"), tr("By count")});
    photonsMode_->setToolTip(tr("Photons are collected for the objects whose Photons flags are set"));
    form->addRow(tr("Photons"), photonsMode_);
    addRow(form, title, tr("Spacing"), numberRow("PhotonSpacing", 0, kHigh, 0.05), Use::Always,
           [this] { return photonsMode_->currentIndex() == kPhotonsSpacing; });
    addRow(form, title, tr("Count"), wholeRow("PhotonCount", 1, 100000000, 20000), Use::Always,
           [this] { return photonsMode_->currentIndex() == kPhotonsCount; });
    auto on = [this] { return chosen(photonsMode_); };
    addRow(form, title, tr("Autostop"), numberRow("PhotonAutostop", 0, 1, 0), Use::Optional, on);
    addRow(form, title, tr("Jitter"), numberRow("PhotonJitter", 0, 1, 0.4), Use::Optional, on);
    return box;
}

QGroupBox* SceneSettingsDialog::fogGroup() {
    const QString title = tr("Fog");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    Row kind = wordsRow("Fog", tr("Off"));
    fog_ = static_cast<QComboBox*>(kind.editor);
    addRow(form, title, tr("Fog"), std::move(kind), Use::Always);
    auto on = [this] { return chosen(fog_); };
    auto ground = [this] { return fog_->currentData().toString() == QLatin1String("Ground"); };
    addRow(form, title, tr("Distance"), numberRow("FogDistance", 0, kHigh, 10), Use::Always, on);
    addRow(form, title, tr("Colour"), colourRow("FogColour", 100, "0.7 0.7 0.7"), Use::Always, on);
    addRow(form, title, tr("Offset"), numberRow("FogOffset", -kHigh, kHigh, 0), Use::Always, ground);
    addRow(form, title, tr("Altitude"), numberRow("FogAltitude", 0, kHigh, 1), Use::Always, ground);
    addRow(form, title, tr("Turbulence"), numberRow("FogTurbulence", 0, kHigh, 0.5), Use::Optional, on);
    return box;
}

QGroupBox* SceneSettingsDialog::mediaGroup() {
    const QString title = tr("Media");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    Row kind = wordsRow("MediaScattering", tr("Off"));
    media_ = static_cast<QComboBox*>(kind.editor);
    addRow(form, title, tr("Scattering"), std::move(kind), Use::Always);
    auto on = [this] { return chosen(media_); };
    addRow(form, title, tr("Colour"), colourRow("MediaColour", 100, "0.5 0.5 0.5"), Use::Always, on);
    addRow(form, title, tr("Density"), numberRow("MediaDensity", 0, kHigh, 0.05), Use::Always, on);
    addRow(form, title, tr("Intervals"), wholeRow("MediaIntervals", 1, 1000, 1), Use::Optional, on);
    addRow(form, title, tr("Samples"), wholeRow("MediaSamples", 1, 1000, 1), Use::Optional, on);
    return box;
}

QGroupBox* SceneSettingsDialog::skyGroup() {
    const QString title = tr("Sky sphere");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    skyMode_ = new QComboBox(box);
    skyMode_->setObjectName(QStringLiteral("skyMode"));
    skyMode_->addItems({tr("Off"), tr("Two colours"), tr("Three colours")});
    skyMode_->setToolTip(tr("A gradient from the colour below the scene to the one above it"));
    form->addRow(tr("Sky"), skyMode_);
    auto* colours = new QWidget(box);
    auto* column = new QVBoxLayout(colours);
    column->setContentsMargins(0, 0, 0, 0);
    const char* starts[3] = {"0.3 0.3 0.35", "0.5 0.6 0.9", "0.1 0.2 0.6"};
    for (int i = 0; i < 3; ++i) {
        sky_[i] = new ColourField(100, colours);
        sky_[i]->setObjectName(QStringLiteral("skyColour%1").arg(i));
        sky_[i]->setText(QString::fromLatin1(starts[i]));
        column->addWidget(sky_[i]);
    }
    Row row{"SkyColours", {}, colours, nullptr,
            [this] {
                QStringList parts;
                const int n = skyMode_->currentIndex() == kSkyThree ? 3 : 2;
                for (int i = 0; i < n; ++i) parts << sky_[i]->text();
                return parts.join(QLatin1Char(' '));
            },
            [this](const QString& text) {
                const QStringList n = numbersIn(text);
                for (int i = 0; i < 3 && 3 * i + 2 < n.size(); ++i) sky_[i]->setText(n.mid(3 * i, 3).join(QLatin1Char(' ')));
                skyMode_->setCurrentIndex(n.size() >= 9 ? kSkyThree : n.size() >= 6 ? kSkyTwo : kSkyOff);
            },
            [this] { return chosen(skyMode_); }};
    addRow(form, title, tr("From below to above"), std::move(row), Use::Always);
    return box;
}

QGroupBox* SceneSettingsDialog::cameraGroup() {
    const QString title = tr("Camera");
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    addRow(form, title, tr("Kind"), wordsRow("CameraKind", tr("Default")), Use::Always);
    focalBlur_ = new QCheckBox(tr("Focal blur"), box);
    focalBlur_->setObjectName(QStringLiteral("focalBlur"));
    focalBlur_->setToolTip(tr("Things nearer or farther than the focal point are blurred"));
    form->addRow(focalBlur_);
    auto on = [this] { return focalBlur_->isChecked(); };
    addRow(form, title, tr("Aperture"), numberRow("Aperture", 0, kHigh, 0.4), Use::Always, on);
    addRow(form, title, tr("Blur samples"), wholeRow("BlurSamples", 1, 4096, 20), Use::Optional, on);
    auto* point = new QWidget(box);
    auto* line = new QHBoxLayout(point);
    line->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 3; ++i) {
        focal_[i] = new NumberField(point);
        focal_[i]->setMinimumWidth(0);
        focal_[i]->setObjectName(QStringLiteral("focal%1").arg(QLatin1Char("XYZ"[i])));
        line->addWidget(focal_[i]);
    }
    auto* pick = new QPushButton(tr("Selected Object"), point);
    pick->setObjectName(QStringLiteral("focalFromSelection"));
    pick->setToolTip(tr("The centre of the selected object is in focus"));
    pick->setEnabled(GetNextSelectedObject(nullptr) != nullptr);
    line->addWidget(pick);
    connect(pick, &QPushButton::clicked, this, &SceneSettingsDialog::focusOnSelection);
    Row focus{"FocalPoint", {}, point, nullptr,
              [this] {
                  return QStringLiteral("%1 %2 %3")
                      .arg(NumberField::format(focal_[0]->value()), NumberField::format(focal_[1]->value()),
                           NumberField::format(focal_[2]->value()));
              },
              [this](const QString& text) {
                  const QStringList n = numbersIn(text);
                  for (int i = 0; i < 3 && i < n.size(); ++i)
                      if (const std::optional<double> v = NumberField::parse(n[i])) focal_[i]->setValue(*v);
              },
              on};
    // Unticked, the camera's look-at point is in focus.
    addRow(form, title, tr("Focal point"), std::move(focus), Use::Optional);
    focalUse_ = rows_.back().use;
    return box;
}

void SceneSettingsDialog::load() {
    for (Row& row : rows_) {
        const QString text = textOf(row.setting);
        if (!text.isEmpty()) row.write(text);
        if (row.use) row.use->setChecked(!text.isEmpty());
    }
    photonsMode_->setCurrentIndex(!textOf("PhotonSpacing").isEmpty() ? kPhotonsSpacing
                                  : !textOf("PhotonCount").isEmpty() ? kPhotonsCount
                                                                     : kPhotonsOff);
    focalBlur_->setChecked(!textOf("Aperture").isEmpty());
}

void SceneSettingsDialog::updateEnabled() {
    for (Row& row : rows_) {
        const bool active = !row.active || row.active();
        if (row.use) row.use->setEnabled(active);
        row.editor->setEnabled(active && (!row.use || row.use->isChecked()));
    }
    sky_[2]->setEnabled(skyMode_->currentIndex() == kSkyThree);
}

std::vector<SceneSettingValue> SceneSettingsDialog::values() const {
    std::vector<SceneSettingValue> out;
    for (const Row& row : rows_) {
        const bool set = (!row.active || row.active()) && (!row.use || row.use->isChecked());
        out.push_back({row.setting, set ? row.read().toStdString() : std::string()});
    }
    return out;
}

QString SceneSettingsDialog::problem() const { return problem_->text(); }

bool SceneSettingsDialog::focusOnSelection() {
    CadObject* obj = GetNextSelectedObject(nullptr);
    if (!obj || !CalcObjectBounds(obj)) return false;
    const Point3d& a = obj->boundMin;
    const Point3d& b = obj->boundMax;
    const double centre[3] = {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0, (a.z + b.z) / 2.0};
    for (int i = 0; i < 3; ++i) focal_[i]->setValue(centre[i]);
    focalUse_->setChecked(true);
    focalBlur_->setChecked(true);
    return true;
}

void SceneSettingsDialog::accept() {
    const kx::app::SceneSettingsEdit edit = kx::app::setSceneSettings(history_, values());
    if (!edit.refused.empty()) {
        QString name = QString::fromStdString(edit.setting);
        for (const Row& row : rows_)
            if (edit.setting == row.setting) name = row.name;
        problem_->setText(tr("%1 %2.").arg(name, QString::fromStdString(edit.refused)));
        problem_->show();
        return;
    }
    problem_->clear();
    problem_->hide();
    QDialog::accept();
}
