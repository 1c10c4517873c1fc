#include "documents/design_logo.h"

#include <QPainter>
#include <QPainterPath>

namespace documents {

QPixmap designLogo() {
    QPixmap pm(36, 36);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(QColor(255, 255, 192));
    p.drawRoundedRect(QRectF(2, 2, 32, 32), 6, 6);
    // An open spanner across the badge.
    p.setPen(QPen(QColor(64, 64, 64), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 27), QPointF(22, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 64, 64));
    p.drawEllipse(QPointF(24, 12), 6.5, 6.5);
    p.setBrush(QColor(255, 255, 192));
    p.drawRect(QRectF(23, 4, 4, 8));
    return pm;
}

} // namespace documents
