#include "AppIcon.h"

#include <QPainter>
#include <QPolygonF>

namespace {

// The VGA colours the icon uses.
const QColor kBlack(0x00, 0x00, 0x00);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kOlive(0x80, 0x80, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kMaroon(0x80, 0x00, 0x00);

} // namespace

namespace AppIcon {

QImage image(int size)
{
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Work on a 32-unit grid whatever the size.
    p.scale(size / 32.0, size / 32.0);
    const QPen outline(kBlack, 1.0);

    // The box: front, lid and a label plate.
    p.setPen(outline);
    p.setBrush(kOlive);
    p.drawRect(QRectF(3, 14, 26, 15));
    p.setBrush(kYellow);
    p.drawPolygon(QPolygonF({ QPointF(3, 14), QPointF(7, 9), QPointF(29, 9), QPointF(29, 14) }));
    p.setBrush(kWhite);
    p.drawRect(QRectF(11, 18, 10, 6));
    p.setPen(QPen(kNavy, 1.0));
    p.drawLine(QPointF(13, 20), QPointF(19, 20));
    p.drawLine(QPointF(13, 22), QPointF(17, 22));

    // The quill, standing in the box.
    p.setPen(outline);
    p.setBrush(kSilver);
    p.drawPolygon(QPolygonF({ QPointF(16, 12), QPointF(27, 1), QPointF(30, 2), QPointF(19, 13) }));
    p.setPen(QPen(kMaroon, 1.0));
    p.drawLine(QPointF(17, 12), QPointF(28, 2));
    p.end();
    return img;
}

QIcon icon()
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image(16)));
    icon.addPixmap(QPixmap::fromImage(image(32)));
    return icon;
}

QList<int> themeSizes()
{
    return { 16, 32, 48, 64, 128 };
}

} // namespace AppIcon
