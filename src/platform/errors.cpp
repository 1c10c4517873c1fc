#include "platform/errors.h"

#include "db/dbase.h"

#include <cerrno>

namespace vb {

std::string errorDescription(int number) {
    switch (number) {
    case errInvalidCall:
        return "Invalid procedure call or argument";
    case errOverflow:
        return "Overflow";
    case errOutOfMemory:
        return "Out of memory";
    case errSubscript:
        return "Subscript out of range";
    case errBadFileName:
        return "Bad file name or number";
    case errFileNotFound:
        return "File not found";
    case errDiskFull:
        return "Disk full";
    case errTooManyFiles:
        return "Too many files";
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

// The table engine, which links nothing of this layer, reports the same
// failures of its files by its own numbers; they are the same numbers, so
// that a table that is missing, short of descriptors or memory, or that
// cannot be read is told as any other file is.
static_assert(int(db::kErrTooManyFiles) == int(errTooManyFiles) &&
                  int(db::kErrOutOfMemory) == int(errOutOfMemory) &&
                  int(db::kErrFileNotFound) == int(errFileNotFound) &&
                  int(db::kErrPathAccess) == int(errPathAccess),
              "the table engine's file error numbers are the platform's");

int shortageError(int err) {
    if (err == EMFILE || err == ENFILE) return errTooManyFiles;
    if (err == ENOMEM) return errOutOfMemory;
    return 0;
}

int fileError(int err) {
    if (err == ENOENT || err == ENOTDIR) return errFileNotFound;
    const int shortage = shortageError(err);
    return shortage ? shortage : errPathAccess;
}

bool isShortage(int number) {
    return number == errTooManyFiles || number == errOutOfMemory;
}

std::string faultMessage(int number, const std::string& file) {
    return "Error: (" + std::to_string(number) + ") file " + file + " could not be opened\r\n" +
           errorDescription(number);
}

} // namespace vb
