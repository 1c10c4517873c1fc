#pragma once
// Files that live a short while: a process's own temporary files and the
// part file of a copy, removed however the process ends.
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace vb {

// Copies source over target through a temporary file in the target's folder
// and a rename, so that a failure never leaves a half-written target; a
// block at a time, so that a large file is never held whole. The copy
// takes the rights of the file it replaces, never wider ones, before it
// takes its place: its mode and access ACL (none where the file had none),
// and its owner and group where the process may set them. A failure to
// read names the source (53, 75), a failure to write names the target with
// the system's reason: 61 for a full disk, else 75.
void FileCopy(const std::string& source, const std::string& target);
// A file of this process alone for a short while: created new in a folder
// under a name no other file has (never through a link, so two programs on
// one folder never share it and a planted link is never followed), filled
// with the bytes, and removed when the object goes, or on the process's way
// out should it end first (exit, a termination signal), or at a later start
// should it be killed (removeLeftoverTemporaries). When it cannot be
// created or written, nothing stays behind and the error (61 for a full
// disk, else 75) names the folder as its file and the system's reason as its
// description. A name longer than NAME_MAX is refused so (75), whatever the
// folder's file system would take.
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
    // Writes bytes after those written so far, with the errors of the
    // constructor; the file stays the object's to remove.
    void append(const std::string& bytes);

  private:
    std::string path_;
    int folderFd_; // the folder it was made in, through which it goes
    int fd_;       // open while the file lives: it holds the file's lock
    int slot_;     // where the process keeps the file for its own end
    pid_t maker_;  // the process that made it, which alone removes it

    std::string folder_; // as the caller wrote it: the errors name it
    std::int64_t size_;  // the bytes written so far
};

} // namespace vb
