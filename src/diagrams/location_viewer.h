#pragma once
// The component-location viewer: the model's location picture with the
// legend of its components, or, for an ABS diagram, the ABS location picture
// with its text page.
#include "core/window_services.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace diagrams {

class Form6 : public frame::DataWindow, public frame::BrandHeader, public core::WorkPointers<Form6> {
    Q_OBJECT
  public:
    VB_FORM(Form6)
    Form6();

    void Form_Load() override;
    void Form_Resize() override { ArrangeControls(); }
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void ArrangeControls();
    void Load_LegendaComponenti();
    void Timer1_Timer();
    void Command6_Click();
    void Command7_Click();
    std::vector<vb::Control*> workingControls();

    // The ABS text page.
    void Load_TestoCpt();
    void Draw_Pagina(int c1, int c2, int c3);
    void VScroll1_Change();

    std::string PscType;
    std::string LocationCode;
    std::int16_t PictureRevealed = 0;
    std::int16_t TextPageShown = 0;
    std::int32_t PictureWidthFull = 0;
    std::int32_t PictureWidthWithText = 0;
    std::int32_t TextPageWidth = 0;
    std::int32_t TextOriginX = 0, TextOriginY = 0;
    std::vector<std::string> TextLines;
    std::int16_t TextLineCount = 0;
    std::int16_t TextFirstLine = 0;
    std::int16_t TextLinesPerPage = 0;
    std::int32_t TextWidthMax = 0;

    vb::PictureBox Picture1{*this, "Picture1"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::Label Label4{*this, "Label4"};
    vb::Label Label5{*this, "Label5"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::PictureBox Picture3{*this, "Picture3"};
    vb::Label Label1{*this, "Label1"};
    vb::Grid MSGrid1{*this, "MSGrid1"};
    vb::VScrollBar VScroll1{*this, "VScroll1"};
    vb::Timer Timer1{*this, "Timer1"};
    vb::ListBox ListDescrComp{*this, "ListDescrComp"};
    vb::ListBox ListDescrSecond{*this, "ListDescrSecond"};

  private:
    void loadComponentLists(const std::string& code);
    void loadLocationPicture(const std::string& path);
    void placeTextPage();
};

} // namespace diagrams
