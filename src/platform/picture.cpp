#include "platform/picture.h"

#include "platform/errors.h"
#include "platform/files.h"

#include <QBuffer>
#include <QImageReader>

namespace vb {

QPixmap LoadPicture(const std::string& path) {
    std::string data = readAll(path);
    QByteArray bytes(data.data(), qsizetype(data.size()));
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    reader.setDecideFormatFromContent(true);
    QImage img = reader.read();
    if (img.isNull()) throw VbError(errInvalidPicture);
    return QPixmap::fromImage(std::move(img));
}

} // namespace vb
