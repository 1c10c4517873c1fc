#include "core/scramble.h"

#include "core/key_table.h"
#include "core/module1.h"
#include "platform/errors.h"

#include <span>
#include <utility>

namespace core {
namespace {

// Code page 850, codes 128..255, as Unicode.
constexpr std::array<char16_t, 128> kCp850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C,
    0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

// Windows-1252 code of a Unicode character, 128 when it has none.
int ansiOf(char16_t u) {
    if (u >= 0xA0 && u <= 0xFF) return int(u);
    if (u == 0x0192) return 0x83;
    return 128;
}

// Each code of code page 850 to its Windows-1252 code, but for the
// deviations (code, value) given.
std::array<int, 128> ruleTable(std::span<const std::pair<int, int>> deviations) {
    std::array<int, 128> t{};
    for (int i = 0; i < 128; ++i)
        t[size_t(i)] = ansiOf(kCp850[size_t(i)]);
    for (const auto& [code, value] : deviations)
        t[size_t(code - 128)] = value;
    return t;
}

std::array<int, 128> buildAnsiToOemConv() {
    std::array<int, 128> t{};
    for (int c = 128; c < 256; ++c)
        t[size_t(c - 128)] = c;
    for (int c = 161; c < 256; ++c) {
        for (int o = 0; o < 128; ++o)
            if (kCp850[size_t(o)] == char16_t(c)) t[size_t(c - 128)] = o + 128;
    }
    t[162 - 128] = 155;
    t[167 - 128] = 21;
    t[182 - 128] = 20;
    t[222 - 128] = 231;
    return t;
}

std::string decodeWith(const std::string& s, const std::array<int, 128>* inMap,
                       const std::array<int, 128>& out) {
    std::string r;
    r.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int c = static_cast<unsigned char>(s[i]);
        if (c == 10 || c == 13) {
            r.push_back(char(c));
            continue;
        }
        if (i >= 80) throw vb::DecodeError(vb::errSubscript);
        if (c > 160) c = inMap ? (*inMap)[size_t(c - 128)] : IdentityTable[size_t(c - 128)];
        int d = c + Key[i];
        if (d > 255) throw vb::DecodeError(vb::errInvalidCall);
        r.push_back(char(d > 127 ? out[size_t(d - 128)] : d));
    }
    return r;
}

} // namespace

const std::array<int, 128>& OemToAnsiTable() {
    static constexpr std::pair<int, int> kDeviations[] = {
        {143, 194}, {159, 167}, {171, 181}, {182, 197}, {208, 128}, {213, 145}, {215, 238},
        {216, 239}, {222, 236}, {231, 222}, {232, 254}, {247, 128}, {249, 128}};
    static const auto t = ruleTable(kDeviations);
    return t;
}
const std::array<int, 128>& OemToAnsiTableConv() {
    static constexpr std::pair<int, int> kDeviations[] = {
        {143, 194}, {159, 167}, {182, 197}, {208, 128}, {213, 145}, {214, 237}, {215, 238}, {216, 239},
        {222, 236}, {224, 243}, {226, 244}, {227, 242}, {231, 222}, {232, 254}, {247, 128}, {249, 128}};
    static const auto t = ruleTable(kDeviations);
    return t;
}
const std::array<int, 128>& AnsiToOemTableConv() {
    static const auto t = buildAnsiToOemConv();
    return t;
}

void InitKeys() {
    for (size_t i = 0; i < 80; ++i)
        Key[i] = kKeyConstants[i];
    SecondKey = Key;
}

void InitIdentityTable() {
    for (int i = 0; i < 128; ++i)
        IdentityTable[size_t(i)] = 128 + i;
}

std::string ScrambleString(std::string& s) {
    if (s.size() > 80) s.resize(80);
    std::string r;
    r.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int c = static_cast<unsigned char>(s[i]) - Key[i];
        if (c < 0) throw vb::VbError(vb::errInvalidCall);
        r.push_back(char(c));
    }
    return r;
}

std::string ScrambleString(const char* s) {
    std::string copy(s);
    return ScrambleString(copy);
}

std::string DescrambleString(std::string& s) {
    if (s.size() > 80) s.resize(80);
    std::string r;
    r.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int c = static_cast<unsigned char>(s[i]) + Key[i];
        if (c > 255) throw vb::DecodeError(vb::errInvalidCall);
        r.push_back(char(c));
    }
    return r;
}

std::string DescrambleLine(const std::string& s) {
    return decodeWith(s, nullptr, OemToAnsiTable());
}

std::string DescrambleLineConv(const std::string& s) {
    return decodeWith(s, &AnsiToOemTableConv(), OemToAnsiTableConv());
}

int decodeHeader(std::string& content, const std::array<int, 80>& key) {
    int n = 0;
    for (size_t i = 0; i < 80 && i < content.size(); ++i) {
        int b = static_cast<unsigned char>(content[i]);
        if (b == 0) break;
        content[i] = char((b + key[i]) & 0xFF);
        n = int(i) + 1;
    }
    return n;
}

} // namespace core
