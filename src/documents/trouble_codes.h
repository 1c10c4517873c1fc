#pragma once
// The trouble-code table as the browser reads it: the brand key of a row,
// the brand list file and the description with its plain tail.
#include <string>
#include <vector>

namespace documents {

inline constexpr int kObdBrandKeyWidth = 15;

// The brand key of the code table: the name without its outer blanks,
// blank-filled to 15 characters. A longer name cannot be a key of the table
// and is returned unpadded, so it matches no row.
std::string obdBrandKey(const std::string& brand);

// The brand names of the brand list file (scrambled lines); a last line
// without CR LF counts too. A line that does not decode gives an empty name.
std::vector<std::string> readObdBrandList(const std::string& content);

// A stored description: the first 80 characters scrambled, the rest plain.
// Error 5 when the scrambled part does not decode.
std::string obdDescription(const std::string& stored);

// The trouble code shown for a stored code. Error 5 when it does not decode.
std::string obdCode(const std::string& stored);

// The record source of a brand's code list and the find criteria of one code.
std::string obdCodeListQuery(const std::string& lang, const std::string& brand);
std::string obdCodeCriteria(const std::string& brand, const std::string& storedCode);

} // namespace documents
