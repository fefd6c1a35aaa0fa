#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
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

// A dispatcher, an open plain sender, and threaded components it aims at.
class UdpThread : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(Open(sender), 0); }

    // Opens a threaded component with the handler and aims the sender at it.
    std::unique_ptr<TUDP> Threaded(TDataReceivedEvent handler, bool withDispatcher = true,
                                   std::uint16_t bufferLength = 8192) {
        auto udp = std::make_unique<TUDP>(nullptr, withDispatcher ? &dispatcher : nullptr);
        udp->SetOnError([this](const std::string& message) { errors.push_back(message); });
        udp->SetThreadInterval(interval);
        udp->SetUseThread(1);
        udp->SetBufferLength(bufferLength);
        udp->SetOnDataReceived(std::move(handler));
        if (withDispatcher) {
            EXPECT_NE(Open(*udp), 0);
        }
        Aim(sender, *udp);
        return udp;
    }
    // Records every event with the datagram it could read.
    TDataReceivedEvent Record() {
        return [this](TUDP* udp, int count, int port, const std::string& ip) {
            char buffer[256];
            const int read = udp->ReadBuffer(buffer, sizeof buffer, count);
            arrivals.push_back(
                {udp, count, port, ip, std::string(buffer, read > 0 ? read : 0), std::this_thread::get_id()});
        };
    }
    bool WaitFor(std::size_t count) {
        return PumpUntil(dispatcher, [&] { return arrivals.size() >= count; });
    }
    // Waits without pumping until the receive thread has posted a delivery.
    bool WaitPending() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!dispatcher.Pending() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
        return dispatcher.Pending();
    }

    TQueueDispatcher dispatcher;
    TUDP sender{nullptr};
    std::vector<Arrival> arrivals;
    std::vector<std::string> errors;
    std::uint16_t interval = 10;
};

TEST_F(UdpThread, DeliversDatagramsOnTheDispatchingThread) {
    auto receiver = Threaded(Record());
    EXPECT_EQ(sender.Send("ping"), 1);
    ASSERT_TRUE(WaitFor(1));
    const Arrival& a = arrivals[0];
    EXPECT_EQ(std::tie(a.sender, a.count, a.port, a.ip, a.read, a.thread),
              std::make_tuple(receiver.get(), 4, sender.LocalPort(), std::string("127.0.0.1"), std::string("ping"),
                              std::this_thread::get_id()));

    // ReadBuffer outside the handler: at most count bytes, never beyond the last datagram.
    char buffer[64];
    EXPECT_EQ(receiver->ReadBuffer(buffer, sizeof buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "pi");
    EXPECT_EQ(receiver->ReadBuffer(buffer, 3, 100), 3);
    EXPECT_EQ(sender.Send("xy"), 1);
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ(receiver->ReadBuffer(buffer, sizeof buffer, sizeof buffer), 2);

    // Datagrams beyond BufferLength - 1 bytes arrive cut (what is kept is the
    // receive path's table), and the cut is reported.
    receiver->SetBufferLength(5);
    EXPECT_EQ(sender.Send("abcdefgh"), 1);
    ASSERT_TRUE(WaitFor(3));
    EXPECT_EQ(arrivals[2].read, "abcd");
    EXPECT_EQ(errors, std::vector<std::string>{std::system_category().message(EMSGSIZE)});
}

TEST_F(UdpThread, ReadsEveryWaitingDatagramBeforeItWaitsAgain) {
    // With an interval of a minute, a pause per datagram would show at once.
    interval = 60000;
    auto receiver = Threaded(Record());
    constexpr int kBurst = 50;
    for (int i = 0; i < kBurst; ++i) ASSERT_EQ(sender.Send(std::to_string(i)), 1);
    ASSERT_TRUE(WaitFor(kBurst));
    for (int i = 0; i < kBurst; ++i) EXPECT_EQ(arrivals[i].read, std::to_string(i));

    // The close ends the thread's wait rather than sitting it out.
    const int port = receiver->LocalPort();
    const auto start = std::chrono::steady_clock::now();
    receiver->CloseSocket();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_TRUE(udptest::PortFree(port));
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpThread, ReplyStateFollowsSendAnswerAndTimeout) {
    auto asker = Threaded(Record());
    Aim(*asker, sender);
    sender.SetReceiveTimeout(2000);
    asker->SetReplyTimeout(100);
    char buffer[32];
    int port = 0;

    EXPECT_EQ(asker->Send("question"), 1);
    EXPECT_EQ(asker->ReplyState(), 1);
    ASSERT_EQ(sender.ReceiveBuffer(buffer, sizeof buffer, port), 8);
    EXPECT_EQ(sender.Send("answer"), 1);
    ASSERT_TRUE(WaitFor(1));
    EXPECT_EQ(asker->ReplyState(), 0);
    // An answer that came stays an answer after the reply time has passed.
    std::this_thread::sleep_for(250ms);
    EXPECT_EQ(asker->ReplyState(), 0);

    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ(asker->Send("unanswered"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return asker->ReplyState() == 255; }));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 100ms);
    // A late answer still counts.
    ASSERT_EQ(sender.ReceiveBuffer(buffer, sizeof buffer, port), 10);
    EXPECT_EQ(sender.Send("late"), 1);
    ASSERT_TRUE(WaitFor(2));
    EXPECT_EQ(asker->ReplyState(), 0);

    // A reply time-out of 0 waits forever.
    asker->SetReplyTimeout(0);
    EXPECT_EQ(asker->Send("patient"), 1);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(asker->ReplyState(), 1);
    // Without the thread a send asks for no reply.
    EXPECT_EQ(sender.ReplyState(), 0);
}

TEST_F(UdpThread, TheThreadKeepsTheReceiveTimeoutAtOneAndTheBlockingReceiveOut) {
    TUDP udp(nullptr, &dispatcher);
    udp.SetOnDataReceived([](TUDP*, int, int, const std::string&) {});
    udp.SetReceiveTimeout(300);
    ASSERT_NE(Open(udp), 0);
    EXPECT_EQ(udp.ReceiveTimeout(), 300u);
    char buffer[8];
    int port = 0;
    EXPECT_EQ(udp.ReadBuffer(buffer, sizeof buffer, sizeof buffer), 0);  // nothing to read without the thread
    udp.SetUseThread(1);
    EXPECT_TRUE(PumpUntil(dispatcher, [&] { return udp.ReceiveTimeout() == 1; }));
    udp.SetReceiveTimeout(500);
    EXPECT_EQ(udp.ReceiveTimeout(), 1u);
    EXPECT_EQ(udp.ReceiveBuffer(buffer, sizeof buffer, port), 0);

    // The thread ends even when the socket would wait forever.
    TUDP forever(nullptr, &dispatcher);
    forever.SetUseThread(1);
    forever.SetReceiveTimeout(0);
    forever.SetThreadInterval(0);
    ASSERT_NE(Open(forever), 0);
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    forever.CloseSocket();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(forever.ThreadRunning(), 0);
}

TEST_F(UdpThread, ClosingOrDestroyingWithADeliveryPendingRunsItAndLeavesNothingQueued) {
    auto receiver = Threaded(Record());
    EXPECT_EQ(sender.Send("last"), 1);
    ASSERT_TRUE(WaitPending());  // the thread waits for the pumping thread
    receiver->CloseSocket();
    EXPECT_EQ(receiver->ThreadRunning(), 0);
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].read, "last");
    EXPECT_FALSE(dispatcher.Pending());

    int delivered = 0;
    const auto count = [&](TUDP*, int, int, const std::string&) { ++delivered; };
    receiver = Threaded(count);
    EXPECT_EQ(sender.Send("bye"), 1);
    ASSERT_TRUE(WaitPending());
    receiver.reset();
    EXPECT_EQ(delivered, 1);
    EXPECT_FALSE(dispatcher.Pending());
    dispatcher.Pump();
    // A running thread with nothing to deliver ends with its owner as well.
    receiver = Threaded(count);
    receiver.reset();
    EXPECT_EQ(delivered, 1);
}

TEST_F(UdpThread, HandlerMayCloseOrDestroyItsOwnComponent) {
    int closed = 0;
    auto closer = Threaded([&](TUDP* udp, int, int, const std::string&) {
        udp->CloseSocket();
        ++closed;
    });
    EXPECT_EQ(sender.Send("close"), 1);
    ASSERT_TRUE(PumpUntil(dispatcher, [&] { return closed == 1; }));
    EXPECT_FALSE(closer->HasSocket());
    EXPECT_EQ(closer->ThreadRunning(), 0);

    std::unique_ptr<TUDP> doomed;
    doomed = Threaded([&](TUDP*, int, int, const std::string&) { doomed.reset(); });
    EXPECT_EQ(sender.Send("destroy"), 1);
    EXPECT_TRUE(PumpUntil(dispatcher, [&] { return doomed == nullptr; }));

    // Even when it is the component's own close that runs the handler.
    doomed = Threaded([&](TUDP*, int, int, const std::string&) { doomed.reset(); });
    EXPECT_EQ(sender.Send("destroy while closing"), 1);
    ASSERT_TRUE(WaitPending());
    doomed->CloseSocket();
    EXPECT_EQ(doomed, nullptr);
}

TEST_F(UdpThread, WithoutADispatcherTheThreadIsRefusedAndATinyBufferReportsEveryDatagram) {
    int calls = 0;
    const auto count = [&](TUDP*, int, int, const std::string&) { ++calls; };
    auto noDispatcher = Threaded(count, false);
    EXPECT_EQ(Open(*noDispatcher), 0);
    EXPECT_FALSE(noDispatcher->HasSocket());
    EXPECT_EQ(noDispatcher->ThreadRunning(), 0);
    EXPECT_EQ(errors, std::vector<std::string>{kNoDispatcherText});
    // Opened without the thread, it cannot be switched over either.
    noDispatcher->SetUseThread(0);
    ASSERT_NE(Open(*noDispatcher), 0);
    noDispatcher->SetUseThread(1);
    EXPECT_EQ(noDispatcher->UseThread(), 0);
    EXPECT_EQ(errors, std::vector<std::string>(2, kNoDispatcherText));

    // A buffer of one byte holds the zero only: every datagram is too large,
    // and none is handed on.
    errors.clear();
    auto tiny = Threaded(count, true, 1);
    EXPECT_EQ(sender.Send("lost"), 1);
    EXPECT_TRUE(PumpUntil(dispatcher, [&] { return !errors.empty(); }));
    EXPECT_EQ(calls, 0);
}

// True once the thread sits in the system call, read from the kernel's own
// record of it; false when the system keeps no such record.
bool BlockedIn(pid_t thread, long call) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    const std::string path = "/proc/self/task/" + std::to_string(thread) + "/syscall";
    while (std::chrono::steady_clock::now() < end) {
        std::ifstream record(path);
        if (!record) return false;
        long number = -1;
        if (record >> number && number == call) return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

// A blocking ReceiveBuffer on a thread of its own, waiting for ever.
class UdpWaitingReceive : public ::testing::Test {
protected:
    void SetUp() override {
        udp->SetOnError([&](const std::string& message) { errors.push_back(message); });
        udp->SetReceiveTimeout(0);
        port = Open(*udp);
        ASSERT_NE(port, 0);
        TUDP* const waiting = udp.get();
        receiver = std::thread([this, waiting] {
            thread = static_cast<pid_t>(::syscall(SYS_gettid));
            char buffer[16];
            int from = 0;
            const int count = waiting->ReceiveBuffer(buffer, sizeof buffer, from);
            text.assign(buffer, count > 0 ? count : 0);
            received = count;
        });
        while (thread == 0) std::this_thread::sleep_for(1ms);
        // Without knowing that the receive waits, destroying the component under it would be the caller's fault.
        if (!BlockedIn(thread, SYS_recvfrom)) {
            ASSERT_EQ(received, -1) << "the receive did not wait";
            GTEST_SKIP() << "the receive was not seen waiting in the system";
        }
    }
    void TearDown() override {
        // Frees a receive that nothing woke, so that the test ends either way.
        if (receiver.joinable()) {
            Send(port, "release");
            receiver.join();
        }
    }
    // Waits up to five seconds for the receive to return.
    bool Returned() {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (received == -1 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
        return received != -1;
    }
    static void Send(int to, const std::string& datagram) {
        TUDP late(nullptr);
        late.SetActive(1);
        late.SetRemoteHost("127.0.0.1");
        late.SetRemotePort(to);
        EXPECT_EQ(late.Send(datagram), 1);
    }

    std::unique_ptr<TUDP> udp = std::make_unique<TUDP>(nullptr);
    std::vector<std::string> errors;
    int port = 0;
    std::thread receiver;
    std::atomic<pid_t> thread{0};
    std::atomic<int> received{-1};
    std::string text;
};

TEST_F(UdpWaitingReceive, ClosingWakesItAndFreesThePort) {
    udp->CloseSocket();
    EXPECT_TRUE(udptest::PortFree(port));
    EXPECT_TRUE(Returned());
    EXPECT_EQ(received, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpWaitingReceive, DestroyingTheComponentWakesItSafely) {
    udp.reset();
    EXPECT_TRUE(udptest::PortFree(port));
    EXPECT_TRUE(Returned());
    EXPECT_EQ(received, 0);
    // A datagram to the old port finds nobody, and certainly not the freed component.
    Send(port, "late");
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpWaitingReceive, ANewPortTakesTheWaitAlong) {
    int next = udptest::RandomHighPort();
    while (next == port || !udptest::PortFree(next)) next = udptest::RandomHighPort();
    udp->SetLocalPort(next);
    // The old port goes as soon as the woken receive has moved on.
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!udptest::PortFree(port) && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(udptest::PortFree(port));
    Send(next, "moved");
    ASSERT_TRUE(Returned());
    receiver.join();
    EXPECT_EQ(text, "moved");
    EXPECT_TRUE(errors.empty());
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
