#include "frame/grid_wheel.h"

#include "platform/grid.h"

namespace frame {

GridWheel::GridWheel(vb::Form* window, vb::Grid* grid)
    : WheelCatcher1(*window, "WheelCatcher1"), grid_(grid) {
    WheelCatcher1.WheelRotation = {this, &GridWheel::WheelCatcher1_WheelRotation};
}

void GridWheel::WheelCatcher1_WheelRotation(int Rotation, int /*X*/, int /*Y*/, std::uintptr_t Handle) {
    if (Handle != grid_->hWnd()) return;
    if (grid_->TopRow() - Rotation >= 0) grid_->setTopRow(grid_->TopRow() - Rotation);
}

} // namespace frame
