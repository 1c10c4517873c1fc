// Function keys as the user presses them: every window shown for real in its
// own modal loop, each key sent through the window system to the focus
// widget of the window on top, and the next key pressed only once the
// window that the last one opened is running. A key press goes to one
// window's key map once, however deep the windows it opens are nested.
#include "core/module1.h"
#include "diagrams/location_viewer.h"
#include "mechanical/torque_window.h"
#include "mechanical/vehicle.h"
#include "platform/form.h"
#include "platform/printer.h"

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

constexpr const char* kDialog = "QPrintDialog";

// A key of a window's map and what it opens: a window by name, the printer
// dialog, or nothing (nullptr).
struct Key {
    Qt::Key key;
    const char* opens;
};

// The toolbar keys of every data window: F1 to F5 the manual pages, F12 the
// trouble codes.
std::vector<Key> toolbarKeys() {
    return {{Qt::Key_F1, "Form8"}, {Qt::Key_F2, "Form8"}, {Qt::Key_F3, "Form8"},
            {Qt::Key_F4, "Form8"}, {Qt::Key_F5, "Form8"}, {Qt::Key_F12, "Form4"}};
}
template <class T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The vehicle text viewer's own keys: F9 the belt information, F10 print.
std::vector<Key> textViewerKeys() {
    return toolbarKeys() +
           std::vector<Key>{{Qt::Key_F9, "Form13"}, {Qt::Key_F10, kDialog}, {Qt::Key_F13, nullptr}};
}

class WindowKeys : public mechanical_tests::VehicleTest {
  protected:
    void SetUp() override {
        VehicleTest::SetUp();
        svc.realWindows = true;
    }

    // A step of the user. Each runs from the event loop that runs when its
    // turn comes; a step that returns false is tried again a moment later.
    void step(std::function<bool()> s) { steps_.push_back(std::move(s)); }
    void act(std::function<void()> s) {
        step([s = std::move(s)] {
            s();
            return true;
        });
    }
    void press(Qt::Key key) {
        act([key] {
            QWidget* w = top();
            ASSERT_TRUE(w && w->windowHandle()) << "no window to press " << key << " in";
            QTest::keyClick(w->windowHandle(), key);
        });
    }
    void openFromMenu(int entry) {
        act([entry] { QTest::mouseClick(Form2::get().Label10(entry).widget(), Qt::LeftButton); });
    }
    void click(const std::string& window, const std::string& control) {
        act([window, control] {
            vb::Form* f = vb::FormRegistry::existing(window);
            ASSERT_TRUE(f) << window;
            vb::Control* c = f->findControl(control);
            ASSERT_TRUE(c) << control;
            QTest::mouseClick(c->widget(), Qt::LeftButton);
        });
    }
    // Waits until name is the window on top; fails after a while.
    void expectTop(const std::string& name) {
        auto since = std::make_shared<QElapsedTimer>();
        step([name, since] {
            if (!since->isValid()) since->start();
            if (nameOf(top()) == name) return true;
            if (since->elapsed() < kPatienceMs) return false;
            ADD_FAILURE() << "on top: " << nameOf(top()) << ", expected " << name;
            return true;
        });
    }
    // Closes the window on top as the user does: Esc (its key map or its
    // cancel button), or a click on the back button of the location viewer,
    // which has no key for it.
    void closeTop(const std::string& name, const std::string& under) {
        expectTop(name);
        if (name == "Form6") {
            // Its back button closes once the picture has been revealed.
            step([] { return diagrams::Form6::get().PictureRevealed == 1; });
            click(name, "Command6");
        } else
            press(Qt::Key_Escape);
        expectTop(under);
    }
    // Presses each key in window, expects what it opens on top and closes it
    // again; a key that opens nothing leaves window on top.
    void keyMap(const std::string& window, const std::vector<Key>& keys) {
        for (const Key& k : keys) {
            expectTop(window);
            press(k.key);
            if (!k.opens) continue;
            if (std::string(k.opens) == kDialog) {
                ++dialogs_;
                // As on the desktop: the dialog is the window's child.
                expectTop(kDialog);
                act([window] { EXPECT_EQ(top()->parentWidget(), vb::FormRegistry::existing(window)); });
            } else
                opened_.push_back(k.opens);
            closeTop(k.opens, window);
        }
        // Any further opening of a window would show by now.
        for (int i = 0; i < 3; ++i)
            expectTop(window);
    }
    // Closes the main window, the last step.
    void closeMain() {
        expectTop("Form2");
        press(Qt::Key_Escape);
    }
    // Opens window from the main window's menu entry, presses its keys, and
    // closes it and the main window.
    void fromMenu(int entry, const std::string& window, const std::vector<Key>& keys,
                  const std::function<void()>& first = {}) {
        openFromMenu(entry);
        if (first) first();
        keyMap(window, keys);
        closeTop(window, "Form2");
        closeMain();
        run();
        expectShown({"Form2", window});
        EXPECT_EQ(svc.printerDialogs, dialogs_);
    }
    // The windows shown: those before the keys, then what the keys opened.
    void expectShown(const std::vector<std::string>& before) { EXPECT_EQ(svc.shown, before + opened_); }
    // What the keys opened, in order.
    std::vector<std::string> opened_;
    int dialogs_ = 0;

    // Shows the main window with the model chosen and runs the steps in it;
    // returns when the main window is closed. Windows still open when the
    // steps are done are closed and reported.
    void run(const char* brand = "ARDESIA", const char* family = "ALBA", const char* model = "ALBA 1.2 16V") {
        Form2& f = choose(brand, family, model);
        ASSERT_EQ(core::VehicleName, std::string(brand) + " " + family + " " + model);
        svc.shown.clear();
        QTimer::singleShot(kStepMs, &alive_, [this] { next(); });
        // What the steps leave open is closed, so that the test ends.
        QTimer guard;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (!steps_.empty() && clock.elapsed() < 90000) return;
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
        EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps not run";
    }

  private:
    static constexpr int kStepMs = 5;
    static constexpr int kPatienceMs = 3000;
    void next() {
        if (steps_.empty()) return;
        // Scheduled first: a key that opens a window runs that window's loop,
        // and the next step runs inside it.
        QTimer::singleShot(kStepMs, &alive_, [this] { next(); });
        auto s = std::move(steps_.front());
        steps_.pop_front();
        if (!s()) steps_.push_front(std::move(s));
    }
    std::deque<std::function<bool()>> steps_;
    QObject alive_; // steps still scheduled go with the test
};

} // namespace

TEST_F(WindowKeys, MainWindow) {
    keyMap("Form2", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, "Form14"}});
    closeMain();
    run();
    expectShown({"Form2"});
}

TEST_F(WindowKeys, DiagramList) {
    fromMenu(0, "Form15", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, nullptr}});
}

TEST_F(WindowKeys, DataSheet) {
    fromMenu(1, "Form16", toolbarKeys() + std::vector<Key>{{Qt::Key_F10, kDialog}, {Qt::Key_F13, "Form14"}});
}

TEST_F(WindowKeys, TorquePage) {
    // F6 turns to the tools page in the window itself; Esc there presses the
    // page's back button.
    fromMenu(2, "Form9", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, nullptr}}, [this] {
        expectTop("Form9");
        press(Qt::Key_F6);
        act([] { EXPECT_TRUE(mechanical::Form9::get().Command7.Visible()); });
        closeTop("Form9", "Form9");
        act([] {
            EXPECT_FALSE(mechanical::Form9::get().Command7.Visible());
            EXPECT_TRUE(mechanical::Form9::get().Command6.Visible());
        });
    });
}

TEST_F(WindowKeys, SocketText) {
    fromMenu(3, "Form7", textViewerKeys());
}

TEST_F(WindowKeys, LocationViewer) {
    fromMenu(4, "Form6", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, nullptr}});
}

TEST_F(WindowKeys, InfoList) {
    fromMenu(5, "Form11", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, nullptr}});
}

TEST_F(WindowKeys, AcPage) {
    fromMenu(6, "Form12",
             toolbarKeys() + std::vector<Key>{{Qt::Key_F6, "Form5"},
                                              {Qt::Key_F7, "Form5"},
                                              {Qt::Key_F8, "Form5"},
                                              {Qt::Key_F13, nullptr}});
}

TEST_F(WindowKeys, TimingBelt) {
    fromMenu(7, "Form7", textViewerKeys());
}

TEST_F(WindowKeys, TimingBeltF9FromTheText) {
    openFromMenu(7);
    expectTop("Form7");
    click("Form7", "RTB1");
    press(Qt::Key_F9);
    expectTop("Form13");
    closeTop("Form13", "Form7");
    click("Form7", "RTB2");
    press(Qt::Key_F9);
    expectTop("Form13");
    closeTop("Form13", "Form7");
    closeTop("Form7", "Form2");
    closeMain();
    run();
}

TEST_F(WindowKeys, AuxiliaryBelt) {
    fromMenu(8, "Form7", textViewerKeys());
}

TEST_F(WindowKeys, DiagramViewer) {
    openFromMenu(0);
    expectTop("Form15");
    click("Form15", "Command9");
    keyMap("Form5", toolbarKeys() + std::vector<Key>{{Qt::Key_F6, "Form7"},
                                                     {Qt::Key_F8, "Form6"},
                                                     {Qt::Key_F10, kDialog},
                                                     {Qt::Key_F13, nullptr}});
    closeTop("Form5", "Form15");
    closeTop("Form15", "Form2");
    closeMain();
    run();
    expectShown({"Form2", "Form15", "Form5"});
    EXPECT_EQ(svc.printerDialogs, dialogs_);
}

TEST_F(WindowKeys, BrandDocuments) {
    expectTop("Form2");
    press(Qt::Key_F13);
    keyMap("Form14", toolbarKeys() + std::vector<Key>{{Qt::Key_F13, nullptr}});
    closeTop("Form14", "Form2");
    closeMain();
    run();
    expectShown({"Form2", "Form14"});
}

// Nested windows: the A/C page opens the diagram viewer, which opens the
// trouble codes; each closes with one Esc.
TEST_F(WindowKeys, AcPageDiagramAndTroubleCodesNested) {
    openFromMenu(6);
    expectTop("Form12");
    press(Qt::Key_F12);
    closeTop("Form4", "Form12");
    press(Qt::Key_F8);
    expectTop("Form5");
    press(Qt::Key_F12);
    closeTop("Form4", "Form5");
    closeTop("Form5", "Form12");
    closeTop("Form12", "Form2");
    closeMain();
    run();
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form2", "Form12", "Form4", "Form5", "Form4"}));
}

// The printer dialog is the window's child, but Esc in it is the dialog's
// alone: it cancels the print, and the window under it stays open.
TEST_F(WindowKeys, EscInThePrinterDialogCancelsOnlyTheDialog) {
    openFromMenu(1);
    expectTop("Form16");
    press(Qt::Key_F10);
    closeTop(kDialog, "Form16");
    closeTop("Form16", "Form2");
    closeMain();
    run();
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
    expectTop("Form16");
    act([&] { sheet = vb::FormRegistry::existing("Form16"); });
    press(Qt::Key_F10);
    expectTop(kDialog);
    act([&] {
        ASSERT_TRUE(sheet);
        QWidget* focus = sheet->focusWidget() ? sheet->focusWidget() : sheet.data();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(sheet && sheet->isUnloaded());
    });
    expectTop(kDialog);
    act([&] { EXPECT_TRUE(sheet) << "destroyed under its running dialog"; });
    closeTop(kDialog, "Form2");
    act([&] { EXPECT_FALSE(sheet) << "kept after its dialog returned"; });
    closeMain();
    run();
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form2", "Form16"}));
    EXPECT_EQ(svc.printerDialogs, 1);
    EXPECT_TRUE(vb::Printer().jobs().empty());
}
