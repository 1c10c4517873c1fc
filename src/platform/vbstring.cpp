#include "platform/vbstring.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vb {
namespace {

// Windows-1252 0x80..0x9F; the five unassigned codes map to themselves.
constexpr std::array<char16_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t toUnicode(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? kHigh[c - 0x80] : char16_t(c);
}

unsigned char toUpperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 16;
    if (c == 0xFF) return 0x9F;
    return c;
}
unsigned char toLowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
    if (c == 0x9F) return 0xFF;
    return c;
}

} // namespace

QString toQt(std::string_view s) {
    QString out;
    out.resize(qsizetype(s.size()));
    for (size_t i = 0; i < s.size(); ++i)
        out[qsizetype(i)] = QChar(toUnicode(static_cast<unsigned char>(s[i])));
    return out;
}

std::string fromQt(const QString& text) {
    std::string out;
    out.reserve(size_t(text.size()));
    for (QChar ch : text) {
        char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(char(u));
            continue;
        }
        char c = '?';
        for (size_t i = 0; i < kHigh.size(); ++i)
            if (kHigh[i] == u) c = char(0x80 + i);
        out.push_back(c);
    }
    return out;
}

std::string LTrim(std::string_view s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}
std::string RTrim(std::string_view s) {
    size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}
std::string Trim(std::string_view s) {
    return LTrim(RTrim(s));
}

std::string UCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = char(toUpperByte(static_cast<unsigned char>(c)));
    return r;
}
std::string LCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = char(toLowerByte(static_cast<unsigned char>(c)));
    return r;
}

std::string Mid(std::string_view s, int start, int length) {
    if (start < 1) start = 1;
    size_t from = size_t(start - 1);
    if (from >= s.size()) return {};
    if (length < 0) return std::string(s.substr(from));
    return std::string(s.substr(from, size_t(length)));
}
std::string Left(std::string_view s, int length) {
    return length <= 0 ? std::string() : std::string(s.substr(0, size_t(length)));
}
std::string Right(std::string_view s, int length) {
    if (length <= 0) return {};
    if (size_t(length) >= s.size()) return std::string(s);
    return std::string(s.substr(s.size() - size_t(length)));
}

int InStr(int start, std::string_view hay, std::string_view needle, bool textCompare) {
    if (start < 1) start = 1;
    size_t from = size_t(start - 1);
    if (from > hay.size()) return 0;
    if (needle.empty()) return start;
    if (!textCompare) {
        size_t p = hay.find(needle, from);
        return p == std::string_view::npos ? 0 : int(p + 1);
    }
    std::string h = UCase(hay), n = UCase(needle);
    size_t p = h.find(n, from);
    return p == std::string::npos ? 0 : int(p + 1);
}

std::string Replace(std::string_view s, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(s);
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t p = s.find(what, pos);
        if (p == std::string_view::npos) break;
        out.append(s.substr(pos, p - pos));
        out.append(with);
        pos = p + what.size();
    }
    out.append(s.substr(pos));
    return out;
}

double Val(std::string_view s) {
    std::string digits;
    bool point = false, exponent = false, anyDigit = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        const bool isDigit = c >= '0' && c <= '9';
        if (isDigit) {
            anyDigit = true;
        } else if ((c == '+' || c == '-') && (digits.empty() || digits.back() == 'e')) {
        } else if (c == '.' && !point && !exponent) {
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && anyDigit && !exponent) {
            exponent = true;
            c = 'e';
        } else {
            break;
        }
        digits += c;
    }
    if (!anyDigit) return 0;
    // A dangling exponent or sign is not part of the number.
    while (!digits.empty() && (digits.back() == 'e' || digits.back() == '+' || digits.back() == '-'))
        digits.pop_back();
    const double v = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

std::string Str(double value) {
    char buf[40];
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", value);
    else
        std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string out = buf;
    if (out == "-0") out = "0";
    return value >= 0 || out == "0" ? " " + out : out;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cur += c;
        }
    }
    lines.push_back(cur);
    return lines;
}

} // namespace vb
