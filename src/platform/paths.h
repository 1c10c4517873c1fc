#pragma once
// Where the files the windows name lie: paths with backslashes and names in
// any letter case, placed on the real (case-sensitive) file system and kept
// inside the program folder.
#include <string>

namespace vb {

// Turns "\" into "/" in what is written after the program folder (the
// folder's own name is taken as it is, a backslash in it included) and
// matches each component without regard to letter case. A component that
// exists nowhere is kept as written, so the result names where a new file
// would be created.
// Every path stays in the program folder: one that the file system puts
// elsewhere (names taken from the data with "..", an absolute or relative
// path outside, a link leading out, dangling or not) gives error 53, so such
// a file counts as missing and nothing outside is read or written.
std::string resolvePath(const std::string& path);

// Where the file system puts path once every link on the way is followed, a
// dangling one included; empty when that cannot be told (a loop of links, a
// folder that cannot be searched).
std::string realPlace(const std::string& path);

// Folder of the running program, without a trailing separator, as 8-bit
// text like every other path the windows build; resolvePath maps it back to
// the folder's name on disk, whatever its bytes. It is the folder in which
// the kernel records the running executable, asked once; never the working
// folder. Empty when it cannot be told (programFolderKnown).
std::string programFolder();
// The same folder as the file system names it.
const std::string& programFolderOnDisk();
// Whether the program folder can be told: the kernel names the running
// executable by an absolute path whose folder is there. Where it cannot,
// no path is placed (resolvePath gives error 53).
bool programFolderKnown();
// Whether the program folder is proven to be this program's own: its entry
// under the executable's name is the running executable (the same device
// and inode). Not so once the executable was replaced or removed, as an
// update in place does, nor for a folder given to setProgramFolder unless a
// test proves it.
bool programFolderIsOwn();
// Makes programFolder() answer another folder, given as the file system
// names it (tests); empty restores it.
void setProgramFolder(const std::string& folder);
// Tests: the folder last given to setProgramFolder counts as the program's
// own (programFolderIsOwn) until the next setProgramFolder. A test's folder
// holds no running executable to prove it.
void proveProgramFolderForTests();

// A path as the file system returned it (resolvePath, the table reader), as
// 8-bit text for a message: each name that is UTF-8 decoded, any other kept
// as its bytes (a name from an older file system, in Latin-1).
std::string pathText(const std::string& native);
// A message text with the paths in it written with the system's own
// separator: the windows build them with backslashes. A backslash in the
// program folder's own name is part of the name and stays.
std::string displayPaths(const std::string& text);

} // namespace vb
