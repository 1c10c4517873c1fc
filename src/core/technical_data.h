#pragma once
// The packed technical-data string: a chain of items, each two characters of
// hexadecimal length followed by that many characters, read five to a group
// (description code, value, unit code, further value, note). Every reader of
// the string walks it with walkTechnicalData.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// The value of one length character: its position in "123456789ABCDEF",
// without regard to case; "0" and any other character are 0.
inline int hexDigitValue(unsigned char c) {
    if (c >= '1' && c <= '9') return c - '0';
    const unsigned char u = c & 0xDF;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return 0;
}

// Calls f(k, item) for every item in order, k being the item's place in its
// group (1 to 5). A length past the end makes the item the rest of the text
// and ends the walk; f returns false to stop early.
template <class F> void walkTechnicalData(std::string_view text, F&& f) {
    const std::size_t n = text.size();
    std::size_t pos = 0;
    int k = 1;
    while (pos < n) {
        std::size_t length;
        if (pos + 1 < n)
            length = std::size_t(16 * hexDigitValue(text[pos]) + hexDigitValue(text[pos + 1]));
        else
            length = std::size_t(hexDigitValue(text[pos]));
        const std::size_t start = pos + 2;
        const std::string_view item = start < n ? text.substr(start, length) : std::string_view();
        if (!f(k, item)) return;
        k = k == 5 ? 1 : k + 1;
        pos = start + length;
    }
}

// The joint of a tightening group: 0 head (R01), 1 main bearings (R03),
// 2 connecting rods (R05), 3 flywheel (R07); -1 for any other code.
int tighteningJoint(std::string_view code);

// The formulas of the four joints; a later group of the same joint wins.
std::array<std::string, 4> tighteningFormulas(std::string_view datiTecnici);
// The value of the first group whose code is exactly "U01".
std::optional<std::string> acRecordChain(std::string_view datiTecnici);

// True when a group's code is a tightening group R01, R03, R05 or R07.
bool Has_DatiSerraggio(const std::string& datiTecnici);
// True when "U01" occurs anywhere, in any letter case.
bool Has_DatiClima(const std::string& datiTecnici);

} // namespace core
