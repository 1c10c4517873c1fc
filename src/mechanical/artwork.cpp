#include "mechanical/artwork.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <cmath>

namespace mechanical::artwork {
namespace {

QPixmap canvas() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    return pm;
}

void engineBlock(QPainter& p, QRect block, int cylinders, bool frontToBack) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(150, 160, 170));
    p.drawRoundedRect(block, 2, 2);
    p.setBrush(QColor(70, 70, 80));
    for (int i = 0; i < cylinders; ++i) {
        if (frontToBack) {
            const int y = block.top() + 3 + i * (block.height() - 6) / cylinders;
            p.drawEllipse(QRect(block.center().x() - 3, y, 6, (block.height() - 6) / cylinders - 1));
        } else {
            const int x = block.left() + 3 + i * (block.width() - 6) / cylinders;
            p.drawEllipse(QRect(x, block.center().y() - 3, (block.width() - 6) / cylinders - 1, 6));
        }
    }
}

// The engine bay seen from above, front at the top, with a four-cylinder
// block in it.
QPixmap engineBay(QRect block, bool frontToBack) {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 1));
    p.drawRect(QRect(2, 1, 27, 29));
    engineBlock(p, block, 4, frontToBack);
    return pm;
}

} // namespace

QPixmap sheetIcon() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 70, 0), 1));
    p.setBrush(QColor(255, 236, 130));
    p.drawPolygon(QPolygon({QPoint(7, 3), QPoint(21, 3), QPoint(26, 8), QPoint(26, 29), QPoint(7, 29)}));
    p.setPen(QPen(QColor(0, 0, 160), 2));
    for (int y = 11; y <= 24; y += 5)
        p.drawLine(11, y, 22, y);
    return pm;
}

std::shared_ptr<QCursor> sheetGridCursor() {
    QBitmap bits(32, 32), mask(32, 32);
    bits.fill(Qt::color0);
    mask.fill(Qt::color0);
    // A pointing hand with the fingertip at (5, 0).
    const QPolygon outline({QPoint(3, 1), QPoint(5, 0), QPoint(7, 1), QPoint(7, 8), QPoint(14, 9),
                            QPoint(16, 11), QPoint(16, 19), QPoint(13, 23), QPoint(6, 23), QPoint(1, 15),
                            QPoint(1, 11), QPoint(3, 11)});
    {
        QPainter m(&mask);
        m.setPen(Qt::color1);
        m.setBrush(Qt::color1);
        m.drawPolygon(outline);
    }
    {
        QPainter b(&bits);
        b.setPen(Qt::color1);
        b.setBrush(Qt::NoBrush);
        b.drawPolygon(outline);
        b.drawLine(10, 9, 10, 14);
        b.drawLine(13, 10, 13, 14);
    }
    return std::make_shared<QCursor>(bits, mask, 5, 0);
}

QPixmap boltMarker() {
    QPixmap pm = canvas();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const double a = 3.14159265358979 / 3 * i + 3.14159265358979 / 6;
        hex << QPointF(16 + 14 * std::cos(a), 16 + 14 * std::sin(a));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(255, 214, 90));
    p.drawPolygon(hex);
    p.setBrush(QColor(255, 245, 200));
    p.drawEllipse(QPointF(16, 16), 9, 9);
    return pm;
}

QPixmap transverseEngine() {
    return engineBay(QRect(4, 11, 23, 10), false);
}

QPixmap inlineEngine() {
    return engineBay(QRect(11, 4, 10, 23), true);
}

} // namespace mechanical::artwork
