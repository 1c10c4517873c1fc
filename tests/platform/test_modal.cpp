#include "platform/controls.h"
#include "platform/events.h"
#include "platform/form.h"
#include "platform/services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <vector>

namespace {

// The real modal loop of the desktop services, nested, with timers.
TEST(ModalLoop, NestedWindowsReturnInOrderAndTimersKeepRunning) {
    vb::setServices(nullptr);
    std::vector<std::string> order;
    auto* owner = new vb::Form("Owner");
    auto* first = new vb::Form("First");
    auto* second = new vb::Form("Second");
    auto* tickerOwned = new vb::Timer(*owner, "Timer1");
    vb::Timer& ticker = *tickerOwned;
    int ticks = 0;
    ticker.Tick = [&] { ++ticks; };
    ticker.setInterval(5);
    ticker.setEnabled(true);

    QTimer::singleShot(20, [&] {
        order.push_back("second shown");
        QTimer::singleShot(30, [&] { second->Unload(); });
        second->ShowModal(first);
        order.push_back("second returned");
        QTimer::singleShot(10, [&] { first->Unload(); });
    });
    first->ShowModal(owner);
    order.push_back("first returned");
    EXPECT_EQ(order, (std::vector<std::string>{"second shown", "second returned", "first returned"}));
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(first->isUnloaded());
    delete tickerOwned; // controls go before their window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete owner;
}

// A window opened over another ends the program from its own event loop.
int endFromTheSecondLevel() {
    int rc = 0;
    bool codeAfterModalRan = false;
    {
        vb::Form a("A");
        vb::Form b("B");
        vb::CommandButton open(a, "Open");
        vb::CommandButton stop(b, "Stop");
        open.Click = [&] {
            b.ShowModal(&a);
            codeAfterModalRan = true;
        };
        stop.Click = [] { vb::End(3); };
        QTimer::singleShot(10, [&] {
            QTimer::singleShot(10, [&] { stop.click(); });
            open.click();
        });
        rc = vb::execProgram();
    }
    return codeAfterModalRan ? 90 : rc;
}

TEST(ModalLoop, EndLeavesEveryLevelAtOnceAndReturnsItsStatus) {
    // The end runs in a process started afresh: a forked copy of this one
    // lacks the threads that earlier tests left (their event loops' memory
    // then counts as lost to the leak checker), and the end must work in a
    // program that has only its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    vb::setServices(nullptr);
    EXPECT_EXIT(std::exit(endFromTheSecondLevel()), ::testing::ExitedWithCode(3), "");
}

} // namespace

namespace {

// The desktop's message box: the flags' icon and buttons, and the answer of the
// button the user clicks.
TEST(ModalLoop, MessageBoxShowsTheFlagsAndAnswersTheClickedButton) {
    struct Case {
        int flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton clicked;
        int answer;
    };
    const Case cases[] = {
        {vb::vbYesNo | vb::vbQuestion, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::No, vb::vbNo},
        {vb::vbYesNo | vb::vbExclamation, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::Yes, vb::vbYes},
        {vb::vbOKCancel | vb::vbCritical, QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel,
         QMessageBox::Cancel, vb::vbCancel},
        {vb::vbInformation, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, vb::vbOK},
        {0, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, vb::vbOK},
    };
    for (const Case& c : cases) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            timer.stop();
            icon = box->icon();
            buttons = box->standardButtons();
            QTest::mouseClick(box->button(c.clicked), Qt::LeftButton);
        });
        timer.start();
        EXPECT_EQ(vb::DesktopServices().msgBox("Question?", c.flags, std::string("Title")), c.answer)
            << c.flags;
        EXPECT_EQ(icon, c.icon) << c.flags;
        EXPECT_EQ(buttons, c.buttons) << c.flags;
    }
}

} // namespace
