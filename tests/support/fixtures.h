#pragma once
// Small hand-made data files for tests of the readers.
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
// The header scrambling of a data file (inverse of the program's decoder).
std::string scrambleHeader(std::string plain);

} // namespace testing_support
