#pragma once
// The one way this program opens a file or folder of its data.
//
// Every file the program reads or writes, and every folder in which it
// creates, renames or removes one, is opened by openInProgramFolder, by the
// path resolvePath gave (or one written under the program folder), beneath
// the descriptor by which the program folder was proven (openInFolder, as
// the proof itself opens). Only a temporary file is made otherwise: by its
// one name, new, through the descriptor of a folder opened so
// (temporary_files.h). The rules:
//
// - The path is opened relative to a descriptor of the program folder, and
//   the open itself refuses any path that leaves the folder: "..", a link
//   leading out, an absolute link. So a name swapped for a link between a
//   check and the open is never followed out. A link that stays inside is
//   followed by a read, an absolute one included.
// - No open ever waits: a FIFO, a socket, a device or a folder where a file
//   is expected is not a file of the data. It counts as missing (ENOENT).
// - An open that may change something (for writing, a new file, a folder to
//   change) follows no link anywhere on the way, the last name included
//   (ELOOP), and never gives a file that has a second name (EMLINK): a write
//   goes to the file named, and to nothing that another name also shows.
//
// A kernel without openat2 (older than 5.6, or behind a system-call filter)
// keeps the same rules: the path is walked one name at a time from the
// program folder's descriptor, no name followed by the kernel, and a link
// on the way is read and walked on beneath the folder as above. Such a walk
// holds the folders on its way open, and refuses one more than 40 deep
// (ENAMETOOLONG); link_walk.h says where else it parts from openat2.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>

namespace vb {

// A folder opened once, by its name, for the opens beneath it: the program
// folder's descriptor is one.
struct OpenFolder {
    std::string native; // the folder as the file system names it
    int fd = -1;        // O_PATH; -1 where the folder could not be opened
    int error = 0;      // why it could not be opened
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();
    // Where the file system puts the folder (realPlace), kept once told.
    // Empty, errno set, where that cannot be told now: a failure on the way
    // passes and says nothing of the folder, so it is kept as no answer and
    // the next call asks again.
    std::string real() const;

  private:
    friend std::shared_ptr<const OpenFolder> openFolder(const std::string& native);
    mutable std::mutex realMutex_;
    mutable std::string real_;
};

// Opens the folder named native (as the file system names it); its fd is
// -1 and error the errno where that fails.
std::shared_ptr<const OpenFolder> openFolder(const std::string& native);

// path opened beneath the open folder, by the rules above. path: absolute,
// under that folder. flags: the open(2) access and creation flags (O_RDONLY,
// O_WRONLY, O_RDWR, O_CREAT, O_EXCL, O_DIRECTORY, O_PATH); O_CLOEXEC and
// O_NONBLOCK are added, O_TRUNC is refused (a file is emptied only once it is
// known to be the one to write). A descriptor, or -1 with errno set: ENOENT
// for a file that is missing, outside the folder or not a regular file; the
// folder's own error where the folder could not be opened; any other failure
// met on the way, in the look at where the path or the folder leads
// included, as itself (only ENOENT and ENOTDIR say that a file is missing).
int openInFolder(const OpenFolder& folder, const std::string& path, int flags, mode_t mode = 0);

// openInFolder beneath the program folder's descriptor: the one the proof of
// the folder opened and kept (keepProgramFolderDescriptor), or, for a folder
// given to setProgramFolder, one opened at the first open and kept.
int openInProgramFolder(const std::string& path, int flags, mode_t mode = 0);

// openInProgramFolder(path, O_RDONLY): the table reader's way to its files.
int openForReading(const std::string& path);

// openat2(2): path opened relative to the open folder dir with the open(2)
// flags, mode (with O_CREAT) and the RESOLVE_ flags resolve. An EINTR is
// tried again, and so is an EAGAIN (a rename elsewhere on the system crossed
// the resolution) up to 100 times. A descriptor, or -1 with errno set;
// ENOSYS or EPERM where the kernel or a system-call filter offers no openat2.
int openat2Retrying(int dir, const char* path, int flags, mode_t mode, std::uint64_t resolve);

// path opened beneath the open folder dir as openat2 opens it with
// RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS and the RESOLVE_ flags resolve
// (RESOLVE_NO_SYMLINKS, RESOLVE_NO_XDEV): by openat2 where the kernel has it,
// else, and where openat2 keeps asking for another try, by the walk of
// link_walk.h, which keeps the same rules. Whether the kernel has openat2 is
// asked once per process. A descriptor, or -1 with errno set.
int openBeneath(int dir, const std::string& path, int flags, mode_t mode, std::uint64_t resolve);

// Keeps folder as the program folder's descriptor for every later open: the
// descriptor beneath which the proof of the folder found the program's file.
void keepProgramFolderDescriptor(std::shared_ptr<const OpenFolder> folder);
// Drops the descriptor of the program folder, which is opened again at the
// next open (setProgramFolder).
void forgetProgramFolderDescriptor();

} // namespace vb
