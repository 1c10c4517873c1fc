// \mas: the logo, pointers, toolbar pictures and the strip background.
#include "sampledata/areas.h"
#include "sampledata/pictures.h"

#include "core/module1.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

void writeLogo(const Output& out) {
    writeScrambledPicture(
        out, "mas\\xlogo.gif", PictureFormat::Gif, QSize(400, 120), vga(15),
        [](QPainter& p, const QRect& r) {
            p.setPen(QPen(vga(4), 3));
            p.setBrush(vga(14));
            p.drawRoundedRect(r.adjusted(6, 6, -6, -6), 12, 12);
            // A spanner across the left end.
            p.setPen(QPen(vga(8), 9, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(30, 90, 80, 35);
            p.setBrush(vga(8));
            p.drawEllipse(QPoint(84, 31), 12, 12);
            p.setPen(vga(4));
            drawCaption(p, QRect(100, 20, 290, 50), "OFFICINA DATI", 30);
            p.setPen(vga(1));
            drawCaption(p, QRect(100, 68, 290, 24), "catalogo tecnico per l'officina", 14);
        },
        core::Key);
}

// A pointing hand; the fingertip is the hot spot.
QImage handCursor(QPoint tip) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const int x = tip.x(), y = tip.y();
    QPolygon hand;
    hand << QPoint(x - 2, y + 1) << QPoint(x - 1, y) << QPoint(x + 1, y) << QPoint(x + 2, y + 1)
         << QPoint(x + 2, y + 10) << QPoint(x + 5, y + 9) << QPoint(x + 7, y + 11) << QPoint(x + 10, y + 10)
         << QPoint(x + 12, y + 12) << QPoint(x + 15, y + 12) << QPoint(x + 17, y + 14)
         << QPoint(x + 17, y + 21) << QPoint(x + 14, y + 27) << QPoint(x + 3, y + 27) << QPoint(x - 4, y + 19)
         << QPoint(x - 6, y + 15) << QPoint(x - 5, y + 13) << QPoint(x - 2, y + 15);
    p.drawPolygon(hand);
    p.drawLine(x + 5, y + 10, x + 5, y + 15);
    p.drawLine(x + 10, y + 11, x + 10, y + 16);
    p.drawLine(x + 15, y + 13, x + 15, y + 17);
    p.end();
    return img;
}

QImage magnifier(bool plus) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPoint(12, 12), 9, 9);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(19, 19, 28, 28);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(8, 12, 16, 12);
    if (plus) p.drawLine(12, 8, 12, 16);
    p.end();
    return img;
}

void writeIcon(const Output& out, std::string_view rel, const QImage& img, bool cursor, QPoint hotSpot = {}) {
    out.write(rel, iconBytes(img, cursor, hotSpot));
    QImage back;
    const std::string bytes = out.read(rel);
    if (!back.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "ICO") ||
        back.size() != img.size())
        failFile(rel, "is not a loadable icon");
}

struct ToolbarPicture {
    const char* rel;
    const char* letters;
    int background;
    int ink;
    void (*symbol)(QPainter&);
    // The help and glossary buttons share one column, each half as high
    // (630 x 305 and 630 x 315 twips).
    int height = 42;
};

void noSymbol(QPainter&) {}
void arrowLeft(QPainter& p) {
    p.setBrush(vga(15));
    p.drawPolygon(QPolygon({QPoint(8, 21), QPoint(22, 8), QPoint(22, 15), QPoint(34, 15), QPoint(34, 27),
                            QPoint(22, 27), QPoint(22, 34)}));
}
void wave(QPainter& p) {
    QPainterPath path(QPointF(5, 14));
    for (int x = 5; x <= 37; x += 8)
        path.quadTo(x + 2, x % 16 == 5 ? 4 : 24, x + 4, 14);
    p.drawPath(path);
}
void book(QPainter& p) {
    p.drawRect(9, 5, 24, 14);
    p.drawLine(21, 5, 21, 19);
}
void gauge(QPainter& p) {
    p.drawArc(9, 4, 24, 24, 0, 180 * 16);
    p.drawLine(21, 16, 29, 8);
}
void socket(QPainter& p) {
    p.drawRect(8, 6, 26, 12);
    for (int x = 11; x < 34; x += 4)
        p.drawPoint(x, 12);
}
void stethoscope(QPainter& p) {
    p.drawEllipse(QPoint(21, 11), 7, 7);
    p.drawLine(21, 4, 21, 18);
}
void page(QPainter& p) {
    p.drawRect(13, 4, 16, 18);
    for (int y = 8; y < 20; y += 4)
        p.drawLine(16, y, 26, y);
}

void printer(QPainter& p) {
    p.drawRect(10, 10, 22, 8);
    p.drawRect(14, 4, 14, 6);
}
void spanner(QPainter& p) {
    p.drawLine(10, 18, 30, 6);
    p.drawEllipse(QPoint(31, 6), 4, 4);
}
void snowflake(QPainter& p) {
    p.drawLine(21, 3, 21, 19);
    p.drawLine(13, 7, 29, 15);
    p.drawLine(13, 15, 29, 7);
}

void locationPin(QPainter& p) {
    p.drawEllipse(QPoint(21, 9), 6, 6);
    p.drawLine(21, 15, 21, 21);
}
void textLines(QPainter& p) {
    for (int y = 6; y < 20; y += 4)
        p.drawLine(10, y, 32, y);
}

const ToolbarPicture kToolbar[] = {
    {"mas\\tasubi.gif", "UBI", 2, 15, locationPin}, {"mas\\tassoc.gif", "SOC", 5, 15, socket},
    {"mas\\tastext0.gif", "TXT", 1, 15, textLines}, {"mas\\tashlp.gif", "?", 1, 15, noSymbol, 20},
    {"mas\\tasglo.gif", "GLO", 2, 15, book, 21},    {"mas\\tasosc.gif", "OSC", 0, 10, wave},
    {"mas\\tasdia.gif", "DIA", 4, 15, stethoscope}, {"mas\\tasgas.gif", "GAS", 6, 15, gauge},
    {"mas\\tasobd.gif", "OBD", 5, 15, socket},      {"mas\\tasric.gif", "RIC", 3, 15, page},
    {"mas\\left.gif", "", 4, 0, arrowLeft},         {"mas\\tassta.gif", "STA", 7, 0, printer},
    {"mas\\tastoo.gif", "TOO", 6, 15, spanner},     {"mas\\tascam.gif", "MAN", 3, 15, snowflake},
    {"mas\\tascaa.gif", "AUT", 1, 15, snowflake},   {"mas\\tascai.gif", "UNI", 5, 15, snowflake},
};

void writeToolbar(const Output& out) {
    for (const auto& t : kToolbar) {
        writePicture(out, t.rel, PictureFormat::Gif, QSize(42, t.height), vga(t.background),
                     [&](QPainter& p, const QRect& r) {
                         p.setPen(QPen(vga(7), 1));
                         p.setBrush(Qt::NoBrush);
                         p.drawRect(r.adjusted(0, 0, -1, -1));
                         const bool alone = std::string_view(t.letters).size() == 1;
                         const bool half = t.height < 42;
                         p.save();
                         if (half) {
                             // The symbol on the left, squeezed into the low button.
                             p.translate(1, 1);
                             p.scale(0.5, (t.height - 4) / 24.0);
                         }
                         p.setPen(QPen(vga(t.ink), 2));
                         t.symbol(p);
                         p.restore();
                         p.setPen(vga(t.ink));
                         if (alone)
                             drawCaption(p, r, t.letters, half ? t.height - 2 : 30);
                         else if (half)
                             drawCaption(p, QRect(17, 0, 25, t.height), t.letters, 11);
                         else
                             drawCaption(p, QRect(0, 22, 42, 18), t.letters, 12);
                     });
    }
}

void writeSpacer(const Output& out) {
    writePicture(out, "mas\\spacer.jpg", PictureFormat::Jpeg, QSize(1920, 48), QColor(0x30, 0x48, 0x70),
                 [](QPainter& p, const QRect& r) {
                     QLinearGradient g(0, 0, 0, r.height());
                     g.setColorAt(0, QColor(0x50, 0x70, 0xA0));
                     g.setColorAt(1, QColor(0x20, 0x30, 0x50));
                     p.fillRect(r, g);
                 });
}

} // namespace

void writeInterface(const Output& out) {
    writeIntroText(out);
    writeLogo(out);
    writeIcon(out, "mas\\indice.cur", handCursor(QPoint(10, 2)), true, QPoint(10, 2));
    writeIcon(out, "mas\\lente+.ico", magnifier(true), false);
    writeIcon(out, "mas\\lente-.ico", magnifier(false), false);
    writeToolbar(out);
    writeSpacer(out);
}

} // namespace sampledata
