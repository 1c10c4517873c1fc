#pragma once
// Small services every window uses.
#include <cstdint>
#include <string>

namespace vb {
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
// Reports an error caught by a window's trap: printer errors are shown and
// the window goes on; every other error ends the program.
void ReportRuntimeError(const std::string& windowName, const vb::VbError& error);

} // namespace core
