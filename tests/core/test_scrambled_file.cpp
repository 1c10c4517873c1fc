#include "app/windows.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/leftovers.h"
#include "platform/picture.h"
#include "platform/program_folder.h"
#include "platform/temporary_files.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"
#include "support/tools.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <poll.h>
#include <regex>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace testing_support;

namespace {

class ScrambledFile : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        core::InitKeys();
        core::AppPath = appPath();
        // The test's own targets alone: the windows' controls are not what
        // these tests are about.
        core::clearScrambledTargets();
        core::registerScrambledTarget(
            20,
            [this](const std::string& temp, const std::string& content) {
                ++loads;
                lastContent = content;
                tempSeen = vb::fileExists(temp);
                tempBytes = readBytes(temp);
                tempName = temp;
            },
            core::TargetLoads::Document);
        core::registerScrambledTarget(
            21, [this](const std::string& temp, const std::string&) { picture = vb::LoadPicture(temp); },
            core::TargetLoads::Picture);
    }
    bool tempLeft() const {
        for (auto& e : std::filesystem::directory_iterator(appPath()))
            if (e.path().filename().string().rfind("DcFile.", 0) == 0) return true;
        return false;
    }
    // A damaged picture <name>.bmp under the program folder, with its
    // recovery copy <name>.REC; the picture's path.
    std::string damagedPicture(const std::string& name) const {
        writeBytes(file(name + ".bmp"), scrambleHeader(std::string(200, 'Q')));
        writeBytes(file(name + ".REC"), scrambledPicture(12, 10));
        return file(name + ".bmp");
    }
    // The user's way to a restore: the program finds the picture damaged,
    // the user answers Yes, and it is restored from its recovery copy,
    // whatever the umask.
    void recover(const std::string& path) {
        const mode_t before = ::umask(077);
        svc.answers = {vb::vbYes};
        core::LoadScrambledFile(path, 21);
        ::umask(before);
        EXPECT_TRUE(readBytes(path) == readBytes(path.substr(0, path.size() - 4) + ".REC"))
            << path << " is not its recovery copy";
    }
    int loads = 0;
    std::string lastContent, tempBytes;
    bool tempSeen = false;
    std::string tempName;
    QPixmap picture;
};

std::string withZeroAt(int pos, int length) {
    std::string s;
    for (int i = 0; i < length; ++i)
        s.push_back(char(i + 1 == pos ? 0 : 100));
    return s;
}

} // namespace

// Each number names one control. The windows' own numbers are all
// different, and a number taken a second time stops the start with a message
// that names it.
TEST(ScrambledTargets, ANumberTakenTwiceStopsTheStart) {
    const auto registerAgain = [](int index) {
        core::clearScrambledTargets();
        registerAllWindows();
        std::fputs("windows registered\n", stderr);
        if (index >= 0)
            core::registerScrambledTarget(
                index, [](const std::string&, const std::string&) {}, core::TargetLoads::Picture);
        std::exit(0);
    };
    EXPECT_EXIT(registerAgain(-1), ::testing::ExitedWithCode(0), "windows registered");
    EXPECT_EXIT(registerAgain(40), ::testing::ExitedWithCode(0), "windows registered");
    EXPECT_DEATH(registerAgain(24), "windows registered\nScrambled-file target 24 is registered twice");
    EXPECT_DEATH(registerAgain(1), "target 1 is registered twice");
}

TEST_F(ScrambledFile, DecodesHeaderThroughATemporaryFile) {
    const std::string path = file("x1.dat");
    writeBytes(path, withZeroAt(40, 120));
    core::LoadScrambledFile(path, 20);
    ASSERT_EQ(loads, 1);
    EXPECT_TRUE(tempSeen);
    EXPECT_FALSE(tempLeft());
    for (int i = 0; i < 39; ++i)
        EXPECT_EQ(static_cast<unsigned char>(lastContent[size_t(i)]), 100 + core::Key[size_t(i)]);
    EXPECT_EQ(lastContent.substr(39), withZeroAt(40, 120).substr(39)); // the 0 and the rest unchanged

    writeBytes(path, withZeroAt(1, 50));
    core::LoadScrambledFile(path, 20);
    EXPECT_EQ(lastContent, withZeroAt(1, 50)); // empty header: the file as it is

    // Decoded a block at a time: the rest of a large file follows as it is.
    std::string large = withZeroAt(40, 120);
    for (int i = 0; large.size() < (5u << 19) + 7; ++i)
        large += char(i * 7);
    writeBytes(path, large);
    core::LoadScrambledFile(path, 20);
    ASSERT_EQ(lastContent.size(), large.size());
    EXPECT_EQ(lastContent.substr(39), large.substr(39));
    EXPECT_EQ(tempBytes, lastContent);
}

TEST_F(ScrambledFile, TargetsWithoutControlLoadNothingAndLeaveNoTemporary) {
    const std::string path = file("x1.gif");
    writeBytes(path, withZeroAt(3, 90));
    for (int t : {0, 15, 32})
        core::LoadScrambledFile(path, t);
    EXPECT_EQ(loads, 0);
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_FALSE(tempLeft());
}

TEST_F(ScrambledFile, SecondKeyIsClearedOnlyByBeltTargets) {
    const std::string path = file("x1.gif");
    writeBytes(path, withZeroAt(3, 90));
    core::UseSecondKey = true;
    core::LoadScrambledFile(path, 20);
    EXPECT_TRUE(core::UseSecondKey);
    for (int t : {9, 26, 27}) {
        // The belt targets' windows are not what this test is about.
        core::registerScrambledTarget(
            t, [](const std::string&, const std::string&) {}, core::TargetLoads::Picture);
        core::UseSecondKey = true;
        core::LoadScrambledFile(path, t);
        EXPECT_FALSE(core::UseSecondKey) << t;
    }
}

TEST_F(ScrambledFile, MissingFileIsFatalWithLowerCasePath) {
    const std::string path = appPath() + "\\SYM\\xSymb_12.gif";
    EXPECT_THROW(core::LoadScrambledFile(path, 20), vb::ProgramEnded);
    ASSERT_EQ(svc.boxes.size(), 1u);
    std::string lower = path;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(svc.boxes[0].prompt, "Error: (0) file " + lower + " not available");
    EXPECT_EQ(svc.boxes[0].flags, 16);
}

// A document larger than any real one (a sparse file: it takes no disk
// space) is refused unread: the message says it is too large, nothing is
// decoded or loaded, and the program ends.
TEST_F(ScrambledFile, DocumentTooLargeIsRefusedUnread) {
    const std::string path = file("XHUGE.RTF");
    writeBytes(path, withZeroAt(3, 90));
    ASSERT_EQ(::truncate(path.c_str(), off_t(core::kLargestDocument + 1)), 0);
    EXPECT_THROW(core::LoadScrambledFile(path, 20), vb::ProgramEnded);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + vb::LCase(path) + " is too large for a document: " +
                                       std::to_string(core::kLargestDocument + 1) + " bytes, of at most " +
                                       std::to_string(core::kLargestDocument));
    EXPECT_EQ(loads, 0);
    EXPECT_FALSE(tempLeft());
}

TEST_F(ScrambledFile, PictureLoadsIntoItsTarget) {
    writeBytes(file("pic.bmp"), scrambledPicture(30, 20));
    core::LoadScrambledFile(file("pic.bmp"), 21);
    EXPECT_EQ(picture.width(), 30);
    EXPECT_FALSE(tempLeft());
}

namespace {
// Run in a child made by fork(): from now on the process is the user and
// group given, with no other group.
void becomeUser(uid_t user, gid_t group) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(group, group, group) != 0 ||
        ::setresuid(user, user, user) != 0)
        std::_Exit(2);
}
// Exits with 0 when the user reads bytes from the file of that name in the
// open folder (which the user may search), else with 1.
void exitReadingAs(uid_t user, gid_t group, int folder, const char* name, const std::string& bytes) {
    becomeUser(user, group);
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC);
    std::string read(bytes.size() + 1, '\0');
    std::_Exit(fd >= 0 && ::read(fd, read.data(), read.size()) == ssize_t(bytes.size()) &&
                       read.compare(0, bytes.size(), bytes) == 0
                   ? 0
                   : 1);
}
} // namespace

// A damaged picture is restored from its recovery copy with the rights of
// the file it replaces, whatever the umask: the mode that its owner gave it.
TEST_F(ScrambledFile, BrokenPictureRecoveredFromItsCopy) {
    const std::string path = file("X0012.bmp");
    writeBytes(path, scrambleHeader(std::string(200, 'Q')));
    writeBytes(file("X0012.REC"), scrambledPicture(12, 10));
    svc.answers = {vb::vbYes};
    core::LoadScrambledFile(path, 21);
    ASSERT_EQ(svc.boxes.size(), 1u);
    std::string lower = path;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(svc.boxes[0].prompt, "(481) File " + lower + " Failed !! To try to recover ?");
    EXPECT_EQ(svc.boxes[0].flags, 20);
    EXPECT_EQ(svc.boxes[0].title, std::optional<std::string>("(2) Read File Error"));
    EXPECT_EQ(picture.width(), 12);
    EXPECT_EQ(readBytes(path), readBytes(file("X0012.REC")));
    EXPECT_FALSE(tempLeft());

    for (const mode_t mode : {0640, 0604}) {
        const std::string damaged = damagedPicture("X0020");
        ASSERT_EQ(::chmod(damaged.c_str(), mode), 0);
        recover(damaged);
        struct stat st {};
        ASSERT_EQ(::stat(damaged.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
}

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Expects user nobody to read the file, or not to, as it is now (in a child
// process that becomes that user).
void expectNobodyReads(const std::string& path, bool reads) {
    const std::filesystem::path p(path);
    const int folder = ::open(p.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    EXPECT_EXIT(exitReadingAs(kNobody, kNogroup, folder, p.filename().c_str(), readBytes(path)),
                ::testing::ExitedWithCode(reads ? 0 : 1), "")
        << path << (reads ? ": nobody cannot read it" : ": nobody reads it");
    ::close(folder);
}
} // namespace

// Root restores another user's picture with that user's owner and group,
// which that user then reads as before. A user who restores another's file
// (one who may write its folder, but may not give the file away) keeps no
// set-ID bit, and gives the user's own group no more than the file gave
// everyone.
TEST_F(ScrambledFile, AnotherUsersPictureRecoveredWithItsRights) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to restore a file of another user";
    ASSERT_EQ(::chmod(appPath().c_str(), 0711), 0); // the user reaches the files inside
    const std::string damaged = damagedPicture("X0021");
    ASSERT_EQ(::chown(damaged.c_str(), kNobody, kNogroup), 0);
    ASSERT_EQ(::chmod(damaged.c_str(), 0644), 0);
    recover(damaged);
    struct stat st {};
    ASSERT_EQ(::stat(damaged.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNogroup);
    expectNobodyReads(damaged, true);

    // Root's file, restored by the user in a folder that everyone writes.
    std::filesystem::create_directory(file("shared"));
    ASSERT_EQ(::chmod(file("shared").c_str(), 0777), 0);
    writeBytes(file("shared/X0022.bmp"), "damaged");
    writeBytes(file("shared/X0022.REC"), "restored");
    ASSERT_EQ(::chmod(file("shared/X0022.REC").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(file("shared/X0022.bmp").c_str(), 06754), 0);
    EXPECT_EXIT(
        {
            becomeUser(kNobody, kNogroup);
            vb::FileCopy(file("shared/X0022.REC"), file("shared/X0022.bmp"));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readBytes(file("shared/X0022.bmp")), "restored");
    struct stat given {};
    ASSERT_EQ(::stat(file("shared/X0022.bmp").c_str(), &given), 0);
    EXPECT_EQ(given.st_uid, kNobody);
    EXPECT_EQ(given.st_mode & 07777, 0744u);
}

namespace {
// The access ACL of a file as getfacl shows it, its IDs as numbers.
std::string aclOf(const std::string& path) {
    return runTool("getfacl",
                   {"--omit-header", "--numeric", "--absolute-names", QString::fromStdString(path)})
        .value_or("(getfacl failed)")
        .toStdString();
}
void setAcl(const QStringList& args) {
    EXPECT_TRUE(runTool("setfacl", args));
}
} // namespace

// A restored picture keeps the access ACL of the file it replaces, and has
// none where that file had none, whatever ACL its folder gives new files:
// a user the ACL lets read it reads it after the restore, and one it keeps
// out, or that only the folder's ACL names, stays out. A user who restores
// root's file gives the user's own group, as with the mode, no more than
// the ACL gave everyone, and the named users keep their rights.
TEST_F(ScrambledFile, RecoveredPictureKeepsItsAcl) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to read as another user";
    if (QStandardPaths::findExecutable("setfacl").isEmpty() ||
        QStandardPaths::findExecutable("getfacl").isEmpty())
        GTEST_SKIP() << "setfacl and getfacl (Debian's acl) are not installed";
    if (::getxattr(appPath().c_str(), "system.posix_acl_access", nullptr, 0) < 0 && errno == EOPNOTSUPP)
        GTEST_SKIP() << "the file system of " << appPath() << " keeps no ACLs";
    ASSERT_EQ(::chmod(appPath().c_str(), 0711), 0); // nobody reaches the files inside
    const auto restoredAsItWas = [&](const std::string& path, bool nobodyReads) {
        const std::string before = aclOf(path);
        expectNobodyReads(path, nobodyReads);
        recover(path);
        EXPECT_EQ(aclOf(path), before) << path;
        expectNobodyReads(path, nobodyReads);
    };

    const std::string granted = damagedPicture("X0030");
    ASSERT_EQ(::chmod(granted.c_str(), 0640), 0);
    setAcl({"-m", "user:nobody:r--", QString::fromStdString(granted)});
    restoredAsItWas(granted, true);

    const std::string denied = damagedPicture("X0031");
    ASSERT_EQ(::chmod(denied.c_str(), 0644), 0);
    setAcl({"-m", "user:nobody:---", QString::fromStdString(denied)});
    restoredAsItWas(denied, false);

    // A file without an ACL in a folder whose default ACL lets nobody in.
    std::filesystem::create_directory(file("inherits"));
    ASSERT_EQ(::chmod(file("inherits").c_str(), 0711), 0);
    const std::string plain = damagedPicture("inherits/X0032");
    ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
    setAcl({"-d", "-m", "user:nobody:rwx", QString::fromStdString(file("inherits"))});
    restoredAsItWas(plain, false);

    const std::string everyones = damagedPicture("X0033");
    ASSERT_EQ(::chmod(everyones.c_str(), 0644), 0);
    restoredAsItWas(everyones, true);

    // Root's file, restored by nobody in a folder that everyone writes.
    std::filesystem::create_directory(file("shared"));
    ASSERT_EQ(::chmod(file("shared").c_str(), 0777), 0);
    writeBytes(file("shared/X0034.bmp"), "damaged");
    writeBytes(file("shared/X0034.REC"), "restored");
    ASSERT_EQ(::chmod(file("shared/X0034.REC").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(file("shared/X0034.bmp").c_str(), 0754), 0);
    setAcl({"-m", "user:1:r-x", QString::fromStdString(file("shared/X0034.bmp"))});
    EXPECT_EXIT(
        {
            becomeUser(kNobody, kNogroup);
            vb::FileCopy(file("shared/X0034.REC"), file("shared/X0034.bmp"));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readBytes(file("shared/X0034.bmp")), "restored");
    EXPECT_EQ(aclOf(file("shared/X0034.bmp")),
              "user::rwx\nuser:1:r-x\ngroup::r--\nmask::r-x\nother::r--\n\n");
    struct stat given {};
    ASSERT_EQ(::stat(file("shared/X0034.bmp").c_str(), &given), 0);
    EXPECT_EQ(given.st_uid, kNobody);
    EXPECT_EQ(given.st_gid, kNogroup);
    EXPECT_EQ(given.st_mode & 07777, 0754u);
}

// On a file system that keeps no ACLs, a picture is restored with its mode.
TEST_F(ScrambledFile, RecoveredPictureOnAFileSystemWithoutAcls) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to mount a file system";
    const std::string disk = file("ramfs");
    std::filesystem::create_directory(disk);
    if (::mount("ramfs", disk.c_str(), "ramfs", 0, nullptr) != 0)
        GTEST_SKIP() << "no ramfs can be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};
    const std::string damaged = damagedPicture("ramfs/X0035");
    ASSERT_EQ(::chmod(damaged.c_str(), 0640), 0);
    ASSERT_LT(::getxattr(damaged.c_str(), "system.posix_acl_access", nullptr, 0), 0);
    ASSERT_EQ(errno, EOPNOTSUPP);
    recover(damaged);
    EXPECT_EQ(svc.boxes.size(), 1u); // the question alone
    struct stat st {};
    ASSERT_EQ(::stat(damaged.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A file whose rights cannot be told (here, a disk that fails as it is
// opened to read them) is not replaced: the copy stops with the system's
// reason and leaves no part file.
TEST_F(ScrambledFile, RestoreStopsWhereTheRightsCannotBeTold) {
    const std::string damaged = damagedPicture("X0036");
    const std::string before = readBytes(damaged);
    EXPECT_EXIT(
        {
            if (!injectFaults({{InjectedFault::Open, "X0036.bmp", EIO}})) std::_Exit(3);
            try {
                vb::FileCopy(file("X0036.REC"), damaged);
            } catch (const vb::VbError& e) {
                std::fprintf(stderr, "error %d: %s, %d injected\n", e.number(), e.description().c_str(),
                             injectedFaultCount());
                std::exit(0);
            }
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "error 75: Input/output error, 1 injected");
    EXPECT_TRUE(readBytes(damaged) == before) << damaged << " was replaced";
    for (const auto& e : std::filesystem::directory_iterator(appPath()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
}

TEST_F(ScrambledFile, RecoveryRefusedEndsTheProgram) {
    const std::string path = file("X0013.bmp");
    writeBytes(path, scrambleHeader(std::string(200, 'Q')));
    svc.answers = {vb::vbNo};
    EXPECT_THROW(core::LoadScrambledFile(path, 21), vb::ProgramEnded);
}

TEST_F(ScrambledFile, NoRecoveryCopyKeepsGoingAndRemovesTheTemporary) {
    const std::string path = file("X0014.bmp");
    writeBytes(path, scrambleHeader(std::string(200, 'Q')));
    svc.answers = {vb::vbYes};
    core::LoadScrambledFile(path, 21);
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(svc.boxes[1].prompt, "Unable to recover " + path);
    EXPECT_EQ(svc.boxes[1].title, std::nullopt);
    EXPECT_FALSE(svc.ended);
    EXPECT_FALSE(tempLeft());
}

TEST_F(ScrambledFile, NamesOfTemporaryAndRecoveryCopy) {
    // In the program folder, named for the kind of the data file.
    writeBytes(file("x.jpeg"), withZeroAt(3, 90));
    core::LoadScrambledFile(file("x.jpeg"), 20);
    const std::filesystem::path temp(tempName);
    EXPECT_EQ(temp.parent_path(), std::filesystem::path(appPath()));
    EXPECT_EQ(temp.filename().string().rfind("DcFile.", 0), 0u) << tempName;
    EXPECT_EQ(temp.extension(), ".peg");
    EXPECT_EQ(core::recoveryPath("a\\x0012.gif"), "a\\x0012.REC");
}

// Two programs on one folder, or a link planted under the name: each call
// decodes into a new file of its own, and nothing else is written or removed.
TEST_F(ScrambledFile, TemporaryFileIsTheCallsOwn) {
    QTemporaryDir elsewhere;
    const std::string outside = elsewhere.path().toStdString() + "/kept.gif";
    writeBytes(outside, "outside");
    std::filesystem::create_symlink(outside, file("DcFile.gif"));
    writeBytes(file("DcFile.jpg"), "another program's picture");
    writeBytes(file("DcFile.rtf"), "");
    writeBytes(file("xa.gif"), scrambledPicture(30, 20));
    writeBytes(file("xb.gif"), scrambledPicture(12, 10));
    // While this call holds its decoded picture, another one decodes a
    // picture of the same kind.
    QPixmap outer;
    core::registerScrambledTarget(
        22,
        [&](const std::string& temp, const std::string&) {
            core::LoadScrambledFile(file("xb.gif"), 21);
            outer = vb::LoadPicture(temp);
        },
        core::TargetLoads::Picture);
    core::LoadScrambledFile(file("xa.gif"), 22);
    EXPECT_EQ(outer.width(), 30);
    EXPECT_EQ(picture.width(), 12);
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(readBytes(outside), "outside");
    EXPECT_TRUE(std::filesystem::is_symlink(file("DcFile.gif")));
    EXPECT_EQ(readBytes(file("DcFile.jpg")), "another program's picture");
    EXPECT_TRUE(std::filesystem::exists(file("DcFile.rtf")));
    int decoded = 0;
    for (auto& e : std::filesystem::directory_iterator(appPath()))
        if (e.path().filename().string().rfind("DcFile.", 0) == 0) ++decoded;
    EXPECT_EQ(decoded, 3); // only the three that were there before
}

TEST_F(ScrambledFile, UnwritableProgramFolderIsFatal) {
    writeBytes(file("x1.gif"), withZeroAt(3, 90));
    core::AppPath = appPath() + "/no/such/folder";
    EXPECT_THROW(core::LoadScrambledFile(file("x1.gif"), 20), vb::ProgramEnded);
    ASSERT_EQ(svc.boxes.size(), 1u);
    // What failed, where and why; not that the data file is missing.
    EXPECT_EQ(svc.boxes[0].prompt, "Error: (75) the temporary file for " + vb::LCase(file("x1.gif")) +
                                       " could not be written in " + core::AppPath +
                                       ": No such file or directory");
    EXPECT_EQ(loads, 0);
}

namespace {
// Set for a child process of the test below: the program folder in which it
// restores cars\02\XBIG.jpg from its recovery copy.
constexpr const char* kRestoreIn = "CATALOGUE_TEST_RESTORE_IN";
} // namespace

// A program killed while it copies a recovery copy over its damaged data file
// leaves the copy's part file behind, named as only this program names one;
// the next start removes it, and the data file and its recovery copy stay as
// they were.
TEST_F(ScrambledFile, CopyCutShortByAKillGoesAtTheNextStart) {
    namespace fs = std::filesystem;
    const std::string folder = file("cars/02"), path = folder + "/XBIG.jpg", rec = folder + "/XBIG.REC";
    const std::string damaged = scrambleHeader(std::string(200, 'Q'));
    const auto parts = [&] {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().filename().string().find(".part") != std::string::npos) found.push_back(e.path());
        return found;
    };
    // The kill must come while the copy is written; a copy done before it
    // is tried again, larger.
    bool cut = false;
    std::size_t size = 64u << 20;
    for (; !cut && size <= (512u << 20); size *= 2) {
        writeBytes(path, damaged);
        writeBytes(rec, std::string(size, 'R'));
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
        QProcess child;
        startChildTest(child, "ScrambledFileChild.RestoresFromTheRecoveryCopy",
                       {{kRestoreIn, QString::fromStdString(appPath())}});
        ASSERT_TRUE(child.waitForStarted());
        // Killed the moment the copy's part file appears.
        bool killed = false;
        pollfd ready{watch, POLLIN, 0};
        while (!killed && ::poll(&ready, 1, 60000) == 1) {
            alignas(inotify_event) char events[4096];
            const ssize_t n = ::read(watch, events, sizeof events);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                if (e->len > 0 && std::strstr(e->name, ".part") && !killed)
                    killed = ::kill(pid_t(child.processId()), SIGKILL) == 0;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
        ::close(watch);
        ASSERT_TRUE(killed) << child.readAll().toStdString();
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        cut = !parts().empty();
    }
    ASSERT_TRUE(cut) << "every copy was done before its kill";
    size /= 2;
    ASSERT_EQ(parts().size(), 1u);
    const std::string part = parts()[0].filename().string();
    EXPECT_TRUE(std::regex_match(part, std::regex(R"(XBIG\.jpg\.part[A-Za-z0-9]{6}\.catalogue)"))) << part;
    EXPECT_EQ(readBytes(path), damaged);

    vb::removeLeftoverTemporaries(appPath());
    EXPECT_TRUE(parts().empty());
    EXPECT_EQ(readBytes(path), damaged);
    EXPECT_EQ(fs::file_size(rec), size);
}

using ScrambledFileChild = ScrambledFile;

// Run by the test above in a process of its own.
TEST_F(ScrambledFileChild, RestoresFromTheRecoveryCopy) {
    const QByteArray folder = qgetenv(kRestoreIn);
    if (folder.isEmpty()) GTEST_SKIP() << "run by ScrambledFile.CopyCutShortByAKillGoesAtTheNextStart";
    vb::setProgramFolder(folder.toStdString());
    core::AppPath = vb::programFolder();
    svc.answers = {vb::vbYes, vb::vbNo};
    EXPECT_THROW(core::LoadScrambledFile(core::AppPath + "\\cars\\02\\XBIG.jpg", 21), vb::ProgramEnded);
}
