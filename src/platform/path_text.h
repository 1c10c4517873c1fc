#pragma once
// Paths as text for messages.
#include <string>

namespace vb {

// A path as the file system returned it (resolvePath, the table reader), as
// 8-bit text for a message: each name that is UTF-8 decoded, any other kept
// as its bytes (a name from an older file system, in Latin-1).
std::string pathText(const std::string& native);
// A message text with the paths in it written with the system's own
// separator: the windows build them with backslashes. A backslash in the
// program folder's own name is part of the name and stays.
std::string displayPaths(const std::string& text);

} // namespace vb
