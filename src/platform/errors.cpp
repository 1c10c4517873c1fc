#include "platform/errors.h"

namespace vb {

std::string errorDescription(int number) {
    switch (number) {
    case errInvalidCall:
        return "Invalid procedure call or argument";
    case errOverflow:
        return "Overflow";
    case errSubscript:
        return "Subscript out of range";
    case errBadFileName:
        return "Bad file name or number";
    case errFileNotFound:
        return "File not found";
    case errDiskFull:
        return "Disk full";
    case errPermissionDenied:
        return "Permission denied";
    case errPathAccess:
        return "Path/File access error";
    case errInvalidPicture:
        return "Invalid picture";
    case errPrinter:
        return "Printer error";
    case errPrinterDriver:
        return "Printer driver does not support specified property";
    case errCancel:
        return "Cancel was selected.";
    default:
        return "Application-defined or object-defined error";
    }
}

} // namespace vb
