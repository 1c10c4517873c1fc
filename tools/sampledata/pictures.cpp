#include "sampledata/pictures.h"

#include "core/scramble.h"
#include "platform/temporary_names.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace sampledata {
namespace {

int gifToString(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

void put16(std::string& s, unsigned v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

bool loads(const std::string& bytes) {
    QImage img;
    return img.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size())) && !img.isNull();
}

void ignoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// The decoder complains about a picture we damaged on purpose; keep quiet.
bool loadsQuietly(const std::string& bytes) {
    const QtMessageHandler previous = qInstallMessageHandler(ignoreMessage);
    const bool ok = loads(bytes);
    qInstallMessageHandler(previous);
    return ok;
}

// The picture on a palette of its own most used colours (at 5 bits per
// channel), each pixel on its nearest entry: shaded artwork keeps clean
// areas with no dither noise.
QImage toAdaptivePalette(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    auto key = [](QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); };
    std::vector<int> count(1 << 15, 0);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            ++count[size_t(key(rgb.pixel(x, y)))];
    std::vector<int> keys;
    for (int k = 0; k < (1 << 15); ++k)
        if (count[size_t(k)]) keys.push_back(k);
    std::stable_sort(keys.begin(), keys.end(),
                     [&](int a, int b) { return count[size_t(a)] > count[size_t(b)]; });
    if (keys.size() > 256) keys.resize(256);
    QList<QRgb> table;
    for (int k : keys)
        table.push_back(qRgb(((k >> 10) & 31) * 255 / 31, ((k >> 5) & 31) * 255 / 31, (k & 31) * 255 / 31));
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    std::vector<int> nearest(1 << 15, -1);
    for (int y = 0; y < rgb.height(); ++y) {
        uchar* line = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            int& n = nearest[size_t(key(c))];
            if (n < 0) {
                int best = INT_MAX;
                for (int i = 0; i < table.size(); ++i) {
                    const int dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]),
                              db = qBlue(c) - qBlue(table[i]);
                    const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
                    if (d < best) best = d, n = i;
                }
            }
            line[x] = uchar(n);
        }
    }
    return out;
}

std::string encodePicture(PictureFormat format, const QImage& img) {
    switch (format) {
    case PictureFormat::Gif:
        return gifBytes(img);
    case PictureFormat::GifFullColour:
        return gifBytes(img, true);
    case PictureFormat::Jpeg:
        break;
    }
    return jpegBytes(img);
}

} // namespace

const std::array<QRgb, 16>& vgaPalette() {
    static const std::array<QRgb, 16> p = {
        qRgb(0x00, 0x00, 0x00), qRgb(0x80, 0x00, 0x00), qRgb(0x00, 0x80, 0x00), qRgb(0x80, 0x80, 0x00),
        qRgb(0x00, 0x00, 0x80), qRgb(0x80, 0x00, 0x80), qRgb(0x00, 0x80, 0x80), qRgb(0xC0, 0xC0, 0xC0),
        qRgb(0x80, 0x80, 0x80), qRgb(0xFF, 0x00, 0x00), qRgb(0x00, 0xFF, 0x00), qRgb(0xFF, 0xFF, 0x00),
        qRgb(0x00, 0x00, 0xFF), qRgb(0xFF, 0x00, 0xFF), qRgb(0x00, 0xFF, 0xFF), qRgb(0xFF, 0xFF, 0xFF)};
    return p;
}

QImage drawPicture(QSize size, QColor background, const Drawing& drawing) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(background);
    QPainter p(&img);
    drawing(p, img.rect());
    p.end();
    return img;
}

void drawCaption(QPainter& p, const QRect& box, std::string_view text, int pixelSize, int flags) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixelSize);
    f.setStyleStrategy(QFont::NoAntialias);
    p.save();
    p.setFont(f);
    p.drawText(box, flags, QString::fromLatin1(text.data(), qsizetype(text.size())));
    p.restore();
}

std::string gifBytes(const QImage& image, bool fullColour) {
    QList<QRgb> table;
    QImage indexed;
    if (fullColour) {
        indexed = toAdaptivePalette(image);
        table = indexed.colorTable();
    } else {
        for (QRgb c : vgaPalette())
            table.push_back(c);
        indexed =
            image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
    }
    // A GIF colour map holds a power of two entries.
    int mapSize = 2;
    while (mapSize < table.size())
        mapSize *= 2;
    std::string out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, gifToString, &err);
    if (!gif) throw std::runtime_error("GIF writer: " + std::string(GifErrorString(err)));
    std::vector<GifColorType> colours(size_t(mapSize), GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < table.size(); ++i) {
        const QRgb c = table[i];
        colours[size_t(i)] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(mapSize, colours.data()),
                                                                   GifFreeMapObject);
    EGifSetGifVersion(gif, true);
    bool ok = map && EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map.get()) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(size_t(indexed.width()));
    for (int y = 0; ok && y < indexed.height(); ++y) {
        std::memcpy(row.data(), indexed.constScanLine(y), row.size());
        ok = EGifPutLine(gif, row.data(), indexed.width()) == GIF_OK;
    }
    const int writeErr = gif->Error;
    if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
    if (!ok)
        throw std::runtime_error("GIF writer: " + std::string(GifErrorString(writeErr ? writeErr : err)));
    return out;
}

std::string jpegBytes(const QImage& image) {
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB32).save(&buf, "JPG", 85))
        throw std::runtime_error("JPEG writer failed");
    return data.toStdString();
}

std::string iconBytes(const QImage& image, bool cursor, QPoint hotSpot) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    std::string bmp;
    put32(bmp, 40);
    put32(bmp, unsigned(w));
    put32(bmp, unsigned(h * 2)); // colour and mask planes
    put16(bmp, 1);
    put16(bmp, 32);
    put32(bmp, 0);
    put32(bmp, unsigned(w * h * 4 + maskStride * h));
    put32(bmp, 0);
    put32(bmp, 0);
    put32(bmp, 0);
    put32(bmp, 0);
    for (int y = h - 1; y >= 0; --y) // bottom-up
        for (int x = 0; x < w; ++x)
            put32(bmp, img.pixel(x, y));
    for (int y = h - 1; y >= 0; --y) {
        std::string row(size_t(maskStride), '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(img.pixel(x, y)) < 128)
                row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
        bmp += row;
    }

    std::string out;
    put16(out, 0);
    put16(out, cursor ? 2 : 1);
    put16(out, 1);
    out.push_back(char(w >= 256 ? 0 : w));
    out.push_back(char(h >= 256 ? 0 : h));
    out.push_back(0); // no palette
    out.push_back(0);
    put16(out, cursor ? unsigned(hotSpot.x()) : 1); // icons: planes; cursors: hot spot
    put16(out, cursor ? unsigned(hotSpot.y()) : 32);
    put32(out, unsigned(bmp.size()));
    put32(out, 22);
    return out + bmp;
}

void writePicture(const Output& out, std::string_view rel, PictureFormat format, QSize size,
                  QColor background, const Drawing& drawing) {
    const QImage img = drawPicture(size, background, drawing);
    std::string bytes;
    try {
        bytes = encodePicture(format, img);
    } catch (const std::exception& e) {
        failFile(rel, e.what());
    }
    out.write(rel, bytes);
    if (!loads(out.read(rel))) failFile(rel, "is not a loadable picture");
}

ScrambledPicture scrambledPicture(std::string_view rel, PictureFormat format, QSize size, QColor background,
                                  const Drawing& drawing, const std::array<int, 80>& key) {
    for (int extra = 0; extra < 8; ++extra) {
        const QImage img = drawPicture(QSize(size.width() + extra, size.height()), background, drawing);
        ScrambledPicture pic;
        try {
            pic.plain = encodePicture(format, img);
        } catch (const std::exception& e) {
            failFile(rel, e.what());
        }
        if (!loads(pic.plain)) failFile(rel, "drawn picture does not load");
        try {
            pic.stored = scrambleHeader(pic.plain, key);
        } catch (const HeaderCollision&) {
            continue; // another width moves the colliding size byte
        } catch (const std::exception& e) {
            failFile(rel, e.what());
        }
        return pic;
    }
    failFile(rel, "no picture width gives a header that can be scrambled");
}

void writeScrambled(const Output& out, std::string_view rel, const ScrambledPicture& picture,
                    const std::array<int, 80>& key) {
    out.write(rel, picture.stored);
    std::string back = out.read(rel);
    core::decodeHeader(back, key);
    if (back != picture.plain) failFile(rel, "does not decode back to its picture");
}

ScrambledPicture writeScrambledPicture(const Output& out, std::string_view rel, PictureFormat format,
                                       QSize size, QColor background, const Drawing& drawing,
                                       const std::array<int, 80>& key) {
    ScrambledPicture pic = scrambledPicture(rel, format, size, background, drawing, key);
    writeScrambled(out, rel, pic, key);
    return pic;
}

void writeDamagedPicture(const Output& out, std::string_view rel, std::string_view recRel,
                         const ScrambledPicture& good, const std::array<int, 80>& key) {
    // Keep the scrambled header and the 0 that ends it; the rest is garbage.
    const size_t end = good.plain.find('\0');
    if (end == std::string::npos || end >= 80) failFile(rel, "picture header has no end to keep");
    std::string damaged = good.stored.substr(0, end + 1);
    damaged.append(120, char(0xAA));
    out.write(rel, damaged);
    std::string back = out.read(rel);
    core::decodeHeader(back, key);
    if (loadsQuietly(back)) failFile(rel, "damaged picture still loads");
    writeScrambled(out, recRel, good, key);
}

std::string recoveryName(std::string_view rel) {
    if (rel.size() < 3) throw std::runtime_error(std::string(rel) + ": name too short for a recovery copy");
    return vb::recoveryName(rel);
}

} // namespace sampledata
