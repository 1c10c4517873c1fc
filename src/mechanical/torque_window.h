#pragma once
// The tightening-torque page: the steps of cylinder head, main bearings,
// connecting rods and flywheel in four grids, each joint's detail page and
// the special-tools page, with the common toolbar along the bottom.
#include "core/markup_page.h"
#include "core/window_services.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "mechanical/tightening.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

#include <array>

namespace mechanical {

class Form9 : public frame::DataWindow, public frame::BrandHeader, public core::WorkPointers<Form9> {
    Q_OBJECT
  public:
    VB_FORM(Form9)
    Form9();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Command7_Click();
    void Command8_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    std::vector<vb::Control*> workingControls();

    void Load_DizionarioSerraggio();
    void Get_FormuleSerraggio(const std::string& DatiTecnici);
    void Fill_GriglieSerraggio();
    void Load_TestoCpt(const std::string& path);

    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::CommandButton Command8{*this, "Command8"};
    vb::CommandButton Command10{*this, "Command10"};
    vb::Label Label5{*this, "Label5"};
    vb::PictureBox Picture4{*this, "Picture4"};
    vb::Grid Grid1{*this, "Grid1"};
    vb::Grid Grid2{*this, "Grid2"};
    vb::Grid Grid3{*this, "Grid3"};
    vb::Grid Grid4{*this, "Grid4"};
    vb::CommandButton Command11{*this, "Command11"};
    vb::CommandButton Command12{*this, "Command12"};
    vb::CommandButton Command13{*this, "Command13"};
    vb::CommandButton Command14{*this, "Command14"};
    vb::PictureBox Picture3{*this, "Picture3"};
    vb::VScrollBar VScroll1{*this, "VScroll1"};

    std::array<std::string, 4> FormuleSerraggio;
    StepDictionary DizionarioSerraggio;
    std::string PercorsoTesto;
    core::MarkupPage page{*this, VScroll1};

  private:
    std::array<vb::Grid*, 4> grids() { return {&Grid1, &Grid2, &Grid3, &Grid4}; }
    void layOut();
    // The steps common to the five detail buttons, and to the two back buttons.
    void openDetail(bool toolsPage, const char* picture, const char* text);
    void closeDetail(bool toolsPage);
};

} // namespace mechanical
