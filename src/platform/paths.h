#pragma once
// Where the files the windows name lie: paths with backslashes and names in
// any letter case, placed on the real (case-sensitive) file system and kept
// inside the program folder.
#include <string>

namespace vb {

// Turns "\" into "/" and matches each component without regard to letter
// case. A component that exists nowhere is kept as written, so the result
// names where a new file would be created.
// Every path stays in the program folder: one that the file system puts
// elsewhere (names taken from the data with "..", an absolute or relative
// path outside, a link leading out, dangling or not) gives error 53, so such
// a file counts as missing and nothing outside is read or written.
std::string resolvePath(const std::string& path);

// Whether the file system puts a path as found on disk (what resolvePath
// gives) inside the program folder, every link on the way followed, a
// dangling one included. The check before an open on a kernel without
// openat2 (file_open.h).
bool insideProgramFolder(const std::string& path);

// Where the file system puts path once every link on the way is followed, a
// dangling one included; empty when that cannot be told (a loop of links, a
// folder that cannot be searched).
std::string realPlace(const std::string& path);

// Folder of the running program, without a trailing separator, as 8-bit
// text like every other path the windows build; resolvePath maps it back to
// the folder's name on disk, whatever its encoding.
std::string programFolder();
// The same folder as the file system names it.
const std::string& programFolderOnDisk();
// Makes programFolder() answer another folder, given as the file system
// names it (tests); empty restores it.
void setProgramFolder(const std::string& folder);

// A path as the file system returned it (resolvePath, the table reader), as
// 8-bit text for a message.
std::string pathText(const std::string& native);
// A message text with the paths in it written with the system's own
// separator: the windows build them with backslashes.
std::string displayPaths(const std::string& text);

} // namespace vb
