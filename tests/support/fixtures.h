#pragma once
// Small hand-made data files for tests of the readers.
#include "platform/rtf_reader.h"

#include <string>
#include <vector>

namespace testing_support {

// Stores each plain ASCII line in its scrambled form, joined by CR LF (and
// ended by one when trailing is true).
std::string scrambledLines(const std::vector<std::string>& lines, bool trailing = true);
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
// A valid picture file of the given size (GIF-free: PNG) with its header
// scrambled as the data folder stores it.
std::string scrambledPicture(int w, int h);
// The header scrambling of a data file (inverse of the program's decoder),
// with the first key table or the second.
std::string scrambleHeader(std::string plain, bool secondKey = false);

// A damaged RTF document, as its file holds it once decoded.
struct DamagedDocument {
    const char* form;  // what is wrong with it
    std::string bytes; // the decoded content
    vb::RtfDamage damage;
    std::string shown; // a text that is still shown; empty when nothing is
};
// Every way a document was found damaged: not RTF, cut short, unbalanced
// braces, empty, binary garbage (alone and after a sound start), binary
// data running past the end, a picture cut short.
std::vector<DamagedDocument> damagedDocuments();

} // namespace testing_support
