#pragma once
// Everything that talks to the user or the desktop outside a window goes
// through one service object: message boxes, the beep, the screen size, the
// modal show of a window and the end of the program. Tests put a scripted one
// in its place.
#include <cstdlib>
#include <optional>
#include <string>

#include <QDate>

class QWidget;

namespace vb {

class Form;
class PrinterObject;

enum MsgBoxFlags {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

inline constexpr int kTwipsPerPixel = 15;

// Thrown when the program ends: it leaves the window code under way, and the
// event dispatch turns it into the end of every event loop (see events.h).
struct ProgramEnded {
    int code = 0;
};

// The process's exit status once the program ends; 0 for an ordinary end.
int exitStatus();
void markEnd(int status);

class Services {
  public:
    virtual ~Services() = default;
    // title nullopt: the application's default title.
    virtual int msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) = 0;
    virtual void beep() = 0;
    virtual int screenWidth() const = 0; // twips
    virtual int screenHeight() const = 0;
    virtual QDate today() const { return QDate::currentDate(); }
    // Shows the window modally over owner and returns once it is unloaded.
    virtual void showModal(Form& form, Form* owner) = 0;
    // A window that this build does not contain was asked for by name.
    virtual void showModalMissing(const std::string& /*name*/, Form* /*owner*/) {}
    // The printer dialog over the program's printer: false when the user
    // cancelled it. The choice becomes the printer's settings.
    virtual bool showPrinterDialog(PrinterObject& /*printer*/) { return true; }
    // Ends the program at once, from any depth of modal windows, with the
    // status that End recorded.
    [[noreturn]] virtual void endProgram() = 0;
};

Services& services();
// Replaces the service object (not owned); nullptr restores the desktop one.
void setServices(Services* s);

// A notice that a window keeps up while it asks something, such as the wait
// panel of a printout: the desktop's message boxes open clear of it, so that
// both can be read whole. Nothing is kept once the notice is destroyed.
void keepClearOfMessageBoxes(QWidget* notice);

// The application's default message-box title.
inline const char* kAppTitle = "Catalogue";

inline int MsgBox(const std::string& prompt, int flags = vbOKOnly,
                  const std::optional<std::string>& title = std::nullopt) {
    return services().msgBox(prompt, flags, title);
}
inline void Beep() {
    services().beep();
}
// status 0: the user ended the program; any other: a fatal error ended it.
[[noreturn]] inline void End(int status = 0) {
    markEnd(status);
    services().endProgram();
    std::abort(); // endProgram never returns
}
inline constexpr int kFatalExitStatus = 1;
[[noreturn]] inline void EndFatal() {
    End(kFatalExitStatus);
}

// The desktop implementation.
class DesktopServices : public Services {
  public:
    int msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) override;
    void beep() override;
    int screenWidth() const override;
    int screenHeight() const override;
    void showModal(Form& form, Form* owner) override;
    bool showPrinterDialog(PrinterObject& printer) override;
    [[noreturn]] void endProgram() override;
};

} // namespace vb
