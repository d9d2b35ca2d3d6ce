#include "texbuild/texture_builder_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>
#include <cstring>
#include <unistd.h>

#include "kxcore.h"
#include "mainframe/app_session.h"
#include "texbuild/element_editor.h"
#include "texbuild/texture_browser_dialog.h"
#include "texbuild/texture_commands.h"
#include "texbuild/texture_import.h"
#include "texbuild/texture_names.h"
#include "texbuild/texture_previews.h"

namespace {

constexpr const char* kShapes[] = {"Sphere", "Plane", "Box", "Cone", "Cylinder", "Torus", "Sky"};
constexpr int kSwatch = 100;

void copyInto(char* field, size_t size, const std::string& text) {
    const size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

TextureBuilderDialog::TextureBuilderDialog(kx::app::AppSession& session, QWidget* parent,
                                           TextureCommands* commands)
    : QDialog(parent), session_(session), commands_(commands) {
    setObjectName(QStringLiteral("textureBuilder"));
    setWindowTitle(tr("Texture Builder"));
    textures_ = new QComboBox(this);
    name_ = new QLineEdit(this);
    name_->setMaxLength(static_cast<int>(kx::app::kTextureNameMax));
    parent_ = new QLineEdit(this);
    parent_->setMaxLength(31);
    elements_ = new ElementEditor(this);
    elements_->setTexturesFolder(session_.core().textures().texturesFolder());
    text_ = new QPlainTextEdit(this);
    sceneText_ = new QPlainTextEdit(this);
    sceneText_->setObjectName(QStringLiteral("textureSceneText"));
    sceneText_->setReadOnly(true);
    sceneText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    sceneText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    shape_ = new QComboBox(this);
    for (const char* s : kShapes) shape_->addItem(tr(s));
    showPreview_ = new QCheckBox(tr("Show preview"), this);
    showPreview_->setChecked(session_.core().store().getInt("Texture", "ShowPreview", 1) != 0);
    swatch_ = new QLabel(this);
    swatch_->setFixedSize(kSwatch, kSwatch);
    previewTimer_ = new QTimer(this);
    previewTimer_->setSingleShot(true);
    previewTimer_->setInterval(400);

    auto* form = new QFormLayout;
    form->addRow(tr("User texture"), textures_);
    form->addRow(tr("Name"), name_);
    form->addRow(tr("Parent"), parent_);
    form->addRow(tr("Shape"), shape_);
    auto* side = new QVBoxLayout;
    side->addWidget(swatch_);
    side->addWidget(showPreview_);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addLayout(side);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* create = buttons->addButton(tr("&New"), QDialogButtonBox::ActionRole);
    QPushButton* import = buttons->addButton(tr("&Import..."), QDialogButtonBox::ActionRole);
    QPushButton* saveButton = buttons->addButton(tr("&Save"), QDialogButtonBox::ActionRole);
    QPushButton* removeButton = buttons->addButton(tr("&Delete"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(tr("Elements"), this));
    layout->addWidget(elements_, 2);
    layout->addWidget(new QLabel(tr("Texture text"), this));
    layout->addWidget(text_, 1);
    layout->addWidget(new QLabel(tr("As written for the renderer"), this));
    layout->addWidget(sceneText_, 1);
    layout->addWidget(buttons);

    connect(create, &QPushButton::clicked, this, [this] { newTexture(); });
    connect(import, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Import texture"), QString(),
                                                          tr("Texture Files (*.pov *.inc *.pi *.txt);;All Files (*)"));
        if (!path.isEmpty()) importText(path);
    });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { remove(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(textures_, &QComboBox::activated, this, [this](int index) {
        if (index > 0) editTexture(textures_->itemText(index));
    });
    for (QLineEdit* edit : {name_, parent_}) connect(edit, &QLineEdit::textEdited, this, [this] { changed(); });
    connect(text_, &QPlainTextEdit::textChanged, this, [this] { changed(); });
    connect(elements_, &ElementEditor::valueChanged, this, [this] { changed(); });
    connect(shape_, &QComboBox::activated, this, [this] { changed(); });
    connect(previewTimer_, &QTimer::timeout, this, [this] { preview(); });
    fillTextures();
    newTexture();
}

TextureBuilderDialog::~TextureBuilderDialog() {
    // The runs end before the dialog does: their callbacks post to it.
    if (pool_) {
        pool_->cancel();
        pool_->wait();
    }
}

void TextureBuilderDialog::fillTextures() {
    textures_->clear();
    textures_->addItem(tr("(new)"));
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next)
        if (t->kind & KX_TEXTURE_USER)
            textures_->addItem(QString::fromUtf8(t->name, static_cast<int>(strnlen(t->name, sizeof t->name))));
}

void TextureBuilderDialog::newTexture() {
    filling_ = true;
    InitCustomTexture();
    GetCustomTexture(1);
    editing_.clear();
    shortName_.clear();
    name_->setText(QString::fromStdString(kx::app::newUserTextureName()));
    parent_->clear();
    text_->clear();
    elements_->reload();
    textures_->setCurrentIndex(0);
    swatch_->clear();
    filling_ = false;
    showSceneText();
}

bool TextureBuilderDialog::editTexture(const QString& name) {
    const QByteArray bytes = name.toUtf8();
    if (!LoadCustomTexture(bytes.constData())) return false;
    filling_ = true;
    const CustomTexure* t = GetCustomTexture(0);
    editing_ = bytes.toStdString();
    TextureInfo* record = GetTextureInfoByName(bytes.constData());
    shortName_ = record ? std::string(record->shortText1, strnlen(record->shortText1, 16)) : std::string();
    name_->setText(name);
    parent_->setText(QString::fromUtf8(t->parent));
    text_->setPlainText(QString::fromUtf8(t->freeForm));
    elements_->reload();
    textures_->setCurrentIndex(std::max(0, textures_->findText(name)));
    swatch_->setPixmap(swatchIcon(session_.core().textures().previewImagePath(bytes.constData()), kSwatch)
                           .pixmap(kSwatch, kSwatch));
    filling_ = false;
    showSceneText();
    return true;
}

void TextureBuilderDialog::changed() {
    if (filling_) return;
    // The current texture follows the dialog, so that a preview or a save writes what is shown.
    CustomTexure* t = GetCustomTexture(0);
    copyInto(t->parent, sizeof t->parent, parent_->text().toStdString());
    copyInto(t->freeForm, sizeof t->freeForm, text_->toPlainText().toStdString());
    showSceneText();
    if (showPreview_->isChecked()) previewTimer_->start();
}

void TextureBuilderDialog::showSceneText() {
    // Written by the exporter itself, into a scratch file: the text shown is
    // the text a scene gets, whatever its length.
    const kx::app::RendererDefinition renderer = kx::app::previewRenderer(session_.renderers(), session_.settings());
    const unsigned type = renderer.type ? static_cast<unsigned>(renderer.type) : KX_FILETYPE_POVRAY3;
    const QByteArray name = name_->text().toUtf8();
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    QTemporaryFile scratch;
    QString text;
    if (identifier.match(name_->text()).hasMatch() && scratch.open()) {
        const QByteArray path = scratch.fileName().toLocal8Bit();
        if (StandardFile* f = StdOpenFile(path.constData(), KX_OPEN_CREATE)) {
            f->type = type;
            const bool written = ExportCustomTexture(f, name.constData(), type, TEX_EXPORT_FLAGS{}) != 0;
            // The file is replaced whole when it closes: read by its name, not the handle.
            QFile back(scratch.fileName());
            if (StdCloseFile(f) && written && back.open(QIODevice::ReadOnly))
                text = QString::fromUtf8(back.readAll()).remove(QLatin1Char('\r'));
        }
    }
    if (text.isEmpty()) text = tr("(nothing: the name must be a word of letters, digits and _)");
    sceneText_->setPlainText(text);
}

bool TextureBuilderDialog::preview() {
    if (pool_) pool_->cancel();
    kx::app::Settings settings = session_.settings();
    const kx::app::RendererDefinition renderer = kx::app::previewRenderer(session_.renderers(), settings);
    kx::app::PreviewJob job;
    const std::string name = name_->text().toStdString();
    if (!kx::app::prepareBuilderPreview(session_.core().textures(), renderer, settings, name, shortName_,
                                        shape_->currentIndex(), job))
        return false;
    previewedUnsaved_ = true;
    pool_ = std::make_unique<kx::app::PreviewRenderPool>();
    return pool_->start({job}, 1, [this](const kx::app::PreviewResult& r) {
        // A run cancelled for a newer one says nothing.
        if (r.cancelled) return;
        QMetaObject::invokeMethod(this, [this, r] { previewFinished(r.imagePath, r.ok); }, Qt::QueuedConnection);
    });
}

void TextureBuilderDialog::previewFinished(const std::string& imagePath, bool ok) {
    if (ok) swatch_->setPixmap(swatchIcon(imagePath, kSwatch).pixmap(kSwatch, kSwatch));
    emit previewShown(ok);
}

int TextureBuilderDialog::save() {
    changed();
    previewTimer_->stop();
    kx::app::UserTextureSave request;
    request.name = name_->text().toStdString();
    request.originalName = editing_;
    request.shortName = shortName_;
    request.colour = GetCustomTexture(0)->colour;
    if (!session_.core().textures().saveUserTexture(request)) return 0;
    editing_ = request.name;
    TextureInfo* record = GetTextureInfoByName(editing_.c_str());
    if (record) shortName_.assign(record->shortText1, strnlen(record->shortText1, 16));
    previewedUnsaved_ = false;
    fillTextures();
    textures_->setCurrentIndex(std::max(0, textures_->findText(name_->text())));
    return 1;
}

int TextureBuilderDialog::remove() {
    if (editing_.empty()) return 0;
    if (!session_.core().textures().deleteUserTexture(editing_)) return 0;
    fillTextures();
    newTexture();
    return 1;
}

void TextureBuilderDialog::importText(const QString& path) {
    std::string text;
    if (kx::app::importTextureText(path.toStdString(), text)) text_->setPlainText(QString::fromStdString(text));
}

void TextureBuilderDialog::done(int result) {
    previewTimer_->stop();
    if (pool_) {
        pool_->cancel();
        pool_->wait();
    }
    if (previewedUnsaved_) restoreSavedSwatch();
    session_.core().store().setInt("Texture", "ShowPreview", showPreview_->isChecked() ? 1 : 0);
    QDialog::done(result);
}

void TextureBuilderDialog::restoreSavedSwatch() {
    previewedUnsaved_ = false;
    if (!kx::app::hasShortName(shortName_)) return;
    // The swatch shows changes that were not saved: it goes first, so that a
    // render that fails leaves it missing (rendered again later), never wrong.
    const std::string folder = session_.core().textures().texturesFolder();
    for (std::string image = kx::app::findPreviewImage(folder, shortName_); !image.empty();
         image = kx::app::findPreviewImage(folder, shortName_))
        if (::unlink(image.c_str()) != 0) break;
    // A texture never saved has no swatch to come back.
    if (editing_.empty() || !commands_) return;
    kx::app::Settings settings = session_.settings();
    const kx::app::RendererDefinition renderer = kx::app::previewRenderer(session_.renderers(), settings);
    kx::app::PreviewScene scene;
    scene.textureName = editing_;
    scene.shortName = shortName_;
    scene.declareSaved = true;
    kx::app::PreviewJob job;
    if (kx::app::preparePreview(folder, renderer, settings, scene, job)) commands_->renderPreviews({job});
}
