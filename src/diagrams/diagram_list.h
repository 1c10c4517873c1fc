#pragma once
// The diagram list: the wiring diagrams of the selected model, one row each,
// and the opening of the chosen one in the diagram viewer.
#include "db/query.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

namespace diagrams {

class Form15 : public frame::DataWindow, public frame::VehicleHeader {
    Q_OBJECT
  public:
    VB_FORM(Form15)
    Form15();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    // Keeps the bar at the bottom and the panel centred when the window is resized.
    void Form_Resize() override;
    void Load_ListaSchemi();
    std::string Get_DatiSchema(const std::string& code);
    void MSGrid1_Click();
    void MSGrid1_DblClick();
    void Command9_Click() { MSGrid1_DblClick(); }

    // The offset a diagram type adds to DiagramMode; -1 opens nothing.
    static int typeOffset(const std::string& type);

    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command9{*this, "Command9"};
    vb::PictureBox Picture1{*this, "Picture1"};
    vb::Label Label100{*this, "Label100"};
    vb::ControlArray<vb::Label> Label1;
    vb::ControlArray<vb::Label> Label2;
    vb::Shape Shape1{*this, "Shape1"};
    vb::PictureBox PictureModel{*this, "PictureModel"};
    vb::Grid MSGrid1{*this, "MSGrid1"};
    vb::ListBox List1{*this, "List1"};
    vb::ListBox List2{*this, "List2"};
    db::DataControl Data1;

  private:
    void loadWindow();
    void placeVehicleRows();
    bool catalogueMissing_ = false;
};

} // namespace diagrams
