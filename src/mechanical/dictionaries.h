#pragma once
// Reading the mechanical windows' text files: whole file, split at CR LF
// (a last line without CR LF still counts), each line decoded on its own.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace mechanical {

enum class LineForm {
    Line,  // DescrambleLine (step dictionary, A/C texts, pages)
    String // DescrambleString (the data-sheet dictionaries)
};

// nullopt when the file cannot be read; error 67 or 7 when that is for lack
// of descriptors or memory, no fault of the file. A line that cannot be
// decoded gives an empty entry, so the lines after it keep their places.
std::optional<std::vector<std::string>> readDecodedLines(const std::string& path, LineForm form);

// The lines as readDecodedLines reads them; a file that cannot be read is
// reported with missingMessage as a critical error, or as the shortage it
// met (core::reportedAsShortage), and gives nullopt.
std::optional<std::vector<std::string>> readOrReport(const std::string& path, LineForm form,
                                                     const std::string& missingMessage);
// The language's text file AppPath + folderAndStem + Lang + ".cpt", each line
// decoded on its own; a file that cannot be read is reported as "Error: file
// <path> not available", its path in lower case.
std::optional<std::vector<std::string>> readLanguageText(const std::string& folderAndStem);

// Copies the lines into a table's entries as far as both reach: a table has
// as many entries as its window uses, and lines past those are left out.
template <class Table> void fillTable(Table& table, const std::vector<std::string>& lines) {
    std::copy_n(lines.begin(), std::min(lines.size(), table.size()), table.begin());
}

} // namespace mechanical
