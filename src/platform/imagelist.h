#pragma once
// The image list: pictures by 1-based position, and an overlay of one over
// another with the mask colour transparent.
#include "platform/controls.h"

#include <QPixmap>
#include <cstdint>
#include <vector>

namespace vb {

class ImageList : public Control {
  public:
    ImageList(Form& form, std::string name, int index = -1);
    // Inserts at position (1-based); the images from there move up one.
    void Add(int position, const QPixmap& picture);
    int Count() const { return int(images_.size()); }
    // Error 35600 (index out of bounds) past the list.
    const QPixmap& ListImage(int position) const;
    void Clear() { images_.clear(); }
    std::int32_t MaskColor() const { return mask_; }
    void setMaskColor(std::int32_t c) { mask_ = c; }
    // Image top drawn over image bottom, top's mask-colour pixels letting the
    // bottom show through; the result has the bottom image's size.
    QPixmap Overlay(int bottom, int top) const;

  private:
    std::vector<QPixmap> images_;
    std::int32_t mask_ = 0xC0C0C0;
};

} // namespace vb
