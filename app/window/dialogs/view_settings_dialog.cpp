#include "dialogs/view_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "preview/preview_settings.h"

ViewSettingsDialog::ViewSettingsDialog(const kx::app::Settings& s, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("View Settings"));
    auto* layout = new QVBoxLayout(this);

    auto* drawn = new QGroupBox(tr("The views show"), this);
    auto* drawnLayout = new QVBoxLayout(drawn);
    bounds_ = check(tr("Object bounds"), s.view.bounds);
    spotLights_ = check(tr("Spot light cones"), s.view.spotLights);
    showCamera_ = check(tr("The camera"), s.view.showCamera);
    viewLeft_ = check(tr("Right-handed front and plan views"), s.view.viewLeft);
    for (QCheckBox* c : {bounds_, spotLights_, showCamera_, viewLeft_}) drawnLayout->addWidget(c);
    layout->addWidget(drawn);

    auto* start = new QGroupBox(tr("At start"), this);
    auto* startLayout = new QVBoxLayout(start);
    showIso_ = check(tr("Open the perspective view"), s.desktop.showIso);
    showFront_ = check(tr("Open the front view"), s.desktop.showFront);
    showPlan_ = check(tr("Open the plan view"), s.desktop.showPlan);
    showSide_ = check(tr("Open the side view"), s.desktop.showSide);
    autoTile_ = check(tr("Tile the views"), s.desktop.autoTile);
    noSplash_ = check(tr("No splash window"), s.desktop.disableSplash);
    placeMultiple_ = check(tr("Keep placing objects until Esc"), s.desktop.placeMultiple);
    for (QCheckBox* c : {showIso_, showFront_, showPlan_, showSide_, autoTile_, noSplash_, placeMultiple_})
        startLayout->addWidget(c);
    layout->addWidget(start);

    // Asked each time the dialog opens: the library says what it can draw.
    PreviewCaps caps{};
    kx::app::queryPreviewCapabilities(kx::app::libraryBackend(), caps);
    const kx::app::PreviewChoices choices = kx::app::previewChoices(caps);
    auto* preview = new QGroupBox(tr("Shaded preview"), this);
    auto* previewLayout = new QVBoxLayout(preview);
    preview_ = check(QString::fromUtf8(choices.switchLabel), choices.switchEnabled ? s.desktop.enableGL : 0);
    preview_->setObjectName(QStringLiteral("enablePreview"));
    preview_->setEnabled(choices.switchEnabled);
    shaded_ = new QRadioButton(tr("Shaded"), this);
    textured_ = new QRadioButton(tr("Textured Shading"), this);
    textured_->setObjectName(QStringLiteral("texturedShading"));
    textured_->setVisible(choices.textured);
    (s.desktop.previewRender > 1 && choices.textured ? textured_ : shaded_)->setChecked(true);
    autoRedraw_ = check(tr("Redraw after every change"), s.desktop.autoRedraw);
    for (QWidget* w : std::initializer_list<QWidget*>{preview_, shaded_, textured_, autoRedraw_}) previewLayout->addWidget(w);
    layout->addWidget(preview);

    auto* form = new QFormLayout;
    auto* triple = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\s*$|^\\s*-?[0-9.eE+-]+\\s*,\\s*-?[0-9.eE+-]+\\s*,\\s*-?[0-9.eE+-]+\\s*$")),
        this);
    cameraPosition_ = new QLineEdit(QString::fromStdString(s.view.defaultCameraPosition), this);
    cameraTarget_ = new QLineEdit(QString::fromStdString(s.view.defaultCameraTarget), this);
    cameraPosition_->setValidator(triple);
    cameraTarget_->setValidator(triple);
    cameraPosition_->setPlaceholderText(QStringLiteral("0,4,20"));
    cameraTarget_->setPlaceholderText(QStringLiteral("0,0,0"));
    form->addRow(tr("Default camera position"), cameraPosition_);
    form->addRow(tr("Default camera target"), cameraTarget_);
    log_ = new QSpinBox(this);
    log_->setRange(0, 2);
    log_->setValue(s.desktop.log);
    form->addRow(tr("Log detail (0 off)"), log_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QCheckBox* ViewSettingsDialog::check(const QString& text, int value) {
    auto* c = new QCheckBox(text, this);
    c->setChecked(value != 0);
    return c;
}

void ViewSettingsDialog::apply(kx::app::Settings& s) const {
    s.view.bounds = bounds_->isChecked();
    s.view.spotLights = spotLights_->isChecked();
    s.view.showCamera = showCamera_->isChecked();
    s.view.viewLeft = viewLeft_->isChecked();
    s.view.defaultCameraPosition = cameraPosition_->text().remove(' ').toStdString();
    s.view.defaultCameraTarget = cameraTarget_->text().remove(' ').toStdString();
    s.desktop.showIso = showIso_->isChecked();
    s.desktop.showFront = showFront_->isChecked();
    s.desktop.showPlan = showPlan_->isChecked();
    s.desktop.showSide = showSide_->isChecked();
    s.desktop.autoTile = autoTile_->isChecked();
    s.desktop.disableSplash = noSplash_->isChecked();
    s.desktop.placeMultiple = placeMultiple_->isChecked();
    s.desktop.log = log_->value();
    s.desktop.enableGL = preview_->isEnabled() && preview_->isChecked();
    s.desktop.previewRender = textured_->isChecked() ? 2 : 1;
    s.desktop.autoRedraw = autoRedraw_->isChecked();
}
