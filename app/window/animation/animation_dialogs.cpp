#include "animation/animation_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "kxcore.h"
#include "kxplatform/ui_callbacks.h"

using kx::app::AnimationSetup;

namespace {

QSpinBox* spinBox(const char* name, int min, int max, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

int frameLimit(unsigned frames) { return static_cast<int>(frames < 1 ? 1 : frames); }

}  // namespace

AnimationSetupDialog::AnimationSetupDialog(const AnimationSetup& setup, int playRate, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("animationSetupDialog"));
    setWindowTitle(tr("Animation Setup"));
    auto* form = new QFormLayout(this);
    name_ = new QLineEdit(QString::fromStdString(setup.name), this);
    name_->setObjectName(QStringLiteral("setupName"));
    name_->setMaxLength(259);
    frames_ = spinBox("setupFrames", 0, static_cast<int>(KX_ANIM_MAX_FRAMES), static_cast<int>(setup.frames), this);
    copyForward_ = new QCheckBox(tr("Copy object settings forward"), this);
    copyForward_->setObjectName(QStringLiteral("setupCopyForward"));
    copyForward_->setChecked(setup.copyForward);
    dir_ = new QLineEdit(QString::fromStdString(setup.dir), this);
    dir_->setObjectName(QStringLiteral("setupDir"));
    dir_->setMaxLength(259);
    playRate_ = spinBox("setupPlayRate", kx::app::kMinPlayRate, kx::app::kMaxPlayRate,
                        kx::app::clampPlayRate(playRate), this);
    form->addRow(tr("Name:"), name_);
    form->addRow(tr("Frames:"), frames_);
    form->addRow(QString(), copyForward_);
    form->addRow(tr("Output folder:"), dir_);
    form->addRow(tr("Play rate (frames a second):"), playRate_);
    form->addRow(okCancel(this));
}

AnimationSetup AnimationSetupDialog::setup() const {
    AnimationSetup s;
    s.name = name_->text().toStdString();
    s.frames = static_cast<unsigned>(frames_->value());
    s.copyForward = copyForward_->isChecked();
    s.dir = dir_->text().toStdString();
    return s;
}

int AnimationSetupDialog::playRate() const { return playRate_->value(); }

void AnimationSetupDialog::accept() {
    const std::string refusal = kx::app::checkAnimationSetup(setup());
    if (!refusal.empty()) {
        kx::platform::messageBox(nullptr, refusal.c_str(), "Animation", KX_MB_OK | KX_MB_ICONEXCLAMATION);
        return;
    }
    QDialog::accept();
}

TweenDialog::TweenDialog(unsigned from, unsigned to, unsigned maxFrames, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("tweenDialog"));
    setWindowTitle(tr("Tween"));
    auto* form = new QFormLayout(this);
    const int limit = frameLimit(maxFrames);
    from_ = spinBox("tweenFrom", 1, limit, static_cast<int>(from), this);
    to_ = spinBox("tweenTo", 1, limit, static_cast<int>(to), this);
    all_ = new QCheckBox(tr("All Objects"), this);
    all_->setObjectName(QStringLiteral("tweenAll"));
    form->addRow(tr("From frame:"), from_);
    form->addRow(tr("To frame:"), to_);
    form->addRow(QString(), all_);
    form->addRow(okCancel(this));
}

unsigned TweenDialog::from() const { return static_cast<unsigned>(from_->value()); }
unsigned TweenDialog::to() const { return static_cast<unsigned>(to_->value()); }
bool TweenDialog::allObjects() const { return all_->isChecked(); }

RenderAnimationDialog::RenderAnimationDialog(unsigned maxFrames, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("renderAnimationDialog"));
    setWindowTitle(tr("Render Animation"));
    auto* form = new QFormLayout(this);
    const int limit = frameLimit(maxFrames);
    from_ = spinBox("renderFrom", 1, limit, 1, this);
    to_ = spinBox("renderTo", 1, limit, limit, this);
    insideOut_ = new QCheckBox(tr("Inside out (coarse to fine)"), this);
    insideOut_->setObjectName(QStringLiteral("renderInsideOut"));
    form->addRow(tr("From frame:"), from_);
    form->addRow(tr("To frame:"), to_);
    form->addRow(QString(), insideOut_);
    form->addRow(okCancel(this));
}

unsigned RenderAnimationDialog::first() const { return static_cast<unsigned>(from_->value() - 1); }
unsigned RenderAnimationDialog::last() const { return static_cast<unsigned>(to_->value() - 1); }
bool RenderAnimationDialog::insideOut() const { return insideOut_->isChecked(); }

TemplateEditor::TemplateEditor(const QString& name, char* buffer, QWidget* parent)
    : QWidget(parent), buffer_(buffer) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(name + QStringLiteral("Text"));
    layout->addWidget(text_);
    auto* row = new QHBoxLayout;
    auto* loadButton = new QPushButton(tr("&Load..."), this);
    loadButton->setObjectName(name + QStringLiteral("Load"));
    auto* saveButton = new QPushButton(tr("&Save..."), this);
    saveButton->setObjectName(name + QStringLiteral("Save"));
    row->addWidget(loadButton);
    row->addWidget(saveButton);
    row->addStretch();
    layout->addLayout(row);
    const QString filter = tr("Templates (*.TPL *.tpl)");
    connect(loadButton, &QPushButton::clicked, this, [this, filter] {
        const QString file = QFileDialog::getOpenFileName(this, tr("Load Template"), {}, filter);
        if (!file.isEmpty()) this->load(file);
    });
    connect(saveButton, &QPushButton::clicked, this, [this, filter] {
        const QString file = QFileDialog::getSaveFileName(this, tr("Save Template"), {}, filter);
        if (!file.isEmpty()) this->save(file);
    });
    reload();
}

void TemplateEditor::store() {
    const QByteArray text = text_->toPlainText().toUtf8();
    const size_t n = std::min<size_t>(static_cast<size_t>(text.size()), 1023);
    std::memcpy(buffer_, text.constData(), n);
    buffer_[n] = '\0';
}

void TemplateEditor::reload() { text_->setPlainText(QString::fromUtf8(buffer_, static_cast<int>(strnlen(buffer_, 1024)))); }

namespace {

// The core adds ".TPL" itself: a name chosen with it would get it twice.
QByteArray templateName(const QString& file) {
    QString name = file;
    if (name.endsWith(QStringLiteral(".TPL"), Qt::CaseInsensitive)) name.chop(4);
    return name.toUtf8();
}

}  // namespace

bool TemplateEditor::load(const QString& file) {
    if (!LoadTemplate(templateName(file).constData(), buffer_)) return false;
    // A loaded template ends its lines with CR LF; a one-line template is used without it.
    QString text = QString::fromUtf8(buffer_, static_cast<int>(strnlen(buffer_, 1024)));
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) text.chop(1);
    text_->setPlainText(text);
    store();
    return true;
}

bool TemplateEditor::save(const QString& file) {
    store();
    return SaveTemplate(templateName(file).constData(), buffer_) != 0;
}

SequenceFilesDialog::SequenceFilesDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("sequenceFilesDialog"));
    setWindowTitle(tr("Sequence Files"));
    auto* form = new QFormLayout(this);
    sequence_ = new TemplateEditor(QStringLiteral("sequenceTemplate"), GetSequenceTemplate(), this);
    object_ = new TemplateEditor(QStringLiteral("objectTemplate"), GetObjectTemplate(), this);
    insideOut_ = new QCheckBox(tr("Inside out (coarse to fine)"), this);
    insideOut_->setObjectName(QStringLiteral("sequenceInsideOut"));
    form->addRow(tr("Sequence template:"), sequence_);
    form->addRow(tr("Point template:"), object_);
    form->addRow(QString(), insideOut_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* write = buttons->addButton(tr("&Write"), QDialogButtonBox::ActionRole);
    write->setObjectName(QStringLiteral("sequenceWrite"));
    QPushButton* run = buttons->addButton(tr("&Run"), QDialogButtonBox::ActionRole);
    run->setObjectName(QStringLiteral("sequenceRun"));
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        sequence_->store();
        object_->store();
        reject();
    });
    connect(write, &QPushButton::clicked, this, [this] {
        sequence_->store();
        object_->store();
        emit writeRequested(insideOut());
    });
    connect(run, &QPushButton::clicked, this, [this] { emit runRequested(); });
    form->addRow(buttons);
}

bool SequenceFilesDialog::insideOut() const { return insideOut_->isChecked(); }
