#pragma once
// The additive per-position scrambling of stored text and the code-page
// tables that turn stored text into readable Windows-1252 text.
#include <array>
#include <string>

namespace core {

// Builds Key and SecondKey from the constants.
void InitKeys();
void InitIdentityTable();

// Readable -> stored. Cuts the caller's text to 80 characters first.
// Error 5 when a character is below its key entry.
std::string ScrambleString(std::string& s);
std::string ScrambleString(const char* s);
// Stored -> readable with no code-page table; the same cut.
std::string DescrambleString(std::string& s);
// One stored ".cpt" line -> readable. CR and LF pass through.
// Error 5 when a sum passes 255, error 9 for a character past position 80.
std::string DescrambleLine(const std::string& s);
// One stored table value -> readable.
std::string DescrambleLineConv(const std::string& s);

// The constant tables (index = code - 128).
const std::array<int, 128>& OemToAnsiTable();
const std::array<int, 128>& OemToAnsiTableConv();
const std::array<int, 128>& AnsiToOemTableConv();

// Decodes a scrambled file header in place: bytes up to the first 0 or the
// first 80, each plus its key entry, modulo 256. Returns the header length.
int decodeHeader(std::string& content, const std::array<int, 80>& key);

} // namespace core
