#include "platform/program_folder.h"

#include "platform/file_open.h"
#include "platform/path_text.h"

#include <climits>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vb {
namespace {

// The program folder in its two forms: the bytes the file system knows it by,
// and the 8-bit text that data paths are joined to. A folder name with
// letters outside Windows-1252 has no exact text form; paths under it still
// reach it through the native form.
struct ProgramFolder {
    std::string native, text;
    // The running executable's name in native, when the folder is the one
    // the kernel records it in.
    std::string executable;
    bool asked = false;  // native is the answer, empty when none
    bool proven = false; // a test's folder taken as the program's own
};
ProgramFolder& programFolderForms() {
    static ProgramFolder f;
    return f;
}

// The folder of the running executable as the kernel records it, and the
// executable's name there, as the bytes the file system knows them by. A
// file that is no longer there under its name (replaced or removed) is
// recorded with " (deleted)" after it; a real name that ends so is told from
// the mark by being the running file. False where no folder can be told:
// no record, a path that is not absolute (one outside this process's root),
// or a folder that is no longer there.
bool runningExecutable(std::string& folder, std::string& name) {
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || size_t(n) >= path.size() || path[0] != '/') return false;
    path.resize(size_t(n));
    struct stat running {};
    if (::stat("/proc/self/exe", &running) != 0) return false;
    static const std::string mark = " (deleted)";
    struct stat named {};
    const bool asNamed = ::lstat(path.c_str(), &named) == 0 && named.st_dev == running.st_dev &&
                         named.st_ino == running.st_ino;
    if (!asNamed && path.size() > mark.size() &&
        path.compare(path.size() - mark.size(), mark.size(), mark) == 0)
        path.resize(path.size() - mark.size());
    const size_t slash = path.rfind('/');
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
    struct stat st {};
    return !name.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void setProgramFolder(const std::string& folder) {
    ProgramFolder& f = programFolderForms();
    f.native = folder;
    while (f.native.size() > 1 && f.native.back() == '/')
        f.native.pop_back();
    f.text = pathText(f.native);
    f.executable.clear();
    f.asked = !f.native.empty();
    f.proven = false;
    // The name may now stand for another folder than the one held open.
    forgetProgramFolderDescriptor();
}

void proveProgramFolderForTests() {
    programFolderForms().proven = true;
}

std::string programFolder() {
    ProgramFolder& f = programFolderForms();
    if (!f.asked) {
        // Asked once: the answer stays what it was at the start, whatever
        // becomes of the executable's file later.
        f.asked = true;
        std::string folder, name;
        if (runningExecutable(folder, name)) {
            f.native = folder;
            f.text = pathText(folder);
            f.executable = name;
        }
    }
    return f.text;
}

const std::string& programFolderOnDisk() {
    programFolder();
    return programFolderForms().native;
}

bool programFolderKnown() {
    return !programFolderOnDisk().empty();
}

bool programFolderIsOwn() {
    programFolder();
    const ProgramFolder& f = programFolderForms();
    if (f.proven) return true;
    if (f.executable.empty()) return false;
    struct stat running {};
    if (::stat("/proc/self/exe", &running) != 0) return false;
    // The folder as every file of the program reaches it.
    const int dir = openInProgramFolder(f.native, O_PATH | O_DIRECTORY);
    if (dir < 0) return false;
    struct stat named {};
    const bool same = ::fstatat(dir, f.executable.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      named.st_dev == running.st_dev && named.st_ino == running.st_ino;
    ::close(dir);
    return same;
}

const std::string& programFolderTextSoFar() {
    return programFolderForms().text;
}

} // namespace vb
