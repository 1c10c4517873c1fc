#pragma once
// The common toolbar of the data windows: help, the four manual sections,
// the trouble codes, the brand documents and close. A window mounts it in
// one line and tells it the few things in which the windows differ.
#include "platform/controls.h"

#include <QMetaObject>
#include <functional>
#include <vector>

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

// The style of a window with its own busy and hand pointers
// (Set_PuntatoreAttesa, Reset_PuntatoreAttesa) around the manual buttons.
template <class Window> ToolbarStyle ownPointerPair(Window& window) {
    ToolbarStyle s;
    s.busy = [&window] { window.Set_PuntatoreAttesa(); };
    s.ready = [&window] { window.Reset_PuntatoreAttesa(); };
    return s;
}

// The same, with the close button running the window's own Command6_Click.
template <class Window> ToolbarStyle ownPointerPairAndClose(Window& window) {
    ToolbarStyle s = ownPointerPair(window);
    s.close = [&window] { window.Command6_Click(); };
    return s;
}

// One of the window's own buttons in the row, with the room before it.
struct RowButton {
    vb::CommandButton* button;
    int gap = 15;
};

class Toolbar {
  public:
    Toolbar(vb::Form& window, ToolbarStyle style = {});
    ~Toolbar();
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;

    // The row from the right edge: help and glossary share the rightmost
    // column, rightMargin from the edge; then oscilloscope, diagnosis, gas
    // analysis and trouble codes; then `after` in order (the brand-documents
    // button alone unless the window says otherwise).
    void setRow(std::vector<RowButton> after, int rightMargin = 100);
    // The band that holds the row: it spans the window along its bottom
    // edge (or stays along the top).
    void setBand(vb::PictureBox& band, bool bottom = true);
    // Places the row in a window of width W.
    void arrange(int W);
    // Places the band and the row for the window's present size. Every
    // change of the window's size does this again, whoever resized it.
    void place();
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
    std::vector<RowButton> after_;
    int rightMargin_ = 100;
    vb::PictureBox* band_ = nullptr;
    bool bandAtBottom_ = true;
    QMetaObject::Connection resized_;
};

} // namespace frame
