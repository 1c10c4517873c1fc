// \sym brand symbols and \cars photos, all with scrambled headers.
#include "sampledata/areas.h"
#include "sampledata/catalogue.h"
#include "sampledata/expected.h"
#include "sampledata/pictures.h"

#include "core/module1.h"

#include <QPainter>
#include <QPainterPath>
#include <set>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

// A stable colour per name, so each brand and car looks different.
int colourOf(const std::string& name) {
    static const int colours[] = {1, 2, 3, 4, 5, 6, 9, 12, 13};
    unsigned h = 0;
    for (char c : name)
        h = h * 31 + static_cast<unsigned char>(c);
    return colours[h % (sizeof colours / sizeof colours[0])];
}

Drawing symbolDrawing(const Brand& b) {
    const int colour = colourOf(b.name);
    const std::string initials = b.name.substr(0, b.name.size() > 1 ? 2 : 1);
    return [colour, initials](QPainter& p, const QRect& r) {
        const QRect shield = r.adjusted(r.width() / 8, r.height() / 10, -r.width() / 8, -r.height() / 4);
        QPainterPath path;
        path.moveTo(shield.topLeft());
        path.lineTo(shield.topRight());
        path.lineTo(shield.right(), shield.center().y());
        path.quadTo(shield.right(), shield.bottom(), shield.center().x(), shield.bottom() + r.height() / 8);
        path.quadTo(shield.left(), shield.bottom(), shield.left(), shield.center().y());
        path.closeSubpath();
        p.setPen(QPen(vga(0), 2));
        p.setBrush(vga(colour));
        p.drawPath(path);
        p.setPen(vga(15));
        drawCaption(p, shield, initials, shield.height() / 2);
    };
}

void writeBrandSymbols(const Output& out, const Brand& b) {
    const Drawing d = symbolDrawing(b);
    writeScrambledPicture(out, "sym\\sym5044\\xSymb_" + b.id + ".gif", PictureFormat::Gif, QSize(50, 44),
                          vga(15), d, core::Key);
    writeScrambledPicture(out, "sym\\xSymb_" + b.id + ".gif", PictureFormat::Gif, QSize(100, 88), vga(15), d,
                          core::Key);
}

// A side view of a car with its name on the door.
Drawing carDrawing(const std::string& label) {
    const int colour = colourOf(label);
    return [colour, label](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(0, r.height() * 3 / 4, r.width(), r.height() / 4), QColor(0x70, 0x70, 0x70));
        const int w = r.width(), h = r.height();
        QPainterPath body;
        body.moveTo(w * 0.08, h * 0.70);
        body.lineTo(w * 0.08, h * 0.52);
        body.lineTo(w * 0.28, h * 0.48);
        body.lineTo(w * 0.38, h * 0.30);
        body.lineTo(w * 0.68, h * 0.30);
        body.lineTo(w * 0.80, h * 0.48);
        body.lineTo(w * 0.93, h * 0.52);
        body.lineTo(w * 0.93, h * 0.70);
        body.closeSubpath();
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(vga(colour));
        p.drawPath(body);
        p.setBrush(QColor(0xB0, 0xD8, 0xF0));
        p.drawRect(QRectF(w * 0.40, h * 0.34, w * 0.12, h * 0.13));
        p.drawRect(QRectF(w * 0.54, h * 0.34, w * 0.12, h * 0.13));
        p.setBrush(Qt::black);
        for (double x : {0.25, 0.76})
            p.drawEllipse(QPointF(w * x, h * 0.72), h * 0.09, h * 0.09);
        p.setPen(Qt::white);
        drawCaption(p, QRect(int(w * 0.10), int(h * 0.50), int(w * 0.80), int(h * 0.18)), label, h / 12);
    };
}

std::string carFolder(const Brand& b) {
    return "cars\\" + b.id + "\\";
}

void writeBrandPhotos(const Output& out, const Brand& b) {
    const QSize size(320, 200);
    std::set<std::string> done; // models may share a photo
    for (const auto& m : b.models) {
        if (m.photo.empty() || !done.insert(m.photo).second) continue;
        const std::string rel = carFolder(b) + "X" + m.photo + ".jpg";
        const bool damaged =
            std::find(b.damagedPhotos.begin(), b.damagedPhotos.end(), m.photo) != b.damagedPhotos.end();
        if (!damaged) {
            writeScrambledPicture(out, rel, PictureFormat::Jpeg, size, QColor(0xE8, 0xF0, 0xF8),
                                  carDrawing(m.name), core::Key);
            continue;
        }
        const ScrambledPicture good = scrambledPicture(
            rel, PictureFormat::Jpeg, size, QColor(0xE8, 0xF0, 0xF8), carDrawing(m.name), core::Key);
        writeDamagedPicture(out, rel, recoveryName(rel), good, core::Key);
    }
    for (const auto& f : b.families) {
        if (!f.photo) continue;
        const std::string rel = carFolder(b) + "X" + familyPhotoName(f.name) + ".jpg";
        writeScrambledPicture(out, rel, PictureFormat::Jpeg, size, QColor(0xF0, 0xF0, 0xE0),
                              carDrawing(f.name), core::Key);
    }
}

// The big brand's hundreds of family photos share one picture.
void writeBigBrandPhotos(const Output& out, const Brand& b) {
    const ScrambledPicture pic = scrambledPicture(carFolder(b), PictureFormat::Jpeg, QSize(160, 100),
                                                  QColor(0xF0, 0xF0, 0xE0), carDrawing(b.name), core::Key);
    for (const auto& f : b.families)
        if (f.photo)
            writeScrambled(out, carFolder(b) + "X" + familyPhotoName(f.name) + ".jpg", pic, core::Key);
}

} // namespace

void writeSymbols(const Output& out, const Catalogue& cat) {
    for (const auto& b : cat.brands)
        if (b.offered) writeBrandSymbols(out, b);
}

void writePhotos(const Output& out, const Catalogue& cat) {
    for (const auto& b : cat.brands) {
        if (!b.offered) continue;
        if (b.id == expected::kBigBrandId)
            writeBigBrandPhotos(out, b);
        else
            writeBrandPhotos(out, b);
    }
}

} // namespace sampledata
