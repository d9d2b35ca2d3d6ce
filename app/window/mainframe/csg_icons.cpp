#include "mainframe/csg_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace kx::app {

namespace {

QPixmap drawOperation(CsgOperation operation, int side) {
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = side * 0.3;
    QPainterPath first, second;
    first.addEllipse(QPointF(side * 0.37, side * 0.5), r, r);
    second.addEllipse(QPointF(side * 0.63, side * 0.5), r, r);
    QPainterPath filled;
    switch (operation) {
        case CsgOperation::Union:
        case CsgOperation::Merge: filled = first.united(second); break;
        case CsgOperation::Intersection: filled = first.intersected(second); break;
        case CsgOperation::Difference: filled = first.subtracted(second); break;
    }
    p.fillPath(filled, QColor(70, 130, 200));
    QPen outline(QColor(30, 30, 30), std::max(1.0, side / 16.0));
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    // A merge has no inner surfaces: only its outer edge is drawn. The
    // others show both discs, so that what was cut away stays readable.
    if (operation == CsgOperation::Merge) {
        p.drawPath(filled);
    } else {
        p.drawPath(first);
        p.drawPath(second);
    }
    return picture;
}

}  // namespace

QIcon csgIcon(CsgOperation operation) {
    QIcon icon;
    for (int side : {16, 24, 32}) icon.addPixmap(drawOperation(operation, side));
    return icon;
}

}  // namespace kx::app
