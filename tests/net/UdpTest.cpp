#include "net/Udp.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "net/Component.h"
#include "tests/net/UdpTestSupport.h"

using udptest::Aim;
using udptest::Open;

namespace {

std::string SystemText(int error) { return std::system_category().message(error); }

// A receiver and a sender open on loopback, aimed at each other, errors recorded.
class UdpPair : public ::testing::Test {
protected:
    void SetUp() override {
        for (TUDP* udp : {&receiver, &sender})
            udp->SetOnError([this](const std::string& message) { errors.push_back(message); });
        ASSERT_NE(Open(receiver), 0);
        ASSERT_NE(Open(sender), 0);
        Aim(sender, receiver);
        receiver.SetReceiveTimeout(2000);
    }
    int Receive(int length = static_cast<int>(sizeof buffer)) {
        return receiver.ReceiveBuffer(buffer, length, port, ip);
    }

    TUDP receiver{nullptr}, sender{nullptr};
    std::vector<std::string> errors;
    char buffer[64] = {};
    int port = 0;
    std::string ip;
};

TEST(Udp, StartsWithItsDefaultsRegistersOnPageUdpAndClampsTheLocalPort) {
    Register();
    Register();
    const std::vector<TComponentClass> page = PaletteComponents("UDP");
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].name, "TUDP");

    TComponent owner(nullptr);
    std::unique_ptr<TComponent> made = CreateComponent("TUDP", &owner);
    auto* udp = dynamic_cast<TUDP*>(made.get());
    ASSERT_NE(udp, nullptr);
    EXPECT_EQ(udp->Owner(), &owner);
    EXPECT_EQ(CreateComponent("TNothing", &owner), nullptr);

    EXPECT_EQ((std::vector<long>{udp->BufferLength(), udp->ThreadInterval(), udp->UseThread(),
                                 static_cast<long>(udp->ReceiveTimeout()), udp->Broadcasting(), udp->ReplyState(),
                                 static_cast<long>(udp->ReplyTimeout()), udp->RemotePort(), udp->LocalPort(),
                                 udp->Active(), udp->ThreadRunning()}),
              (std::vector<long>{8192, 10, 0, 1, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ((std::vector<std::string>{udp->BroadcastAddress(), udp->RemoteHost(), udp->BroadcastNIC()}),
              (std::vector<std::string>{"255.255.255.255", "0.0.0.0", "255.255.255.255"}));

    // Inactive, nothing opens on demand; the local port is clamped to 1024..65535.
    udp->SetRemotePort(9);
    EXPECT_EQ(udp->Send("x"), 0);
    for (auto [given, kept] : {std::pair{80, 1024}, {-5, 1024}, {70000, 65535}, {40000, 40000}}) {
        udp->SetLocalPort(given);
        EXPECT_EQ(udp->LocalPort(), kept) << given;
    }
    EXPECT_FALSE(udp->HasSocket());
}

TEST_F(UdpPair, SendsAndReceivesBlockingOnLoopbackWithTheSendersPortAndAddress) {
    EXPECT_EQ(sender.Send("hello"), 1);
    std::memset(buffer, 'x', sizeof buffer);
    ASSERT_EQ(Receive(), 5);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(port, sender.LocalPort());
    EXPECT_EQ(ip, "127.0.0.1");

    // The smaller of length and count goes out.
    EXPECT_EQ(sender.SendBuffer("abcdef", 3, 10), 3);
    EXPECT_EQ(sender.SendBuffer("abcdef", 6, 2), 2);
    EXPECT_EQ(Receive(), 3);
    EXPECT_EQ(Receive(), 2);
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpPair, BlockingReceiveKeepsTheTerminatingZeroInsideTheBufferAndReportsACut) {
    std::memset(buffer, '#', 8);
    ASSERT_EQ(sender.Send("abcdefgh"), 1);
    // A length of 0 leaves no room even for the zero: nothing is received or written.
    EXPECT_EQ(Receive(0), 0);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Receive(-3), 0);
    EXPECT_EQ(errors, std::vector<std::string>{SystemText(EINVAL)});
    EXPECT_EQ(std::string(buffer, 8), "########");
    // The datagram is still there and arrives cut to length - 1 bytes, which is reported.
    EXPECT_EQ(Receive(5), 4);
    EXPECT_EQ(std::string(buffer, 8), std::string("abcd\0###", 8));
    EXPECT_EQ(errors, (std::vector<std::string>{SystemText(EINVAL), SystemText(EMSGSIZE)}));
}

TEST_F(UdpPair, MisusedSizesAreRefusedAndSendNothing) {
    const std::vector<char> large(70000, 'L');
    struct Case {
        const void* data;
        int length, count, error;
    };
    for (const Case& c : {Case{"abc", -1, 3, EINVAL}, Case{"abc", 3, -1, EINVAL}, Case{"abc", -4, -4, EINVAL},
                          Case{nullptr, 3, 3, EINVAL}, Case{large.data(), 65508, 65508, EMSGSIZE},
                          Case{large.data(), 70000, 69999, EMSGSIZE}}) {
        errors.clear();
        EXPECT_EQ(sender.SendBuffer(c.data, c.length, c.count), 0) << c.length << " " << c.count;
        sender.SetBroadcasting(1);
        sender.SetBroadcastAddress("127.255.255.255");
        EXPECT_EQ(sender.BroadcastBuffer(c.data, c.length, c.count), 0) << c.length << " " << c.count;
        EXPECT_EQ(errors, std::vector<std::string>(2, SystemText(c.error))) << c.length << " " << c.count;
    }
    errors.clear();
    char copy[8];
    EXPECT_EQ(receiver.ReadBuffer(copy, -1, 4), 0);
    EXPECT_EQ(receiver.ReadBuffer(copy, 4, -1), 0);
    EXPECT_EQ(receiver.ReadBuffer(nullptr, 4, 4), 0);
    EXPECT_EQ(errors, std::vector<std::string>(3, SystemText(EINVAL)));

    // The first datagram to arrive is the one sent after the refused ones.
    errors.clear();
    EXPECT_EQ(sender.SendBuffer("ok", 2, 2), 2);
    EXPECT_EQ(Receive(), 2);
    EXPECT_STREQ(buffer, "ok");
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpPair, AnInterfaceAddressThatThisMachineDoesNotHaveIsAnError) {
    // 192.0.2.1 is reserved for documentation and held by no interface.
    for (const char* nic : {"192.0.2.1", "eth9", ""}) {
        errors.clear();
        TUDP udp(nullptr);
        udp.SetOnError([this](const std::string& message) { errors.push_back(message); });
        EXPECT_EQ(Open(udp, nic), 0) << nic;
        EXPECT_FALSE(udp.HasSocket()) << nic;
        EXPECT_EQ(udp.ThreadRunning(), 0) << nic;
        EXPECT_EQ(errors, std::vector<std::string>{SystemText(EADDRNOTAVAIL)}) << nic;
    }
    // An open socket stays bound as it was.
    errors.clear();
    const int bound = receiver.LocalPort();
    receiver.SetBroadcastNIC("192.0.2.1");
    EXPECT_EQ(errors, std::vector<std::string>{SystemText(EADDRNOTAVAIL)});
    EXPECT_EQ(receiver.LocalPort(), bound);
}

TEST_F(UdpPair, ResolvesLocalhostAndRefusesNamesThatAreNoHostNames) {
    sender.SetRemoteHost("localhost");
    EXPECT_EQ(sender.Send("by name"), 1);
    EXPECT_EQ(Receive(), 7);

    for (const char* name : {"", "no such host", "bad!name", "new\nline"}) {
        sender.SetRemoteHost(name);
        EXPECT_EQ(sender.Send("x"), 0) << name;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(UdpPair, ErrorsCarryTheSystemsTextOrTheNoBytesMessage) {
    // An empty datagram is a receive of 0 bytes.
    EXPECT_EQ(sender.SendBuffer("", 0, 0), 0);
    std::strcpy(buffer, "unchanged");
    EXPECT_EQ(Receive(), 0);
    EXPECT_STREQ(buffer, "unchanged");
    // Nothing arrives within the time-out.
    receiver.SetReceiveTimeout(20);
    EXPECT_EQ(Receive(), 0);
    // Port 0 is no destination.
    sender.SetRemotePort(0);
    EXPECT_EQ(sender.Send("x"), 0);
    EXPECT_EQ(errors,
              (std::vector<std::string>{"Keine Bytes empfangen/gesendet", SystemText(EAGAIN), SystemText(EINVAL)}));
    EXPECT_EQ(errors.back().find('\n'), std::string::npos);

    // A port beyond 16 bits is refused rather than cut to another port.
    sender.SetRemotePort(receiver.LocalPort() + 65536);
    EXPECT_EQ(sender.Send("x"), 0);
    // Without a handler an error is silent.
    TUDP quiet(nullptr);
    quiet.HandleError(kSocketError);
    quiet.HandleError(0);
}

TEST_F(UdpPair, BroadcastsToTheLoopbackBroadcastAddressOnlyWhenPermitted) {
    receiver.SetBroadcastNIC("255.255.255.255");
    sender.SetBroadcasting(1);
    sender.SetBroadcastAddress("127.255.255.255");
    EXPECT_EQ(sender.Broadcast("to all"), 6);
    EXPECT_EQ(Receive(), 6);
    EXPECT_TRUE(errors.empty());

    sender.SetBroadcasting(0);
    EXPECT_EQ(sender.BroadcastBuffer("abc", 3, 3), 0);
    EXPECT_EQ(errors, std::vector<std::string>{SystemText(EACCES)});
    // The broadcast address is taken as a dotted address only.
    sender.SetBroadcasting(1);
    sender.SetBroadcastAddress("localhost");
    EXPECT_EQ(sender.Broadcast("x"), 0);
}

// A run of free ports, held by blockers, starting at a random high port.
int BlockRun(int count, std::vector<std::unique_ptr<udptest::PortBlocker>>& blockers) {
    for (int tries = 0; tries < 50; ++tries) {
        blockers.clear();
        const int start = udptest::RandomHighPort();
        for (int port = start; port < start + count; ++port) {
            blockers.push_back(std::make_unique<udptest::PortBlocker>(port));
            if (!blockers.back()->Bound()) break;
        }
        if (static_cast<int>(blockers.size()) == count && blockers.back()->Bound() && udptest::PortFree(start + count))
            return start;
    }
    return 0;
}

TEST(Udp, BindsPastBusyPortsForAtMost101Attempts) {
    std::vector<std::unique_ptr<udptest::PortBlocker>> blockers;
    for (const int busy : {100, 101}) {
        const int start = BlockRun(busy, blockers);
        ASSERT_NE(start, 0);
        TUDP udp(nullptr);
        udp.SetLocalPort(start);
        udp.SetActive(1);
        ASSERT_EQ(udp.CreateSocket(), 0);
        EXPECT_EQ(udp.LocalPort(), start + busy);
        // The 101st attempt still binds; past it the search gives up and binds nothing.
        EXPECT_EQ(udptest::PortFree(start + busy), busy == 101) << busy;
    }

    // The search wraps from the top to the first unprivileged port.
    udptest::PortBlocker top(65535);
    TUDP udp(nullptr);
    udp.SetBroadcastNIC("127.0.0.1");
    udp.SetLocalPort(65535);
    udp.SetActive(1);
    ASSERT_EQ(udp.CreateSocket(), 0);
    EXPECT_GE(udp.LocalPort(), 1024);
    EXPECT_LT(udp.LocalPort(), 1124);
}

TEST_F(UdpPair, ChangingThePortOfAnOpenSocketBindsItAnew) {
    const int first = receiver.LocalPort();
    int second = udptest::RandomHighPort();
    while (second == first || !udptest::PortFree(second)) second = udptest::RandomHighPort();
    receiver.SetLocalPort(second);
    EXPECT_EQ(receiver.LocalPort(), second);
    EXPECT_TRUE(udptest::PortFree(first));
    // Naming the interface again keeps the port, and the socket still receives there.
    receiver.SetBroadcastNIC("127.0.0.1");
    EXPECT_EQ(receiver.LocalPort(), second);
    Aim(sender, receiver);
    EXPECT_EQ(sender.Send("moved"), 1);
    EXPECT_EQ(Receive(), 5);
}

TEST(Udp, ActiveOpensOnDemandAndClosingEndsTheThread) {
    TUDP udp(nullptr);
    udp.SetRemoteHost("127.0.0.1");
    udp.SetRemotePort(udptest::RandomHighPort());
    udp.SetActive(1);
    EXPECT_FALSE(udp.HasSocket());
    EXPECT_EQ(udp.Send("x"), 1);
    EXPECT_TRUE(udp.HasSocket());
    EXPECT_EQ(udp.ThreadRunning(), 1);

    udp.SetActive(0);
    EXPECT_FALSE(udp.HasSocket());
    EXPECT_EQ(udp.ThreadRunning(), 0);
    EXPECT_EQ(udp.Send("x"), 0);
}

TEST(Udp, AFailedOpenLeavesNeitherSocketNorThread) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    TUDP udp(nullptr);
    udp.SetActive(1);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const int result = udp.CreateSocket();
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(udp.HasSocket());
    EXPECT_EQ(udp.ThreadRunning(), 0);
    EXPECT_EQ(udp.CreateSocket(), 0);
    EXPECT_EQ(udp.ThreadRunning(), 1);
}

}  // namespace
