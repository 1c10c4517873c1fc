#include "platform/program_folder.h"

#include "platform/errors.h"
#include "platform/file_open.h"
#include "platform/path_text.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace vb {
namespace {

// The program folder in its two forms: the bytes the file system knows it by,
// and the 8-bit text that data paths are joined to. A folder name with
// letters outside Windows-1252 has no exact text form; paths under it still
// reach it through the native form.
struct ProgramFolder {
    std::string native, text;
    bool asked = false; // proven, once, at the first question: native is the answer, empty when none
    bool own = false;   // proven to hold the running program
    ProofFault fault;   // why the proof decided nothing, where it did not
};
ProgramFolder& programFolderForms() {
    static ProgramFolder f;
    return f;
}

// Records a failed call on file (errno) as a fault where it was one: any
// failure but a name that is not there (fileError). A shortage has the proof
// tried again; any other fault decides it. False, for the caller to give.
bool failedOn(ProofFault& fault, const std::string& file) {
    if (const int number = fileError(errno); number != errFileNotFound) fault = {number, file};
    return false;
}

constexpr const char* kMaps = "/proc/self/maps";
constexpr const char* kExe = "/proc/self/exe";

// A file as the kernel knows it, and the path it gave for it.
struct Image {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string path;
};

// The file mapped where this program's own code lies, as /proc/self/maps
// shows it: the line whose addresses hold this very function, which is part
// of the executable.
// A read of the list that fails is no answer: the fault is noted.
bool imageOfThisCode(Image& image, ProofFault& fault) {
    const auto here = reinterpret_cast<std::uintptr_t>(&imageOfThisCode);
    FILE* maps = std::fopen(kMaps, "re");
    if (!maps) return failedOn(fault, kMaps);
    char* line = nullptr;
    size_t capacity = 0;
    bool found = false;
    // getline gives -1 at the end and on a failure alike; only a failure
    // sets errno.
    ssize_t n = 0;
    while (!found && (errno = 0, n = ::getline(&line, &capacity, maps)) > 0) {
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
    const int readError = found ? 0 : errno;
    std::free(line);
    std::fclose(maps);
    errno = readError;
    if (readError != 0) failedOn(fault, kMaps);
    return found;
}

// The file that runs as this program, and the path it was started by: the
// executable the kernel records, when the mapping of this program's code is
// that file; else the mapping's own file, as in a start through the dynamic
// loader (ld.so /path/catalogue), where the kernel records the loader.
// A stacked file system (overlayfs) may show the mapping with the device
// and inode of the file beneath it: there the mapping is the executable when
// the kernel names both by the same path.
bool runningImage(Image& image, ProofFault& fault) {
    Image code;
    if (!imageOfThisCode(code, fault)) return false;
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink(kExe, path.data(), path.size());
    if (n < 0) return failedOn(fault, kExe);
    struct stat exe {};
    if (n == 0 || size_t(n) >= path.size()) return false;
    if (::stat(kExe, &exe) != 0) return failedOn(fault, kExe);
    path.resize(size_t(n));
    if ((code.dev == exe.st_dev && code.ino == exe.st_ino) || code.path == path)
        image = {exe.st_dev, exe.st_ino, path};
    else
        image = code;
    return true;
}

// The folder whose proof runs, for the length of one try, opened once by its
// name. The proof looks at the folder's entry beneath that descriptor,
// opened as every file of the program is (openInFolder), and the descriptor
// of a folder proven is kept for every later open: so the descriptor whose
// entry the proof checks is the very one through which the program reaches
// its files. Ended unproven, the trial drops it.
class FolderOnTrial {
  public:
    explicit FolderOnTrial(const std::string& folder) : folder_(openFolder(folder)) {}
    // Whether the folder's entry under name is the image itself (not a link
    // to it), as the folder's descriptor shows it.
    bool holds(const std::string& name, const Image& image, ProofFault& fault) const {
        const std::string& folder = folder_->native;
        const int dir = openInFolder(*folder_, folder, O_PATH | O_DIRECTORY);
        if (dir < 0) return failedOn(fault, folder);
        struct stat named {};
        const bool there = ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
        if (!there) failedOn(fault, folder + "/" + name);
        ::close(dir);
        return there && S_ISREG(named.st_mode) && named.st_dev == image.dev && named.st_ino == image.ino;
    }
    // The folder is the program's: its name and descriptor are kept.
    void proven(ProgramFolder& f) const {
        f.native = folder_->native;
        f.text = pathText(f.native);
        f.own = true;
        keepProgramFolderDescriptor(folder_);
    }

  private:
    std::shared_ptr<const OpenFolder> folder_;
};

// One try of the program's proof: the running image's folder, when that
// folder's entry for the image's name is the image. A file that is no longer
// there under its name (replaced or removed) is named with " (deleted)"
// after it, and its folder is not proven; a real name that ends so is the
// running file itself. Not proven either: an image outside any folder (a
// memfd, a path outside this process's root), a folder that is gone. A
// fault met on the way is noted for proveProgramFolder.
void tryToProve(ProgramFolder& f, ProofFault& fault) {
    Image image;
    if (!runningImage(image, fault) || image.path.empty() || image.path[0] != '/') return;
    const size_t slash = image.path.rfind('/');
    const FolderOnTrial folder(slash == 0 ? "/" : image.path.substr(0, slash));
    std::string name = image.path.substr(slash + 1);
    static const std::string mark = " (deleted)";
    bool own = !name.empty() && folder.holds(name, image, fault);
    if (!own && name.size() > mark.size() &&
        name.compare(name.size() - mark.size(), mark.size(), mark) == 0) {
        name.resize(name.size() - mark.size());
        own = folder.holds(name, image, fault);
    }
    if (own) folder.proven(f);
}

// The proof, made once. A lack of descriptors or memory passes, and says
// nothing of the folder: a try that meets one is made again, after a pause
// that grows, and one that still meets it at the last try leaves the
// shortage as the answer (programFolderFault), never a folder called lost.
// Any other fault is the answer at once.
void proveProgramFolder(ProgramFolder& f) {
    constexpr int kTries = 5;
    for (int tries = 1;; ++tries) {
        ProofFault fault;
        tryToProve(f, fault);
        if (f.own || fault.number == 0) return;
        if (tries == kTries || !isShortage(fault.number)) {
            f.fault = fault;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * tries));
    }
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
    f.fault = {};
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

ProofFault programFolderFault() {
    programFolder();
    return programFolderForms().fault;
}

const std::string& programFolderTextSoFar() {
    return programFolderForms().text;
}

} // namespace vb
