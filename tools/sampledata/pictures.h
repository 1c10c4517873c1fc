#pragma once
// Pictures of the data set: drawn with QPainter, stored as GIF (giflib),
// JPEG (Qt), ICO and CUR, plain or with a scrambled header.
#include "sampledata/output.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <array>
#include <functional>
#include <string>
#include <string_view>

class QPainter;

namespace sampledata {

// Gif: the 16 VGA colours; GifFullColour: up to 256 colours of the
// picture's own, for shaded artwork such as the brand symbols.
enum class PictureFormat { Gif, GifFullColour, Jpeg };

using Drawing = std::function<void(QPainter&, const QRect&)>;

// The 16 standard VGA colours.
const std::array<QRgb, 16>& vgaPalette();

QImage drawPicture(QSize size, QColor background, const Drawing& drawing);
// Writes text in a plain font without smoothing, so GIF colours stay exact.
void drawCaption(QPainter& p, const QRect& box, std::string_view text, int pixelSize,
                 int flags = 0x0084 /* centred */);

std::string gifBytes(const QImage& image, bool fullColour = false);
std::string jpegBytes(const QImage& image);
// A Windows icon or cursor file holding one 32-bit image with its mask.
std::string iconBytes(const QImage& image, bool cursor, QPoint hotSpot = {});

// A plain picture, written as is.
void writePicture(const Output& out, std::string_view rel, PictureFormat format, QSize size,
                  QColor background, const Drawing& drawing);

struct ScrambledPicture {
    std::string plain;
    std::string stored;
};
// Draws and encodes a picture, then scrambles its header. When a header byte
// collides with its key entry the picture is made one pixel wider and tried
// again. Throws naming rel when no width works.
ScrambledPicture scrambledPicture(std::string_view rel, PictureFormat format, QSize size, QColor background,
                                  const Drawing& drawing, const std::array<int, 80>& key);
// Writes the stored bytes and checks that the file decodes to the plain ones.
void writeScrambled(const Output& out, std::string_view rel, const ScrambledPicture& picture,
                    const std::array<int, 80>& key);
// Both together.
ScrambledPicture writeScrambledPicture(const Output& out, std::string_view rel, PictureFormat format,
                                       QSize size, QColor background, const Drawing& drawing,
                                       const std::array<int, 80>& key);

// A picture whose bytes after the scrambled header are garbage, and its
// recovery copy (the good file) under recRel.
void writeDamagedPicture(const Output& out, std::string_view rel, std::string_view recRel,
                         const ScrambledPicture& good, const std::array<int, 80>& key);

// The recovery-copy name: the last three characters replaced by "REC".
std::string recoveryName(std::string_view rel);

} // namespace sampledata
