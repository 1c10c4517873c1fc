#pragma once
// A/C recharge records: 9 fixed columns (refrigerant letter, quantity in
// grams, tolerance, label letter, extra letter) concatenated without
// separator; a shorter last record reads its missing columns as empty.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mechanical {

inline constexpr int kAcRecordWidth = 9;
inline constexpr int kAcLabelCount = 21;

// The records of a chain, the last one shorter when the length is no
// multiple of 9.
std::vector<std::string> splitAcRecords(std::string_view chain);
// The label a column-8 letter selects, -1 for any other character.
int acLabelOfLetter(unsigned char c);
// The display line of one record; label(k) gives label k's shown text.
std::string acRecordLine(std::string_view record, const std::function<std::string(int)>& label);
// The data sheet's A/C text: each record's line led by a blank, joined by
// CR LF. labels holds the whole label lines (code characters included).
std::string acSheetText(std::string_view chain, const std::vector<std::string>& labels);

} // namespace mechanical
