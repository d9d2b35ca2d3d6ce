#include "dialogs/render_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

RenderSettingsDialog::RenderSettingsDialog(const kx::app::RenderSettings& values,
                                           const kx::app::RendererList& renderers, const QString& reason,
                                           QWidget* parent)
    : QDialog(parent), base_(values) {
    setWindowTitle(tr("Render Settings"));
    auto* form = new QFormLayout(this);
    if (!reason.isEmpty()) {
        auto* why = new QLabel(reason, this);
        why->setObjectName(QStringLiteral("reason"));
        why->setWordWrap(true);
        form->addRow(why);
    }
    renderer_ = new QComboBox(this);
    for (const kx::app::RendererDefinition& r : renderers.entries)
        renderer_->addItem(QString::fromLocal8Bit(r.description[0] ? r.description : r.infoFile));
    const int current = values.type >= 0 && values.type < renderer_->count() ? values.type : 0;
    renderer_->setCurrentIndex(current);
    form->addRow(tr("Renderer"), renderer_);
    auto spin = [this](int value, int low, int high) {
        auto* s = new QSpinBox(this);
        s->setRange(low, high);
        s->setValue(value);
        return s;
    };
    width_ = spin(values.renderX, 1, kx::app::kMaxImageSize);
    height_ = spin(values.renderY, 1, kx::app::kMaxImageSize);
    quality_ = spin(values.quality, 0, kx::app::kMaxQuality);
    form->addRow(tr("Image width"), width_);
    form->addRow(tr("Image height"), height_);
    form->addRow(tr("Quality"), quality_);
    auto check = [this](const QString& text, int value) {
        auto* c = new QCheckBox(text, this);
        c->setChecked(value != 0);
        return c;
    };
    antiAlias_ = check(tr("Anti-aliasing"), values.antiAlias);
    userBreak_ = check(tr("Renderer can be interrupted"), values.userBreak);
    shortNames_ = check(tr("Short file names"), values.shortFileNames);
    waitForExit_ = check(tr("Wait for the renderer and show the image"), values.waitForExit);
    show_ = check(tr("Renderer shows the image while it renders"), values.renderShow);
    for (QCheckBox* c : {antiAlias_, userBreak_, shortNames_, waitForExit_, show_}) form->addRow(c);
    flags_ = new QLineEdit(QString::fromStdString(values.renderFlags), this);
    form->addRow(tr("Extra options"), flags_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

kx::app::RenderSettings RenderSettingsDialog::values() const {
    kx::app::RenderSettings out = base_;
    out.type = renderer_->currentIndex();
    out.renderX = width_->value();
    out.renderY = height_->value();
    out.quality = quality_->value();
    out.antiAlias = antiAlias_->isChecked();
    out.userBreak = userBreak_->isChecked();
    out.shortFileNames = shortNames_->isChecked();
    out.waitForExit = waitForExit_->isChecked();
    out.renderShow = show_->isChecked();
    out.renderFlags = flags_->text().toStdString();
    return out;
}
