// \mas pictures of the reference windows: the open arrow and the
// information-document button.
#include "sampledata/pictures.h"
#include "sampledata/reference.h"

#include <QPainter>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

void button(const Output& out, std::string_view rel, int background,
            const std::function<void(QPainter&)>& symbol) {
    writePicture(out, rel, PictureFormat::Gif, QSize(42, 42), vga(background),
                 [&](QPainter& p, const QRect& r) {
                     p.setPen(QPen(vga(7), 1));
                     p.setBrush(Qt::NoBrush);
                     p.drawRect(r.adjusted(0, 0, -1, -1));
                     p.setPen(QPen(vga(0), 2));
                     symbol(p);
                 });
}

} // namespace

void writeReferencePictures(const Output& out) {
    button(out, "mas\\right.gif", 2, [](QPainter& p) {
        p.setBrush(vga(15));
        p.drawPolygon(QPolygon({QPoint(34, 21), QPoint(20, 8), QPoint(20, 15), QPoint(8, 15), QPoint(8, 27),
                                QPoint(20, 27), QPoint(20, 34)}));
    });
    // A page with an "i": the information document.
    button(out, "mas\\tastext1.gif", 11, [](QPainter& p) {
        p.setBrush(vga(15));
        p.drawRect(11, 5, 20, 30);
        p.setPen(QPen(vga(1), 3));
        p.drawPoint(21, 11);
        p.drawLine(21, 16, 21, 29);
    });
}

} // namespace sampledata
