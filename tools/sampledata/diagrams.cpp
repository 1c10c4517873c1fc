// \psc and \ubi: wiring diagrams in both formats with their frames, the
// component and secondary files whose hot-spots match the drawn components,
// the location pictures and the ABS location pictures and texts.
#include "sampledata/areas.h"
#include "sampledata/diagram_data.h"
#include "sampledata/encode.h"
#include "sampledata/pictures.h"

#include "core/diagram_bitmap.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "db/dbase.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace sampledata {
namespace {

QColor vga(int i) {
    return QColor(vgaPalette()[size_t(i)]);
}

enum Vga {
    Black = 0,
    Maroon = 1,
    Green = 2,
    Olive = 3,
    Navy = 4,
    Purple = 5,
    Teal = 6,
    Silver = 7,
    Grey = 8,
    Red = 9,
    Lime = 10,
    Yellow = 11,
    Blue = 12,
    Magenta = 13,
    Cyan = 14,
    White = 15
};

// Hard-edged text, so the GIF keeps its 16 colours.
void text(QPainter& p, const QRect& box, const QString& s, int px, int flags = Qt::AlignCenter,
          bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    f.setStyleStrategy(QFont::NoAntialias);
    p.save();
    p.setFont(f);
    p.drawText(box, flags | Qt::TextWordWrap, s);
    p.restore();
}

QString q(const std::string& cp) {
    return QString::fromLatin1(cp.data(), qsizetype(cp.size()));
}

// ------------------------------------------------------- new-format sheets

const std::map<std::string, std::string>& componentNames() {
    static const std::map<std::string, std::string> names = {{"10", "Centralina motore"},
                                                             {"11", "Relè pompa carburante"},
                                                             {"12", "Centralina iniezione"},
                                                             {"20", "Sensore giri"},
                                                             {"21", "Sensore di fase"},
                                                             {"22", "Sensore temp. acqua"},
                                                             {"23", "Sensore temp. aria"},
                                                             {"24", "Debimetro"},
                                                             {"25", "Sonda lambda"},
                                                             {"30", "Iniettore"},
                                                             {"31", "Bobina accensione"},
                                                             {"32", "Candela"},
                                                             {"40", "Centralina ABS"},
                                                             {"41", "Sensore ruota"},
                                                             {"50", "Compressore A/C"},
                                                             {"51", "Pressostato A/C"},
                                                             {"60", "Centralina immobilizer"},
                                                             {"61", "Antenna transponder"},
                                                             {"90", "Connettore"},
                                                             {"77", "Presa diagnosi"}};
    return names;
}

std::string trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

QRect pixels(const ComponentLine& c) {
    if (!c.raw.empty()) {
        // Edges as the program reads them: words count as 0.
        auto edge = [&](size_t at) { return std::atoi(c.raw.substr(at, 6).c_str()) / 15; };
        return QRect(QPoint(edge(0), edge(6)), QPoint(edge(12) - 1, edge(18) - 1));
    }
    return QRect(QPoint(c.x1 / 15, c.y1 / 15), QPoint(c.x2 / 15 - 1, c.y2 / 15 - 1));
}

void ground(QPainter& p, QPoint at) {
    p.setPen(QPen(vga(Black), 1));
    p.drawLine(at.x() - 6, at.y(), at.x() + 6, at.y());
    p.drawLine(at.x() - 4, at.y() + 2, at.x() + 4, at.y() + 2);
    p.drawLine(at.x() - 2, at.y() + 4, at.x() + 2, at.y() + 4);
}

void junction(QPainter& p, QPoint at, int colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(vga(colour));
    p.drawRect(at.x() - 2, at.y() - 2, 5, 5);
    p.setBrush(Qt::NoBrush);
}

void wire(QPainter& p, QPoint a, QPoint b, int colour, const char* label = nullptr) {
    p.setPen(QPen(vga(colour), 2));
    // Wires run square: down, then across.
    if (a.x() != b.x() && a.y() != b.y()) {
        p.drawLine(a, QPoint(a.x(), b.y()));
        p.drawLine(QPoint(a.x(), b.y()), b);
    } else {
        p.drawLine(a, b);
    }
    if (label) {
        p.setPen(vga(colour == Yellow ? Black : colour));
        const int x = a.x() + 3, y = (a.y() + b.y()) / 2 - 6;
        text(p, QRect(x, y, 40, 11), label, 9, Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void drawComponent(QPainter& p, const ComponentLine& c) {
    const QRect r = pixels(c);
    const std::string code = trimmed(c.description);
    auto it = componentNames().find(code);
    const QString name =
        it == componentNames().end() ? QStringLiteral("Componente") : QString::fromUtf8(it->second);
    const bool unit = code == "10" || code == "12" || code == "40" || code == "60";
    // White inside, so a black-and-white printout keeps the labels.
    p.setPen(QPen(vga(unit ? Navy : Black), unit ? 2 : 1));
    p.setBrush(vga(White));
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(vga(Black));
    if (unit) {
        // Pin stubs along the lower edge, numbered as on the connector.
        for (int i = 0; i < 8; ++i) {
            const int x = r.left() + 8 + i * (r.width() - 16) / 7;
            p.drawLine(x, r.bottom(), x, r.bottom() + 4);
            text(p, QRect(x - 8, r.bottom() - 12, 16, 10), QString::number(i * 5 + 3), 8);
        }
        p.setPen(vga(Navy));
        text(p, r.adjusted(3, 3, -3, -14), name.toUpper(), 11, Qt::AlignCenter, true);
    } else if (code == "30") {
        // Injector: a coil between its two pins.
        const int cx = r.center().x(), top = r.top() + 8;
        QPainterPath coil(QPointF(cx, top));
        for (int i = 0; i < 4; ++i)
            coil.cubicTo(cx + 9, top + i * 7 + 2, cx + 9, top + i * 7 + 5, cx, top + i * 7 + 7);
        p.drawPath(coil);
        text(p, QRect(r.left(), r.bottom() - 24, r.width(), 22), name, 9);
    } else if (code == "11") {
        // Relay: coil and contact.
        p.drawRect(r.left() + 8, r.top() + 10, 14, 24);
        p.drawLine(r.left() + 8, r.top() + 34, r.left() + 22, r.top() + 10);
        p.drawLine(r.right() - 24, r.top() + 12, r.right() - 10, r.top() + 22);
        p.drawLine(r.right() - 24, r.top() + 12, r.right() - 24, r.top() + 32);
        text(p, QRect(r.left(), r.bottom() - 24, r.width(), 22), name, 9);
    } else if (code == "90" || code == "77") {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j)
                p.drawRect(r.left() + 10 + j * 14, r.top() + 10 + i * 10, 8, 6);
        text(p, QRect(r.left(), r.bottom() - 24, r.width(), 22), name, 9);
    } else {
        // Sensors: a round sensing head.
        p.drawEllipse(QPoint(r.center().x(), r.top() + 16), 9, 9);
        p.drawLine(r.center().x() - 5, r.top() + 16, r.center().x() + 5, r.top() + 16);
        text(p, QRect(r.left(), r.top() + 26, r.width(), r.height() - 28), name, 9);
    }
    // The description code in the corner, as the component list names it.
    p.setPen(vga(Blue));
    text(p, QRect(r.left() + 2, r.top() + 1, 24, 10), QString::fromLatin1(code.c_str()), 8,
         Qt::AlignLeft | Qt::AlignTop, true);
}

QImage newFormatSheet(const DiagramSheet& sheet) {
    return drawPicture(QSize(800, 480), vga(Silver), [&](QPainter& p, const QRect&) {
        p.setRenderHint(QPainter::Antialiasing, false);
        // Supply rails and the ground rail.
        p.setPen(QPen(vga(Red), 2));
        p.drawLine(20, 22, 780, 22);
        p.setPen(QPen(vga(Maroon), 2));
        p.drawLine(20, 38, 780, 38);
        p.setPen(QPen(vga(Black), 2));
        p.drawLine(20, 456, 780, 456);
        p.setPen(vga(Black));
        text(p, QRect(2, 15, 18, 12), "30", 9);
        text(p, QRect(2, 31, 18, 12), "15", 9);
        text(p, QRect(2, 449, 18, 12), "31", 9);
        for (int x = 60; x < 780; x += 180)
            ground(p, QPoint(x, 458));

        // Each component: supply from above, its signal to the control unit's
        // bus below, the last row to ground.
        const QPoint unitPin(sheet.components.empty() ? 100 : pixels(sheet.components[0]).center().x(), 0);
        static const int signalColours[] = {Blue, Green, Navy, Teal, Purple, Olive};
        static const char* const codes[] = {"BL 0.5", "VE 0.5", "BN 0.35", "GR 0.5", "VI 0.35", "MA 0.5"};
        int n = 0;
        for (const ComponentLine& c : sheet.components) {
            const QRect r = pixels(c);
            if (r.width() <= 2) continue;
            const int supplyX = r.left() + r.width() / 4;
            const bool relay = trimmed(c.description) == "11";
            const int rail = relay ? 22 : 38;
            wire(p, QPoint(supplyX, r.top()), QPoint(supplyX, rail), relay ? Red : Maroon,
                 relay ? "RO 2.5" : "MA 1.0");
            junction(p, QPoint(supplyX, rail), relay ? Red : Maroon);
            const int sig = n % 6;
            const int busY = r.bottom() + 12 + 5 * (n % 3);
            if (busY < 450) {
                wire(p, QPoint(r.right() - r.width() / 4, r.bottom()),
                     QPoint(r.right() - r.width() / 4, busY), signalColours[sig], codes[sig]);
                p.setPen(QPen(vga(signalColours[sig]), 2, Qt::SolidLine));
                p.drawLine(r.right() - r.width() / 4, busY, std::min(780, r.right() + 30), busY);
            }
            if (r.bottom() > 330) {
                wire(p, QPoint(r.center().x(), r.bottom()), QPoint(r.center().x(), 456), Black);
                junction(p, QPoint(r.center().x(), 456), Black);
            }
            ++n;
        }
        (void)unitPin;
        // Fuses on the supply rails, as a real sheet shows them.
        p.setPen(QPen(vga(Black), 1));
        p.setBrush(vga(White));
        for (int i = 0; i < 3; ++i) {
            const int x = 700 + i * 26;
            p.drawRect(x, 17, 16, 10);
            text(p, QRect(x - 2, 4, 20, 11), QStringLiteral("F%1").arg(i + 12), 8);
        }
        p.setBrush(Qt::NoBrush);
        // Title strip.
        p.setPen(vga(Black));
        text(p, QRect(24, 462, 560, 16), QString::fromUtf8(sheet.title.c_str()), 11,
             Qt::AlignLeft | Qt::AlignVCenter, true);
        text(p, QRect(600, 462, 180, 16), QStringLiteral("Schema elettrico"), 10,
             Qt::AlignRight | Qt::AlignVCenter);
        for (const ComponentLine& c : sheet.components)
            if (pixels(c).width() > 2) drawComponent(p, c);
    });
}

// ------------------------------------------------------- old-format sheets

QImage oldFormatSheet(const std::string& title,
                      const std::vector<std::pair<std::string, std::string>>& params) {
    return drawPicture(QSize(640, 400), vga(Silver), [&](QPainter& p, const QRect&) {
        p.setRenderHint(QPainter::Antialiasing, false);
        // The control unit in the middle, the parameter points around it.
        const QRect unit(250, 150, 140, 90);
        p.setPen(QPen(vga(Red), 2));
        p.drawLine(20, 24, 620, 24);
        p.setPen(QPen(vga(Black), 2));
        p.drawLine(20, 372, 620, 372);
        for (int x = 60; x < 620; x += 140)
            ground(p, QPoint(x, 374));
        p.setPen(vga(Black));
        text(p, QRect(2, 17, 18, 12), "30", 9);
        text(p, QRect(2, 365, 18, 12), "31", 9);
        wire(p, QPoint(unit.center().x(), unit.top()), QPoint(unit.center().x(), 24), Red, "RO 1.5");
        wire(p, QPoint(unit.center().x(), unit.bottom()), QPoint(unit.center().x(), 372), Black);
        static const int colours[] = {Blue, Green, Navy, Teal, Purple, Olive, Maroon};
        const int count = int(params.size());
        for (int i = 0; i < count; ++i) {
            // Up to ten points along the top, the rest along the bottom.
            const bool top = i < 10;
            const int k = top ? i : i - 10;
            const int perRow = top ? std::min(count, 10) : count - 10;
            const int x = 30 + (perRow > 1 ? k * (580 - 50) / std::max(1, perRow - 1) : 265);
            const QRect box(x, top ? 50 : 290, 50, 50);
            const QPoint pin(unit.left() + 10 + (i % 12) * 11, top ? unit.top() : unit.bottom());
            p.setPen(QPen(vga(colours[i % 7]), 2));
            const int midY = top ? 120 + (i % 4) * 6 : 262 - (i % 4) * 6;
            p.drawLine(box.center().x(), top ? box.bottom() : box.top(), box.center().x(), midY);
            p.drawLine(box.center().x(), midY, pin.x(), midY);
            p.drawLine(pin.x(), midY, pin.x(), pin.y());
            p.setPen(QPen(vga(Black), 1));
            p.setBrush(vga(White));
            p.drawRect(box);
            p.setBrush(Qt::NoBrush);
            text(p, box.adjusted(1, 1, -1, -22), q(params[size_t(i)].first), 12, Qt::AlignCenter, true);
            text(p, box.adjusted(1, 24, -1, -1), q(params[size_t(i)].second), 8);
        }
        p.setPen(QPen(vga(Navy), 2));
        p.setBrush(vga(White));
        p.drawRect(unit);
        p.setBrush(Qt::NoBrush);
        p.setPen(vga(Navy));
        text(p, unit.adjusted(4, 4, -4, -4), QStringLiteral("CENTRALINA"), 12, Qt::AlignCenter, true);
        text(p, QRect(24, 378, 600, 18), q(title), 11, Qt::AlignLeft | Qt::AlignVCenter, true);
    });
}

// A sheet of squared drawing paper with a zone border: the frame the
// diagrams are shown on (the diagrams' silver lets it through).
QImage framePaper(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(vga(White));
    QPainter p(&img);
    p.setPen(QPen(vga(Silver), 1, Qt::DotLine));
    for (int x = 20; x < size.width(); x += 20)
        p.drawLine(x, 0, x, size.height());
    for (int y = 20; y < size.height(); y += 20)
        p.drawLine(0, y, size.width(), y);
    p.setPen(QPen(vga(Grey), 2));
    p.drawRect(QRect(1, 1, size.width() - 3, size.height() - 3));
    p.setPen(vga(Grey));
    for (int i = 0; i < 8; ++i) {
        const int x = size.width() * i / 8;
        p.drawLine(x, 0, x, 6);
        text(p, QRect(x + 2, size.height() - 10, 20, 10), QString::number(i + 1), 8, Qt::AlignLeft);
    }
    p.end();
    return img;
}

void writeScrambledBitmap(const Output& out, std::string_view rel, const QImage& img) {
    // 4 bits a pixel, as the diagrams. A size byte of the header can equal
    // its key entry; filler after the pixels (readers ignore it) moves it.
    const std::string plain = core::sixteenColourBitmap(img);
    for (int extra = 0; extra < 8; ++extra) {
        std::string padded = plain + std::string(size_t(extra) * 65536, '\0');
        const std::uint32_t size = std::uint32_t(padded.size());
        for (int i = 0; i < 4; ++i)
            padded[size_t(2 + i)] = char((size >> (8 * i)) & 0xFF);
        try {
            ScrambledPicture pic{padded, scrambleHeader(padded, core::Key)};
            writeScrambled(out, rel, pic, core::Key);
            return;
        } catch (const HeaderCollision&) {
        }
    }
    failFile(rel, "no filler gives a header that can be scrambled");
}

void writeScrambledImage(const Output& out, std::string_view rel, PictureFormat format, const QImage& img) {
    const ScrambledPicture pic = scrambledPicture(
        rel, format, img.size(), vga(White), [&](QPainter& p, const QRect&) { p.drawImage(0, 0, img); },
        core::Key);
    writeScrambled(out, rel, pic, core::Key);
}

// ------------------------------------------------------------ locations

void carOutline(QPainter& p, const QRect& r) {
    // A car seen from above, nose to the left.
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.setBrush(QColor(225, 228, 232));
    p.drawRoundedRect(r, 60, 40);
    p.setBrush(QColor(170, 190, 210));
    p.drawRoundedRect(
        QRect(r.left() + int(r.width() * 0.42), r.top() + 20, int(r.width() * 0.12), r.height() - 40), 10,
        10);
    p.drawRoundedRect(
        QRect(r.left() + int(r.width() * 0.82), r.top() + 26, int(r.width() * 0.08), r.height() - 52), 8, 8);
    p.setBrush(QColor(30, 30, 30));
    for (double fx : {0.16, 0.74})
        for (int side : {0, 1}) {
            const int x = r.left() + int(r.width() * fx);
            const int y = side ? r.bottom() - 6 : r.top() - 14;
            p.drawRoundedRect(QRect(x, y, 70, 20), 5, 5);
        }
}

QImage locationPicture(int variant, const std::vector<std::string>& codes, bool abs) {
    QImage img(600, 400, QImage::Format_RGB32);
    img.fill(QColor(250, 250, 246));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRect car(40, 70, 520, 260);
    carOutline(p, car);
    // Engine bay.
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(190, 190, 185));
    p.drawRoundedRect(QRect(70, 110, 140, 180), 12, 12);
    p.setBrush(QColor(120, 120, 118));
    p.drawRect(QRect(100, 140, 80, 120));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPoint(140, 155 + i * 28), 9, 9);
    // Battery and radiator.
    p.setBrush(QColor(40, 60, 110));
    p.drawRect(QRect(180, 100, 34, 26));
    p.setBrush(QColor(150, 160, 170));
    p.drawRect(QRect(52, 115, 12, 170));
    // Harness.
    p.setPen(QPen(QColor(20, 20, 20), 3));
    QPainterPath harness(QPointF(214, 113));
    if (abs)
        harness.cubicTo(300, 110, 380, 100, 460, 92);
    else
        harness.cubicTo(260, 130, 230, 220, 200, 250);
    p.setBrush(Qt::NoBrush);
    p.drawPath(harness);
    // Numbered markers with leader lines, placed round the bay.
    static const QPoint spots[] = {{120, 130}, {190, 150}, {160, 270}, {95, 260},  {200, 230}, {130, 200},
                                   {85, 170},  {175, 115}, {230, 190}, {150, 240}, {110, 290}, {220, 270}};
    static const QPoint anchors[] = {{110, 30},  {170, 30},  {230, 30},  {290, 30},  {350, 30},  {410, 30},
                                     {110, 370}, {170, 370}, {230, 370}, {290, 370}, {350, 370}, {410, 370}};
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    // ABS: the unit in the bay and a sensor at each wheel.
    static const QPoint absSpots[] = {{205, 140}, {158, 92}, {158, 308}, {460, 92}, {460, 308}};
    static const QPoint absAnchors[] = {{290, 30}, {158, 30}, {158, 370}, {460, 30}, {460, 370}};
    for (size_t i = 0; i < codes.size() && i < 12; ++i) {
        const QPoint spot = abs ? absSpots[i % 5] : spots[(i + size_t(variant) * 5) % 12];
        const QPoint a = abs ? absAnchors[i % 5] : anchors[i];
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(spot, a);
        p.setBrush(QColor(200, 0, 0));
        p.drawEllipse(spot, 4, 4);
        p.setBrush(QColor(255, 255, 210));
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawEllipse(a, 15, 15);
        p.setPen(Qt::black);
        p.drawText(QRect(a.x() - 15, a.y() - 15, 30, 30), Qt::AlignCenter,
                   QString::fromLatin1(codes[i].c_str()));
    }
    p.end();
    return img;
}

} // namespace

void writeDiagrams(const Output& out) {
    // Frames of the two formats.
    writeScrambledBitmap(out, "mas\\xpsc35.bmp", framePaper(QSize(640, 400)));
    writeScrambledBitmap(out, "mas\\xpsc51.bmp", framePaper(QSize(800, 480)));

    // New-format sheets with their component and secondary files.
    for (const DiagramSheet& sheet : newFormatSheets()) {
        writeScrambledImage(out, "psc\\x" + sheet.code + ".gif", PictureFormat::Gif, newFormatSheet(sheet));
        if (!sheet.componentFile) continue;
        std::vector<std::string> lines;
        for (const ComponentLine& c : sheet.components)
            lines.push_back(componentRecord(c));
        if (lines.empty())
            out.write("psc\\psc_txt\\" + sheet.code + ".cpt", std::string());
        else
            out.writeCpt("psc\\psc_txt\\" + sheet.code + ".cpt", Form::Line, lines);
        if (!sheet.secondary.empty())
            out.writeCpt("psc\\psc_txt\\" + sheet.code + "&.cpt", Form::Line, sheet.secondary);
    }

    // Old-format sheets: one point per parameter code of the catalogue record.
    std::map<std::string, std::string> names;
    for (const std::string& line : decodeCpt(Form::Line, out.read("Ark\\par_ita.cpt")))
        names[line.substr(1, 3)] = line.substr(4);
    const db::Table catalogue = db::Table::open(out.path("Ark\\xpsc.dbf"));
    for (size_t r = 0; r < catalogue.recordCount(); ++r) {
        auto field = [&](const std::string& name) {
            return core::DescrambleLineConv(catalogue.value(r, name).value_or(""));
        };
        const std::string code = field("PSC_CODICE");
        if (field("NUOVO") == "S" || code == "H100" || code == "H200") continue;
        std::vector<std::pair<std::string, std::string>> params;
        for (int i = 1; i <= 20; ++i) {
            const std::string p = field("PAR" + std::to_string(i));
            if (p == "   ") continue;
            auto it = names.find(p);
            params.push_back({p, it == names.end() ? cp1252("Punto di misura") : it->second});
        }
        writeScrambledImage(
            out, "psc\\psc_ita\\x" + code + ".gif", PictureFormat::Gif,
            oldFormatSheet(trimmed(field("PSC__MARCA")) + " - " + trimmed(field("PSC__MODEL")), params));
    }

    // Location pictures of the models and the ABS pictures and texts.
    int variant = 0;
    for (const LocationPicture& l : locationPictures())
        writeScrambledImage(out, "ubi\\x" + l.brand + l.code + ".jpg", PictureFormat::Jpeg,
                            locationPicture(variant++, l.markers, false));
    for (const AbsLocation& a : absLocations()) {
        writeScrambledImage(out, "ubi\\abs\\x" + a.code + ".gif", PictureFormat::Gif,
                            locationPicture(variant++, {"40", "41", "41", "41", "41"}, true)
                                .convertToFormat(QImage::Format_RGB32));
        out.writeCpt("ubi\\abs\\tx_ita\\" + a.code + ".cpt", Form::Line, a.lines);
    }
}

} // namespace sampledata
