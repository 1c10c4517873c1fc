#pragma once
// The window fonts the layout was designed with live outside the folders
// fontconfig scans, so the program registers them with Qt itself.
// Registering a file costs a full scan of it, and the start window needs two
// of the thirteen; so each family is registered the first time a window asks
// for it, and only its own files.
#include <QString>
#include <string>
#include <vector>

namespace vb {

// The family name for a QFont, after making that family's files known to Qt.
// Build every font that names a family through this. A family that is not
// one of ours is left to the system.
QString fontFamily(const std::string& family);

// The font files registered so far, in order.
std::vector<std::string> registeredFontFiles();

} // namespace vb
