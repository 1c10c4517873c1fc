#pragma once
// The program's own folder: the folder of the file that runs as the program,
// proven to hold it.
#include <string>

namespace vb {

// Folder of the running program, without a trailing separator, as 8-bit
// text like every other path the windows build; resolvePath maps it back to
// the folder's name on disk, whatever its bytes. It is the folder of the
// file that runs as the program, proven once, at the first question, before
// anything is read, written or removed there: the mapping of the program's
// own code is that file (the executable the kernel records, or in a start
// through the dynamic loader the program file the loader mapped), and the
// folder's entry under the file's name is that same file (device and
// inode). Never the working folder. Empty where nothing proves a folder: an
// executable removed or replaced as it starts, one run from memory (a
// memfd), no /proc (programFolderKnown), a fault on the way
// (programFolderFault).
std::string programFolder();
// The same folder as the file system names it.
const std::string& programFolderOnDisk();
// Whether the program has a folder; where it has none, no path is placed
// (resolvePath gives error 53).
bool programFolderKnown();
// A fault met by the proof, which says nothing of the folder: the error and
// the file it was met on. Only ENOENT and ENOTDIR say that a file or folder
// is not there, which leaves nothing proven; any other failure is a fault:
// 67 or 7 for a lack of descriptors or memory, else 75 (a read error, a
// refusal). A shortage passes, so the proof is tried again a few times, and
// is the reason there is no folder only where it lasts through every try;
// another fault is the reason at once. Number 0 where there is no folder for
// any other reason, or where there is one.
struct ProofFault {
    int number = 0;
    std::string file;
};
ProofFault programFolderFault();
// Whether the program folder is proven to be this program's own, as above:
// so for every folder the program found itself, not for a folder given to
// setProgramFolder unless a test proves it.
bool programFolderIsOwn();
// Makes programFolder() answer another folder, given as the file system
// names it (tests); empty restores it.
void setProgramFolder(const std::string& folder);

// The folder's 8-bit text as far as it was asked: empty before the first
// programFolder() (a message names the folder only once it is known).
const std::string& programFolderTextSoFar();

} // namespace vb
