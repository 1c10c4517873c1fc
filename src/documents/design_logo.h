#pragma once
// The header band of the reference windows: a grey frame along the top of
// the window with the small logo of their design at its left (it is no data
// file) and the window's title beside it. A window holds it as a base, after
// its window base, so the band's controls are its first and lie under the
// rest.
#include "platform/controls.h"

#include <QPixmap>

namespace documents {

QPixmap designLogo();

class LogoHeader {
  public:
    // The title is titleWidth twips wide until the window sets it.
    LogoHeader(vb::Form* window, int titleWidth);

    // Spans the frame across a window W twips wide, 50 twips in from its top
    // left corner and 150 short of its right edge, 630 high; the logo and the
    // title stand centred in its height, the title 100 twips right of the
    // logo.
    void placeHeader(int W);

    vb::Shape Shape2;
    vb::Image ImageLogo;
    vb::Label Label5;
};

} // namespace documents
