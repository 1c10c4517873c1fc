#pragma once
// The wiring-diagram viewer: the diagram over its frame, zoom, component
// hot-spots with their tooltips, the component grid or the parameter
// buttons, and printing.
#include "core/diagram_records.h"
#include "core/window_services.h"
#include "db/query.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"
#include "platform/imagelist.h"
#include "platform/printer.h"
#include "platform/temporary_files.h"

#include <cstdint>
#include <memory>

namespace diagrams {

class Form5 : public frame::DataWindow, public frame::BrandHeader, public core::WorkPointers<Form5> {
    Q_OBJECT
  public:
    VB_FORM(Form5)
    Form5();

    void Form_Load() override;
    void Form_Resize() override { ArrangeControls(); }
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_MouseMove(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) override { resetHover(); }
    void ArrangeControls();
    void Load_ImmagineSchema(const std::string& Path);

    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    std::vector<vb::Control*> workingControls();

    // The diagram catalogue and the parameter lists.
    void Load_IndiceSchemi();
    bool Get_SchemaNuovo(const std::string& code);
    void Load_ListaParametri();
    void Load_DescrizioniParametri();
    void Load_ListaTooltip();
    // The non-empty parameter fields, untrimmed, in field order.
    static std::vector<std::string> parameterCodes(const std::vector<std::string>& fields);

    // Zoom, hot-spots and component buttons.
    void ImagePsc_Click();
    void ImagePsc_MouseMove(int Button, int Shift, float X, float Y);
    void ImagePsc_MouseDown(int Button, int Shift, float X, float Y);
    void Command10_Click(int Index);
    void Command10_MouseMove(int Index);
    void Timer20_Timer();
    void resetHover();

    // Printing and the component lists.
    int Show_DialogoStampa();
    void Timer1_Timer();
    void Load_GrigliaComponenti();
    void Load_ListaComponentiStampa();

    std::string DiagramFolder;
    std::string DiagramPictureName;
    double ZoomFactor = 1;
    bool Zoomed = false;
    bool HotspotTooltipSet = false;
    bool OverHotspot = false;
    bool MagnifierShown = false;
    std::int16_t HoverSource = 0;
    std::int16_t HoverIndex = 50;
    std::int16_t PrinterColorMode = 1;
    std::int16_t PrinterOrientation = 1;
    // The 16-colour bitmap being printed: a file of this printout alone in
    // DiagramFolder, from the print button to the end of the job.
    std::unique_ptr<vb::TemporaryFile> PrintBitmap;

    vb::PictureBox Picture1{*this, "Picture1"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::CommandButton Command8{*this, "Command8"};
    vb::CommandButton Command9{*this, "Command9"};
    vb::ControlArray<vb::CommandButton> Command10;
    vb::Grid VisibleComponentGrid{*this, "VisibleComponentGrid"};
    vb::Label Label4{*this, "Label4"};
    vb::Label Label5{*this, "Label5"};
    vb::Image ImagePsc{*this, "ImagePsc"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::ImageList ImageList1{*this, "ImageList1"};
    vb::PictureBox Picture3{*this, "Picture3"};
    vb::Label Label1{*this, "Label1"};
    vb::PictureBox Picture20{*this, "Picture20"};
    vb::Label Label20{*this, "Label20"};
    vb::Timer Timer20{*this, "Timer20"};
    vb::Timer Timer1{*this, "Timer1"};
    vb::CommonDialog CommonDialog1{*this, "CommonDialog1"};
    vb::ListBox List1{*this, "List1"};
    vb::ListBox List2{*this, "List2"};
    vb::ListBox List3{*this, "List3"};
    vb::ListBox ListDescrComp{*this, "ListDescrComp"};
    vb::ListBox ListDescrSecond{*this, "ListDescrSecond"};
    vb::ListBox PrintableComponentsList{*this, "PrintableComponentsList"};
    vb::TextBox Text1{*this, "Text1"};
    vb::TextBox Text2{*this, "Text2"};
    db::DataControl Data1;

  private:
    void keepDiagramBetweenHeaderAndBar();
    void setDiagramPointer(int pointer, const std::shared_ptr<QCursor>& icon);
    const std::vector<core::Hotspot>& hotspots();
    void printJob();
    void endPrint();

    std::shared_ptr<QCursor> hand_, magnifierPlus_, magnifierMinus_;
    std::vector<core::Hotspot> hotspots_;
    size_t hotspotsFor_ = size_t(-1);
    std::vector<std::string> gridRows_;
    bool catalogueOpen_ = false;
};

} // namespace diagrams
