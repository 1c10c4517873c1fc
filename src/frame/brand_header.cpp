#include "frame/brand_header.h"

namespace frame {

BrandHeader::BrandHeader(vb::Form* window) : Shape2(*window, "Shape2"), ImageMarca(*window, "ImageMarca") {}

int BrandHeader::placeHeader(int W, int indent) {
    Shape2.Move(50, 50, W - 200, ImageMarca.Height() + 30);
    ImageMarca.Move(Shape2.Left() + indent, Shape2.Top() + 15, ImageMarca.Width(), ImageMarca.Height());
    return linesLeft();
}

void VehicleHeader::showVehicleLines(const std::array<std::string, 2>& lines) {
    for (int i = 0; i < 2; ++i)
        LabelModello(i).setCaption(lines[size_t(i)]);
}

void VehicleHeader::placeHeaderAndLines(int W, int indent) {
    const int left = placeHeader(W, indent);
    for (auto& line : LabelModello)
        line->setLeft(left);
}

} // namespace frame
