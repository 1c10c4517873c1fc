#pragma once
// The header band of the windows about the chosen vehicle: a frame along the
// top of the window with the brand's logo at its left, and the window's own
// lines beside the logo. A window holds it as a base, after its window base,
// so the frame and the logo are its first controls and lie under the rest.
#include "platform/controls.h"

#include <array>
#include <string>

namespace frame {

class BrandHeader {
  public:
    // By pointer: the window is a BrandHeader too, so `*this` would also
    // read as a copy.
    explicit BrandHeader(vb::Form* window);

    // Spans the frame across a window W twips wide, 50 twips in from its top
    // left corner and 150 short of its right edge, as high as the logo with
    // 15 twips above and below it; the logo stands `indent` twips in from the
    // frame's left. Returns linesLeft().
    int placeHeader(int W, int indent);
    // Where the lines beside the logo begin: 100 twips right of it.
    int linesLeft() const { return ImageMarca.Left() + ImageMarca.Width() + 100; }

    vb::Shape Shape2;
    vb::Image ImageMarca;
};

// The band with the two vehicle lines beside the logo, LabelModello(0) and
// (1): brand, family, model and date; engine, displacement and power. The
// window adds both lines in its constructor, where their stacking over its
// other controls is decided, and gives them their place and style.
class VehicleHeader : public BrandHeader {
  public:
    using BrandHeader::BrandHeader;

    void showVehicleLines(const std::array<std::string, 2>& lines);
    // The band as placeHeader places it, and both lines beside the logo.
    void placeHeaderAndLines(int W, int indent);

    vb::ControlArray<vb::Label> LabelModello;
};

} // namespace frame
