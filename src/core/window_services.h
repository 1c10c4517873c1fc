#pragma once
// Small services every window uses.
#include "platform/printer_settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace db {
class DataControl;
}
namespace vb {
class CommonDialog;
class PrinterObject;
class Control;
class Form;
class VbError;
} // namespace vb

namespace core {

void SetHelpCode(const vb::Form& window);
// The pointers of a window at work: the hourglass over the window and its
// controls (or only those listed), then the window's default pointer and
// the controls' hand.
void SetBusyPointer(vb::Form& window);
void SetHandPointer(vb::Form& window);
void SetBusyPointer(vb::Form& window, const std::vector<vb::Control*>& controls);
void SetHandPointer(vb::Form& window, const std::vector<vb::Control*>& controls);
// The pair of routines of a window that works with its own controls: the
// hourglass over the window and the controls its workingControls() names
// (Set_PuntatoreAttesa), then the default pointer and their hand again
// (Reset_PuntatoreAttesa). A window holds it as a base.
template <class Window> class WorkPointers {
  public:
    void Set_PuntatoreAttesa() { SetBusyPointer(window(), window().workingControls()); }
    void Reset_PuntatoreAttesa() { SetHandPointer(window(), window().workingControls()); }

  private:
    Window& window() { return static_cast<Window&>(*this); }
};
// Points a data control at a folder of tables below the program folder
// (written after AppPath: "\\Ark"). Its table and memo files are opened only
// where the file system puts them inside the program folder: one behind a
// link that leads outside is a missing table, and so is every table of a
// folder that leads outside (the control is left without a folder). Error 67
// or 7 when the folder cannot be looked for, short of descriptors or memory.
void useTableFolder(db::DataControl& data, const std::string& folder);
// Hexadecimal text to a number; characters that are not digits count as 0.
// Error 6 when the value does not fit 32 bits.
std::int32_t HexToLong(const std::string& text);
float InchesToTwips(float inches);
// Prints a rich-text box's document on the system printer, page by page in
// the same rectangle, margins in inches from the paper's edges, and ends the
// job. False (and nothing printed) when the control is not a rich-text box;
// printer errors reach the caller.
bool PrintRichText(vb::Control& control, float left, float top, float right, float bottom);
// Called while a file's error (numbered number) is handled: when it is a
// lack of descriptors or memory, shows it as itself (vb::describeError) and
// says so. Such an error is no fault of the file, which the window must not
// then call missing or damaged; it goes on as for any failure to read.
bool reportedAsShortage(int number);
// Reports an error caught by a window's trap: printer errors are shown and
// the window goes on; every other error ends the program.
void ReportRuntimeError(const std::string& windowName, const vb::VbError& error);
// The start of the printouts on portrait paper in millimetres: a landscape
// printer turned to portrait, the position at 0, 0, font "Arial" 12.
void StartPortraitPrintout(vb::PrinterObject& printer);
// Shows the printer dialog; false when the user cancelled it. Any other
// failure of the dialog leaves the printer as it was and counts as chosen.
bool ChoosePrinter(vb::CommonDialog& dialog);
// Runs a printout with the printer's settings guarded: however it ends, the
// settings it promises to restore are given back and a job it did not end
// is abandoned. A failure then runs cleanUp and is told: a printer error
// (482, 484) as "PRINTER NOT FOUND!! Check your printer.", any other error
// by the text otherError makes of it, or not at all when there is none.
// False when it failed.
bool RunPrintout(const std::function<void()>& printout, vb::PrinterRestore restore,
                 const std::function<std::string(const vb::VbError&)>& otherError = {},
                 const std::function<void()>& cleanUp = {});

} // namespace core
