#pragma once
// The vehicle text viewer: a component or parameter of a wiring diagram, the
// diagnostic socket, an info text, or a timing or auxiliary belt, each next
// to its picture; marked-up pages or belt documents; printing.
#include "core/markup_page.h"
#include "core/window_services.h"
#include "frame/brand_header.h"
#include "frame/data_window.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "platform/richtext.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace documents {

class Form7 : public frame::DataWindow, public frame::BrandHeader, public core::WorkPointers<Form7> {
    Q_OBJECT
  public:
    VB_FORM(Form7)
    Form7();

    void Form_Load() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;
    void Form_Resize() override;
    void Load_TestoCpt();
    void Load_RtfCinghia(std::int16_t& belt);
    void Command7_Click();
    void Command7_KeyDown(int KeyCode, int Shift);
    void RTB1_Click();
    void Command9_Click();
    void Command8_Click();
    void Print_Testo();
    void Print_ImmagineTesto();
    std::vector<vb::Control*> workingControls();

    vb::PictureBox Picture1{*this, "Picture1"};
    vb::Label Label4{*this, "Label4"};
    vb::Label Label5{*this, "Label5"};
    vb::PictureBox Picture2{*this, "Picture2"};
    vb::VScrollBar VScroll1{*this, "VScroll1"};
    vb::ListBox List1{*this, "List1"};
    vb::RichTextBox RTB1{*this, "RTB1"};
    vb::RichTextBox RTB2{*this, "RTB2"};
    vb::CommonDialog CommonDialog1{*this, "CommonDialog1"};
    vb::CommandButton Command7{*this, "Command7"};
    vb::CommandButton Command8{*this, "Command8"};
    vb::CommandButton Command9{*this, "Command9"};

    core::MarkupPage page{*this, VScroll1};
    std::int16_t TextShown = 1;
    std::int16_t BeltDocument = 0;
    std::int32_t PictureNaturalWidth = 0;
    std::int32_t PictureAreaWidth = 0;
    std::array<std::string, 2> TextLegendTips;

  private:
    // Text block, documents and picture placed for the window's size.
    void placeTextAndPicture();

    static constexpr int kBand = 720;
    std::int16_t mode_ = 0;
    bool loaded_ = false;
    std::string pageBytes_; // the page file, kept to lay the page out again
};

} // namespace documents
