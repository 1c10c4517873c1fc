#pragma once
// Reading and writing the files the windows name, by the paths they write.
#include "platform/errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vb {

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
// Deletes the file; error 53 when it does not exist.
void Kill(const std::string& path);

// The error of a failed write that names file: 61 for a full disk, else 75,
// with the system's reason as the description.
VbError writeFailure(int err, const std::string& file);
// Writes all of bytes at offset; 0, or the errno of the failure.
int writeWhole(int fd, const std::string& bytes, std::int64_t offset);

} // namespace vb
