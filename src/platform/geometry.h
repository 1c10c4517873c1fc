#pragma once
// Twips, colours and pointers as the windows express them.
#include <QColor>
#include <QCursor>
#include <cstdint>
#include <memory>
#include <string>

namespace vb {

inline int twipsToPixels(int twips) {
    // Round half away from zero, so that layouts computed from twips match the
    // stored positions.
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}
inline int pixelsToTwips(int px) {
    return px * 15;
}

// System colours are &H800000nn: the desktop's colour for role nn.
inline constexpr std::int32_t vbWindowBackground = std::int32_t(0x80000005);
QColor systemColor(int role);

// Colours are long values &HBBGGRR, or system colours.
inline QColor vbColor(std::int32_t value) {
    if (std::uint32_t(value) & 0x80000000u) return systemColor(value & 0xFF);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
inline std::int32_t RGB(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}
std::int32_t QBColor(int n);

enum MousePointerValue { vbDefault = 0, vbHourglass = 11, vbNoDrop = 12, vbCustom = 99 };

// A cursor read from a .cur or .ico file (the hot spot of a .cur is read from
// its directory entry; an .ico gets its centre). Error 53 when the file is
// missing, 481 when it is not a cursor or icon.
std::shared_ptr<QCursor> loadCursorFile(const std::string& path);
// The same for a cursor a window can do without: null (the arrow) when the
// file is missing or no cursor, and the reason logged in "catalogue.pictures".
std::shared_ptr<QCursor> optionalCursorFile(const std::string& path);

// The Qt cursor for a pointer value; custom may be null.
QCursor cursorFor(int pointer, const std::shared_ptr<QCursor>& custom);

} // namespace vb
