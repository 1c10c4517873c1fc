// How the program ends, seen from outside: the exit status of the process.
#include "app/windows.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/services.h"
#include "support/fixtures.h"
#include "support/harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// The desktop services with every message box answered at once.
class AnsweringDesktop : public vb::DesktopServices {
  public:
    explicit AnsweringDesktop(int answer) : answer_(answer) {}
    int msgBox(const std::string&, int, const std::optional<std::string>&) override { return answer_; }

  private:
    int answer_;
};

// Runs action as the click of a button in a real event loop and returns
// what main would return; 77 when the program did not end.
int statusAfterClick(const std::function<void()>& action, int answer = vb::vbOK) {
    AnsweringDesktop desktop(answer);
    vb::setServices(&desktop);
    int rc = 0;
    {
        vb::Form window("Form1");
        vb::CommandButton button(window, "Command1");
        button.Click = action;
        window.Show();
        QTimer::singleShot(0, [&] { button.click(); });
        rc = vb::execProgram();
    }
    vb::setServices(nullptr);
    return vb::programEnding() ? rc : 77;
}

TEST(ProgramEnd, FatalDataFileErrorExitsWithFailure) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { core::LoadScrambledFile("/nonexistent/mas/xlogo.gif", 1); })),
                ::testing::ExitedWithCode(1), "");
}

TEST(ProgramEnd, RefusedRecoveryExitsWithFailure) {
    // A picture that cannot be decoded, and the user declines to restore it.
    EXPECT_EXIT(std::exit(statusAfterClick(
                    [] {
                        static QTemporaryDir dir;
                        core::AppPath = dir.path().toStdString();
                        testing_support::writeBytes(core::AppPath + "/x1.gif", std::string(100, '\0'));
                        core::clearScrambledTargets();
                        core::registerScrambledTarget(20, [](const std::string&, const std::string&) {
                            throw vb::VbError(vb::errInvalidPicture);
                        });
                        core::LoadScrambledFile(core::AppPath + "\\x1.gif", 20);
                    },
                    vb::vbNo)),
                ::testing::ExitedWithCode(1), "");
}

TEST(ProgramEnd, ProgramStoppedExitsWithFailure) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { core::ReportRuntimeError("Form5", vb::VbError(53)); })),
                ::testing::ExitedWithCode(1), "");
}

TEST(ProgramEnd, UserEndExitsWithSuccess) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { vb::End(); })), ::testing::ExitedWithCode(0), "");
    // The printer message is no end at all.
    EXPECT_EXIT(std::exit(statusAfterClick([] {
                    core::ReportRuntimeError("Form5", vb::VbError(vb::errPrinter));
                    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
                })),
                ::testing::ExitedWithCode(77), "");
}

// The whole program on the sample data, ended by Esc on the start window
// once it is up.
int runUntilEsc(const std::string& folder) {
    vb::setServices(nullptr);
    vb::setProgramFolder(folder);
    // The program registers its windows' targets itself.
    core::clearScrambledTargets();
    // Main's way out runs the exit handlers, the leak checker's among them.
    std::atexit([] { std::fputs("ended normally\n", stderr); });
    auto* press = new QTimer(qApp);
    QObject::connect(press, &QTimer::timeout, [] {
        // No box is expected on the sample data; one would stop the run.
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (vb::Form* start = vb::FormRegistry::existing("Form1"))
            if (start->isVisible()) QTest::keyClick(start, Qt::Key_Escape);
    });
    press->start(50);
    const int status = runProgram();
    delete press;
    return status;
}

TEST(ProgramEnd, EscEndsTheWholeProgramThroughMain) {
    QTemporaryDir dir;
    const std::string folder = testing_support::copySampleData(dir);
    EXPECT_EXIT(std::exit(runUntilEsc(folder)), ::testing::ExitedWithCode(0), "ended normally");
}

} // namespace
