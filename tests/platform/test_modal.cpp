#include "platform/controls.h"
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

TEST(ModalLoop, EndLeavesEveryLevelAtOnce) {
    vb::setServices(nullptr);
    EXPECT_EXIT(
        {
            auto* a = new vb::Form("A");
            auto* b = new vb::Form("B");
            QTimer::singleShot(10, [&] {
                QTimer::singleShot(10, [] { vb::End(); });
                b->ShowModal(a);
                std::_Exit(3); // never reached
            });
            a->ShowModal(nullptr);
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
