#pragma once
// Reading and writing the files the windows name, by the paths they write,
// each opened by openInProgramFolder (platform/file_open.h) under its rules:
// a FIFO, a device or a folder is no file, and counts as missing. An open or
// read that fails for lack of descriptors or memory is error 67 or 7 (see
// shortageError), never a missing or unreadable file.
#include "platform/errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vb {

// Dir(path) <> "": a regular file (not a folder) exists under that name.
// False only where the look-up says so: the name is not there (ENOENT or
// ENOTDIR on the way), or names nothing the program reads (outside the
// folder, no regular file). Any other failure of the look-up says nothing
// of the file, which may well be there, and is its error: 67 or 7 for a lack
// of descriptors or memory, else 75 (a read error, a refusal).
bool fileExists(const std::string& path);
// Whether a file the caller may go without is there to be read: false where
// fileExists is, and where the look-up fails for any reason but a lack of
// descriptors or memory (thrown as there), which is logged. For a window
// that says nothing of such a file, or says only that it is not available.
bool fileAvailable(const std::string& path);
// Length in bytes; error 53 when the file does not exist, 67, 7 or 75 as
// for readAll when it cannot be looked at.
std::int64_t FileLen(const std::string& path);
// The whole file; error 53 when missing, 75 when it cannot be read.
std::string readAll(const std::string& path);
// At most count bytes from the start of the file; error 53 when missing, 75
// when it cannot be read.
std::string readStart(const std::string& path, std::size_t count);
// The same from a 0-based offset.
std::string readPart(const std::string& path, std::int64_t offset, std::size_t count);
// A file opened for reading once and read a part at a time, so that a large
// file need not be held whole: every part comes from the same file, whatever
// becomes of its name meanwhile. The errors of readAll.
class FileReader {
  public:
    explicit FileReader(const std::string& path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    // Its length when it was opened.
    std::int64_t size() const { return size_; }
    // The count bytes from a 0-based offset, fewer only past that length;
    // error 75 when the file holds fewer now.
    std::string read(std::int64_t offset, std::size_t count) const;

  private:
    std::string path_;
    int fd_;
    std::int64_t size_;
};

// Writes bytes at a 1-based position without shortening an existing file;
// creates it when missing. Nothing is written through a link, inside the
// folder or out, nor to a file that has a second name. Error 61 when the
// disk is full, 75 when the file cannot be written otherwise, the system's
// reason as the description.
void writeAt(const std::string& path, std::int64_t position, const std::string& bytes);
// Creates or empties the file and writes bytes, with the rules and errors of
// writeAt.
void writeNew(const std::string& path, const std::string& bytes);
// Deletes the file; error 53 when it does not exist (or is a folder), 67 or
// 7 for a lack of descriptors or memory, 75 when it cannot be removed
// otherwise (a read-only disk, a refusal).
void Kill(const std::string& path);

// The error of a failed write that names file: 61 for a full disk, 67 or 7
// for a lack of descriptors or memory, else 75, with the system's reason as
// the description.
VbError writeFailure(int err, const std::string& file);
// Writes all of bytes at offset; 0, or the errno of the failure.
int writeWhole(int fd, const std::string& bytes, std::int64_t offset);

} // namespace vb
