#pragma once
// A drop-down list the user only picks from. Setting ListIndex from code
// raises Click as a pick by the user does, and only on a real change.
#include "platform/controls.h"

#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace vb {

class ComboBox : public ItemList {
  public:
    ComboBox(Form& form, std::string name, int index = -1);
    void AddItem(const std::string& item);
    void setListIndex(int i); // error 380 outside -1..ListCount-1
    // The selected item; empty when none is selected.
    std::string Text() const;
    void setColors(std::int32_t back, std::int32_t fore);
    void setFont(const std::string& family, double points, bool bold);

  private:
    void clearWidget() override;
    QComboBox* box_;
};

} // namespace vb
