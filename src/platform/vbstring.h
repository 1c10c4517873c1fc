#pragma once
// Text of the data folder is 8-bit Windows-1252: every value read from a file,
// decoded or scrambled is a std::string of those bytes. Unicode appears only
// where text meets Qt (captions, cells, printing).
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace vb {

QString toQt(std::string_view cp1252);
std::string fromQt(const QString& text);

std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
// Positions are 1-based; out-of-range arguments give what fits.
std::string Mid(std::string_view s, int start, int length = -1);
std::string Left(std::string_view s, int length);
std::string Right(std::string_view s, int length);
// 1-based position of needle in hay from position start, 0 when absent.
// textCompare ignores the letter case of ASCII and Windows-1252 letters.
int InStr(int start, std::string_view hay, std::string_view needle, bool textCompare = false);
inline int InStr(std::string_view hay, std::string_view needle, bool textCompare = false) {
    return InStr(1, hay, needle, textCompare);
}
std::string Replace(std::string_view s, std::string_view what, std::string_view with);
// The number at the start of the text: blanks, tabs and line feeds are
// skipped, reading stops at the first character that cannot continue a
// decimal number (sign, digits, one point, exponent); no digits give 0.
double Val(std::string_view s);
// A number in its shortest decimal form with "." as separator, led by a
// blank when it is not negative (" 850", "-2", " 1.5").
std::string Str(double value);

// Text as the lines that Print writes: broken at CR LF, CR or LF; a text
// ending in a break gives an empty last line.
std::vector<std::string> splitLines(const std::string& text);

inline constexpr const char* vbCrLf = "\r\n";
inline constexpr char vbCr = '\r';
inline constexpr char vbLf = '\n';

} // namespace vb
