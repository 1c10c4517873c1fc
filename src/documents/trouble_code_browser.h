#pragma once
// The OBD/EOBD trouble-code browser: a brand (or the standard codes), its
// codes, the description of the chosen code and a fixed panel on how a code
// is built.
#include "db/query.h"
#include "documents/design_logo.h"
#include "platform/combobox.h"
#include "platform/controls.h"
#include "platform/form.h"

#include <string>

namespace documents {

class Form4 : public vb::Form, public LogoHeader {
    Q_OBJECT
  public:
    VB_FORM(Form4)
    Form4();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

    void Load_ComboMarche();
    void Combo1_Click();
    void Load_ListaCodici();
    void List1_Click();
    void Load_DescrizioneCodice(const std::string& code);
    void Command5_Click();
    void Command6_Click();

    vb::PictureBox Picture1{*this, "Picture1"};
    vb::Frame Frame1{*this, "Frame1"};
    vb::Label Label2{*this, "Label2"};
    vb::ComboBox Combo1{*this, "Combo1"};
    vb::ListBox List1{*this, "List1"};
    vb::Frame Frame2{*this, "Frame2"};
    vb::Label Label3{*this, "Label3"};
    vb::Frame Frame3{*this, "Frame3"};
    vb::Label Label1{*this, "Label1"};
    vb::ControlArray<vb::Label> Label4, Label10, Label11;
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::CommandButton Command6{*this, "Command6"};
    vb::CommandButton Command5{*this, "Command5"};
    db::DataControl Data1;

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    std::string tablePath() const;
    // Runs Data1's record source; a missing or damaged table is reported by
    // name and false returned.
    bool refreshCodes();
    void reportTable();
    void placeBottomBand();
};

} // namespace documents
