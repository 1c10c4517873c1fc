#include "sampledata/pictures.h"

#include "core/scramble.h"

#include <QBuffer>
#include <QFont>
#include <QPainter>
#include <cstring>
#include <gif_lib.h>
#include <memory>
#include <stdexcept>

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

std::string gifBytes(const QImage& image) {
    QList<QRgb> table;
    for (QRgb c : vgaPalette())
        table.push_back(c);
    const QImage indexed =
        image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);

    std::string out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, gifToString, &err);
    if (!gif) throw std::runtime_error("GIF writer: " + std::string(GifErrorString(err)));
    GifColorType colours[16];
    for (int i = 0; i < 16; ++i) {
        const QRgb c = vgaPalette()[size_t(i)];
        colours[i] = {GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(16, colours),
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
        bytes = format == PictureFormat::Gif ? gifBytes(img) : jpegBytes(img);
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
            pic.plain = format == PictureFormat::Gif ? gifBytes(img) : jpegBytes(img);
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
    const std::string caption(rel);
    const auto withCaption = [&](QPainter& p, const QRect& r) {
        drawing(p, r);
        if (r.height() >= 40) {
            p.setPen(Qt::black);
            drawCaption(p, r.adjusted(2, 0, -2, -1), caption, 9, Qt::AlignLeft | Qt::AlignBottom);
        }
    };
    ScrambledPicture pic = scrambledPicture(rel, format, size, background, withCaption, key);
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
    return std::string(rel.substr(0, rel.size() - 3)) + "REC";
}

} // namespace sampledata
