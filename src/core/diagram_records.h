#pragma once
// What the diagram windows read from the items of a component list (a
// 42-character record, then its description texts from column 43): hot-spot
// rectangles, tooltip, grid, legend and print texts, and the sorted inserts of
// the component grid and the location legend. No widgets here.
#include <string>
#include <vector>

namespace core {

// Edges in twips of the picture at its own size; non-numbers read as 0.
struct Hotspot {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
Hotspot hotspotOf(const std::string& item);
std::vector<Hotspot> hotspotsOf(const std::vector<std::string>& items);
// Index of the first rectangle strictly containing (X, Y) with its edges
// scaled by f; -1 when none does.
int findHotspot(const std::vector<Hotspot>& spots, double X, double Y, double f);

// Columns 29-32 and 33-36.
std::string componentCode(const std::string& item);
std::string componentTextCode(const std::string& item);
// Columns 25-28 & " (" & column 37 & ") " & the text from column 43: the
// diagram's tooltip, a grid row and a printed line.
std::string componentRowText(const std::string& item);
// Columns 25-28 & " = " & the text from column 43: a legend row.
std::string legendRowText(const std::string& item);
// Only components tagged "1" in column 37 appear in the legend.
bool inLegend(const std::string& item);

// The grid's insert position: 1 + the last row whose text is smaller
// (byte by byte), 0 when none is; equal texts go before existing ones.
int gridInsertPosition(const std::vector<std::string>& rows, const std::string& text);
// The legend's insert: keeps ascending order and adds no text twice.
// Returns false when the text was already there.
bool legendInsert(std::vector<std::string>& rows, const std::string& text);
// Grid rows without repeats, in grid order: the printed component list.
std::vector<std::string> withoutRepeats(const std::vector<std::string>& rows);

// The printed list on a landscape page: item indices of each line, the
// left column top-down first, then the right one.
struct PrintLine {
    int left = -1, right = -1;
};
std::vector<PrintLine> twoColumnLines(int count);

} // namespace core
