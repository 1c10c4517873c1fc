#pragma once
// The vertical scroll bar. Change fires whenever Value really changes, by the
// user or by code.
#include "platform/controls.h"

#include <functional>

class QScrollBar;

namespace vb {

class VScrollBar : public Control {
  public:
    VScrollBar(Form& form, std::string name, int index = -1);
    QWidget* widget() const override;
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return value_; }
    void setMin(int v);
    void setMax(int v);
    // Kept inside Min..Max (either way round, as Max may be below Min).
    void setValue(int v);
    int SmallChange() const { return small_; }
    int LargeChange() const { return large_; }
    void setSmallChange(int v);
    void setLargeChange(int v);
    std::function<void()> Change;

  private:
    void sync();
    QScrollBar* bar_;
    int min_ = 0, max_ = 32767, value_ = 0, small_ = 1, large_ = 1;
    bool syncing_ = false;
};

} // namespace vb
