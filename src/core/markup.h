#pragma once
// The colour markup of text pages: "[" ... "]" in the bracket colour and
// "{" ... "}" in the brace colour, the rest in the base colour. This part
// knows no widgets: it turns a page file into lines and a line into the text
// runs a painter draws on the fixed character grid.
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct MarkupRun {
    int column = 1;   // 1-based grid column of the run's first character
    std::string text; // Windows-1252; blanks are transparent
    int colour = 0;   // QBColor number
    int pass = 0;     // 0 bracket, 1 brace, 2 base: the painter's pass that draws it
};

// The three passes of the painter on one line: bracket segments, then brace
// segments over what is left, then the rest in the base colour, in drawing
// order. A segment without its closing marker ends before the line's last
// character; an opening marker in column 1 takes no column.
std::vector<MarkupRun> markupRuns(std::string_view line, int base, int brace, int bracket);

// The print copy of a line: the first "[", "]", "{" and "}" each blanked, or
// removed when it is the first character.
void blankFirstMarkers(std::string& line);

// The decoded lines of a page file: split at CR LF (a last line without CR LF
// counts too), each line decoded on its own. A line that cannot be decoded
// reads as empty, so a damaged page never stops the window.
std::vector<std::string> decodePageLines(const std::string& fileBytes);

// Longest line in characters (the page font is fixed-pitch).
int widestLineChars(const std::vector<std::string>& lines);

} // namespace core
