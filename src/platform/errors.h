#pragma once
// Run-time errors carry the numbers the original platform used, so that
// messages built from them read the same.
#include <stdexcept>
#include <string>

namespace vb {

enum ErrorNumber {
    errInvalidCall = 5,
    errOverflow = 6,
    errSubscript = 9,
    errBadFileName = 52,
    errFileNotFound = 53,
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
    explicit VbError(int number, std::string description = {})
        : std::runtime_error(description.empty() ? errorDescription(number) : description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

  private:
    int number_;
};

} // namespace vb
