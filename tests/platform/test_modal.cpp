#include "platform/controls.h"
#include "platform/events.h"
#include "platform/form.h"
#include "platform/services.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
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
    vb::setServices(nullptr);
    EXPECT_EXIT(std::exit(endFromTheSecondLevel()), ::testing::ExitedWithCode(3), "");
}

} // namespace
