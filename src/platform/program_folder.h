#pragma once
// The program's own folder: where the kernel records the running executable,
// and whether it is proven to be the program's own.
#include <string>

namespace vb {

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

// The folder's 8-bit text as far as it was asked: empty before the first
// programFolder() (a message names the folder only once it is known).
const std::string& programFolderTextSoFar();

} // namespace vb
