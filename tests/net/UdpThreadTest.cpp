#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/Dispatcher.h"
#include "net/Udp.h"
#include "tests/net/UdpTestSupport.h"

using udptest::Aim;
using udptest::Open;
using udptest::PumpUntil;

namespace {

using namespace std::chrono_literals;

struct Arrival {
    TUDP* sender = nullptr;
    int count = 0;
    int port = 0;
    std::string ip;
    std::string read;
    std::thread::id thread;
};

// A threaded receiver that records every event with the datagram it could read.
struct ThreadedReceiver {
    TQueueDispatcher dispatcher;
    std::vector<Arrival> arrivals;
    TUDP udp{nullptr, &dispatcher};

    ThreadedReceiver() {
        udp.SetUseThread(1);
        udp.SetOnDataReceived([this](TUDP* sender, int count, int port, const std::string& ip) {
            char buffer[256];
            const int read = sender->ReadBuffer(buffer, sizeof buffer, count);
            arrivals.push_back(
                {sender, count, port, ip, std::string(buffer, read > 0 ? read : 0), std::this_thread::get_id()});
        });
    }
    bool WaitFor(std::size_t count) {
        return PumpUntil(dispatcher, [&] { return arrivals.size() >= count; });
    }
};

// Waits without pumping until the receive thread has posted a delivery.
bool WaitPending(TQueueDispatcher& dispatcher) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!dispatcher.Pending() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
    return dispatcher.Pending();
}

TEST(UdpThread, DeliversDatagramsOnTheDispatchingThread) {
    ThreadedReceiver receiver;
    TUDP sender(nullptr);
    ASSERT_NE(Open(receiver.udp), 0);
    ASSERT_NE(Open(sender), 0);
    Aim(sender, receiver.udp);

    EXPECT_EQ(sender.Send("ping"), 1);
    ASSERT_TRUE(receiver.WaitFor(1));
    const Arrival& first = receiver.arrivals[0];
    EXPECT_EQ(first.sender, &receiver.udp);
    EXPECT_EQ(first.count, 4);
    EXPECT_EQ(first.port, sender.LocalPort());
    EXPECT_EQ(first.ip, "127.0.0.1");
    EXPECT_EQ(first.read, "ping");
    EXPECT_EQ(first.thread, std::this_thread::get_id());

    // ReadBuffer outside the handler: at most count bytes, never beyond the last datagram.
    char buffer[64];
    EXPECT_EQ(receiver.udp.ReadBuffer(buffer, sizeof buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "pi");
    EXPECT_EQ(receiver.udp.ReadBuffer(buffer, 3, 100), 3);
    EXPECT_EQ(sender.Send("xy"), 1);
    ASSERT_TRUE(receiver.WaitFor(2));
    EXPECT_EQ(receiver.udp.ReadBuffer(buffer, sizeof buffer, sizeof buffer), 2);

    // Datagrams beyond BufferLength - 1 bytes arrive cut.
    receiver.udp.SetBufferLength(5);
    EXPECT_EQ(sender.Send("abcdefgh"), 1);
    ASSERT_TRUE(receiver.WaitFor(3));
    EXPECT_EQ(receiver.arrivals[2].count, 4);
    EXPECT_EQ(receiver.arrivals[2].read, "abcd");

    receiver.udp.CloseSocket();
    EXPECT_EQ(receiver.udp.ThreadRunning(), 0);
    EXPECT_FALSE(receiver.dispatcher.Pending());
}

TEST(UdpThread, ReplyStateFollowsSendAnswerAndTimeout) {
    ThreadedReceiver asker;
    TUDP answerer(nullptr);
    ASSERT_NE(Open(asker.udp), 0);
    ASSERT_NE(Open(answerer), 0);
    Aim(asker.udp, answerer);
    Aim(answerer, asker.udp);
    answerer.SetReceiveTimeout(2000);
    asker.udp.SetReplyTimeout(100);
    char buffer[32];
    int port = 0;

    EXPECT_EQ(asker.udp.Send("question"), 1);
    EXPECT_EQ(asker.udp.ReplyState(), 1);
    ASSERT_EQ(answerer.ReceiveBuffer(buffer, sizeof buffer, port), 8);
    EXPECT_EQ(answerer.Send("answer"), 1);
    ASSERT_TRUE(asker.WaitFor(1));
    EXPECT_EQ(asker.udp.ReplyState(), 0);
    // An answer that came stays an answer after the reply time has passed.
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(asker.udp.ReplyState(), 0);

    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(asker.udp.Send("unanswered"), 1);
    ASSERT_TRUE(PumpUntil(asker.dispatcher, [&] { return asker.udp.ReplyState() == 255; }));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 100ms);
    // A late answer still counts.
    ASSERT_EQ(answerer.ReceiveBuffer(buffer, sizeof buffer, port), 10);
    EXPECT_EQ(answerer.Send("late"), 1);
    ASSERT_TRUE(asker.WaitFor(2));
    EXPECT_EQ(asker.udp.ReplyState(), 0);

    // A reply time-out of 0 waits forever.
    asker.udp.SetReplyTimeout(0);
    EXPECT_EQ(asker.udp.Send("patient"), 1);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(asker.udp.ReplyState(), 1);

    // Without the thread a send asks for no reply.
    TUDP plain(nullptr);
    ASSERT_NE(Open(plain), 0);
    Aim(plain, answerer);
    EXPECT_EQ(plain.Send("x"), 1);
    EXPECT_EQ(plain.ReplyState(), 0);
}

TEST(UdpThread, RunningThreadLowersTheReceiveTimeoutToOneAndEndsOnClose) {
    ThreadedReceiver receiver;
    receiver.udp.SetUseThread(0);
    receiver.udp.SetReceiveTimeout(300);
    ASSERT_NE(Open(receiver.udp), 0);
    EXPECT_EQ(receiver.udp.ReceiveTimeout(), 300u);
    receiver.udp.SetUseThread(1);
    EXPECT_TRUE(PumpUntil(receiver.dispatcher, [&] { return receiver.udp.ReceiveTimeout() == 1; }));

    // The thread ends even when the socket would wait forever.
    ThreadedReceiver forever;
    forever.udp.SetReceiveTimeout(0);
    forever.udp.SetThreadInterval(0);
    ASSERT_NE(Open(forever.udp), 0);
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    forever.udp.CloseSocket();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(forever.udp.ThreadRunning(), 0);
}

TEST(UdpThread, ClosingOrDestroyingWithADeliveryPendingRunsItAndLeavesNothingQueued) {
    TUDP sender(nullptr);
    ASSERT_NE(Open(sender), 0);
    ThreadedReceiver receiver;
    ASSERT_NE(Open(receiver.udp), 0);
    Aim(sender, receiver.udp);
    EXPECT_EQ(sender.Send("last"), 1);
    ASSERT_TRUE(WaitPending(receiver.dispatcher));  // the thread waits for the pumping thread
    receiver.udp.CloseSocket();
    EXPECT_EQ(receiver.udp.ThreadRunning(), 0);
    ASSERT_EQ(receiver.arrivals.size(), 1u);
    EXPECT_EQ(receiver.arrivals[0].read, "last");
    EXPECT_FALSE(receiver.dispatcher.Pending());

    TQueueDispatcher dispatcher;
    int delivered = 0;
    const auto make = [&] {
        auto udp = std::make_unique<TUDP>(nullptr, &dispatcher);
        udp->SetUseThread(1);
        udp->SetOnDataReceived([&](TUDP*, int, int, const std::string&) { ++delivered; });
        return udp;
    };
    std::unique_ptr<TUDP> doomed = make();
    ASSERT_NE(Open(*doomed), 0);
    Aim(sender, *doomed);
    EXPECT_EQ(sender.Send("bye"), 1);
    WaitPending(dispatcher);
    doomed.reset();
    EXPECT_EQ(delivered, 1);
    EXPECT_FALSE(dispatcher.Pending());
    dispatcher.Pump();
    // A running thread with nothing to deliver ends with its owner as well.
    doomed = make();
    ASSERT_NE(Open(*doomed), 0);
    doomed.reset();
    EXPECT_EQ(delivered, 1);
}

TEST(UdpThread, HandlerMayCloseOrDestroyItsOwnComponent) {
    TQueueDispatcher dispatcher;
    TUDP sender(nullptr);
    ASSERT_NE(Open(sender), 0);

    TUDP closer(nullptr, &dispatcher);
    closer.SetUseThread(1);
    int closed = 0;
    closer.SetOnDataReceived([&](TUDP* udp, int, int, const std::string&) {
        udp->CloseSocket();
        ++closed;
    });
    ASSERT_NE(Open(closer), 0);
    Aim(sender, closer);
    EXPECT_EQ(sender.Send("close"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return closed == 1; }));
    EXPECT_FALSE(closer.HasSocket());
    EXPECT_EQ(closer.ThreadRunning(), 0);

    auto doomed = std::make_unique<TUDP>(nullptr, &dispatcher);
    doomed->SetUseThread(1);
    bool destroyed = false;
    doomed->SetOnDataReceived([&](TUDP*, int, int, const std::string&) {
        doomed.reset();
        destroyed = true;
    });
    ASSERT_NE(Open(*doomed), 0);
    Aim(sender, *doomed);
    EXPECT_EQ(sender.Send("destroy"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return destroyed; }));
    EXPECT_EQ(doomed, nullptr);
}

TEST(UdpThread, NothingIsDeliveredWithoutDispatcherOrBuffer) {
    TQueueDispatcher dispatcher;
    TUDP sender(nullptr);
    ASSERT_NE(Open(sender), 0);
    int calls = 0;
    // No dispatcher; and a buffer of one byte, room for the zero only: the
    // datagram is taken but not reported.
    TUDP noDispatcher(nullptr), tiny(nullptr, &dispatcher);
    tiny.SetBufferLength(1);
    for (TUDP* udp : {&noDispatcher, &tiny}) {
        udp->SetUseThread(1);
        udp->SetOnDataReceived([&](TUDP*, int, int, const std::string&) { ++calls; });
        ASSERT_NE(Open(*udp), 0);
        Aim(sender, *udp);
        EXPECT_EQ(sender.Send("lost"), 1);
    }
    const auto end = std::chrono::steady_clock::now() + 150ms;
    while (std::chrono::steady_clock::now() < end) dispatcher.WaitAndPump(5ms);
    EXPECT_EQ(calls, 0);
    char buffer[8];
    EXPECT_EQ(tiny.ReadBuffer(buffer, sizeof buffer, sizeof buffer), 0);
}

TEST(QueueDispatcher, RunsPostedCallsInOrderOnThePumpingThread) {
    TQueueDispatcher dispatcher;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i)
            dispatcher.Post([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
                // A call that pumps does not overtake the calls queued before it.
                if (i == 0) dispatcher.Pump();
            });
    });
    poster.join();
    EXPECT_TRUE(dispatcher.Pending());
    dispatcher.Pump();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(threads, std::vector<std::thread::id>(3, std::this_thread::get_id()));
    EXPECT_FALSE(dispatcher.Pending());
}

}  // namespace
