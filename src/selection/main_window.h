#pragma once
// The main window: brand, family and model choice, the vehicle title and
// photo, the viewer menu and the lists the viewers read.
#include "db/query.h"
#include "frame/data_window.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"

namespace selection {

class Form2 : public frame::DataWindow {
    Q_OBJECT
  public:
    VB_FORM(Form2)
    Form2();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;

    // Brands
    void Load_Marche();
    void MSFlexGrid1_Click();
    void ListaMarche_Click();
    void MSFlexGrid1_MouseMove(int Button, int Shift, float X, float Y);
    void MSFlexGrid1_RowColChange();
    // Families and models
    void Load_Famiglie();
    void GridFamiglie_Click();
    void GridFamiglie_RowColChange();
    void Set_NomeFotoFamiglia(const std::string& name);
    void Load_Modelli();
    void Set_IntestazioniModelli();
    void Fill_GrigliaModelli();
    void Option1_Click(int Index);
    // Model choice
    void MSGrid1_Click();
    void MSGrid1_RowColChange();
    void Set_VociMenu();
    // Viewer menu
    void Label10_Click(int Index);
    void Label10_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void MSGrid1_MouseMove(int Button, int Shift, float X, float Y);
    void Picture1_MouseMove(int Button, int Shift, float X, float Y);
    void Picture2_MouseMove(int Button, int Shift, float X, float Y);
    void Frame2_MouseMove(int Button, int Shift, float X, float Y);
    void WheelCatcher1_WheelRotation(int Rotation, int X, int Y, std::uintptr_t Handle);
    // Diagram parameter lists
    void Load_IndiceSchemi();
    bool Get_SchemaNuovo(const std::string& code);
    void Load_DescrizioniParametri();
    void Load_ListaParametri(const std::string& code);
    void Load_ListaNomiParametri();
    void Load_ListaTipiPsc();

    // The model choice, run by both grid notifications.
    void chooseModel();
    // A text field of the current model, decoded; empty when it is Null or
    // cannot be read (logged in "catalogue.data").
    std::string modelField(const char* name);
    // Cell c of the model grid in its current row ("" outside the grid).
    std::string modelCell(int c) const;
    // The two vehicle lines of the data windows' headers: brand, family,
    // model (date); engine, displacement and power.
    std::array<std::string, 2> vehicleLines() const;
    // Both as one line, the diagram viewers' header.
    std::string vehicleLine() const;
    // The car or family photo as loaded (null for none), shown under the
    // vehicle title's rule.
    void showPhoto(const QPixmap& photo);

    bool ModelGridReady = false;
    bool FamilyGridReady = false;
    std::string FamilyPhotoName;
    std::string FilterNoInjection, FilterPetrol, FilterDiesel;

    vb::PictureBox Picture2{*this, "Picture2"};
    vb::PictureBox Picture1{*this, "Picture1"};
    vb::Shape Shape1{*this, "Shape1"};
    vb::Grid MSFlexGrid1{*this, "MSFlexGrid1"};
    vb::ListBox ListaMarche{*this, "ListaMarche"};
    vb::ListBox ListaID_Marche{*this, "ListaID_Marche"};
    vb::Image Image1{*this, "Image1"};
    vb::Label LabelMarca{*this, "LabelMarca"};
    vb::Grid GridFamiglie{*this, "GridFamiglie"};
    vb::ListBox List4{*this, "List4"};
    vb::Label LabelFamiglia{*this, "LabelFamiglia"};
    vb::ControlArray<vb::OptionButton> Option1;
    vb::Grid MSGrid1{*this, "MSGrid1"};
    vb::Frame Frame1{*this, "Frame1"};
    vb::ControlArray<vb::Label> Label10;
    vb::ControlArray<vb::Image> Image2;
    vb::Image Image10{*this, "Image10"};
    vb::Image Image3{*this, "Image3"};
    vb::Frame Frame2{*this, "Frame2"};
    vb::PictureBox Picture3{*this, "Picture3"};
    vb::Label LabelMarcaFamigliaModello{*this, "LabelMarcaFamigliaModello"};
    vb::WheelCatcher WheelCatcher1{*this, "WheelCatcher1"};
    vb::TextBox TextPsc{*this, "TextPsc"};
    vb::TextBox TextPar{*this, "TextPar"};
    vb::ListBox ListPar{*this, "ListPar"};
    vb::ListBox ListParPsc{*this, "ListParPsc"};
    vb::ListBox ListNomePar{*this, "ListNomePar"};
    vb::ListBox ListTipoPsc{*this, "ListTipoPsc"};

    db::DataControl Data1, Data2, Data3, DataPsc;

  private:
    void chooseBrand(int index);
    void placeNames();
    void showFamilyPhoto();
    void placeTitle();
    void loadParameterLists();
    void resetMenuLook(bool marks);
    void setEntryAvailable(int i, bool available);
    void widenModelColumns();
    bool refreshOrReport(db::DataControl& control, const std::string& table);
    std::string engineLine(const char* displacementUnit) const;
    QPixmap photo_;
};

void registerSelectionWindows();

} // namespace selection
