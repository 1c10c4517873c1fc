#pragma once
// Small services every window uses.
#include <cstdint>
#include <string>

namespace vb {
class Control;
class Form;
class VbError;
} // namespace vb

namespace core {

void SetHelpCode(const vb::Form& window);
void SetBusyPointer(vb::Form& window);
void SetHandPointer(vb::Form& window);
// Hexadecimal text to a number; characters that are not digits count as 0.
// Error 6 when the value does not fit 32 bits.
std::int32_t HexToLong(const std::string& text);
float InchesToTwips(float inches);
// Prints a rich-text box's document on the system printer, page by page in
// the same rectangle, margins in inches from the paper's edges, and ends the
// job. False (and nothing printed) when the control is not a rich-text box;
// printer errors reach the caller.
bool PrintRichText(vb::Control& control, float left, float top, float right, float bottom);
// Reports an error caught by a window's trap: printer errors are shown and
// the window goes on; every other error ends the program.
void ReportRuntimeError(const std::string& windowName, const vb::VbError& error);

} // namespace core
