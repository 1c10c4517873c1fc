#include "frame/data_window.h"

namespace frame {

DataWindow::DataWindow(std::string name, ToolbarStyle style)
    : vb::Form(std::move(name)), toolbar(*this, std::move(style)), Command6(toolbar.Command6),
      Command1(toolbar.Command1), Command2(toolbar.Command2), Command3(toolbar.Command3),
      Command4(toolbar.Command4), Command5(toolbar.Command5), Command20(toolbar.Command20),
      Command30(toolbar.Command30) {}

} // namespace frame
