#pragma once
// Reading the mechanical windows' text files: whole file, split at CR LF
// (a last line without CR LF still counts), each line decoded on its own.
#include <optional>
#include <string>
#include <vector>

namespace mechanical {

enum class LineForm {
    Line,  // DescrambleLine (step dictionary, A/C texts, pages)
    String // DescrambleString (the data-sheet dictionaries)
};

// nullopt when the file cannot be read. A line that cannot be decoded gives
// an empty entry, so the lines after it keep their places.
std::optional<std::vector<std::string>> readDecodedLines(const std::string& path, LineForm form);

// "Error: file <path> not available", with the program folder and the
// language written in lower case as these windows do.
std::string notAvailableMessage(const std::string& folderAndStem, const std::string& tail = ".cpt");

} // namespace mechanical
