#pragma once
// The manual-page and help viewer: a section's topic index, a topic page
// painted in the manual's four colours with the section's picture, or the
// help page of the calling window.
#include "core/markup_page.h"
#include "core/window_services.h"
#include "documents/design_logo.h"
#include "documents/manual_pages.h"
#include "frame/grid_wheel.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace documents {

class Form8 : public vb::Form,
              public LogoHeader,
              public core::WorkPointers<Form8>,
              public frame::GridWheel,
              public core::PageView {
    Q_OBJECT
  public:
    VB_FORM(Form8)
    Form8();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

    void Load_IndiceArgomenti(const std::string& folder, const std::string& fileName);
    void Show_Argomento();
    void Load_TestoArgomento();
    void Load_PaginaHelp();
    void Draw_Pagina(int c1, int c2, int c3, int c4, int c5);

    void VScroll1_Change();
    void Command6_Click();
    void Command7_Click();
    void MSGrid1_DblClick();
    void MSGrid1_KeyPress(int KeyAscii);
    void Command8_Click();
    void Command8_KeyPress(int KeyAscii);
    void Command8_KeyDown(int KeyCode, int Shift);
    void Timer1_Timer();
    std::vector<vb::Control*> workingControls();

    core::PageSurface Surface{*this};
    vb::Label Label1{*this, "Label1"};
    vb::Label Label2{*this, "Label2"};
    vb::Grid MSGrid1{*this, "MSGrid1"};
    vb::ListBox List2{*this, "List2"};
    vb::Image Image2{*this, "Image2"};
    vb::Line Line1{*this, "Line1"};
    vb::VScrollBar VScroll1{*this, "VScroll1"};
    vb::Timer Timer1{*this, "Timer1"};
    vb::PictureBox Picture1{*this, "Picture1"};
    vb::CommandButton Command6{*this, "Command6"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::CommandButton Command8{*this, "Command8"};
    vb::CommandButton Command5{*this, "Command5"};
    vb::CommandButton Command1{*this, "Command1"};
    vb::CommandButton Command2{*this, "Command2"};
    vb::CommandButton Command3{*this, "Command3"};
    vb::CommandButton Command4{*this, "Command4"};

    // The page shown: decoded lines with their markers.
    std::vector<std::string> PageLines;
    std::int16_t PageNeedsScroll = 0;
    std::int16_t PointerState = 0;
    std::int16_t PointerHomeX = 0;

    // The band height (the button band at the bottom; the header counts the same).
    int bandHeight() const { return Picture1.Height(); }

  private:
    // What the window shows, laid out again whenever its size changes.
    enum class View { None, Index, Page, Help };
    void layOut();
    void layOutIndex();
    void layOutTopicPage();
    void layOutHelpPage();
    // The page's left edge, and the topic's picture and its pointer line
    // beside the page, whose text must end before textEdge.
    void placePicture(int textWidth, int textEdge);
    // The window font of the page for the window's size and view.
    void setPageFont();
    void placeBand();
    void setTabStop(vb::Control& c, bool on);
    void showPageButtons(bool onPage);
    // Scrolling set-up of a page longer than the window, or none.
    int setUpScrolling();
    int rowHeight() const { return Surface.rowHeight(); }
    // The highest a title (a page's or the index's caption) may stand: a
    // gap of the window's colour below the header's frame, so that no glyph
    // of it touches the frame.
    int titleTopLimit() const { return Shape2.Top() + Shape2.Height() + 40; }
    void reportFile(const std::string& path);

    int section_ = 0;
    View view_ = View::None;
    int titleChars_ = 0;        // the widest topic title of the index
    int pageChars_ = 0;         // the widest line of the page, its title included
    bool hasPicture_ = false;   // the topic's picture is loaded into Image2
    bool passingArrow_ = false; // an arrow key on its way to the scroll bar
};

} // namespace documents
