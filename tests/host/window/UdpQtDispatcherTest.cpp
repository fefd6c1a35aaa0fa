#include "host/window/UdpQtDispatcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/Udp.h"
#include "tests/net/UdpTestSupport.h"

namespace {

// Runs the event loop until the condition holds or five seconds have passed.
bool RunUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

TEST(UdpQtDispatcher, RunsCallsFromOtherThreadsInOrderOnTheEventLoop) {
    TUdpQtDispatcher dispatcher;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i)
            dispatcher.Post([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    poster.join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(RunUntil([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(threads, std::vector<std::thread::id>(5, std::this_thread::get_id()));

    // Pumping by hand runs what is pending; the event that follows finds nothing.
    int pumped = 0;
    dispatcher.Post([&] { ++pumped; });
    dispatcher.Pump();
    EXPECT_EQ(pumped, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(pumped, 1);
}

TEST(UdpQtDispatcher, DroppedDispatcherLeavesNoEventBehind) {
    int calls = 0;
    auto dispatcher = std::make_unique<TUdpQtDispatcher>();
    dispatcher->Post([&] { ++calls; });
    dispatcher.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(UdpQtDispatcher, DeliversTheUdpComponentsDatagramsOnTheEventLoop) {
    TUdpQtDispatcher dispatcher;
    std::vector<std::string> received;
    const std::thread::id ui = std::this_thread::get_id();
    TUDP receiver(nullptr, &dispatcher), sender(nullptr);
    receiver.SetUseThread(1);
    receiver.SetOnDataReceived([&](TUDP* udp, int count, int, const std::string&) {
        char buffer[64];
        const int read = udp->ReadBuffer(buffer, sizeof buffer, count);
        received.emplace_back(buffer, read > 0 ? read : 0);
        EXPECT_EQ(std::this_thread::get_id(), ui);
    });
    ASSERT_NE(udptest::Open(receiver), 0);
    ASSERT_NE(udptest::Open(sender), 0);
    udptest::Aim(sender, receiver);

    EXPECT_EQ(sender.Send("over Qt"), 1);
    ASSERT_TRUE(RunUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0], "over Qt");

    // Closing without the event loop running still gets the waiting thread out.
    EXPECT_EQ(sender.Send("while closing"), 1);
    QDeadlineTimer deadline(5000);
    while (!dispatcher.Pending() && !deadline.hasExpired()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(dispatcher.Pending());
    receiver.CloseSocket();
    EXPECT_EQ(receiver.ThreadRunning(), 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1], "while closing");
}
