#include "platform/events.h"

#include "db/query.h"
#include "platform/errors.h"
#include "platform/path_text.h"
#include "platform/picture.h"
#include "platform/qt_setup.h"
#include "platform/services.h"

#include <set>
#include <vector>

namespace vb {
namespace {

// What runs below the current point: Qt delivering an event, or window code
// run as an event. An exception may only travel through our own frames, so
// a handler called straight from Qt keeps the end of the program to itself.
enum class Frame { Qt, Handler };
std::vector<Frame>& frames() {
    static std::vector<Frame> f;
    return f;
}

// Messages already shown for the user action under way: one damaged file
// reached along several paths of one click is reported once.
std::set<std::string>& shownThisAction() {
    static std::set<std::string> s;
    return s;
}

std::function<void(const std::string&)>& reporter() {
    static std::function<void(const std::string&)> r;
    return r;
}

// The events being dispatched, innermost last, and whether window code has
// seen each yet. An event under dispatch is alive, so its address names it.
struct Dispatch {
    const QEvent* event;
    bool seen;
};
std::vector<Dispatch>& dispatches() {
    static std::vector<Dispatch> d;
    return d;
}

bool g_ending = false;
int g_status = 0;

void report(std::exception_ptr error) {
    std::string text;
    try {
        text = describeError(error);
    } catch (...) {
        text = "Error: unexpected failure";
    }
    reportError(text);
}

} // namespace

void reportError(const std::string& text) {
    // Outside any event there is no user action to keep it to.
    if (!frames().empty() && !shownThisAction().insert(text).second) return;
    try {
        if (reporter())
            reporter()(text);
        else
            services().msgBox(text, vbCritical, std::nullopt);
    } catch (const ProgramEnded&) {
        throw;
    } catch (...) {
        // A report that cannot be shown must not take the program with it.
    }
}

namespace {

struct FramePush {
    explicit FramePush(Frame f) { frames().push_back(f); }
    ~FramePush() { frames().pop_back(); }
};

struct DispatchPush {
    explicit DispatchPush(const QEvent* e) { dispatches().push_back({e, false}); }
    ~DispatchPush() { dispatches().pop_back(); }
};

} // namespace

void runEvent(const std::function<void()>& handler) {
    if (g_ending) return;
    // Called by Qt, or by a test: the start of a new user action.
    const bool outermost = frames().empty() || frames().back() == Frame::Qt;
    if (outermost) shownThisAction().clear();
    FramePush push(Frame::Handler);
    try {
        handler();
    } catch (const ProgramEnded& e) {
        markEnd(e.code);
        // Called by window code (or by main): it must stop too. Called by Qt:
        // the loops are told to end, and Qt's frames are left as they are.
        if (!outermost || frames().size() == 1) throw;
    } catch (...) {
        report(std::current_exception());
    }
}

std::string describeError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const DecodeError& e) {
        const std::string& file = db::lastFileRead();
        if (file.empty()) return "Error: a stored value cannot be decoded (" + e.description() + ")";
        return "Error: file " + pathText(file) + " not available\r\n" + "A stored value cannot be decoded (" +
               e.description() + ").";
    } catch (const VbError& e) {
        if (!e.file().empty() && isShortage(e.number())) return faultMessage(e.number(), e.file());
        if (!e.file().empty())
            return "Error: (" + std::to_string(e.number()) + ") file " + e.file() + " not available\r\n" +
                   e.description();
        return "Error: (" + std::to_string(e.number()) + ") " + e.description();
    } catch (const db::Error& e) {
        if (e.file().empty()) return "Error: " + pathText(e.what());
        if (isShortage(e.number())) return faultMessage(e.number(), pathText(e.file()));
        // The reason follows the file's name in the message.
        std::string reason = e.what();
        if (reason.compare(0, e.file().size() + 2, e.file() + ": ") == 0)
            reason.erase(0, e.file().size() + 2);
        return "Error: file " + pathText(e.file()) + " not available\r\n" + pathText(reason);
    } catch (const std::bad_alloc&) {
        return "Error: not enough memory";
    } catch (const std::exception& e) {
        return "Error: " + pathText(e.what());
    } catch (...) {
        return "Error: unexpected failure";
    }
}

void setErrorReporter(std::function<void(const std::string&)> r) {
    reporter() = std::move(r);
}

bool programEnding() {
    return g_ending;
}
int exitStatus() {
    return g_status;
}
void markEnd(int status) {
    if (!g_ending) g_status = status;
    g_ending = true;
}
void requestEnd(int status) {
    markEnd(status);
    if (qApp) QCoreApplication::exit(g_status);
}
void resetProgramEnd() {
    g_ending = false;
    g_status = 0;
}

int execProgram() {
    // An end requested during start-up comes before any loop could see it.
    if (g_ending) return g_status;
    const int rc = QApplication::exec();
    return g_ending ? g_status : rc;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    afterQtSetUp();
    loadPictureDecoders();
}

bool firstSighting(const QEvent* event) {
    Dispatch* innermost = nullptr;
    for (auto it = dispatches().rbegin(); it != dispatches().rend(); ++it) {
        if (it->event != event) continue;
        if (it->seen) return false;
        if (!innermost) innermost = &*it;
    }
    if (innermost) innermost->seen = true;
    return true;
}

bool Application::notify(QObject* receiver, QEvent* event) {
    FramePush push(Frame::Qt);
    DispatchPush dispatch(event);
    try {
        return QApplication::notify(receiver, event);
    } catch (const ProgramEnded& e) {
        requestEnd(e.code);
    } catch (...) {
        // Code that Qt called without passing through runEvent.
        if (!g_ending) report(std::current_exception());
    }
    return true;
}

} // namespace vb
