#pragma once
// The one place where window code runs on behalf of an event. A handler that
// lets an exception escape (a damaged table, a value that cannot be decoded,
// a missing file) loses the rest of that handler, never the program: the
// error is reported and the window goes on. The end of the program travels
// the same way, so that it leaves every modal level and returns from main.
#include "platform/qt_setup.h"

#include <QApplication>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace vb {

// Runs one event handler of window code.
void runEvent(const std::function<void()>& handler);

// An event of a control: assigned like a function, raised through runEvent.
template <class... A> class Event {
  public:
    Event() = default;
    Event(std::nullptr_t) {}
    template <class F, class = std::enable_if_t<std::is_invocable_v<F&, A...> &&
                                                !std::is_same_v<std::decay_t<F>, Event>>>
    Event(F f) : fn_(std::move(f)) {}

    // Bound to a member function of a window: {this, &Form5::Command7_Click}.
    // A member that takes none of the event's arguments is called without them.
    template <class T, class M, class = std::enable_if_t<std::is_member_function_pointer_v<M>>>
    Event(T* object, M member)
        : fn_([object, member](A... args) {
              if constexpr (std::is_invocable_v<M, T*, A...>)
                  (object->*member)(args...);
              else
                  (object->*member)();
          }) {}

    explicit operator bool() const { return bool(fn_); }
    void operator()(A... args) const {
        if (!fn_) return;
        // Held by value: the handler may assign the event anew.
        auto fn = fn_;
        runEvent([&] { fn(args...); });
    }

  private:
    std::function<void(A...)> fn_;
};

// Shows an error through the reporter, once per user action: one damaged
// file reached along several paths of one click is reported once.
void reportError(const std::string& text);

// The text the user sees for an exception that escaped a handler.
std::string describeError(std::exception_ptr error);

// How an escaped error is shown; the core puts its standard message box here.
// The default is a critical box with the application's title.
void setErrorReporter(std::function<void(const std::string& text)> reporter);

// The end of the program: requested by End, seen by every nested loop.
bool programEnding();
int exitStatus();
// Marks the end; the first status stays.
void markEnd(int status);
// Marks the end and tells every running event loop to return.
void requestEnd(int status);
// Back to a running program (tests, between cases).
void resetProgramEnd();

// Runs the application's event loop; returns the process's exit status.
int execProgram();

// Qt hands an input event that a widget leaves unaccepted on to the widget's
// parents, and a widget may hand it to another (a list to its scroll bar),
// all within the event's one dispatch; window code runs meanwhile, modal
// windows included. True the first time it is asked for an event during
// that dispatch, false every later time, so that window code reacts to the
// event once. The dispatch is known through Application; outside it every
// time counts as the first.
bool firstSighting(const QEvent* event);

// The application object: every Qt event passes through notify, which keeps
// exceptions from code that Qt calls directly out of Qt's own frames. It
// loads the picture decoders (loadPictureDecoders) before any window does.
// Qt loads plugins from its own installed plugin folder alone, from the
// moment the object starts being made (platform/qt_setup.h). Its settings
// come from the folders embedded in the program (app/qt.conf.in), never from
// a qt.conf file.
class Application : private ProcessPreparedForQt, public QApplication {
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace vb
