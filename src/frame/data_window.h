#pragma once
// A data window: a window with the common toolbar, whose buttons it reaches
// under their own names, Command6 (close) and Command1 to Command5,
// Command20 and Command30.
#include "frame/toolbar.h"
#include "platform/form.h"

#include <string>

namespace frame {

class DataWindow : public vb::Form {
    Q_OBJECT
  public:
    DataWindow(std::string name, ToolbarStyle style);

    Toolbar toolbar;
    vb::CommandButton &Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
        &Command30;
};

} // namespace frame
