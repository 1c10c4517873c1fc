#pragma once
// The rows of the technical data sheet, built from the packed technical-data
// string and the dictionaries, and what each row becomes on paper. No
// widget here: the window copies the rows into its grid.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mechanical {

inline constexpr int kSheetColumns = 9;
inline constexpr std::array<int, 5> kSheetColumnWidths = {3500, 2600, 1500, 3400, 600};

namespace sheet {
inline constexpr int kLeftCentre = 1, kCentreCentre = 4, kRightCentre = 7;
inline constexpr std::int32_t kBandA = 0xF7F7F0; // &HBBGGRR
inline constexpr std::int32_t kBandB = 0xFFFFFF;
inline constexpr std::int32_t kBlack = 0x000000;
inline constexpr std::int32_t kBlue = 0xFF0000;
inline constexpr std::int32_t kTitleRed = 0x0000FF;
inline constexpr std::int32_t kUnset = -1;
} // namespace sheet

struct SheetCell {
    std::string text;
    int alignment = sheet::kUnset;
    std::int32_t back = sheet::kUnset, fore = sheet::kUnset;
    bool bold = false;
    bool icon = false;
};

struct SheetRow {
    std::array<SheetCell, kSheetColumns> cells;
    bool merge = false;
    // A multi-line operation text: the row grows to the text's height.
    bool fitText = false;
};

struct SheetDictionaries {
    std::vector<std::string> categories;   // letter, title
    std::vector<std::string> descriptions; // 3-character code, text
    std::vector<std::string> units;        // 2-character code, "[shown]", full name
    std::vector<std::string> stepLines;    // step dictionary, whole lines
    std::vector<std::string> acLabels;     // A/C labels, whole lines
};

// The opening category row, the cylinder row (and the valve-gear row when
// cylinders holds a "/"), then one row per group, with a category row where
// the category letter changes.
std::vector<SheetRow> buildDataSheet(std::string_view datiTecnici, std::string_view cylinders,
                                     const SheetDictionaries& dictionaries);

// The unit shown for a unit line: from its third character up to and
// including the first "]" (the rest of the line when it has none).
std::string unitShownText(std::string_view line);
// The pointer tool tip of a unit cell: the full name (after the "]") of the
// first line showing the same text, in capitals; empty when none does.
std::string unitToolTip(std::string_view cellText, const std::vector<std::string>& units);

struct PrintLine {
    std::string text;
    bool bold = false;
    int leftMm = 15;
};
// What rows (texts of columns 0 to 3) print as, after the vehicle lines.
std::vector<PrintLine> dataSheetPrintLines(const std::vector<std::array<std::string, 4>>& rows);

} // namespace mechanical
