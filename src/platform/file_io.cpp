#include "platform/file_io.h"

#include "platform/errors.h"
#include "platform/file_open.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/vbstring.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vb {

VbError writeFailure(int err, const std::string& file) {
    int number = shortageError(err);
    if (number == 0) number = err == ENOSPC || err == EDQUOT ? errDiskFull : errPathAccess;
    return VbError(number, std::strerror(err), file);
}

// Writes all of bytes at offset; 0, or the errno of the failure.
int writeWhole(int fd, const std::string& bytes, std::int64_t offset) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += size_t(n);
    }
    return 0;
}

namespace {

// Closes the descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

// A file that cannot be opened or read: 53 when it is not there (or nothing
// the program reads), 67 or 7 when the process is short of descriptors or
// memory, else 75.
VbError readFailure(int err, const std::string& path) {
    return VbError(fileError(err), {}, path);
}

int openToRead(const std::string& path, int flags) {
    const int fd = openInProgramFolder(resolvePath(path), flags);
    if (fd < 0) throw readFailure(errno, path);
    return fd;
}

// Up to count bytes from offset; fewer where the file ends.
std::string readFrom(int fd, std::int64_t offset, std::size_t count, const std::string& path) {
    std::string data(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, data.data() + done, count - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int shortage = shortageError(errno);
            throw VbError(shortage ? shortage : errPathAccess, {}, path);
        }
        if (n == 0) break;
        done += std::size_t(n);
    }
    data.resize(done);
    return data;
}

} // namespace

bool fileExists(const std::string& path) {
    int fd = -1;
    try {
        fd = openInProgramFolder(resolvePath(path), O_PATH);
    } catch (const VbError& e) {
        if (e.number() != errFileNotFound) throw;
        return false;
    }
    if (fd < 0) {
        const VbError failure = readFailure(errno, path);
        if (failure.number() != errFileNotFound) throw failure;
        return false;
    }
    ::close(fd);
    return true;
}

bool fileAvailable(const std::string& path) {
    try {
        return fileExists(path);
    } catch (const VbError& e) {
        if (isShortage(e.number())) throw;
        qCWarning(lcFiles).noquote() << "file" << toQt(path) << "not reached:" << toQt(e.description());
        return false;
    }
}

std::int64_t FileLen(const std::string& path) {
    const Descriptor file{openToRead(path, O_PATH)};
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) throw readFailure(errno, path);
    return std::int64_t(st.st_size);
}

FileReader::FileReader(const std::string& path) : path_(path), fd_(openToRead(path, O_RDONLY)) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int err = errno;
        ::close(fd_);
        throw readFailure(err, path);
    }
    size_ = std::int64_t(st.st_size);
}

FileReader::~FileReader() {
    ::close(fd_);
}

std::string FileReader::read(std::int64_t offset, std::size_t count) const {
    const std::size_t expected =
        offset >= size_ ? 0 : std::size_t(std::min<std::uint64_t>(count, std::uint64_t(size_ - offset)));
    std::string data = readFrom(fd_, offset, expected, path_);
    if (data.size() != expected) throw VbError(errPathAccess, {}, path_);
    return data;
}

std::string readAll(const std::string& path) {
    const FileReader file(path);
    // One read of the whole length.
    return file.read(0, std::size_t(file.size()));
}

std::string readStart(const std::string& path, std::size_t count) {
    return readPart(path, 0, count);
}

std::string readPart(const std::string& path, std::int64_t offset, std::size_t count) {
    const Descriptor file{openToRead(path, O_RDONLY)};
    return readFrom(file.fd, offset, count, path);
}

namespace {

// Opens the file for writing, created when missing (see openInProgramFolder:
// never through a link, never a file with a second name).
int openToWrite(const std::string& path) {
    const int fd = openInProgramFolder(resolvePath(path), O_WRONLY | O_CREAT, 0666);
    if (fd < 0) throw writeFailure(errno, path);
    return fd;
}

// Writes bytes at offset and closes fd. The first failure is the error, the
// close's included: a file system may report a deferred write only there.
void writeAndClose(int fd, std::int64_t offset, const std::string& bytes, const std::string& path) {
    int err = writeWhole(fd, bytes, offset);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) throw writeFailure(err, path);
}

} // namespace

void writeAt(const std::string& path, std::int64_t position, const std::string& bytes) {
    writeAndClose(openToWrite(path), position - 1, bytes, path);
}

void writeNew(const std::string& path, const std::string& bytes) {
    const int fd = openToWrite(path);
    if (::ftruncate(fd, 0) != 0) {
        const int err = errno;
        ::close(fd);
        throw writeFailure(err, path);
    }
    writeAndClose(fd, 0, bytes, path);
}

void Kill(const std::string& path) {
    const fs::path real(resolvePath(path));
    // Only a name that is not there (ENOENT, ENOTDIR on the way), or a
    // folder under it, which is no file, is 53: a folder that cannot be
    // opened or a file that cannot be removed for any other reason (a
    // read-only disk, a refusal) is its own error.
    const int folder = openInProgramFolder(real.parent_path().string(), O_RDONLY | O_DIRECTORY);
    if (folder < 0) throw VbError(fileError(errno), {}, path);
    const Descriptor held{folder};
    if (::unlinkat(folder, real.filename().c_str(), 0) != 0)
        throw VbError(errno == EISDIR ? errFileNotFound : fileError(errno), {}, path);
}

} // namespace vb
