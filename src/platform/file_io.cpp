#include "platform/file_io.h"

#include "platform/errors.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vb {

VbError writeFailure(int err, const std::string& folder) {
    return VbError(err == ENOSPC || err == EDQUOT ? errDiskFull : errPathAccess, std::strerror(err), folder);
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

bool fileExists(const std::string& path) {
    std::error_code ec;
    try {
        return fs::is_regular_file(resolvePath(path), ec);
    } catch (const VbError&) {
        return false;
    }
}

std::int64_t FileLen(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(resolvePath(path), ec);
    if (ec) throw VbError(errFileNotFound, {}, path);
    return std::int64_t(size);
}

std::string readAll(const std::string& path) {
    std::string real = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) throw VbError(errFileNotFound, {}, path);
    std::ifstream in(real, std::ios::binary | std::ios::ate);
    if (!in) throw VbError(errPathAccess, {}, path);
    // One read of the whole length.
    std::string data(size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(data.data(), std::streamsize(data.size()));
    if (in.bad() || in.gcount() != std::streamsize(data.size())) throw VbError(errPathAccess, {}, path);
    return data;
}

std::string readStart(const std::string& path, std::size_t count) {
    std::string real = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) throw VbError(errFileNotFound, {}, path);
    std::ifstream in(real, std::ios::binary);
    if (!in) throw VbError(errPathAccess, {}, path);
    std::string data(count, '\0');
    in.read(data.data(), std::streamsize(count));
    if (in.bad()) throw VbError(errPathAccess, {}, path);
    data.resize(std::size_t(in.gcount()));
    return data;
}

namespace {

// Opens real, a path resolvePath has placed inside the program folder, for
// writing. A name that does not exist is created new and never through a link
// (O_EXCL refuses any link, dangling or not); a link, which the placing
// followed and found inside, is followed only to a file that exists. -1 with
// errno set when it cannot be opened.
int openForWriting(const std::string& real, int flags) {
    const int fd = ::open(real.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | flags);
    if (fd >= 0 || (errno != ENOENT && errno != ELOOP)) return fd;
    if (errno == ENOENT) return ::open(real.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | flags, 0666);
    const std::string target = realPlace(real);
    if (target.empty()) {
        errno = ELOOP;
        return -1;
    }
    return ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | flags);
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
    const int fd = openForWriting(resolvePath(path), 0);
    if (fd < 0) throw writeFailure(errno, path);
    writeAndClose(fd, position - 1, bytes, path);
}

void writeNew(const std::string& path, const std::string& bytes) {
    const int fd = openForWriting(resolvePath(path), O_TRUNC);
    if (fd < 0) throw writeFailure(errno, path);
    writeAndClose(fd, 0, bytes, path);
}

void Kill(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(resolvePath(path), ec) || ec) throw VbError(errFileNotFound, {}, path);
}

} // namespace vb
