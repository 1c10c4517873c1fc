#pragma once
// The A/C recharge page: the model's recharge records, the circuit options
// with their title, table and picture, and the buttons that open the
// model's A/C wiring diagrams.
#include "core/window_services.h"
#include "db/query.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "mechanical/ac_records.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

#include <array>

namespace mechanical {

class Form12 : public frame::DataWindow, public frame::VehicleHeader, public core::WorkPointers<Form12> {
    Q_OBJECT
  public:
    VB_FORM(Form12)
    Form12();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Option1_Click(int Index);
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Load_DidascalieCircuiti();
    void Load_TabellaCircuito(const std::string& nn);
    void Load_SchemiClima();
    std::vector<vb::Control*> workingControls();
    void Load_OperazioniRicaricaAC();
    void Get_DatiRicaricaAC(const std::string& DatiTecnici);
    void Show_DatiRicaricaAC(const std::string& Value);

    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::CommandButton Command8{*this, "Command8"};
    vb::CommandButton Command9{*this, "Command9"};
    vb::Label Label1{*this, "Label1"};
    vb::Grid Grid1{*this, "Grid1"};
    vb::PictureBox Picture1{*this, "Picture1"};
    vb::ControlArray<vb::OptionButton> Option1;
    vb::Image Image1{*this, "Image1"};
    vb::Label Label2{*this, "Label2"};
    vb::Grid Grid2{*this, "Grid2"};
    db::DataControl Data1;

    std::string DatiRicaricaAC;
    std::array<std::string, kAcLabelCount> OperazioniRicaricaAC;
    std::string CodicePscTipo6, CodicePscTipo7;

  private:
    void layOut();
    void openDiagram(const std::string& code, const std::string& caption);
};

} // namespace mechanical
