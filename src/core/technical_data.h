#pragma once
// Scans of the packed technical-data string: items of two hexadecimal
// digits of length followed by that many characters, in groups of five.
#include <string>

namespace core {

// True when a group's code is a tightening group R01, R03, R05 or R07.
bool Has_DatiSerraggio(const std::string& datiTecnici);
// True when "U01" occurs anywhere, in any letter case.
bool Has_DatiClima(const std::string& datiTecnici);

} // namespace core
