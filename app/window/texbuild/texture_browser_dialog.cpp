#include "texbuild/texture_browser_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "document/kalvex_doc.h"
#include "document/scene_edits.h"
#include "kxcore.h"
#include "mainframe/app_session.h"
#include "pixmo.h"
#include "texbuild/texture_commands.h"
#include "texbuild/texture_database.h"
#include "texbuild/texture_names.h"

namespace {

constexpr int kSwatchSide = 64;

// What the kind box offers: the kind bits a texture must have (0: any).
struct KindChoice {
    const char* text;
    int bits;
};
constexpr KindChoice kKinds[] = {{"All", 0}, {"Colours", KX_TEXTURE_COLOUR}, {"Textures", KX_TEXTURE_TEXTURE},
                                 {"User textures", KX_TEXTURE_USER}};

// A swatch not rendered yet: the texture's own colour, with a corner of
// another shade holding a "?", so that it is not taken for the picture.
QIcon placeholder(int side, const QColor& base) {
    QPixmap pixmap(side, side);
    pixmap.fill(base);
    QPainter painter(&pixmap);
    const QColor mark = base.lightness() > 128 ? QColor(Qt::black) : QColor(Qt::white);
    const int corner = std::max(side * 2 / 5, 6);
    const QPoint fold[] = {QPoint(side - corner, 0), QPoint(side, 0), QPoint(side, corner)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(mark);
    painter.drawPolygon(fold, 3);
    painter.setPen(base);
    painter.drawText(QRect(side - corner / 2, 0, corner / 2, corner / 2), Qt::AlignCenter, QStringLiteral("?"));
    return QIcon(pixmap);
}

}  // namespace

TextureBrowserDialog::TextureBrowserDialog(kx::app::TextureDatabase& db, TextureCommands* commands, CKalvexDoc* doc,
                                           QWidget* parent)
    : QDialog(parent), db_(db), commands_(commands), doc_(doc) {
    setObjectName(QStringLiteral("textureBrowser"));
    setWindowTitle(tr("Texture Browser"));
    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(tr("Name"));
    kind_ = new QComboBox(this);
    for (const KindChoice& k : kKinds) kind_->addItem(tr(k.text), k.bits);
    list_ = new QListWidget(this);
    list_->setViewMode(QListView::IconMode);
    list_->setIconSize(QSize(kSwatchSide, kSwatchSide));
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    list_->setMinimumSize(480, 360);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layers_ = new QLabel(this);
    layers_->setObjectName(QStringLiteral("layersSwatch"));
    layers_->setFixedSize(kSwatchSide, kSwatchSide);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* apply = buttons->addButton(tr("&Apply"), QDialogButtonBox::ApplyRole);
    QPushButton* render = buttons->addButton(tr("Render &Missing Previews"), QDialogButtonBox::ActionRole);
    QPushButton* layered = buttons->addButton(tr("Preview &Layers"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(kind_);
    top->addWidget(layers_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);

    connect(filter_, &QLineEdit::textChanged, this, &TextureBrowserDialog::refill);
    connect(kind_, &QComboBox::currentIndexChanged, this, &TextureBrowserDialog::refill);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { applyCurrent(); });
    connect(apply, &QPushButton::clicked, this, [this] { applyCurrent(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (commands) {
        connect(render, &QPushButton::clicked, commands, [commands] { commands->renderMissingPreviews(); });
        connect(layered, &QPushButton::clicked, this, [this] { previewLayers(); });
        connect(commands, &TextureCommands::previewFinished, this, &TextureBrowserDialog::swatchReady);
    } else {
        render->setEnabled(false);
        layered->setEnabled(false);
    }
    refill();
}

QIcon swatchIcon(const std::string& imagePath, int side, const QColor& base) {
    // The render view keeps its own copy, so the library's picture may be used here.
    if (imagePath.empty() || !pxDisplayImageEx(kx::app::AppSession::ownerWindow(), imagePath.c_str(), 1))
        return placeholder(side, base);
    PxBits bits{};
    if (!pxGetSurfaceBits(pxGetMemDC(), &bits) || !bits.pixels || bits.width <= 0 || bits.height <= 0)
        return placeholder(side, base);
    const QImage image(reinterpret_cast<const uchar*>(bits.pixels), bits.width, bits.height,
                       static_cast<qsizetype>(bits.stride) * 4, QImage::Format_RGB32);
    return QIcon(QPixmap::fromImage(image.scaled(side, side, Qt::KeepAspectRatio)));
}

void TextureBrowserDialog::refill() {
    list_->clear();
    const QString wanted = filter_->text();
    const int bits = kind_->currentData().toInt();
    for (TextureInfo* t = GetTexture(nullptr); t; t = t->next) {
        if (t->kind == 0) continue;
        if (bits == KX_TEXTURE_USER ? !(t->kind & KX_TEXTURE_USER)
                                    : bits && (!(t->kind & bits) || (t->kind & KX_TEXTURE_USER)))
            continue;
        const QString name = QString::fromUtf8(t->name, static_cast<int>(strnlen(t->name, sizeof t->name)));
        if (!wanted.isEmpty() && !name.contains(wanted, Qt::CaseInsensitive)) continue;
        const QColor base(t->colour[0], t->colour[1], t->colour[2]);
        auto* item = new QListWidgetItem(swatchIcon(db_.previewImagePath(t->name), kSwatchSide, base), name, list_);
        item->setData(Qt::UserRole, t->kind);
    }
}

bool TextureBrowserDialog::previewLayers() {
    QStringList names;
    for (int row = 0; row < list_->count(); ++row)
        if (list_->item(row)->isSelected()) names << list_->item(row)->text();
    if (!commands_ || names.isEmpty()) return false;
    const QString layers = names.join(QLatin1Char('+'));
    if (!commands_->renderLayeredPreview(layers.toStdString())) return false;
    pendingLayers_ = layers;
    layers_->clear();
    return true;
}

void TextureBrowserDialog::swatchReady(const QString& textureName, const QString& imagePath, bool ok) {
    if (!ok) return;
    if (textureName == pendingLayers_) {
        layers_->setPixmap(swatchIcon(imagePath.toStdString()).pixmap(kSwatchSide, kSwatchSide));
        pendingLayers_.clear();
        return;
    }
    // The texture is looked up again: it may have gone while its swatch rendered.
    const QList<QListWidgetItem*> items = list_->findItems(textureName, Qt::MatchExactly);
    for (QListWidgetItem* item : items) item->setIcon(swatchIcon(imagePath.toStdString()));
}

int TextureBrowserDialog::applyCurrent() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return 0;
    const QByteArray name = item->text().toUtf8();
    if (!GetTextureInfoByName(name.constData())) return 0;
    const bool colour = (item->data(Qt::UserRole).toInt() & KX_TEXTURE_COLOUR) != 0;
    const std::vector<CadObject*> objects = CKalvexDoc::selectedObjects();
    const int changed = static_cast<int>(objects.size());
    if (objects.empty()) return 0;
    if (!doc_) {
        kx::app::SceneModel::Transaction change;
        if (!change.owns()) return 0;
        for (CadObject* obj : objects) SetObjectTextureEx(obj, colour ? 1u : 2u, name.constData());
        return changed;
    }
    if (kx::app::setObjectTexture(doc_->history(), objects, name.toStdString(),
                                  colour ? KX_TEXTURE_COLOUR : KX_TEXTURE_TEXTURE, "Apply Texture")) {
        // The views draw textured objects afresh.
        doc_->viewOptionsChanged();
    }
    return changed;
}
