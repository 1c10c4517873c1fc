#pragma once
// Encoders for the stored-text forms and scrambled file headers. Every
// encoder checks its result with the program's own decoder and throws
// std::runtime_error when a value cannot be stored.
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sampledata {

// E-LINE: ".cpt" lines and N_CILINDRI (DescrambleLine).
// E-STR: the description tables and ScrambleString keys (DescrambleString).
// E-CONV: dBase text fields (DescrambleLineConv).
enum class Form { Line, Str, Conv };

// Loads the key tables; the encoders call it themselves.
void ensureKeys();

// Windows-1252 bytes of a UTF-8 literal (only Latin-1 characters are used).
std::string cp1252(std::string_view utf8);

std::string encode(Form form, std::string_view plain);
// Pads with blanks to width first, so that no raw blank is left in a field
// and the stored bytes sort like the plain values.
std::string encodePadded(Form form, std::string_view plain, int width);
std::string decode(Form form, const std::string& stored);

// A ".cpt" file: every line encoded on its own and ended by CR LF.
std::string cptFile(Form form, const std::vector<std::string>& lines);
// The lines of a ".cpt" file, decoded; throws when the file does not end
// with CR LF.
std::vector<std::string> decodeCpt(Form form, const std::string& content);

// Scrambles the header of a picture or document: bytes up to the first 0 or
// the 80th. Throws HeaderCollision when a header byte equals its key entry
// (it would read as the end of the header).
struct HeaderCollision : std::runtime_error {
    using std::runtime_error::runtime_error;
};
std::string scrambleHeader(const std::string& plain, const std::array<int, 80>& key);

// The packed technical-data items: a two-digit upper-case hex length, then
// the text. A group is code, value, unit, further value, note.
std::string packItem(std::string_view text);
std::string packGroup(std::string_view code, std::string_view value, std::string_view unit = {},
                      std::string_view further = {}, std::string_view note = {});

} // namespace sampledata
