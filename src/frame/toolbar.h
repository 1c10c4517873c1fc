#pragma once
// The common toolbar of the data windows: help, the four manual sections,
// the trouble codes, the brand documents and close. A window mounts it in
// one line and tells it the few things in which the windows differ.
#include "platform/controls.h"

#include <functional>

namespace frame {

struct ToolbarStyle {
    // Windows with their own busy/hand pair for the manual buttons; empty
    // means SetBusyPointer / SetHandPointer on the window.
    std::function<void()> busy, ready;
    // The gas-analysis button leaves the pointer as it is.
    bool gasKeepsPointer = false;
    bool hasBrandDocuments = true;
    bool escCloses = false;
    bool mapsF13 = false;
    // Focus after a target window closes, given the button pressed; the
    // first runs before the pointer is set back, the second after.
    std::function<void(vb::CommandButton&)> focusBeforeReady, focusAfterReady;
    // What the close button does; empty unloads the window.
    std::function<void()> close;
};

class Toolbar {
  public:
    Toolbar(vb::Form& window, ToolbarStyle style = {});

    // Places the buttons right-aligned in a window of width W: help and
    // glossary share the rightmost column.
    void arrange(int W);
    // Pictures, tooltips and the hand pointer.
    void setUp();
    // The function-key map; true when the key was the toolbar's.
    bool handleKey(int keyCode);

    void Command1_Click() { openManual(Command1, 20); }
    void Command2_Click() { openManual(Command2, 30); }
    void Command3_Click() { openManual(Command3, 50); }
    void Command4_Click() { openManual(Command4, 40); }
    void Command5_Click();
    void Command20_Click() { openOther(Command20, "Form4"); }
    void Command30_Click() { openOther(Command30, "Form14"); }
    void Command6_Click();

    vb::CommandButton Command6, Command1, Command2, Command3, Command4, Command5, Command20, Command30;

  private:
    void openManual(vb::CommandButton& button, int section);
    void openOther(vb::CommandButton& button, const char* window);
    void busyFor(vb::CommandButton& b, bool manual);
    void readyFor(vb::CommandButton& b, bool manual);

    vb::Form& window_;
    ToolbarStyle style_;
};

} // namespace frame
