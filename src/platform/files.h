#pragma once
// File access the way the windows write it: paths with backslashes and names
// in any letter case, resolved against the real (case-sensitive) file system.
#include <cstddef>
#include <cstdint>
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
// dangling one included. For readers that open files by such a path
// themselves, the tables.
bool insideProgramFolder(const std::string& path);

// Dir(path) <> "": a regular file (not a folder) exists under that name.
bool fileExists(const std::string& path);
// Length in bytes; error 53 when the file does not exist.
std::int64_t FileLen(const std::string& path);
// The whole file; error 53 when missing, 75 when it cannot be read.
std::string readAll(const std::string& path);
// At most count bytes from the start of the file; error 53 when missing, 75
// when it cannot be read.
std::string readStart(const std::string& path, std::size_t count);
// Writes bytes at a 1-based position without shortening an existing file;
// creates it when missing. A new file is never created through a link, and
// a link (one that stays inside the folder) is written through only to a
// file that exists. Error 61 when the disk is full, 75 when the file cannot
// be written otherwise, the system's reason as the description.
void writeAt(const std::string& path, std::int64_t position, const std::string& bytes);
// Creates or empties the file and writes bytes, with the rules and errors of
// writeAt.
void writeNew(const std::string& path, const std::string& bytes);
// Copies source over target through a temporary file in the target's folder
// and a rename, so that a failure never leaves a half-written target. A
// failure names the target with the system's reason: 61 for a full disk,
// else 75.
void FileCopy(const std::string& source, const std::string& target);
// Deletes the file; error 53 when it does not exist.
void Kill(const std::string& path);

// A file of this process alone for a short while: created new in a folder
// under a name no other file has (never through a link, so two programs on
// one folder never share it and a planted link is never followed), filled
// with the bytes, and removed when the object goes, or on the process's way
// out should it end first (exit, a termination signal), or at a later start
// should it be killed (removeLeftoverTemporaries). When it cannot be
// created or written, nothing stays behind and the error (61 for a full
// disk, else 75) names the folder as its file and the system's reason as its
// description.
class TemporaryFile {
  public:
    // folder is written like any other path; the name is prefix, six random
    // characters, suffix.
    TemporaryFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                  const std::string& bytes);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // The file's name on disk.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int fd_;   // open while the file lives: it holds the file's lock
    int slot_; // where the process keeps the path for its own end
};

// Removes, below the program folder given as the file system names it, the
// temporary files of programs that ended before they could remove them
// (killed, a power cut): files named as this program names its temporary
// files there that no running program holds. A running program holds each
// of its own temporary files (TemporaryFile, the part file of FileCopy)
// from the moment it exists, so none of them is ever removed.
void removeLeftoverTemporaries(const std::string& folder);
// The same for the program folder, on a thread of its own behind the rest of
// the program; once per folder and process.
void startRemovingLeftoverTemporaries();
// Waits until every removal started above has finished.
void waitForLeftoverRemoval();

// Folder of the running program, without a trailing separator, as 8-bit
// text like every other path the windows build; resolvePath maps it back to
// the folder's name on disk, whatever its encoding.
std::string programFolder();
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
