// Function keys as the user presses them: every window shown for real in its
// own modal loop, each key sent through the window system to the focus
// widget of the window on top, and the next key pressed only once the
// window that the last one opened is running.
#include "core/module1.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "selection/main_window.h"
#include "support/harness.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

using namespace testing_support;
using selection::Form2;

namespace {

// The window that has the input: the modal window or dialog on top.
QWidget* top() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

std::string nameOf(QWidget* w) {
    if (auto* f = qobject_cast<vb::Form*>(w)) return f->Name();
    return w ? w->metaObject()->className() : "nothing";
}

class WindowKeys : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        svc.realWindows = true;
    }

    // A step of the user; each runs from the event loop that runs when its
    // turn comes.
    void step(std::function<void()> s) { steps_.push_back(std::move(s)); }
    void press(Qt::Key key) {
        step([this, key] {
            QWidget* w = top();
            ASSERT_TRUE(w && w->windowHandle()) << "no window to press " << key << " in";
            pressed_.push_back(nameOf(w));
            QTest::keyClick(w->windowHandle(), key);
        });
    }
    void click(vb::Control& c) {
        step([&c] { QTest::mouseClick(c.widget(), Qt::LeftButton); });
    }
    void openFromMenu(int entry) {
        step([entry] { QTest::mouseClick(Form2::get().Label10(entry).widget(), Qt::LeftButton); });
    }
    // Expects the window on top to be name.
    void expectTop(const std::string& name) {
        step([name] { EXPECT_EQ(nameOf(top()), name); });
    }

    // Shows the main window with the model chosen and runs the steps in it;
    // returns when the main window is closed. Windows still open when the
    // steps are done are closed and reported.
    void run(const char* brand, const char* family, const char* model) {
        startProgram();
        Form2& f = Form2::get();
        for (int i = 0; i < f.ListaMarche.ListCount(); ++i)
            if (f.ListaMarche.List(i) == brand) f.ListaMarche.setListIndex(i);
        for (int r = 0; r < f.GridFamiglie.Rows(); ++r)
            if (f.GridFamiglie.TextMatrix(r, 0) == family && f.GridFamiglie.Row() != r) f.GridFamiglie.setRow(r);
        for (int r = 1; r < f.MSGrid1.Rows(); ++r)
            if (f.MSGrid1.TextMatrix(r, 0) == model && f.MSGrid1.Row() != r) f.MSGrid1.setRow(r);
        ASSERT_EQ(core::VehicleName, std::string(brand) + " " + family + " " + model);
        svc.shown.clear();
        QTimer::singleShot(kStepMs, &alive_, [this] { next(); });
        // What the steps leave open is closed, so that the test ends.
        QTimer guard;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (!steps_.empty() && clock.elapsed() < 20000) return;
            if (QWidget* w = QApplication::activeModalWidget()) {
                ADD_FAILURE() << nameOf(w) << " still open after the last step";
                if (auto* form = qobject_cast<vb::Form*>(w))
                    form->Unload();
                else
                    w->close();
            }
        });
        guard.start(300);
        f.ShowModal(vb::FormRegistry::get("Form1"));
    }

  private:
    static constexpr int kStepMs = 30;
    void next() {
        if (steps_.empty()) return;
        auto s = std::move(steps_.front());
        steps_.pop_front();
        // Scheduled first: a key that opens a window runs that window's loop,
        // and the next step runs inside it.
        QTimer::singleShot(kStepMs, &alive_, [this] { next(); });
        s();
    }
    std::deque<std::function<void()>> steps_;
    QObject alive_; // steps still scheduled go with the test
    std::vector<std::string> pressed_;
};

} // namespace

TEST_F(WindowKeys, AcPageOpensEachWindowOnceAlsoFromTheDiagramOverIt) {
    step([] { QTest::mouseClick(Form2::get().Label10(6).widget(), Qt::LeftButton); });
    expectTop("Form12");
    press(Qt::Key_F12);
    expectTop("Form4");
    press(Qt::Key_Escape);
    expectTop("Form12");
    press(Qt::Key_F8);
    expectTop("Form5");
    press(Qt::Key_F12);
    expectTop("Form4");
    press(Qt::Key_Escape);
    expectTop("Form5");
    press(Qt::Key_Escape);
    expectTop("Form12");
    press(Qt::Key_Escape);
    expectTop("Form2");
    press(Qt::Key_Escape);
    run("ARDESIA", "ALBA", "ALBA 1.2 16V");
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form2", "Form12", "Form4", "Form5", "Form4"}));
}

// The printer dialog is the window's child, but Esc in it is the dialog's
// alone: it cancels the print, and the window under it stays open.
TEST_F(WindowKeys, EscInThePrinterDialogCancelsOnlyTheDialog) {
    openFromMenu(1);
    expectTop("Form16");
    press(Qt::Key_F10);
    expectTop("QPrintDialog");
    press(Qt::Key_Escape);
    expectTop("Form16");
    press(Qt::Key_Escape);
    expectTop("Form2");
    press(Qt::Key_Escape);
    run("ARDESIA", "ALBA", "ALBA 1.2 16V");
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form2", "Form16"}));
    EXPECT_EQ(svc.printerDialogs, 1);
    EXPECT_TRUE(vb::Printer().jobs().empty());
}

// Whatever unloads a window while its printer dialog runs, the window (the
// dialog's parent, whose code waits for the dialog) stays until the dialog
// has returned: here Esc delivered to the window itself, past the dialog.
TEST_F(WindowKeys, WindowUnloadedUnderItsPrinterDialogGoesOnlyAfterTheDialog) {
    QPointer<vb::Form> sheet;
    openFromMenu(1);
    step([&] { sheet = vb::FormRegistry::existing("Form16"); });
    press(Qt::Key_F10);
    expectTop("QPrintDialog");
    step([&] {
        ASSERT_TRUE(sheet);
        QWidget* focus = sheet->focusWidget() ? sheet->focusWidget() : sheet.data();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(sheet && sheet->isUnloaded());
    });
    expectTop("QPrintDialog");
    step([&] { EXPECT_TRUE(sheet) << "destroyed under its running dialog"; });
    press(Qt::Key_Escape);
    expectTop("Form2");
    step([&] { EXPECT_FALSE(sheet) << "kept after its dialog returned"; });
    press(Qt::Key_Escape);
    run("ARDESIA", "ALBA", "ALBA 1.2 16V");
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form2", "Form16"}));
    EXPECT_EQ(svc.printerDialogs, 1);
    EXPECT_TRUE(vb::Printer().jobs().empty());
}
