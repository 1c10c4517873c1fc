#pragma once
// The component and secondary description files of a new-format wiring
// diagram, loaded into the hidden lists "ListDescrComp" and "ListDescrSecond"
// of the window that shows the diagram (reached by name, so any window with
// lists of those names can be passed). Both fillers append.
#include <string>

namespace vb {
class Form;
}

namespace core {

// Text from column 5 of the first description-table item whose trimmed
// four-character key equals Code; "" when there is none.
std::string FindDescrComp(const std::string& Code);
// The same on the secondary table, five-character keys, text from column 6.
std::string FindDescrSecond(const std::string& Code);

// Appends code & secondary text per line of the secondary file. A missing
// file adds nothing and says nothing; an empty one warns and empties the list.
void FillListDescrSecond(vb::Form& Window, const std::string& Path);
// Appends record & description & secondary text per line of the component
// file. Any failure shows "Error file <path>" and keeps what was added.
void FillListDescrComp(vb::Form& Window, const std::string& Path);
// " " & the secondary text of Code in Window's secondary list; "" after a
// beep and a message when the list lacks it.
std::string FindSecondaryInForm(vb::Form& Window, const std::string& Code);

// Component and secondary files are read with a 16-bit length.
inline constexpr long long kMaxComponentFileBytes = 32767;

} // namespace core
