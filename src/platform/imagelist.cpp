#include "platform/imagelist.h"

#include "platform/errors.h"
#include "platform/geometry.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

namespace vb {

ImageList::ImageList(Form& form, std::string name, int index)
    : Control(form, ControlKind::ImageList, std::move(name), index) {}

void ImageList::Add(int position, const QPixmap& picture) {
    if (position < 1 || position > Count() + 1) throw VbError(35600, "Index out of bounds");
    images_.insert(images_.begin() + (position - 1), picture);
}

const QPixmap& ImageList::ListImage(int position) const {
    if (position < 1 || position > Count()) throw VbError(35600, "Index out of bounds");
    return images_[size_t(position - 1)];
}

QPixmap ImageList::Overlay(int bottom, int top) const {
    QImage base = ListImage(bottom).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage over = ListImage(top).toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb mask = vbColor(mask_).rgb() | 0xFF000000;
    const int w = std::min(base.width(), over.width());
    const int h = std::min(base.height(), over.height());
    for (int y = 0; y < h; ++y) {
        QRgb* dst = reinterpret_cast<QRgb*>(base.scanLine(y));
        const QRgb* src = reinterpret_cast<const QRgb*>(over.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if ((src[x] | 0xFF000000) != mask) dst[x] = src[x];
    }
    return QPixmap::fromImage(std::move(base));
}

} // namespace vb
