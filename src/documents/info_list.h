#pragma once
// The info list: the info texts the selected model refers to, one row per
// code, each opened in the vehicle text viewer.
#include "core/window_services.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "frame/grid_wheel.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace documents {

// The row texts of the info codes, as the list shows them: the entry of
// "0" & code in the joined table text, up to the next ":"; the list ends at
// the first code that is not a positive number. A code without an entry
// gets an empty row, so row r still belongs to code r.
std::vector<std::string> infoRows(const std::array<std::string, 5>& codes, const std::string& joined);

class Form11 : public frame::DataWindow,
               public frame::VehicleHeader,
               public core::WorkPointers<Form11>,
               public frame::GridWheel {
    Q_OBJECT
  public:
    VB_FORM(Form11)
    Form11();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_Resize() override;
    void Load_ListaInfo();
    void Grid1_DblClick();
    void Command7_Click();
    std::vector<vb::Control*> workingControls();

    vb::Label Label1{*this, "Label1"};
    vb::Grid Grid1{*this, "Grid1"};
    vb::TextBox Text1{*this, "Text1"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command7{*this, "Command7"};

    std::array<std::string, 5> CodiciInfo;
};

} // namespace documents
