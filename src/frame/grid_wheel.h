#pragma once
// The wheel of a window that scrolls one grid: the notches turned over the
// grid move its top row by as many rows; a turn that would pass the first row
// is ignored, and the wheel over any other control leaves the grid as it is.
#include "platform/controls.h"

#include <cstdint>

namespace vb {
class Grid;
}

namespace frame {

class GridWheel {
  public:
    // The grid is a member of the window, which may not be built yet.
    GridWheel(vb::Form* window, vb::Grid* grid);

    void WheelCatcher1_WheelRotation(int Rotation, int X, int Y, std::uintptr_t Handle);

    vb::WheelCatcher WheelCatcher1;

  private:
    vb::Grid* grid_;
};

} // namespace frame
