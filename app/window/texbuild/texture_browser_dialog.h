// The texture browser: the library and user textures as swatches, filtered
// by name and kind; Apply (or a double click) gives the selected objects the
// texture. Missing swatches show a placeholder until they are rendered.
// Preview Layers renders the selected textures laid over each other, in list
// order, as one swatch.
#pragma once

#include <QDialog>
#include <QColor>
#include <QIcon>
#include <string>

class CKalvexDoc;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class TextureCommands;

namespace kx::app {
class TextureDatabase;
}

// A swatch as an icon of `side` pixels; when the image is missing or
// damaged, the texture's base colour with a mark in its corner.
QIcon swatchIcon(const std::string& imagePath, int side = 64, const QColor& base = QColor(Qt::lightGray));

class TextureBrowserDialog : public QDialog {
    Q_OBJECT
public:
    TextureBrowserDialog(kx::app::TextureDatabase& db, TextureCommands* commands, CKalvexDoc* doc,
                         QWidget* parent = nullptr);

    // Gives every selected object the chosen texture; the number of objects changed.
    int applyCurrent();
    // Starts the preview of the selected textures as layers; false when
    // nothing was started.
    bool previewLayers();
    // Shows the list again with the filter applied and the swatches loaded.
    void refill();
    QListWidget* list() const { return list_; }

private:
    void swatchReady(const QString& textureName, const QString& imagePath, bool ok);

    kx::app::TextureDatabase& db_;
    TextureCommands* commands_;
    CKalvexDoc* doc_;
    QLabel* layers_;
    QString pendingLayers_;  // the layers whose swatch is awaited
    QLineEdit* filter_;
    QComboBox* kind_;
    QListWidget* list_;
};
