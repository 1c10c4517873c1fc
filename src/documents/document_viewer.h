#pragma once
// The document viewer: one fixed rich-text document (OBD information, news or
// timing-belt information) over the whole window, read-only, and printed.
#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/richtext.h"

#include <cstdint>

namespace documents {

class Form13 : public vb::Form, public core::WorkPointers<Form13> {
    Q_OBJECT
  public:
    VB_FORM(Form13)
    Form13();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Load_Documento(std::int16_t& selector);
    void Command5_Click();
    void Command6_Click();
    void Print_Documento();
    std::vector<vb::Control*> workingControls();

    vb::RichTextBox RTB1{*this, "RTB1"};
    vb::PictureBox Picture4{*this, "Picture4"};
    vb::CommandButton Command6{*this, "Command6"};
    vb::CommandButton Command5{*this, "Command5"};
    vb::Label Label5{*this, "Label5"};

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    void arrange();
};

} // namespace documents
