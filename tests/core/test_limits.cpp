// The start under exhausted limits: a picture far larger than any the reader
// loads. Each case runs the start in a process of its own, whose limits it
// lowers, and reports what it showed.
#include "core/start_window.h"
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

// What a child said: its report lines, or the failure to get them.
struct ChildReport {
    std::vector<std::string> boxes;
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
        for (const auto& b : svc.boxes) {
            std::string prompt = b.prompt;
            for (char& c : prompt)
                if (c == '\r' || c == '\n') c = ' ';
            std::printf("box: %s\n", prompt.c_str());
        }
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
