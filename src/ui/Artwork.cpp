#include "ui/Artwork.h"

#include "ui/DialogTemplate.h"

#include <QPainter>
#include <QPainterPath>

namespace quillane {
namespace {

#include "resources/quillane.xpm"

QImage mainDiagonalPicture() {
    constexpr int size = 33;
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(1, 1, 30, 30);   // the frame, 31 pixels across
        painter.drawLine(1, 1, 31, 31);   // the main diagonal
        painter.fillRect(4, 24, 5, 5, Qt::black);  // marker in the bottom-left corner
        // The arrow: from beside the marker, over the diagonal, to the top-right corner,
        // where the flip puts the marker.
        QPainterPath arc;
        arc.moveTo(11, 26);
        arc.cubicTo(24, 27, 27, 20, 26, 9);
        painter.drawPath(arc);
        painter.drawLine(26, 7, 23, 11);
        painter.drawLine(26, 7, 29, 11);
    }
    return picture.convertToFormat(QImage::Format_Mono, {qRgb(255, 255, 255), qRgb(0, 0, 0)},
                                   Qt::ThresholdDither);
}

}  // namespace

QPixmap programIcon() {
    return QPixmap(quillane_xpm);
}

QImage diagonalBitmapImage(int id) {
    switch (id) {
    case mainDiagonalBitmapId:
        return mainDiagonalPicture();
    case oppositeDiagonalBitmapId:
        return mainDiagonalPicture().mirrored(false, true);
    default:
        return {};
    }
}

QPixmap diagonalBitmap(int id) {
    return QPixmap::fromImage(diagonalBitmapImage(id));
}

}  // namespace quillane
