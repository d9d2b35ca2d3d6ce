// The rendered image: painted from the image library's current surface, where
// the pixels are (the surface is looked up at every paint, since the next
// render replaces it).
#pragma once

#include <QWidget>

#include "pixmo/types.h"

class CRenderView : public QWidget {
    Q_OBJECT
public:
    // viewport: where the program keeps the viewport images are saved through.
    explicit CRenderView(PxViewport** viewport, QWidget* parent = nullptr);

    // " :Rendered view" after the document's title.
    static QString titleFor(const QString& documentTitle);
    // The image changed: new size, new pixels.
    void imageChanged();
    QSize sizeHint() const override;
    // Writes the image by the name's kind (Targa, BMP or JPEG); false on failure.
    static bool saveImage(const QString& path, PxViewport*& viewport);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PxViewport** viewport_;
};
