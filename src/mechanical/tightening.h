#pragma once
// Tightening formulas: steps ended by "+", a step letter choosing the step's
// description (a line of the step dictionary) and its unit, every other
// character part of the step's value. The torque page and the data sheet
// read the same formulas but compose their lines in their own ways.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace mechanical {

inline constexpr int kStepDictionarySize = 51;
using StepDictionary = std::array<std::string, kStepDictionarySize>;

// The dictionary line a step letter selects, -1 for a character that is no
// step letter. Letters compare exactly ("A" and "a" differ).
int stepLetterLine(unsigned char c);
// " Kgm", the degree sign or nothing, by dictionary line.
std::string_view stepUnit(int line);
// A dictionary line without its three code characters.
std::string dictionaryText(std::string_view line);

// Description and unit carry over from step to step, and from one joint to
// the next on the torque page.
struct StepCarry {
    std::string description, unit;
};

// The torque page's rows of one joint: " n) " description value " " unit.
// Text after the last "+" is dropped; a formula without "+" has no rows.
std::vector<std::string> torqueRows(std::string_view formula, const StepDictionary& dictionary,
                                    StepCarry& carry);

// The data sheet's step lines of one formula: " " description " " value " "
// unit, the letter counting only as a step's first character. lines holds
// the whole dictionary lines (code characters included); a line asked for
// past the end reads empty.
std::vector<std::string> sheetStepLines(std::string_view formula, const std::vector<std::string>& lines);

} // namespace mechanical
