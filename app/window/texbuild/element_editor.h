// The builder's element tree: one row per element of the renderer's texture
// definitions, a box that says whether the current texture sets it, and an
// editor for its kind of value (a switch, a number, a choice, a point,
// colours, a text, or a file name with Browse... and Edit...). Edits go
// straight into the current user texture.
#pragma once

#include <QTreeWidget>
#include <functional>
#include <string>

#include "kxcore.h"

class ElementEditor : public QTreeWidget {
    Q_OBJECT
public:
    explicit ElementEditor(QWidget* parent = nullptr);

    // Where relative image map names are looked for.
    void setTexturesFolder(const std::string& folder) { texturesFolder_ = folder; }
    // Builds the rows again from the element tree and the current texture.
    void reload();

    // Opens an F element's image map with the desktop's editor; false with
    // the reason shown ("Image map file not specified", or the system's
    // message when the file cannot be opened).
    bool editImageMap(TexItem* item);
    // What opens a file: QDesktopServices by default; tests stand in for it.
    void setOpener(std::function<bool(const QString& path)> opener) { opener_ = std::move(opener); }

signals:
    // The current texture was changed through a row.
    void valueChanged();

private:
    void addEditor(QTreeWidgetItem* row, TexItem* item);
    void markSet(QTreeWidgetItem* row);

    std::string texturesFolder_;
    std::function<bool(const QString& path)> opener_;
    bool filling_ = false;
};
