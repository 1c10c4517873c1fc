#include "platform/services.h"

#include "platform/events.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "platform/vbstring.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <cstdlib>

namespace vb {
namespace {
DesktopServices& desktop() {
    static DesktopServices d;
    return d;
}
Services* g_current = nullptr;
} // namespace

Services& services() {
    return g_current ? *g_current : desktop();
}
void setServices(Services* s) {
    g_current = s;
}

int DesktopServices::msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) {
    // Nothing more is asked once the program is ending.
    if (programEnding()) throw ProgramEnded{exitStatus()};
    QMessageBox box;
    box.setWindowTitle(vb::toQt(title ? *title : std::string(kAppTitle)));
    std::string text = displayPaths(prompt);
    // Lone CR or LF both break a message's lines, as CR LF does.
    text = vb::Replace(text, "\r\n", "\n");
    text = vb::Replace(text, "\r", "\n");
    box.setText(vb::toQt(text));
    switch (flags & 0x70) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (flags & 0x7) {
    case vbYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case vbOKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    int r = box.exec();
    switch (r) {
    case QMessageBox::Yes:
        return vbYes;
    case QMessageBox::No:
        return vbNo;
    case QMessageBox::Cancel:
        return vbCancel;
    default:
        return vbOK;
    }
}

void DesktopServices::beep() {
    QApplication::beep();
}

int DesktopServices::screenWidth() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() * kTwipsPerPixel : 12000;
}
int DesktopServices::screenHeight() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() * kTwipsPerPixel : 9000;
}

bool DesktopServices::showPrinterDialog(PrinterObject& printer) {
    QWidget* owner = QApplication::activeWindow();
    RunningDialog running(owner);
    QPrintDialog dialog(&printer.qprinter(), owner);
    return dialog.exec() == QDialog::Accepted;
}

void DesktopServices::showModal(Form& form, Form* owner) {
    form.runModalLoop(owner);
}

void DesktopServices::endProgram() {
    // Unwinds to the event dispatch and returns from main, so that every
    // destructor (and the leak checker) runs.
    requestEnd(exitStatus());
    throw ProgramEnded{exitStatus()};
}

} // namespace vb
