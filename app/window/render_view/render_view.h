// The rendered image: a copy of the image library's current picture, taken
// when the image changes, so that other pictures loaded through the library
// afterwards (texture swatches) do not show here.
#pragma once

#include <QWidget>

#include "pixmo/types.h"

class CRenderView : public QWidget {
    Q_OBJECT
public:
    // viewport: where the program keeps the viewport images are saved through.
    explicit CRenderView(PxViewport** viewport, QWidget* parent = nullptr);
    ~CRenderView() override;

    // " :Rendered view" after the document's title.
    static QString titleFor(const QString& documentTitle);
    // The image changed: new size, new pixels.
    void imageChanged();
    QSize sizeHint() const override;
    // Writes the image by the name's kind (Targa, BMP or JPEG); false on failure.
    static bool saveImage(const QString& path, PxViewport*& viewport);
    // Writes the picture shown, as Save Image As does; false on failure.
    bool saveShownImage(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PxViewport** viewport_;
    PxViewport* shown_ = nullptr;  // the copy painted
    QSize shownSize_;
};
