#include "platform/program_folder.h"

#include "platform/file_open.h"
#include "platform/path_text.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vb {
namespace {

// The program folder in its two forms: the bytes the file system knows it by,
// and the 8-bit text that data paths are joined to. A folder name with
// letters outside Windows-1252 has no exact text form; paths under it still
// reach it through the native form.
struct ProgramFolder {
    std::string native, text;
    bool asked = false; // native is the answer, empty when none
    bool own = false;   // proven to hold the running program
};
ProgramFolder& programFolderForms() {
    static ProgramFolder f;
    return f;
}

// A file as the kernel knows it, and the path it gave for it.
struct Image {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string path;
};

// The file mapped where this program's own code lies, as /proc/self/maps
// shows it: the line whose addresses hold this very function, which is part
// of the executable.
bool imageOfThisCode(Image& image) {
    const auto here = reinterpret_cast<std::uintptr_t>(&imageOfThisCode);
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps) return false;
    char* line = nullptr;
    size_t capacity = 0;
    bool found = false;
    for (ssize_t n; !found && (n = ::getline(&line, &capacity, maps)) > 0;) {
        unsigned long from = 0, to = 0, offset = 0, inode = 0;
        unsigned major = 0, minor = 0;
        char access[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %lx %x:%x %lu %n", &from, &to, access, &offset, &major, &minor,
                        &inode, &pathAt) < 7 ||
            here < from || here >= to)
            continue;
        // The path runs to the end of the line; the kernel writes a line
        // feed in it as \012, so a name with one is not found by its path.
        image.path.assign(line + pathAt, size_t(n - pathAt));
        if (!image.path.empty() && image.path.back() == '\n') image.path.pop_back();
        image.dev = makedev(major, minor);
        image.ino = ino_t(inode);
        found = inode != 0;
    }
    std::free(line);
    std::fclose(maps);
    return found;
}

// The file that runs as this program, and the path it was started by: the
// executable the kernel records, when the mapping of this program's code is
// that file; else the mapping's own file, as in a start through the dynamic
// loader (ld.so /path/catalogue), where the kernel records the loader.
// A stacked file system (overlayfs) may show the mapping with the device
// and inode of the file beneath it: there the mapping is the executable when
// the kernel names both by the same path.
bool runningImage(Image& image) {
    Image code;
    if (!imageOfThisCode(code)) return false;
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    struct stat exe {};
    if (n <= 0 || size_t(n) >= path.size() || ::stat("/proc/self/exe", &exe) != 0) return false;
    path.resize(size_t(n));
    if ((code.dev == exe.st_dev && code.ino == exe.st_ino) || code.path == path)
        image = {exe.st_dev, exe.st_ino, path};
    else
        image = code;
    return true;
}

// Whether folder's entry under name is the image itself (not a link to it):
// opened the way every file of the program is, beneath the folder's
// descriptor, which is kept for every later open.
bool entryIsImage(const std::string& folder, const std::string& name, const Image& image) {
    const int dir = openInProgramFolder(folder, O_PATH | O_DIRECTORY);
    if (dir < 0) return false;
    struct stat named {};
    const bool same = ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(named.st_mode) && named.st_dev == image.dev && named.st_ino == image.ino;
    ::close(dir);
    return same;
}

// The program's proof, made once: the running image's folder, when that
// folder's entry for the image's name is the image. A file that is no longer
// there under its name (replaced or removed) is named with " (deleted)"
// after it, and its folder is not proven; a real name that ends so is the
// running file itself. Not proven either: an image outside any folder (a
// memfd, a path outside this process's root), a folder that is gone.
void proveProgramFolder(ProgramFolder& f) {
    Image image;
    if (!runningImage(image) || image.path.empty() || image.path[0] != '/') return;
    const size_t slash = image.path.rfind('/');
    const std::string folder = slash == 0 ? "/" : image.path.substr(0, slash);
    std::string name = image.path.substr(slash + 1);
    // The folder's descriptor is opened under the name being proven.
    f.native = folder;
    static const std::string mark = " (deleted)";
    bool own = !name.empty() && entryIsImage(folder, name, image);
    if (!own && name.size() > mark.size() &&
        name.compare(name.size() - mark.size(), mark.size(), mark) == 0) {
        name.resize(name.size() - mark.size());
        own = entryIsImage(folder, name, image);
    }
    if (!own) {
        f.native.clear();
        forgetProgramFolderDescriptor();
        return;
    }
    f.text = pathText(folder);
    f.own = true;
}

} // namespace

void setProgramFolder(const std::string& folder) {
    ProgramFolder& f = programFolderForms();
    f.native = folder;
    while (f.native.size() > 1 && f.native.back() == '/')
        f.native.pop_back();
    f.text = pathText(f.native);
    f.asked = !f.native.empty();
    f.own = false;
    // The name may now stand for another folder than the one held open.
    forgetProgramFolderDescriptor();
}

// Declared in the tests' harness alone (support/harness.h): no program code
// takes a folder as proven without proof.
void proveProgramFolderForTests() {
    programFolderForms().own = true;
}

std::string programFolder() {
    ProgramFolder& f = programFolderForms();
    if (!f.asked) {
        // Asked once: the answer stays what it was at the start, whatever
        // becomes of the executable's file later.
        f.asked = true;
        proveProgramFolder(f);
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
    return programFolderForms().own;
}

const std::string& programFolderTextSoFar() {
    return programFolderForms().text;
}

} // namespace vb
