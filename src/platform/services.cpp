#include "platform/services.h"

#include "platform/events.h"
#include "platform/form.h"
#include "platform/path_text.h"
#include "platform/printer.h"
#include "platform/vbstring.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace vb {
namespace {
DesktopServices& desktop() {
    static DesktopServices d;
    return d;
}
Services* g_current = nullptr;

// The value a table pairs with key, or fallback when it pairs none.
template <class Key, class Value, std::size_t N>
Value lookup(const std::pair<Key, Value> (&table)[N], Key key, Value fallback) {
    for (const auto& [k, v] : table)
        if (k == key) return v;
    return fallback;
}

// A message box's icon, its buttons (by the flags' icon and button bits) and
// the answer each button gives.
const std::pair<int, QMessageBox::Icon> kIcons[] = {{vbCritical, QMessageBox::Critical},
                                                    {vbQuestion, QMessageBox::Question},
                                                    {vbExclamation, QMessageBox::Warning},
                                                    {vbInformation, QMessageBox::Information}};
const std::pair<int, QMessageBox::StandardButtons> kButtons[] = {
    {vbYesNo, QMessageBox::Yes | QMessageBox::No}, {vbOKCancel, QMessageBox::Ok | QMessageBox::Cancel}};
const std::pair<int, int> kAnswers[] = {
    {QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
std::vector<QPointer<QWidget>>& notices() {
    static std::vector<QPointer<QWidget>> n;
    return n;
}

// The message box, placed clear of the notices on view once it has its size.
class MessageBox : public QMessageBox {
  protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
        const QRect placed = clearOfNotices(frameGeometry(), screen);
        if (placed.topLeft() != frameGeometry().topLeft()) move(placed.topLeft());
    }

  private:
    // Above a notice the box would cover, or below it when the screen has no
    // room above.
    static QRect clearOfNotices(QRect box, const QRect& screen) {
        constexpr int kGap = 8;
        for (const QPointer<QWidget>& notice : notices()) {
            if (!notice || !notice->isVisible()) continue;
            const QRect r(notice->mapToGlobal(QPoint(0, 0)), notice->size());
            if (!box.intersects(r.adjusted(-kGap, -kGap, kGap, kGap))) continue;
            const int above = r.top() - kGap - box.height();
            box.moveTop(above >= screen.top() ? above : r.bottom() + 1 + kGap);
        }
        return box;
    }
};

} // namespace

void keepClearOfMessageBoxes(QWidget* notice) {
    auto& n = notices();
    n.erase(std::remove_if(n.begin(), n.end(), [](const QPointer<QWidget>& w) { return w.isNull(); }),
            n.end());
    n.emplace_back(notice);
}

Services& services() {
    return g_current ? *g_current : desktop();
}
void setServices(Services* s) {
    g_current = s;
}

int DesktopServices::msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) {
    // Nothing more is asked once the program is ending.
    if (programEnding()) throw ProgramEnded{exitStatus()};
    MessageBox box;
    box.setWindowTitle(vb::toQt(title ? *title : std::string(kAppTitle)));
    std::string text = displayPaths(prompt);
    // Lone CR or LF both break a message's lines, as CR LF does.
    text = vb::Replace(text, "\r\n", "\n");
    text = vb::Replace(text, "\r", "\n");
    box.setText(vb::toQt(text));
    box.setIcon(lookup(kIcons, flags & 0x70, QMessageBox::NoIcon));
    box.setStandardButtons(lookup(kButtons, flags & 0x7, QMessageBox::StandardButtons(QMessageBox::Ok)));
    return lookup(kAnswers, box.exec(), int(vbOK));
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
