#include "platform/geometry.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPalette>
#include <QPixmap>
#include <array>

namespace vb {

std::int32_t QBColor(int n) {
    static constexpr std::array<std::int32_t, 16> table = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    if (n < 0 || n > 15) throw VbError(errInvalidCall);
    // The table holds colour values (&HBBGGRR): 1 is navy, 12 light red.
    return table[size_t(n)];
}

QColor systemColor(int role) {
    const QPalette pal = qApp ? QGuiApplication::palette() : QPalette(Qt::white);
    switch (role) {
    case 5: // window background
        return pal.color(QPalette::Base);
    case 6: // window frame
        return pal.color(QPalette::Shadow);
    case 8: // window text
        return pal.color(QPalette::Text);
    case 13: // selection
        return pal.color(QPalette::Highlight);
    case 14: // selected text
        return pal.color(QPalette::HighlightedText);
    case 15: // button face
        return pal.color(QPalette::Button);
    case 16: // button shadow
        return pal.color(QPalette::Dark);
    case 17: // grey text
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return pal.color(QPalette::ButtonText);
    case 24: // tooltip text
        return pal.color(QPalette::ToolTipText);
    default:
        return pal.color(QPalette::Window);
    }
}

std::shared_ptr<QCursor> loadCursorFile(const std::string& path) {
    std::string data = readAll(path);
    if (data.size() < 6 + 16) throw VbError(errInvalidPicture);
    auto u16 = [&](size_t at) {
        return int(static_cast<unsigned char>(data[at])) |
               (int(static_cast<unsigned char>(data[at + 1])) << 8);
    };
    int type = u16(2);
    if (u16(0) != 0 || (type != 1 && type != 2) || u16(4) < 1) throw VbError(errInvalidPicture);
    // Qt reads the pixels of both kinds through its icon reader once the
    // type word says "icon".
    QByteArray bytes(data.data(), qsizetype(data.size()));
    bytes[2] = 1;
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "ico");
    QImage img = reader.read();
    if (img.isNull()) throw VbError(errInvalidPicture);
    int hx = img.width() / 2, hy = img.height() / 2;
    if (type == 2) {
        hx = u16(6 + 4);
        hy = u16(6 + 6);
    }
    return std::make_shared<QCursor>(QPixmap::fromImage(img), hx, hy);
}

QCursor cursorFor(int pointer, const std::shared_ptr<QCursor>& custom) {
    switch (pointer) {
    case vbHourglass:
        return QCursor(Qt::WaitCursor);
    case vbNoDrop:
        return QCursor(Qt::ForbiddenCursor);
    case vbCustom:
        return custom ? *custom : QCursor(Qt::ArrowCursor);
    case 1:
        return QCursor(Qt::ArrowCursor);
    case 2:
        return QCursor(Qt::CrossCursor);
    case 3:
        return QCursor(Qt::IBeamCursor);
    default:
        return QCursor(Qt::ArrowCursor);
    }
}

} // namespace vb
