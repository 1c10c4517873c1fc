// The start under exhausted limits: a picture far larger than any the reader
// loads, and a process short of descriptors. Each case runs the start in a
// process of its own, whose limits it lowers, and reports what it showed.
#include "core/module1.h"
#include "core/start_window.h"
#include "core/window_services.h"
#include "db/query.h"
#include "platform/events.h"
#include "platform/form.h"
#include "platform/services.h"
#include "support/harness.h"

#include <QImageReader>
#include <QProcess>
#include <QString>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;

namespace {

// Set for a child process: "huge" or "intact", the logo it starts with.
constexpr const char* kLogo = "CATALOGUE_TEST_LOGO";
// Set for a child process: how many descriptors it leaves free to its start.
constexpr const char* kFreeDescriptors = "CATALOGUE_TEST_FREE_DESCRIPTORS";

// What a child said: its report lines, or the failure to get them.
struct ChildReport {
    std::vector<std::string> boxes;
    std::string table;
    int logoWidth = -1;
    long peakKb = -1;
    int decodedLeft = -1;
    bool ended = false;
};

ChildReport runChild(const QString& test, const std::vector<std::pair<QString, QString>>& variables) {
    QProcess child;
    startChildTest(child, test, variables);
    EXPECT_TRUE(child.waitForFinished(120000));
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said;
    ChildReport r;
    bool done = false;
    std::size_t at = 0;
    while (at < said.size()) {
        std::size_t end = said.find('\n', at);
        if (end == std::string::npos) end = said.size();
        const std::string line = said.substr(at, end - at);
        at = end + 1;
        const auto value = [&](const char* key) { return line.substr(std::string(key).size()); };
        if (line.rfind("box: ", 0) == 0) r.boxes.push_back(value("box: "));
        if (line.rfind("table: ", 0) == 0) r.table = value("table: ");
        if (line.rfind("logo: ", 0) == 0) r.logoWidth = std::stoi(value("logo: "));
        if (line.rfind("peak: ", 0) == 0) r.peakKb = std::stol(value("peak: "));
        if (line.rfind("decoded left: ", 0) == 0) r.decodedLeft = std::stoi(value("decoded left: "));
        if (line == "ended") r.ended = true;
        done = done || line == "report done";
    }
    // A child that skipped or died early proves nothing.
    EXPECT_TRUE(done) << said;
    return r;
}

// One mebibyte past the picture reader's allocation limit: the logo with
// that many zeros after it.
std::int64_t hugeLogoSize() {
    return (std::int64_t(QImageReader::allocationLimit()) + 1) << 20;
}

bool anyBoxWith(const ChildReport& r, const std::string& text) {
    for (const auto& b : r.boxes)
        if (b.find(text) != std::string::npos) return true;
    return false;
}

// A message on one line of a child's report.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

class LimitsChild : public WindowTest {
  protected:
    // Starts the program as a user does, and answers yes to a question.
    void startAsAUser() {
        svc.answers = {vb::vbYes};
        try {
            startProgram();
        } catch (const vb::ProgramEnded&) {
        }
    }
    void report() {
        for (const auto& b : svc.boxes)
            std::printf("box: %s\n", oneLine(b.prompt).c_str());
        if (svc.ended) std::printf("ended\n");
        // The start window as the start left it, not loaded anew.
        const auto* start = static_cast<core::Form1*>(vb::FormRegistry::existing(core::Form1::kFormName));
        std::printf("logo: %d\n", start ? start->Image2.Picture().width() : 0);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("peak: %ld\n", usage.ru_maxrss);
        int decoded = 0;
        for (const auto& e : std::filesystem::directory_iterator(appPath()))
            decoded += e.path().filename().string().rfind("DcFile.", 0) == 0;
        std::printf("decoded left: %d\n", decoded);
        std::printf("report done\n");
        std::fflush(stdout);
    }
};

} // namespace

// A logo far larger than any picture the reader would load (a sparse file:
// it takes no disk space) is refused unread, as a damaged picture: the start
// asks to recover it, holds no copy of it in memory and writes no decoded
// copy of it, and goes on without it.
TEST(Limits, HugePictureIsRefusedUnreadAsDamaged) {
    const ChildReport intact = runChild("LimitsChild.StartsWithItsLogo", {{kLogo, "intact"}});
    const ChildReport huge = runChild("LimitsChild.StartsWithItsLogo", {{kLogo, "huge"}});
    EXPECT_GT(intact.logoWidth, 0);
    EXPECT_TRUE(intact.boxes.empty());
    ASSERT_EQ(huge.boxes.size(), 2u);
    EXPECT_NE(huge.boxes[0].find("(481) File "), std::string::npos) << huge.boxes[0];
    EXPECT_NE(huge.boxes[0].find("\\mas\\xlogo.gif Failed !! To try to recover ?"), std::string::npos)
        << huge.boxes[0];
    EXPECT_NE(huge.boxes[1].find("Unable to recover "), std::string::npos) << huge.boxes[1];
    EXPECT_EQ(huge.logoWidth, 0);
    EXPECT_FALSE(huge.ended);
    EXPECT_EQ(huge.decodedLeft, 0);
    // Its peak memory is that of a start with an intact logo, to well below
    // the size of the file.
    const long fileKb = long(hugeLogoSize() >> 10);
    ASSERT_GT(intact.peakKb, 0);
    EXPECT_LT(huge.peakKb - intact.peakKb, fileKb / 8) << huge.peakKb << " kB against " << intact.peakKb;
}

// Run by the test above in a process of its own: starts with the logo it is
// told of. No file larger than 16 MiB can be written there, so a decoded copy
// of the huge logo fails to be written rather than fill the disk.
TEST_F(LimitsChild, StartsWithItsLogo) {
    const QByteArray logo = qgetenv(kLogo);
    if (logo.isEmpty()) GTEST_SKIP() << "run by Limits.HugePictureIsRefusedUnreadAsDamaged";
    if (logo == "huge") {
        ASSERT_EQ(::truncate(file("mas/xlogo.gif").c_str(), off_t(hugeLogoSize())), 0);
    }
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit written{16u << 20, 16u << 20};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &written), 0);
    startAsAUser();
    report();
}

// Short of descriptors, the start never calls an intact file missing or
// damaged, and never asks to recover one: it goes on, or it tells the user
// that there are too many files open. The leftover walk takes descriptors of
// the same process meanwhile. From none free to plenty, the start meets the
// shortage at each of its steps in turn.
TEST(Limits, ShortOfDescriptorsNoIntactFileIsCalledMissingOrDamaged) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers' build pairs ASan with UBSan, whose check of a virtual
    // call tests memory through a pipe: with no descriptor free it reports a
    // false error and ends the process.
    GTEST_SKIP() << "UBSan's vptr check needs a free descriptor";
#endif
    int told = 0, started = 0;
    for (int free : {0, 1, 2, 3, 4, 5, 6, 64}) {
        SCOPED_TRACE("free descriptors: " + std::to_string(free));
        const ChildReport r =
            runChild("LimitsChild.StartsShortOfDescriptors", {{kFreeDescriptors, QString::number(free)}});
        for (const std::string& b : r.boxes) {
            for (const char* wrong : {"Failed !!", "not available", "non trovato", "not found", "Error file ",
                                      "Unable to recover"})
                EXPECT_EQ(b.find(wrong), std::string::npos) << b;
            EXPECT_NE(b.find("Too many"), std::string::npos) << b;
        }
        // Proof that the shortage was met, and is told as itself.
        EXPECT_EQ(r.table.rfind("Error: (67) file ", 0), 0u) << r.table;
        EXPECT_NE(r.table.find("Xmarche.dbf could not be opened  Too many files"), std::string::npos)
            << r.table;
        if (r.logoWidth > 0 && r.boxes.empty()) ++started;
        if (anyBoxWith(r, "(67) ")) ++told;
        // A start that did not show the logo has said why.
        if (r.logoWidth <= 0) {
            EXPECT_TRUE(anyBoxWith(r, "Too many")) << r.logoWidth;
        }
    }
    // The shortage was met, and some starts had enough to go on.
    EXPECT_GE(told, 1);
    EXPECT_GE(started, 1);
}

// Run by the test above in a process of its own: with two thousand leftovers
// in the program folder and every descriptor taken, opens a table; then
// starts with only the descriptors it is told of free, lets them go and
// reports. Its end stops the leftover walk.
TEST_F(LimitsChild, StartsShortOfDescriptors) {
    const QByteArray free = qgetenv(kFreeDescriptors);
    if (free.isEmpty())
        GTEST_SKIP() << "run by Limits.ShortOfDescriptorsNoIntactFileIsCalledMissingOrDamaged";
    for (int i = 0; i < 2000; ++i) {
        const std::string name = file("DcFile.L" + std::to_string(100000 + i).substr(1) + ".gif");
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    files.rlim_cur = std::min<rlim_t>(files.rlim_cur, 256);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &files), 0);
    std::vector<int> held;
    for (;;) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ASSERT_EQ(errno, EMFILE);
            break;
        }
        held.push_back(fd);
    }
    // A table of the windows, opened as they open it with no descriptor free.
    core::AppPath = appPath();
    db::DataControl data;
    core::useTableFolder(data, "\\Ark");
    data.RecordSource = "SELECT * FROM Xmarche.dbf ORDER BY marca";
    std::string said = "opened";
    try {
        data.Refresh();
    } catch (...) {
        said = vb::describeError(std::current_exception());
    }
    std::printf("table: %s\n", oneLine(said).c_str());
    for (int i = free.toInt(); i > 0 && !held.empty(); --i) {
        ::close(held.back());
        held.pop_back();
    }
    startAsAUser();
    for (int fd : held)
        ::close(fd);
    report();
}
