#include "platform/picture.h"

#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/picture_data.h"
#include "platform/vbstring.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cstdint>
#include <list>
#include <utility>

namespace vb {

namespace {

// Pictures decoded lately, newest first, with the bytes they came from. The
// same bytes always decode to the same picture, so a window opened again
// (its diagram, its frame, its toolbar icons) takes the picture from here
// instead of decoding it anew; a file whose bytes changed misses and is
// decoded. The list is bounded by the pixels it holds.
struct DecodedPicture {
    std::string data;
    QPixmap picture;
};
std::list<DecodedPicture>& decodedPictures() {
    static std::list<DecodedPicture> pictures;
    return pictures;
}
constexpr qint64 kDecodedPicturesBytes = 64LL * 1024 * 1024;

qint64 pictureBytes(const QPixmap& p) {
    return qint64(p.width()) * p.height() * std::max(1, p.depth() / 8);
}

void rememberPicture(std::string data, const QPixmap& picture) {
    auto& pictures = decodedPictures();
    pictures.push_front({std::move(data), picture});
    qint64 total = 0;
    for (auto it = pictures.begin(); it != pictures.end(); ++it) {
        total += pictureBytes(it->picture) + qint64(it->data.size());
        if (total > kDecodedPicturesBytes && it != pictures.begin()) {
            pictures.erase(it, pictures.end());
            break;
        }
    }
}

} // namespace

std::int64_t largestPictureFile() {
    const int megabytes = QImageReader::allocationLimit();
    // 0: no limit.
    return megabytes > 0 ? std::int64_t(megabytes) << 20 : INT64_MAX;
}

void loadPictureDecoders() {
    // Listing the formats loads every decoder.
    QImageReader::supportedImageFormats();
}

QPixmap LoadPicture(const std::string& path) {
    const FileReader file(path);
    if (file.size() > largestPictureFile()) throw VbError(errInvalidPicture);
    std::string data = file.read(0, std::size_t(file.size()));
    auto& pictures = decodedPictures();
    for (auto it = pictures.begin(); it != pictures.end(); ++it)
        if (it->data == data) {
            pictures.splice(pictures.begin(), pictures, it);
            return it->picture;
        }
    // A file cut short would show its top part over blank: it is damaged.
    if (!pictureComplete(data)) throw VbError(errInvalidPicture);
    // The reader reads the bytes where they are: a copy would hold the file
    // twice.
    QByteArray bytes = QByteArray::fromRawData(data.data(), qsizetype(data.size()));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    reader.setDecideFormatFromContent(true);
    QImage img = reader.read();
    if (img.isNull()) throw VbError(errInvalidPicture);
    QPixmap picture = QPixmap::fromImage(std::move(img));
    rememberPicture(std::move(data), picture);
    return picture;
}

namespace {

bool rowsOfOneColour(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        if (std::any_of(line + 1, line + img.width(), [&](QRgb v) { return v != line[0]; })) return false;
    }
    return true;
}

} // namespace

QImage smoothScaled(const QImage& picture, QSize size) {
    // Growing sideways, the smooth transformation blends neighbours of one
    // colour into that same colour: a strip two pixels wide gives every
    // column. Shrinking sideways averages with rounding, so it is left whole.
    if (size.width() > picture.width() && picture.width() >= 2 && size.height() > 0 &&
        picture.depth() == 32 && rowsOfOneColour(picture)) {
        const QImage column =
            picture.copy(0, 0, 2, picture.height())
                .scaled(QSize(3, size.height()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage out(size, column.format());
        for (int y = 0; y < size.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            std::fill(line, line + size.width(), reinterpret_cast<const QRgb*>(column.constScanLine(y))[0]);
        }
        return out;
    }
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::optional<QPixmap> optionalPicture(const std::string& path) {
    try {
        return LoadPicture(path);
    } catch (const VbError& e) {
        qCWarning(lcPictures).noquote() << "picture" << toQt(path) << "not loaded:" << toQt(e.description());
        return std::nullopt;
    }
}

} // namespace vb
