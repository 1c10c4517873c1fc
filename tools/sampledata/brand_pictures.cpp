// \sym brand symbols and \cars photos, all with scrambled headers.
#include "sampledata/areas.h"
#include "sampledata/catalogue.h"
#include "sampledata/expected.h"
#include "sampledata/pictures.h"

#include "core/module1.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

// A stable number per name, so each brand and car looks different but the
// same on every run.
unsigned hashOf(const std::string& name) {
    unsigned h = 2166136261u;
    for (char c : name)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

QColor shade(QColor c, int factor) {
    return factor >= 100 ? c.lighter(factor) : c.darker(10000 / std::max(1, factor));
}

// ----------------------------------------------------------- brand symbols

enum class Badge { Oval, Shield, Roundel, Wings, Diamond, Octagon };

struct SymbolStyle {
    Badge badge;
    QColor field, accent;
    QString letter;
};

SymbolStyle symbolStyle(const Brand& b) {
    static const QColor fields[] = {QColor(0x0B, 0x2A, 0x6B), QColor(0x9C, 0x10, 0x1A),
                                    QColor(0x14, 0x4D, 0x2C), QColor(0x1C, 0x1C, 0x1C),
                                    QColor(0x0F, 0x5E, 0x9C), QColor(0x6A, 0x0D, 0x3A),
                                    QColor(0xC8, 0x5A, 0x00), QColor(0x3A, 0x3F, 0x48)};
    static const QColor accents[] = {QColor(0xF2, 0xC1, 0x2E), QColor(0xFF, 0xFF, 0xFF),
                                     QColor(0xD8, 0xD8, 0xD8), QColor(0xE3, 0x1B, 0x23)};
    const unsigned h = hashOf(b.name);
    SymbolStyle st;
    st.badge = Badge(h % 6);
    st.field = fields[(h / 6) % 8];
    st.accent = accents[(h / 48) % 4];
    if (st.accent == st.field) st.accent = Qt::white;
    st.letter = QString::fromLatin1(b.name.substr(0, 1).c_str());
    return st;
}

// A chrome edge: light above, dark below, like polished metal.
QLinearGradient chrome(const QRectF& r) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0xF4, 0xF4, 0xF4));
    g.setColorAt(0.45, QColor(0xA8, 0xAC, 0xB0));
    g.setColorAt(0.55, QColor(0x7A, 0x7E, 0x84));
    g.setColorAt(1, QColor(0xD0, 0xD2, 0xD4));
    return g;
}

QPainterPath badgeOutline(Badge badge, const QRectF& r) {
    QPainterPath path;
    const QPointF c = r.center();
    switch (badge) {
    case Badge::Oval:
    case Badge::Roundel:
        path.addEllipse(
            badge == Badge::Oval ? r : QRectF(c.x() - r.height() / 2, r.top(), r.height(), r.height()));
        break;
    case Badge::Wings: {
        const double rad = r.height() * 0.36;
        path.addEllipse(c, rad, rad);
        break;
    }
    case Badge::Shield: {
        const QRectF s(c.x() - r.height() * 0.42, r.top(), r.height() * 0.84, r.height());
        path.moveTo(s.left(), s.top() + s.height() * 0.08);
        path.quadTo(c.x(), s.top() - s.height() * 0.06, s.right(), s.top() + s.height() * 0.08);
        path.lineTo(s.right(), s.top() + s.height() * 0.5);
        path.quadTo(s.right(), s.bottom() - s.height() * 0.12, c.x(), s.bottom());
        path.quadTo(s.left(), s.bottom() - s.height() * 0.12, s.left(), s.top() + s.height() * 0.5);
        path.closeSubpath();
        break;
    }
    case Badge::Diamond:
        path.moveTo(c.x(), r.top());
        path.lineTo(c.x() + r.height() * 0.62, c.y());
        path.lineTo(c.x(), r.bottom());
        path.lineTo(c.x() - r.height() * 0.62, c.y());
        path.closeSubpath();
        break;
    case Badge::Octagon: {
        const double rad = r.height() / 2;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45 * i) * M_PI / 180;
            const QPointF pt(c.x() + rad * 1.08 * std::cos(a), c.y() + rad * std::sin(a));
            i == 0 ? path.moveTo(pt) : path.lineTo(pt);
        }
        path.closeSubpath();
        break;
    }
    }
    return path;
}

Drawing symbolDrawing(const Brand& b) {
    const SymbolStyle st = symbolStyle(b);
    return [st](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing);
        const double u = r.height() / 44.0; // drawn for 50 x 44, scaled
        const QRectF area = QRectF(r).adjusted(3 * u, 3 * u, -3 * u, -3 * u);
        if (st.badge == Badge::Wings) {
            // Swept wings either side of the roundel.
            p.setPen(Qt::NoPen);
            p.setBrush(chrome(area));
            for (int side : {-1, 1}) {
                QPainterPath wing;
                const QPointF c = area.center();
                wing.moveTo(c.x() + side * 8 * u, c.y() - 7 * u);
                wing.cubicTo(c.x() + side * 16 * u, c.y() - 13 * u, c.x() + side * 22 * u, c.y() - 12 * u,
                             c.x() + side * 24 * u, c.y() - 10 * u);
                wing.lineTo(c.x() + side * 18 * u, c.y() - 4 * u);
                wing.lineTo(c.x() + side * 21 * u, c.y() - 4 * u);
                wing.lineTo(c.x() + side * 14 * u, c.y() + 3 * u);
                wing.lineTo(c.x() + side * 8 * u, c.y() + 4 * u);
                wing.closeSubpath();
                p.drawPath(wing);
                p.setPen(QPen(QColor(0x60, 0x64, 0x6A), 0.6 * u));
                for (int k = 0; k < 3; ++k)
                    p.drawLine(QPointF(c.x() + side * (11 + 3 * k) * u, c.y() - (6 - 2 * k) * u),
                               QPointF(c.x() + side * (17 + 2 * k) * u, c.y() - (9 - 2 * k) * u));
                p.setPen(Qt::NoPen);
            }
        }
        const QPainterPath outer = badgeOutline(st.badge, area);
        // Drop shadow, chrome rim, coloured field.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawPath(outer.translated(1.2 * u, 1.6 * u));
        p.setBrush(chrome(outer.boundingRect()));
        p.drawPath(outer);
        const QRectF ob = outer.boundingRect();
        const double inset = 2.6 * u;
        QTransform toInner;
        toInner.translate(ob.center().x(), ob.center().y());
        toInner.scale((ob.width() - 2 * inset) / ob.width(), (ob.height() - 2 * inset) / ob.height());
        toInner.translate(-ob.center().x(), -ob.center().y());
        const QPainterPath inner = toInner.map(outer);
        QLinearGradient field(ob.topLeft(), ob.bottomLeft());
        field.setColorAt(0, shade(st.field, 150));
        field.setColorAt(0.5, st.field);
        field.setColorAt(1, shade(st.field, 60));
        p.setBrush(field);
        p.drawPath(inner);
        p.save();
        p.setClipPath(inner);
        const QRectF ib = inner.boundingRect();
        if (st.badge == Badge::Roundel) {
            // Quartered field.
            p.setBrush(st.accent);
            p.drawPie(ib, 0, 90 * 16);
            p.drawPie(ib, 180 * 16, 90 * 16);
        } else if (st.badge == Badge::Shield) {
            // A band across the top of the shield.
            p.setBrush(st.accent);
            p.drawRect(QRectF(ib.left(), ib.top(), ib.width(), ib.height() * 0.2));
        } else if (st.badge == Badge::Octagon) {
            p.setBrush(st.accent);
            for (double y : {0.16, 0.84})
                p.drawRect(QRectF(ib.left(), ib.top() + ib.height() * y - 1.2 * u, ib.width(), 2.4 * u));
        }
        // Gloss on the upper half.
        QLinearGradient gloss(ib.topLeft(), QPointF(ib.left(), ib.center().y()));
        gloss.setColorAt(0, QColor(255, 255, 255, 110));
        gloss.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(gloss);
        p.drawEllipse(QRectF(ib.left() - ib.width() * 0.2, ib.top() - ib.height() * 0.55, ib.width() * 1.4,
                             ib.height()));
        p.restore();
        if (st.badge == Badge::Roundel) return;
        // The maker's initial, in a heavy serif letter with a chrome edge.
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setBold(true);
        f.setPixelSize(int(ib.height() * (st.badge == Badge::Diamond ? 0.5 : 0.62)));
        QPainterPath letter;
        letter.addText(0, 0, f, st.letter);
        const QRectF lb = letter.boundingRect();
        letter.translate(ib.center() - lb.center() +
                         QPointF(0, st.badge == Badge::Shield ? ib.height() * 0.08 : 0));
        p.setPen(QPen(QColor(0x30, 0x30, 0x30, 160), 0.8 * u));
        p.setBrush(st.accent);
        p.drawPath(letter);
    };
}

void writeBrandSymbols(const Output& out, const Brand& b) {
    const Drawing d = symbolDrawing(b);
    writeScrambledPicture(out, "sym\\sym5044\\xSymb_" + b.id + ".gif", PictureFormat::GifFullColour,
                          QSize(50, 44), vga(15), d, core::Key);
    writeScrambledPicture(out, "sym\\xSymb_" + b.id + ".gif", PictureFormat::GifFullColour, QSize(100, 88),
                          vga(15), d, core::Key);
}

// -------------------------------------------------------------- car photos

enum class Body { Saloon, Hatchback, Estate, Coupe, OffRoad, Van };

// The side profile of a body, facing left, in fractions of the picture: x
// along the car, y down from the top.
struct Profile {
    double front, rear;                              // bumper ends
    double noseTop, tailTop;                         // height of the body at each end
    double screenBase, screenTop, roofEnd, backBase; // x of the greenhouse corners
    double belt, roof, deck;                         // y of the waist, roof and boot lid
    double sill, wheel;                              // y of the sill; wheel radius
    double frontAxle, rearAxle;
};

Profile profileOf(Body body) {
    switch (body) {
    case Body::Saloon:
        return {0.07, 0.93, 0.53, 0.50, 0.34, 0.44, 0.67, 0.79, 0.47, 0.27, 0.46, 0.71, 0.085, 0.22, 0.78};
    case Body::Hatchback:
        return {0.12, 0.88, 0.53, 0.48, 0.36, 0.46, 0.76, 0.86, 0.47, 0.25, 0.47, 0.71, 0.085, 0.26, 0.75};
    case Body::Estate:
        return {0.06, 0.94, 0.53, 0.46, 0.33, 0.43, 0.86, 0.92, 0.47, 0.26, 0.46, 0.71, 0.085, 0.21, 0.77};
    case Body::Coupe:
        return {0.07, 0.93, 0.56, 0.52, 0.37, 0.49, 0.62, 0.84, 0.50, 0.31, 0.49, 0.72, 0.085, 0.22, 0.78};
    case Body::OffRoad:
        return {0.09, 0.91, 0.45, 0.42, 0.33, 0.41, 0.83, 0.89, 0.42, 0.17, 0.42, 0.66, 0.105, 0.24, 0.76};
    case Body::Van:
        return {0.08, 0.92, 0.50, 0.45, 0.19, 0.28, 0.91, 0.92, 0.43, 0.12, 0.43, 0.70, 0.09, 0.21, 0.79};
    }
    return profileOf(Body::Saloon);
}

Body bodyOf(const std::string& family, const std::string& variant) {
    const std::string both = family + " " + variant;
    auto has = [&](const char* word) { return both.find(word) != std::string::npos; };
    if (has("VAN") || has("FURGON") || has("CARGO")) return Body::Van;
    if (has("SW") || has("WAGON") || has("STATION")) return Body::Estate;
    if (has("COUPE") || has("SPIDER") || has("GT")) return Body::Coupe;
    if (has("4X4") || has("SUV")) return Body::OffRoad;
    static const Body bodies[] = {Body::Saloon,  Body::Hatchback, Body::Estate, Body::Coupe,
                                  Body::OffRoad, Body::Hatchback, Body::Saloon};
    return bodies[hashOf(family) % 7];
}

QColor paintOf(const std::string& variant) {
    static const QColor paints[] = {
        QColor(0xB8, 0xBC, 0xC2), QColor(0x1A, 0x1C, 0x20), QColor(0xF2, 0xF2, 0xEE),
        QColor(0x1E, 0x33, 0x66), QColor(0xA8, 0x14, 0x1C), QColor(0x6E, 0x72, 0x78),
        QColor(0x24, 0x4A, 0x34), QColor(0xC9, 0xB8, 0x94), QColor(0x2E, 0x6C, 0xB4),
        QColor(0xE0, 0xB0, 0x20), QColor(0x5A, 0x1E, 0x2C)};
    return paints[hashOf(variant) % 11];
}

void drawWheel(QPainter& p, QPointF c, double r, int spokes) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1E, 0x1E, 0x20));
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(0x34, 0x34, 0x36));
    p.drawEllipse(c, r * 0.93, r * 0.93);
    const double rim = r * 0.64;
    QRadialGradient metal(c - QPointF(rim * 0.3, rim * 0.3), rim * 1.4);
    metal.setColorAt(0, QColor(0xF0, 0xF2, 0xF4));
    metal.setColorAt(1, QColor(0x80, 0x84, 0x8A));
    p.setBrush(metal);
    p.drawEllipse(c, rim, rim);
    p.setBrush(QColor(0x2A, 0x2C, 0x30));
    p.drawEllipse(c, rim * 0.86, rim * 0.86);
    p.setPen(QPen(QColor(0xC8, 0xCC, 0xD0), std::max(1.0, rim * (spokes > 6 ? 0.12 : 0.22)), Qt::SolidLine,
                  Qt::RoundCap));
    for (int i = 0; i < spokes; ++i) {
        const double a = 2 * M_PI * i / spokes + 0.3;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * rim * 0.25,
                   c + QPointF(std::cos(a), std::sin(a)) * rim * 0.84);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD8, 0xDA, 0xDE));
    p.drawEllipse(c, rim * 0.24, rim * 0.24);
}

// A studio side view: backdrop, floor, shadow and the car, its body chosen by
// the family, its paint and wheels by the model.
Drawing carDrawing(const std::string& brand, const std::string& family, const std::string& variant) {
    const Body body = bodyOf(brand + family, variant);
    const Profile f = profileOf(body);
    const QColor paint = paintOf(brand + variant);
    const int spokes = std::array<int, 5>{5, 6, 10, 7, 5}[hashOf(brand + variant) / 11 % 5];
    return [=](QPainter& p, const QRect& r) {
        p.setRenderHint(QPainter::Antialiasing);
        const double w = r.width(), h = r.height();
        auto at = [&](double x, double y) { return QPointF(x * w, y * h); };
        const double ground = f.sill + 0.75 * f.wheel * w / h;
        // Backdrop and floor.
        QLinearGradient wall(0, 0, 0, h * ground);
        wall.setColorAt(0, QColor(0xC4, 0xCC, 0xD6));
        wall.setColorAt(1, QColor(0xF4, 0xF6, 0xF8));
        p.fillRect(QRectF(0, 0, w, h * ground), wall);
        QLinearGradient floor(0, h * ground, 0, h);
        floor.setColorAt(0, QColor(0xE2, 0xE4, 0xE6));
        floor.setColorAt(1, QColor(0xB0, 0xB4, 0xBA));
        p.fillRect(QRectF(0, h * ground, w, h * (1 - ground)), floor);
        QRadialGradient shadow(at(0.5, ground), w * 0.5);
        shadow.setColorAt(0, QColor(0, 0, 0, 110));
        shadow.setColorAt(1, QColor(0, 0, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shadow);
        p.drawEllipse(at(0.5, ground), w * 0.47, h * 0.05);

        const double wr = f.wheel * w; // wheel radius in pixels
        const QPointF frontWheel(f.frontAxle * w, h * ground - wr);
        const QPointF rearWheel(f.rearAxle * w, h * ground - wr);
        // Body: nose, bonnet, screen, roof, back, boot, tail, sill with
        // the wheel arches cut out.
        QPainterPath shell;
        shell.moveTo(at(f.front, f.sill - 0.02));
        shell.quadTo(at(f.front - 0.012, (f.noseTop + f.sill) / 2), at(f.front + 0.01, f.noseTop));
        shell.quadTo(at((f.front + f.screenBase) / 2, f.belt - 0.01), at(f.screenBase, f.belt));
        shell.quadTo(at(f.screenTop - 0.03, f.roof + 0.015), at(f.screenTop, f.roof));
        shell.cubicTo(at(f.screenTop + 0.08, f.roof - 0.012), at(f.roofEnd - 0.06, f.roof - 0.012),
                      at(f.roofEnd, f.roof + 0.005));
        shell.quadTo(at(f.backBase - 0.005, (f.roof + f.deck) / 2), at(f.backBase, f.deck));
        shell.quadTo(at(f.rear - 0.01, f.deck), at(f.rear, f.tailTop));
        shell.quadTo(at(f.rear + 0.008, (f.tailTop + f.sill) / 2), at(f.rear - 0.005, f.sill - 0.02));
        shell.lineTo(at(f.rear - 0.01, f.sill));
        shell.closeSubpath();
        // Arches: a little larger than the wheels.
        QPainterPath arches;
        arches.addEllipse(frontWheel, wr * 1.18, wr * 1.18);
        arches.addEllipse(rearWheel, wr * 1.18, wr * 1.18);
        shell = shell.subtracted(arches);
        QLinearGradient coat(0, h * f.roof, 0, h * f.sill);
        coat.setColorAt(0, shade(paint, 135));
        coat.setColorAt(0.35, paint);
        coat.setColorAt(0.55, shade(paint, 115));
        coat.setColorAt(1, shade(paint, 55));
        p.setPen(QPen(shade(paint, 45), 1));
        p.setBrush(coat);
        p.drawPath(shell);

        // Glass: the greenhouse inset from the body line, split by pillars.
        QPainterPath glass;
        glass.moveTo(at(f.screenBase + 0.03, f.belt - 0.01));
        glass.quadTo(at(f.screenTop - 0.02, f.roof + 0.03), at(f.screenTop + 0.01, f.roof + 0.025));
        glass.lineTo(at(f.roofEnd - 0.015, f.roof + 0.028));
        glass.quadTo(at(f.backBase - 0.025, (f.roof + f.deck) / 2), at(f.backBase - 0.03, f.deck - 0.01));
        glass.closeSubpath();
        QLinearGradient sky(0, h * f.roof, 0, h * f.belt);
        sky.setColorAt(0, QColor(0x9C, 0xB4, 0xCC));
        sky.setColorAt(0.6, QColor(0x3C, 0x4C, 0x5E));
        sky.setColorAt(1, QColor(0x22, 0x28, 0x30));
        p.setPen(QPen(QColor(0x18, 0x18, 0x1A), 1.5));
        p.setBrush(sky);
        p.drawPath(glass);
        const double bPillar = (f.screenTop + f.roofEnd) / 2 - 0.02;
        p.setPen(QPen(shade(paint, 50), w * 0.012));
        p.drawLine(at(bPillar, f.roof + 0.03), at(bPillar + 0.005, f.belt));
        if (body == Body::Estate || body == Body::Van || body == Body::OffRoad) {
            const double cPillar = (bPillar + f.roofEnd) / 2 + 0.03;
            p.drawLine(at(cPillar, f.roof + 0.03), at(cPillar, f.belt));
        }
        // Shoulder highlight, door cuts and handles.
        p.setPen(QPen(QColor(255, 255, 255, 90), 1.5));
        p.drawLine(at(f.front + 0.05, f.belt + 0.035), at(f.rear - 0.04, f.belt + 0.035));
        p.setPen(QPen(shade(paint, 60), 1));
        for (double x : {f.screenBase + 0.02, bPillar + 0.005,
                         body == Body::Coupe ? f.backBase - 0.02 : f.roofEnd - 0.03})
            p.drawLine(at(x, f.belt + 0.005), at(x + 0.004, f.sill - 0.01));
        p.setBrush(shade(paint, 70));
        for (double x : {bPillar - 0.07, body == Body::Coupe ? -1.0 : f.roofEnd - 0.09})
            if (x > 0) p.drawRoundedRect(QRectF(at(x, f.belt + 0.05), QSizeF(w * 0.04, h * 0.014)), 2, 2);
        // Lamps, bumpers, mirror.
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
        QLinearGradient lamp(at(f.front, f.noseTop), at(f.front + 0.06, f.noseTop));
        lamp.setColorAt(0, QColor(0xFF, 0xFF, 0xF0));
        lamp.setColorAt(1, QColor(0xB8, 0xC4, 0xCC));
        p.setBrush(lamp);
        p.drawRoundedRect(QRectF(at(f.front + 0.005, f.noseTop + 0.01), QSizeF(w * 0.06, h * 0.035)), 3, 3);
        p.setBrush(QColor(0xC0, 0x10, 0x18));
        p.drawRoundedRect(QRectF(at(f.rear - 0.035, f.tailTop + 0.01), QSizeF(w * 0.03, h * 0.05)), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x26, 0x28, 0x2C));
        p.drawRoundedRect(QRectF(at(f.front - 0.01, f.sill - 0.065), at(f.front + 0.07, f.sill - 0.02)), 3,
                          3);
        p.drawRoundedRect(QRectF(at(f.rear - 0.06, f.sill - 0.065), at(f.rear + 0.01, f.sill - 0.02)), 3, 3);
        p.drawRect(
            QRectF(at(f.frontAxle + f.wheel * 1.25, f.sill - 0.02), at(f.rearAxle - f.wheel * 1.25, f.sill)));
        p.setBrush(shade(paint, 80));
        p.drawEllipse(QRectF(at(f.screenBase + 0.005, f.belt - 0.035), QSizeF(w * 0.035, h * 0.03)));

        // Dark wheel wells behind the tyres.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x16, 0x16, 0x18));
        for (const QPointF& c : {frontWheel, rearWheel})
            p.drawChord(QRectF(c.x() - wr * 1.17, c.y() - wr * 1.17, wr * 2.34, wr * 2.34), 0, 180 * 16);
        drawWheel(p, frontWheel, wr, spokes);
        drawWheel(p, rearWheel, wr, spokes);
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
                                  carDrawing(b.name, m.family, m.name), core::Key);
            continue;
        }
        const ScrambledPicture good =
            scrambledPicture(rel, PictureFormat::Jpeg, size, QColor(0xE8, 0xF0, 0xF8),
                             carDrawing(b.name, m.family, m.name), core::Key);
        writeDamagedPicture(out, rel, recoveryName(rel), good, core::Key);
    }
    for (const auto& f : b.families) {
        if (!f.photo) continue;
        const std::string rel = carFolder(b) + "X" + familyPhotoName(f.name) + ".jpg";
        writeScrambledPicture(out, rel, PictureFormat::Jpeg, size, QColor(0xF0, 0xF0, 0xE0),
                              carDrawing(b.name, f.name, f.name), core::Key);
    }
}

// The big brand's hundreds of family photos share one picture.
void writeBigBrandPhotos(const Output& out, const Brand& b) {
    const ScrambledPicture pic =
        scrambledPicture(carFolder(b), PictureFormat::Jpeg, QSize(160, 100), QColor(0xF0, 0xF0, 0xE0),
                         carDrawing(b.name, b.name, b.name), core::Key);
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
