#pragma once
// The start window: the language choice, and the core's start-up.
#include "platform/controls.h"
#include "platform/form.h"

namespace core {

// The family of the start window's text; the program has it registered
// beside its start-up (app/main.cpp).
inline constexpr const char* kStartWindowFont = "Tahoma";

// The core initialiser, run by every load of the start window.
void InitModule();

class Form1 : public vb::Form {
    Q_OBJECT
  public:
    VB_FORM(Form1)
    Form1();

    void Form_Load() override;
    void Form_Resize() override;
    void Form_KeyDown(int& KeyCode, int Shift) override;

    void Command1_Click(int Index);
    void SelectLanguage(int Index);
    void ShowUpdateNotice(int Index);
    void ArrangeControls();
    void SetLanguageButtons();
    void LoadIntroText();
    void ShowDealerData();
    void setTextFonts();

    bool LanguageChanged = false;

    vb::ControlArray<vb::CommandButton> Command1;
    vb::Image Image2{*this, "Image2"};
    vb::Image Image1{*this, "Image1"};
    vb::Image Image3{*this, "Image3"};
    vb::Label Label9{*this, "Label9"};
    vb::Label Label1{*this, "Label1"};
    vb::Label LabelDataClient{*this, "LabelDataClient"};
    vb::Label Label5{*this, "Label5"};
    vb::Line Line1{*this, "Line1"};
    vb::Line Line2{*this, "Line2"};
    vb::Line Line3{*this, "Line3"};
    vb::ListBox ListAllDescr{*this, "ListAllDescr"};
    vb::ListBox ListAllDescrSecond{*this, "ListAllDescrSecond"};
};

bool IsResolutionOK();

// The start window and its scrambled-file target.
void registerCoreWindows();

// The fixed contact block of the start window.
extern const char* const kDealerData;
// The message of a start whose program folder cannot be told (InitModule);
// it comes before any text of the data can be read, so in no language of
// its own.
extern const char* const kNoProgramFolder;

} // namespace core
