#pragma once
// Run-time errors carry fixed numbers (53 file not found, 481 bad picture,
// ...), because the windows' messages show and test those numbers.
#include <stdexcept>
#include <string>

namespace vb {

enum ErrorNumber {
    errInvalidCall = 5,
    errOverflow = 6,
    errOutOfMemory = 7,
    errSubscript = 9,
    errBadFileName = 52,
    errFileNotFound = 53,
    errDiskFull = 61,
    errTooManyFiles = 67,
    errPermissionDenied = 70,
    errPathAccess = 75,
    errInvalidPicture = 481,
    errPrinter = 482,
    errPrinterDriver = 484,
    errCancel = 32755,
};

std::string errorDescription(int number);

// The error of a system call that failed for lack of descriptors (EMFILE,
// ENFILE: 67) or of memory (ENOMEM: 7); 0 for any other errno. Such a
// failure says nothing of the file it was met on: the file is neither
// missing nor damaged, and trying it again may well succeed.
int shortageError(int err);
// Whether number is one of those two errors.
bool isShortage(int number);
// The error of a system call that failed on the way to a file or on the
// file itself: 53 where the file is missing (ENOENT, ENOTDIR, the only
// answers that say so), 67 or 7 for a shortage, 75 for any other failure (a
// read error, a refusal), which says nothing of whether the file is there.
int fileError(int err);
// What the user is told of such an error met on file that says nothing of
// the file (a shortage, or any fault the proof of the program folder meets):
// the number, the file and the error's description, and nothing that calls
// the file missing or damaged.
std::string faultMessage(int number, const std::string& file);

class VbError : public std::runtime_error {
  public:
    explicit VbError(int number, std::string description = {}, std::string file = {})
        : std::runtime_error(description.empty() ? errorDescription(number) : description), number_(number),
          file_(std::move(file)) {}
    int number() const { return number_; }
    std::string description() const { return what(); }
    // The file the error is about, as the caller named it; empty when none.
    const std::string& file() const { return file_; }

  private:
    int number_;
    std::string file_;
};

// A stored value whose decoding leaves the code range: the data is damaged.
class DecodeError : public VbError {
  public:
    using VbError::VbError;
};

} // namespace vb
