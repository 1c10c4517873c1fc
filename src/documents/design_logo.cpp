#include "documents/design_logo.h"

#include "core/interface.h"

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

LogoHeader::LogoHeader(vb::Form* window, int titleWidth)
    : Shape2(*window, "Shape2"), ImageLogo(*window, "ImageLogo"), Label5(*window, "Label5") {
    Shape2.setBorderColor(0x808080);
    ImageLogo.setPicture(designLogo());
    ImageLogo.Move(120, 0, ImageLogo.Width(), ImageLogo.Height());
    Label5.Move(720, 240, titleWidth, 240);
    core::styleHeaderLine(Label5, core::kTitleBlue);
}

void LogoHeader::placeHeader(int W) {
    Shape2.Move(50, 50, W - 200, 630);
    ImageLogo.setTop(Shape2.Top() + (Shape2.Height() - ImageLogo.Height()) / 2);
    Label5.setTop(Shape2.Top() + (Shape2.Height() - Label5.Height()) / 2);
    Label5.setLeft(ImageLogo.Left() + ImageLogo.Width() + 100);
}

} // namespace documents
