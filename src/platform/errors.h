#pragma once
// Run-time errors carry fixed numbers (53 file not found, 481 bad picture,
// ...), because the windows' messages show and test those numbers.
#include <stdexcept>
#include <string>

namespace vb {

enum ErrorNumber {
    errInvalidCall = 5,
    errOverflow = 6,
    errSubscript = 9,
    errBadFileName = 52,
    errFileNotFound = 53,
    errDiskFull = 61,
    errPermissionDenied = 70,
    errPathAccess = 75,
    errInvalidPicture = 481,
    errPrinter = 482,
    errPrinterDriver = 484,
    errCancel = 32755,
};

std::string errorDescription(int number);

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
