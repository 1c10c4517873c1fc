#include "platform/geometry.h"

#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/vbstring.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPalette>
#include <QPixmap>
#include <array>
#include <utility>

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
    // System colour numbers and the palette roles they read: 5 window
    // background, 6 window frame, 8 window text, 13 selection, 14 selected
    // text, 15 button face, 16 button shadow, 18 button text, 24 tooltip text;
    // 17, grey text, is the text of disabled controls.
    static constexpr std::pair<int, QPalette::ColorRole> roles[] = {
        {5, QPalette::Base},       {6, QPalette::Shadow},           {8, QPalette::Text},
        {13, QPalette::Highlight}, {14, QPalette::HighlightedText}, {15, QPalette::Button},
        {16, QPalette::Dark},      {18, QPalette::ButtonText},      {24, QPalette::ToolTipText}};
    const QPalette pal = qApp ? QGuiApplication::palette() : QPalette(Qt::white);
    if (role == 17) return pal.color(QPalette::Disabled, QPalette::Text);
    for (const auto& [number, paletteRole] : roles)
        if (number == role) return pal.color(paletteRole);
    return pal.color(QPalette::Window);
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

std::shared_ptr<QCursor> optionalCursorFile(const std::string& path) {
    try {
        return loadCursorFile(path);
    } catch (const VbError& e) {
        qCWarning(lcPictures).noquote() << "cursor" << toQt(path) << "not loaded:" << toQt(e.description());
        return nullptr;
    }
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
