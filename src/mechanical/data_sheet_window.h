#pragma once
// The technical data sheet: the model's values by category in one grid,
// the vehicle lines, the common toolbar and the print button.
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "frame/grid_wheel.h"
#include "mechanical/data_sheet.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"
#include "platform/printer.h"

#include <optional>
#include <string>
#include <vector>

namespace mechanical {

class Form16 : public frame::DataWindow, public frame::VehicleHeader, public frame::GridWheel {
    Q_OBJECT
  public:
    VB_FORM(Form16)
    Form16();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Grid1_MouseMove(int Button, int Shift, float X, float Y);
    void Grid1_Click();
    void Command8_Click();

    void Set_LarghezzeColonne();
    void Load_ListaCategorie();
    void Load_ListaDescrizioni();
    void Load_ListaUnitaDiMisura();
    void Load_ListaOperazioniSerraggio();
    void Load_ListaOperazioniRicaricaAC();
    void Fill_GrigliaDatiTecnici(std::string& DatiTecnici);
    void Stampa_DatiTecnici();

    vb::CommandButton Command8{*this, "Command8"};
    vb::Grid Grid1{*this, "Grid1"};
    vb::CommonDialog CommonDialog1{*this, "CommonDialog1"};
    vb::Shape Shape1{*this, "Shape1"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::ControlArray<vb::PictureBox> Picture100;
    vb::ListBox ListaCategorie{*this, "ListaCategorie"};
    vb::ListBox ListaDescrizioni{*this, "ListaDescrizioni"};
    vb::ListBox ListaUnitaDiMisura{*this, "ListaUnitaDiMisura"};
    vb::ListBox ListaOperazioniSerraggio{*this, "ListaOperazioniSerraggio"};
    vb::ListBox ListaOperazioniRicaricaAC{*this, "ListaOperazioniRicaricaAC"};

    int UltimaRigaMouse = 0;
    int UltimaColonnaMouse = 0;

  private:
    void layOut();
    // Fills a hidden list from a dictionary's lines; a dictionary that could
    // not be read leaves the list as it was.
    void loadList(vb::ListBox& list, const std::optional<std::vector<std::string>>& lines);
    void showRows(const std::vector<SheetRow>& rows);
};

} // namespace mechanical
