#pragma once
// The brand documents: the brands that have a document, and the document of
// the chosen brand shown in place of the list.
#include "core/window_services.h"
#include "db/query.h"
#include "documents/design_logo.h"
#include "frame/data_window.h"
#include "frame/grid_wheel.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/grid.h"
#include "platform/richtext.h"

#include <string>
#include <vector>

namespace documents {

class Form14 : public frame::DataWindow,
               public LogoHeader,
               public core::WorkPointers<Form14>,
               public frame::GridWheel {
    Q_OBJECT
  public:
    VB_FORM(Form14)
    Form14();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

    void Load_ListaMarcheDocumenti();
    void MSGrid1_DblClick();
    void Command7_Click();
    void Open_DocumentoMarca(const std::string& path);
    void MSGrid1_RowColChange();
    void Command6_Click();
    std::vector<vb::Control*> workingControls();

    vb::Label Label1{*this, "Label1"};
    vb::Grid MSGrid1{*this, "MSGrid1"};
    vb::ListBox List1{*this, "List1"};
    vb::RichTextBox RTB1{*this, "RTB1"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command7{*this, "Command7"};
    db::DataControl Data1;
};

} // namespace documents
