#pragma once
// The test harness: a scripted service object in place of the desktop one,
// a fresh copy of the sample data folder per test, and a watchdog that fails
// a test which leaves an unexpected modal window open.
#include "platform/form.h"
#include "platform/services.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace selection {
class Form2;
}

namespace vb {
// The folder last given to setProgramFolder counts as the program's own
// (programFolderIsOwn) until the next setProgramFolder: a test's folder
// holds no running executable to prove it by. Defined beside the program's
// own proof (platform/program_folder.cpp) and declared here alone, so that
// no program code can take a folder as proven without proof.
void proveProgramFolderForTests();
} // namespace vb

namespace testing_support {

// The user's answer to one printer dialog: accept or cancel, and the colour
// mode and orientation chosen (0 keeps the printer's).
struct PrinterAnswer {
    bool accept = true;
    int colorMode = 0;
    int orientation = 0;
};

// Test code that the harness runs when something happens (a window opens,
// a message box is shown), and how many times it has run since it was
// given. A check inside a hook proves nothing unless the hook ran: a hook
// that is replaced, or left at the end of the test, without having run
// fails the test.
template <class... Args> class Hook {
  public:
    Hook() = default;
    Hook(const Hook&) = delete;
    Hook& operator=(const Hook&) = delete;
    template <class F> Hook& operator=(F&& f) {
        expectRan("replaced");
        fn_ = std::forward<F>(f);
        runs_ = 0;
        relay_ = false;
        return *this;
    }
    // Gives a hook that only passes each call on to hooks of its own, which
    // are checked themselves: it need not run.
    template <class F> void relay(F&& f) {
        *this = std::forward<F>(f);
        relay_ = true;
    }
    explicit operator bool() const { return bool(fn_); }
    void operator()(Args... args) {
        ++runs_;
        fn_(args...);
    }
    int runs() const { return runs_; }
    void expectRan(const char* when) const {
        if (fn_ && runs_ == 0 && !relay_) ADD_FAILURE() << "a hook " << when << " without having run";
    }

  private:
    std::function<void(Args...)> fn_;
    int runs_ = 0;
    bool relay_ = false;
};

struct Box {
    std::string prompt;
    int flags = 0;
    std::optional<std::string> title;
};

class ScriptedServices : public vb::Services {
  public:
    int msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) override;
    void beep() override { ++beeps; }
    int screenWidth() const override { return width; }
    int screenHeight() const override { return height; }
    QDate today() const override { return todayDate; }
    void showModal(vb::Form& form, vb::Form* owner) override;
    void showModalMissing(const std::string& name, vb::Form* owner) override;
    [[noreturn]] void endProgram() override;
    bool showPrinterDialog(vb::PrinterObject& printer) override;

    // Printer dialogs answer from here (accept when none is queued).
    std::deque<PrinterAnswer> printerAnswers;
    int printerDialogs = 0;

    // Answers for the next boxes; OK (or the first button) when none is queued.
    std::deque<int> answers;
    std::vector<Box> boxes;
    // Runs while a box is shown, before it is answered.
    Hook<const Box&> onBox;
    int beeps = 0;
    int width = 15360, height = 11520;
    QDate todayDate = QDate(2026, 12, 7);
    bool ended = false;
    int status = 0; // the exit status the program ended with
    // Windows shown modally, by name, in order.
    std::vector<std::string> shown;
    // Runs while a window is shown modally (the window is loaded); the window
    // is unloaded afterwards unless the callback did so.
    Hook<vb::Form*, const std::string&> onShow;
    // Windows and printer dialogs shown for real, as the program shows them:
    // each window in its own modal loop until it is unloaded, the printer
    // dialog through the desktop service. Message boxes stay scripted, and
    // the test answers for what stays open (the watchdog leaves it alone).
    bool realWindows = false;
};

// Copies the sample data folder into a fresh temporary folder.
std::string copySampleData(const QTemporaryDir& dir);

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // The program folder of this test (a copy of the sample data).
    std::string appPath() const { return appPath_; }
    std::string file(const std::string& relative) const { return appPath_ + "/" + relative; }
    // Runs the start-up as the program does (the start window's load).
    void startProgram();
    // Writes a variant of the sample data set into this test's folder.
    void useDataSet(int fillerBrands);
    // Where this test's print jobs go: one PDF per job, "print-<n>.pdf".
    std::string printFile(int job) const;
    // Starts the program and chooses brand, family and model in the main
    // window by their shown names, as the user does before opening a viewer.
    selection::Form2& chooseVehicle(const std::string& brand, const std::string& family,
                                    const std::string& model);

    ScriptedServices svc;

  private:
    QTemporaryDir dir_;
    std::string appPath_;
    int watchdog_ = 0;
};

// The environment of a child process that runs one test of this test
// program: this one's, on the offscreen platform, with the variables given
// (which the child's test reads; without them it skips).
QProcessEnvironment childEnvironment(const std::vector<std::pair<QString, QString>>& variables);
// Starts this test program in child, running the one test named with the
// environment above.
void startChildTest(QProcess& child, const QString& test,
                    const std::vector<std::pair<QString, QString>>& variables);
// Runs the test named in children of this test program, one for each value
// of variable, side by side; what each printed, in the values' order. Each
// child must end within two minutes, and end with 0: else the calling test
// fails, under the value's name.
std::vector<std::string> childTestOutputs(const QString& test, const char* variable,
                                          const std::vector<std::string>& values);

// Set in a child's environment: the child runs as on a kernel without
// openat2 (older than 5.6), whose calls of it a filter answers with ENOSYS
// from before the first test; it says kWithoutOpenat2Said once that holds.
constexpr const char* kNoOpenat2 = "CATALOGUE_TEST_NO_OPENAT2";
constexpr const char* kWithoutOpenat2Said = "openat2 answers ENOSYS here";
// kNoOpenat2's value for a child whose openat2 always answers EAGAIN, as
// when renames elsewhere on the system keep racing the kernel's walk.
constexpr const char* kOpenat2Retry = "EAGAIN";
constexpr const char* kOpenat2RetrySaid = "openat2 answers EAGAIN here";
// Runs the tests named in a child of this test program as on such a
// kernel (or, with retry, with an openat2 that always asks for another
// try), with the variables given, and fails the calling test unless the
// child was on it and each of them ran there and passed.
void expectPassedWithoutOpenat2(const QStringList& tests,
                                const std::vector<std::pair<QString, QString>>& variables = {},
                                bool retry = false);

// Once the start window shows, timer (checking every few milliseconds)
// clicks the button of language index, as the user chooses one, and asks
// the program to end when that click's handler has returned.
void chooseLanguageOnceShown(QTimer& timer, int index);

// Overrides the program folder for the core's start-up.
void setProgramFolderForTests(const std::string& path);

// The widget a click at p (pixels of window) lands on: the topmost visible
// child there, or the window itself.
QWidget* widgetAt(QWidget& window, QPoint p);
// The control that owns widget w (its name), or the widget's class name.
std::string nameOf(QWidget* w);
// The pointer moved to p of window, delivered to the widget that lies there.
void moveAt(QWidget& window, QPoint p);
// A left click at p of window, delivered to the widget that lies there, as
// the window system does.
void clickAt(QWidget& window, QPoint p);

} // namespace testing_support
