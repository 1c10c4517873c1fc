#pragma once
// The ABS location text page: its lines drawn on the window with "[...]" and
// "{...}" segments in two colours placed on a character grid, the rest of
// each line printed in the text colour. No widgets here.
#include <string>
#include <vector>

namespace core {

struct PageRun {
    int column = 1; // 1-based cell of the grid where the text starts
    std::string text;
    int colour = 0; // QBColor number
};

struct PageLine {
    std::vector<PageRun> runs; // bracket segments first, then brace segments
    std::string text;          // the line with markers and segments blanked
};

// One screen line. A segment without its closing marker runs to the end of
// the line, its last character included. A segment opening in column 1 is
// drawn from column 1 and moves the rest of the line one column left. A
// closing marker before the opening one is looked for after it instead.
PageLine locationPageLine(const std::string& line, int braceColour, int bracketColour);

} // namespace core
