#pragma once
// What the three diagram windows share: the selected vehicle as the main
// window shows it.
#include <string>

namespace vb {
class Label;
}

namespace diagrams {

// Cell c of the main window's model grid in its current row.
std::string modelCell(int c);
// Brand & family & model (date) engine, displacement and power: the vehicle
// line of the viewer headers.
std::string vehicleLine();
// A decoded field of the selected model ("" when the main window has none).
std::string modelField(const char* name);
// "Des(0) Des(1) - Des(3) - Tel: Des(4)".
std::string windowCaption();
// A header line (a label sized to its text) longer than the header is cut at
// right, in twips of the window: wrapped, its end would fall on the line
// below.
void keepOnOneLine(vb::Label& label, int right);

} // namespace diagrams
